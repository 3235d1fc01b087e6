// Tables and their rounds: choosing, writing, the reveal with its authors,
// laughs, scores, ratings, the deadlines that move a round on, the host's
// tools, knocks, bots and callers arriving mid-pick.
#include "house_helpers.h"
#include "tables.h"

namespace {

using Steps = std::vector<TestHouse::Step>;
std::string ms(int64_t n) { return "tick " + std::to_string(n); }
std::string secs(int64_t n) { return "{\"seconds\":" + std::to_string(n / 1000) + "}"; }

// Ann hosts a table; Bob sits down with its share code typed in lower case.
const Steps ANN_AND_BOB = {
    {1, R"(room:create#5 {"name":"Ann's","maxPlayers":6})", 1, "#5", R"({"ok":true})"},
    {2, R"(room:join#4 {"code":"$code"})", 2, "#4", R"({"ok":true})"},
};
// Ann starts and picks tale 1 (Bob, out of turn, cannot); four gaps between them.
const Steps TALE_1 = {
    {1, "room:start-now {}", 2, "game:category-pick", R"({"pickerId":"s1","pickerName":"Ann"})"},
    {2, R"(category:pick-story {"storyId":2})", 2, "game:prompts", "null"},
    {1, R"(category:pick-story {"storyId":1})", 2, "game:prompts", R"({"template":{"title":"Dog Day"},"totalBlanks":4})"},
};

Steps operator+(Steps a, const Steps& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(HouseTables, FullRoundRevealsWordsWithTheirAuthorsCountsLaughsAndAsksForRatings) {
    TestHouse t({"Ann", "Bob"});
    // Bob has rated the tale before (a rating out of range is ignored); Ann has not.
    t.run(Steps{{2, R"(story:rate {"storyId":1,"rating":-1})", 2, "", "true"},
                {2, R"(story:rate {"storyId":1,"rating":7})", 2, "", "true"}} + ANN_AND_BOB + TALE_1);
    t.act(0, "tick 0");  // takes the gaps in
    ASSERT_EQ(t.blanks[1].size() + t.blanks[2].size(), 4u);  // every gap has one writer
    const std::string annGap = t.blanks[1][0]["n"].dump(), laugh = "vote:cast {\"blankN\":" + annGap + "}";
    const std::string reveal = R"({"story":"The w1 dog ate w2 and w3 in w4.","words":[{"n":1,"value":"w1"},{"n":2},{"n":3},{"n":4}]})";
    t.run({{1, "submit:answers#12 {\"answers\":{\"" + annGap + "\":\"you poop\"}}", 1, "#12", "{\"ok\":false,\"blankN\":" + annGap + "}"},
           {1, "submit:answers#12 {\"answers\":$answers}", 1, "#12", R"({"ok":true})"},
           {0, "", 1, "game:story-reveal", "null"},  // Bob still writes
           {2, "submit:answers#12 {\"answers\":$answers}", 1, "game:story-reveal", reveal},
           {0, "", 2, "game:story-reveal", reveal}});
    Json words = t.last(1, "game:story-reveal")["words"];
    for (const Json& w : words) {  // each word by whoever had its gap
        bool anns = std::any_of(t.blanks[1].begin(), t.blanks[1].end(), [&](const Json& b) { return b["n"] == w["n"]; });
        EXPECT_EQ(w["authorId"], anns ? "s1" : "s2");
    }
    t.run({{1, laugh, 1, "game:word-tally", "null"},  // her own word
           {2, laugh, 1, "game:word-tally", R"({"laughs":1})"},
           {2, laugh, 1, "game:word-tally", R"({"laughs":0})"},  // on, off, on
           {2, laugh, 1, "game:word-tally", R"({"laughs":1})"},
           {2, "vote:done {}", 1, "game:voter-done", R"({"pendingNames":["Ann"]})"},
           {1, "vote:done {}", 2, "game:round-results", R"({"standings":[{"name":"Ann","laughs":1},{"name":"Bob","laughs":0}]})"},
           {0, "", 2, "story:rate-prompt", R"({"storyId":1,"mine":-1})"},
           {0, "", 1, "story:rate-prompt", R"({"storyId":1,"title":"Dog Day"})"}});
    EXPECT_FALSE(t.last(1, "story:rate-prompt").contains("mine"));
    t.run({{1, "room:back-to-room {}", 2, "room:state", R"({"state":"results","roomReturnPending":["s1"]})"},
           {2, "room:leave {}", 1, "game:aborted", "null"}});  // leaving on the scores stops nothing
}

const char* NOBODY_ANSWERED = R"({"text":"Nobody answered the door - try knocking again later."})";

struct Case { const char* name; std::vector<const char*> callers; Steps steps; };

const Case CASES[] = {
    {"deadlines move the round on and remove callers who do not answer", {"Ann", "Bob"},
     ANN_AND_BOB + TALE_1 + Steps{
         // Ann's time ran out with one word typed: her door sends what it has.
         {1, R"(submit:answers#12 {"answers":{"1":"w1","3":" "}})", 1, "#12", R"({"ok":true})"},
         {1, ms(WORDS_MS), 2, "game:story-reveal", "null"},  // a late door's words are still taken
         {1, ms(WORDS_GRACE_MS), 2, "game:story-reveal", R"({"words":[{"n":1,"value":"w1"},{},{},{}]})"},  // the house fills the rest
         {1, ms(VOTE_MS), 1, "game:round-results", R"({"standings":[{},{}]})"},
         {1, "room:back-to-room {}", 1, "", "true"},
         {1, ms(RESULTS_MS - FINAL_WARN_MS + 100), 2, "game:final-warning", secs(FINAL_WARN_MS)},
         {0, "", 1, "game:final-warning", "null"},
         {1, ms(FINAL_WARN_MS), 2, "room:timeout-removed", "{}"},
         {0, "", 1, "room:state", R"({"state":"waiting","players":[{"name":"Ann"}]})"}}},
    {"the picker is waited for, then spun for; leaving below two aborts", {"Ann", "Bob"},
     ANN_AND_BOB + Steps{
         {1, "room:start-now {}", 2, "game:category-pick", R"({"pickerId":"s1"})"},
         {2, "picker:choosing {}", 1, "game:picker-waiting", "null"},  // not Bob's turn
         {1, "picker:choosing {}", 2, "game:picker-waiting", secs(PICK_CHOOSING_MS)},
         {0, "", 1, "game:picker-waiting", "null"},  // the chooser knows
         {1, "picker:wait {}", 1, "game:picker-waiting", secs(PICK_CHOOSING_MS + PICK_WAIT_MORE_MS)},
         {1, ms(PICK_CHOOSING_MS + PICK_WAIT_MORE_MS - PICK_WARN_MS + 100), 1, "game:picker-warning", secs(PICK_WARN_MS)},
         {0, "", 1, "game:category-spin", "null"},
         {1, ms(PICK_WARN_MS), 1, "game:category-spin", "{}"},
         {0, "", 2, "game:prompts", R"({"blanks":[{},{}]})"},
         {2, "room:leave {}", 1, "game:aborted", R"({"reason":"Not enough players left - the round was stopped."})"}}},
    {"host tools and the table list", {"Ann", "Bob"},
     ANN_AND_BOB + Steps{
         {2, R"(room:set-lock {"on":true})", 1, "room:state", "null"},  // not the host
         {1, R"(room:set-lock {"on":true})", 2, "room:state", R"({"locked":true})"},
         {1, R"(lobby:refresh {})", 1, "lobby:rooms", R"({"rooms":[{"name":"Quick Play"},{"name":"Ann's","code":""}]})"},
         {1, "room:regenerate-code {}", 2, "room:state", R"({"locked":true})"},
         {1, ms(BOT_WAIT_MS + 200), 1, "room:state", R"({"players":[{"name":"Ann"},{"name":"Bob"},{"id":"b1"}]})"},
         {2, R"(host:kick {"name":"BOB"})", 2, "room:kicked", "null"},  // Bob is no host
         {1, R"(host:kick {"name":"an"})", 1, "room:notice", R"({"text":"Nobody by that name is at your table."})"},
         {1, R"(host:kick {"name":"BOB"})", 2, "room:kicked", R"({"message":"The host removed you from the table."})"},
         {0, "", 1, "room:state", R"({"players":[{"name":"Ann"},{"id":"b1"}]})"}}},
    {"a table made with a surprise plays one without asking, then the host chooses", {"Ann", "Bob"},
     Steps{
         {1, R"(room:create#5 {"name":"Lucky","category":"","storyId":0})", 1, "#5", R"({"ok":true})"},
         {2, R"(room:join#4 {"code":"$code"})", 2, "#4", R"({"ok":true})"},
         {1, "room:start-now {}", 1, "game:category-pick", "null"},
         {0, "", 2, "game:prompts", R"({"seconds":120})"},
         {1, R"(submit:answers#12 {"answers":{}})", 1, "#12", R"({"ok":true})"},  // nothing typed in time
         {2, "submit:answers#12 {\"answers\":$answers}", 2, "game:story-reveal", "{}"},
         {1, ms(VOTE_MS), 1, "game:round-results", "{}"},
         {1, "room:back-to-room {}", 1, "", "true"},
         {2, "room:back-to-room {}", 1, "room:state", R"({"state":"waiting"})"},
         {1, "room:start-now {}", 2, "game:category-pick", R"({"pickerId":"s1"})"}}},
    // A knock nobody answers does not stay: it goes when the knocker leaves
    // the Lounge, when time is up (the knocker is told), or when the table
    // closes (likewise).
    {"unanswered knocks are forgotten", {"Ann", "Bob", "Cy", "Dee"},
     Steps{
         {1, R"(room:create#5 {"name":"Den","locked":true})", 1, "#5", R"({"ok":true})"},
         {2, R"(room:knock {"knockId":"$door"})", 1, "room:knock", R"({"name":"Bob"})"},
         {2, R"(presence:zone "welcome")", 2, "", "true"},
         {1, R"(room:knock-reply {"knockId":"$knock","allow":true})", 1, "room:notice", R"({"text":"Nobody is knocking any more."})"},
         {3, R"(room:knock {"knockId":"$door"})", 1, "room:knock", R"({"name":"Cy"})"},
         {1, ms(KNOCK_MS - 1000), 3, "lobby:notice", "null"},
         {1, "tick 1100", 3, "lobby:notice", NOBODY_ANSWERED},
         {4, R"(room:knock {"knockId":"$door"})", 1, "room:knock", R"({"name":"Dee"})"},
         {1, "room:leave {}", 1, "", "true"},  // the only caller: the table closes
         {1, "tick 200", 4, "lobby:notice", NOBODY_ANSWERED}}},
};

TEST(HouseTables, StepByStep) {
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        TestHouse t(c.callers);
        t.run(c.steps);
    }
}

// Two bots sit down beside a lone caller, write their words in time and
// laugh; the table starts and comes back by itself.
TEST(HouseBots, OneCallerPlaysAFullQuickRoundWithBots) {
    TestHouse t({"Solo"});
    t.run({{1, "room:join#4 {\"code\":" + t.last(1, "lobby:rooms")["rooms"][0]["code"].dump() + "}", 1, "#4", R"({"ok":true})"},
           {1, ms(BOT_WAIT_MS + 200), 1, "room:state", R"({"players":[{"name":"Solo"},{},{}]})"}});
    t.run({{1, ms(AUTO_START_MS + 200), 1, "game:prompts", "{}"},
           {1, "submit:answers#12 {\"answers\":$answers}", 1, "#12", R"({"ok":true})"},
           {1, "tick 7000", 1, "game:story-reveal", "{}"}});  // the bots wrote theirs: they think for at most 6 s
    t.run({{1, "tick 7000", 1, "game:word-tally", "{}"},  // bots laugh
           {0, "", 1, "game:voter-done", R"({"pendingNames":["Solo"]})"},
           {1, "vote:done {}", 1, "game:round-results", R"({"standings":[{},{},{}]})"},
           {1, "room:continue-auto {}", 1, "", "true"},
           {1, "tick 7000", 1, "room:state", R"({"state":"waiting"})"}});
}

}  // namespace
