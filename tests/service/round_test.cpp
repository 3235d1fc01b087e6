#include <gtest/gtest.h>

#include <algorithm>

#include "house_helpers.h"
#include "tables.h"

namespace {

// Ann hosts a table, Bob sits down with the share code.
struct TableFixture : ::testing::Test {
    House h;
    std::string code;

    void SetUp() override {
        startHouse(&h);
        login(&h, 1, "Ann");
        login(&h, 2, "Bob");
        emit(&h, 1, "room:create", {{"name", "Ann's"}, {"locked", false}, {"maxPlayers", 6}, {"category", ""}, {"storyId", 0}}, 5);
        Json reply = repliesTo(&h, 1, 5).at(0);
        ASSERT_TRUE(reply["ok"]);
        code = reply["room"]["code"];
        std::string lower = code;
        for (char& c : lower) c = static_cast<char>(std::tolower(c));
        emit(&h, 2, "room:join", {{"code", lower}}, 4);  // codes are typed in any case
        ASSERT_TRUE(repliesTo(&h, 2, 4).at(0)["ok"]);
        h.outbox.clear();
    }

    // Host starts, Ann picks tale 1; returns the blanks each caller got.
    std::map<int, Json> startWithTale1() {
        emit(&h, 1, "room:start-now", Json::object());
        Json pick = lastEvent(&h, 2, "game:category-pick");
        EXPECT_EQ(pick["pickerId"], "s1");
        EXPECT_EQ(pick["categories"].size(), 2u);
        emit(&h, 2, "category:pick-story", {{"storyId", 2}});  // not Bob's turn: ignored
        EXPECT_TRUE(eventsTo(&h, 2, "game:prompts").empty());
        emit(&h, 1, "category:pick-story", {{"storyId", 1}});
        std::map<int, Json> blanks;
        for (int s : {1, 2}) {
            Json prompts = lastEvent(&h, s, "game:prompts");
            EXPECT_EQ(prompts["template"]["title"], "Dog Day");
            EXPECT_EQ(prompts["totalBlanks"], 4);
            blanks[s] = prompts["blanks"];
        }
        h.outbox.clear();
        return blanks;
    }

    static Json answersFor(const Json& blanks, const std::string& prefix) {
        Json answers = Json::object();
        for (const Json& b : blanks) answers[std::to_string(b["n"].get<int>())] = prefix + std::to_string(b["n"].get<int>());
        return answers;
    }
};

}  // namespace

TEST_F(TableFixture, FullRoundRevealsWordsWithTheirAuthorsAndCountsLaughs) {
    std::map<int, Json> blanks = startWithTale1();
    ASSERT_EQ(blanks[1].size() + blanks[2].size(), 4u);  // every gap has one writer

    Json refused = answersFor(blanks[1], "ann");
    std::string firstN = std::to_string(blanks[1][0]["n"].get<int>());
    refused[firstN] = "you poop";
    emit(&h, 1, "submit:answers", {{"answers", refused}}, 12);
    Json no = repliesTo(&h, 1, 12).at(0);
    EXPECT_FALSE(no["ok"]);
    EXPECT_EQ(no["blankN"], blanks[1][0]["n"]);

    emit(&h, 1, "submit:answers", {{"answers", answersFor(blanks[1], "ann")}}, 12);
    EXPECT_TRUE(repliesTo(&h, 1, 12).at(1)["ok"]);
    EXPECT_TRUE(eventsTo(&h, 1, "game:story-reveal").empty());  // Bob still writing
    emit(&h, 2, "submit:answers", {{"answers", answersFor(blanks[2], "bob")}}, 12);
    std::vector<std::string> toBob;
    for (const Outgoing& o : h.outbox) {
        Json j = Json::parse(o.line);
        if (o.session != 2) continue;
        toBob.push_back(j.contains("ackId") ? "ack" + std::to_string(j["ackId"].get<int>()) : j["event"].get<std::string>());
    }
    auto at = [&toBob](const std::string& what) { return std::find(toBob.begin(), toBob.end(), what) - toBob.begin(); };
    EXPECT_LT(at("ack12"), at("game:story-reveal")) << "the last words are taken before the tale is read out";

    Json reveal = lastEvent(&h, 1, "game:story-reveal");
    ASSERT_EQ(reveal, lastEvent(&h, 2, "game:story-reveal"));
    std::string story = reveal["story"];
    size_t pos = 0;
    int annWord = 0;
    for (const Json& w : reveal["words"]) {
        std::string value = w["value"];
        std::string author = w["authorId"];
        EXPECT_EQ(value.substr(0, 3) == "ann" ? "s1" : "s2", author);
        size_t at = story.find(value, pos);  // in reading order, as the door matches them
        ASSERT_NE(at, std::string::npos) << value;
        pos = at + value.size();
        if (author == "s1") annWord = w["n"];
    }
    h.outbox.clear();

    emit(&h, 1, "vote:cast", {{"blankN", annWord}});  // own word: no laugh
    EXPECT_TRUE(eventsTo(&h, 1, "game:word-tally").empty());
    for (int i = 0; i < 3; ++i) emit(&h, 2, "vote:cast", {{"blankN", annWord}});  // on, off, on
    std::vector<Json> tallies = eventsTo(&h, 1, "game:word-tally");
    ASSERT_EQ(tallies.size(), 3u);
    EXPECT_EQ(tallies[1]["laughs"], 0);
    EXPECT_EQ(tallies[2]["laughs"], 1);

    emit(&h, 2, "vote:done", Json::object());
    EXPECT_EQ(lastEvent(&h, 1, "game:voter-done")["pendingNames"], Json::array({"Ann"}));
    emit(&h, 1, "vote:done", Json::object());
    Json standings = lastEvent(&h, 2, "game:round-results")["standings"];
    ASSERT_EQ(standings.size(), 2u);
    EXPECT_EQ(standings[0]["name"], "Ann");
    EXPECT_EQ(standings[0]["laughs"], 1);
    EXPECT_EQ(standings[1]["laughs"], 0);
    Json rate = lastEvent(&h, 1, "story:rate-prompt");
    EXPECT_EQ(rate["storyId"], 1);
    EXPECT_FALSE(rate.contains("mine"));

    emit(&h, 1, "room:back-to-room", Json::object());
    Json pending = lastEvent(&h, 2, "room:state");
    EXPECT_EQ(pending["state"], "results");
    EXPECT_EQ(pending["roomReturnPending"], Json::array({"s1"}));
    emit(&h, 2, "room:back-to-room", Json::object());
    EXPECT_EQ(lastEvent(&h, 2, "room:state")["state"], "waiting");
}

TEST_F(TableFixture, RatingIsRememberedForTheNextPrompt) {
    emit(&h, 1, "story:rate", {{"storyId", 1}, {"rating", -1}});
    emit(&h, 1, "story:rate", {{"storyId", 1}, {"rating", 7}});  // out of range: ignored
    std::map<int, Json> blanks = startWithTale1();
    emit(&h, 1, "submit:answers", {{"answers", answersFor(blanks[1], "a")}}, 12);
    emit(&h, 2, "submit:answers", {{"answers", answersFor(blanks[2], "b")}}, 12);
    emit(&h, 1, "vote:done", Json::object());
    emit(&h, 2, "vote:done", Json::object());
    EXPECT_EQ(lastEvent(&h, 1, "story:rate-prompt")["mine"], -1);
    EXPECT_FALSE(lastEvent(&h, 2, "story:rate-prompt").contains("mine"));
}

TEST_F(TableFixture, DeadlinesMoveTheRoundAndRemoveCallersWhoDoNotAnswer) {
    std::map<int, Json> blanks = startWithTale1();
    emit(&h, 1, "submit:answers", {{"answers", answersFor(blanks[1], "a")}}, 12);
    tickTo(&h, h.now + WORDS_MS);
    Json reveal = lastEvent(&h, 2, "game:story-reveal");
    ASSERT_FALSE(reveal.is_null());
    for (const Json& w : reveal["words"]) EXPECT_FALSE(w["value"].get<std::string>().empty());  // the house filled Bob's gaps
    tickTo(&h, h.now + VOTE_MS);
    ASSERT_FALSE(lastEvent(&h, 1, "game:round-results").is_null());
    emit(&h, 1, "room:back-to-room", Json::object());
    tickTo(&h, h.now + RESULTS_MS - FINAL_WARN_MS + 100);
    EXPECT_FALSE(lastEvent(&h, 2, "game:final-warning").is_null());
    EXPECT_TRUE(lastEvent(&h, 1, "game:final-warning").is_null());
    tickTo(&h, h.now + FINAL_WARN_MS);
    EXPECT_FALSE(lastEvent(&h, 2, "room:timeout-removed").is_null());
    EXPECT_EQ(h.sessions[2].roomId, 0);
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["state"], "waiting");
}

TEST_F(TableFixture, PickerTimeOutSpinsAndLeavingBelowTwoAbortsTheRound) {
    emit(&h, 1, "room:start-now", Json::object());
    emit(&h, 1, "picker:wait", Json::object());
    EXPECT_EQ(lastEvent(&h, 2, "game:picker-waiting")["seconds"], (PICK_MS + PICK_WAIT_MORE_MS) / 1000);
    tickTo(&h, h.now + PICK_MS + PICK_WAIT_MORE_MS);
    EXPECT_FALSE(lastEvent(&h, 1, "game:category-spin").is_null());
    EXPECT_FALSE(lastEvent(&h, 1, "game:prompts").is_null());
    emit(&h, 2, "room:leave", Json::object());
    EXPECT_FALSE(lastEvent(&h, 1, "game:aborted").is_null());
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["state"], "waiting");
}

TEST_F(TableFixture, HostToolsKickLockAndNewCode) {
    emit(&h, 2, "room:set-lock", {{"on", true}});  // not the host
    EXPECT_TRUE(lastEvent(&h, 1, "room:state").is_null());
    emit(&h, 1, "room:set-lock", {{"on", true}});
    Json snap = lastEvent(&h, 2, "room:state");
    EXPECT_TRUE(snap["locked"]);
    Json rooms = tablesListJson(&h);
    for (const Json& r : rooms) {
        if (r["name"] == "Ann's") {
            EXPECT_EQ(r["code"], "");  // a locked table's code is not given away
            EXPECT_NE(r["knockId"], "");
        }
    }
    emit(&h, 1, "room:regenerate-code", Json::object());
    EXPECT_NE(lastEvent(&h, 2, "room:state")["code"], code);
    emit(&h, 1, "host:kick", {{"name", "BOB"}});
    EXPECT_EQ(lastEvent(&h, 2, "room:kicked")["message"], "The host removed you from the table.");
    EXPECT_EQ(h.sessions[2].roomId, 0);
}

TEST(HouseTables, KnockOnALockedTableSeatsTheGuestWhenAllowed) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    login(&h, 2, "Bob");
    emit(&h, 1, "room:create", {{"name", "Den"}, {"locked", true}}, 5);
    std::string knockId;
    for (const Json& r : tablesListJson(&h)) {
        if (r["name"] == "Den") knockId = r["knockId"];
    }
    emit(&h, 2, "room:knock", {{"knockId", knockId}});
    Json knock = lastEvent(&h, 1, "room:knock");
    EXPECT_EQ(knock["name"], "Bob");
    emit(&h, 2, "room:knock-reply", {{"knockId", knock["knockId"]}, {"allow", true}});  // only the host answers
    EXPECT_EQ(h.sessions[2].roomId, 0);
    emit(&h, 1, "room:knock-reply", {{"knockId", knock["knockId"]}, {"allow", true}});
    EXPECT_EQ(h.sessions[2].roomId, h.sessions[1].roomId);
    EXPECT_EQ(lastEvent(&h, 2, "room:state")["players"].size(), 2u);
}

TEST(HouseBots, OneCallerPlaysAFullQuickRoundWithBots) {
    House h;
    startHouse(&h);
    login(&h, 1, "Solo");
    std::string code = lastEvent(&h, 1, "lobby:rooms")["rooms"][0]["code"];
    emit(&h, 1, "room:join", {{"code", code}}, 4);
    ASSERT_TRUE(repliesTo(&h, 1, 4).at(0)["ok"]);
    tickTo(&h, h.now + BOT_WAIT_MS + 200);
    Json snap = lastEvent(&h, 1, "room:state");
    ASSERT_EQ(snap["players"].size(), 3u);
    EXPECT_GT(snap["startsInMs"], 0);
    std::set<std::string> inks;
    for (const Json& p : snap["players"]) inks.insert(p["ink"].get<std::string>());
    EXPECT_EQ(inks.size(), 3u);
    tickTo(&h, h.now + AUTO_START_MS + 200);
    Json prompts = lastEvent(&h, 1, "game:prompts");
    ASSERT_FALSE(prompts.is_null());
    Json answers = Json::object();
    for (const Json& b : prompts["blanks"]) answers[std::to_string(b["n"].get<int>())] = "zebra";
    emit(&h, 1, "submit:answers", {{"answers", answers}}, 12);
    tickTo(&h, h.now + 7000);  // bots think for at most 6 s
    Json reveal = lastEvent(&h, 1, "game:story-reveal");
    ASSERT_FALSE(reveal.is_null());
    int botWords = 0;
    for (const Json& w : reveal["words"]) botWords += w["authorId"].get<std::string>()[0] == 'b';
    EXPECT_GT(botWords, 0);
    tickTo(&h, h.now + 7000);
    EXPECT_FALSE(eventsTo(&h, 1, "game:word-tally").empty());  // bots laugh
    EXPECT_EQ(lastEvent(&h, 1, "game:voter-done")["pendingNames"], Json::array({"Solo"}));
    emit(&h, 1, "vote:done", Json::object());
    ASSERT_FALSE(lastEvent(&h, 1, "game:round-results").is_null());
    emit(&h, 1, "room:continue-auto", Json::object());
    tickTo(&h, h.now + 7000);
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["state"], "waiting");
}

TEST_F(TableFixture, HostSendsABotAwayByTheStartOfItsName) {
    tickTo(&h, h.now + BOT_WAIT_MS + 200);
    Json players = lastEvent(&h, 1, "room:state")["players"];
    ASSERT_EQ(players.size(), 3u);
    std::string bot = players[2]["name"];
    emit(&h, 2, "host:kick", {{"name", bot}});  // Bob is no host
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["players"].size(), 3u);
    emit(&h, 1, "host:kick", {{"name", lowerText(bot.substr(0, 3))}});
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["players"].size(), 2u);
    emit(&h, 1, "host:kick", {{"name", "an"}});  // the host's own name is never meant
    EXPECT_EQ(lastEvent(&h, 1, "room:notice")["text"], "Nobody by that name is at your table.");
}

TEST_F(TableFixture, LeavingOnTheScoresDoesNotStopTheFinishedRound) {
    std::map<int, Json> blanks = startWithTale1();
    emit(&h, 1, "submit:answers", {{"answers", answersFor(blanks[1], "a")}}, 12);
    emit(&h, 2, "submit:answers", {{"answers", answersFor(blanks[2], "b")}}, 12);
    emit(&h, 1, "vote:done", Json::object());
    emit(&h, 2, "vote:done", Json::object());
    h.outbox.clear();
    emit(&h, 2, "room:leave", Json::object());
    EXPECT_TRUE(eventsTo(&h, 1, "game:aborted").empty());
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["state"], "results");
    emit(&h, 1, "room:back-to-room", Json::object());
    EXPECT_EQ(lastEvent(&h, 1, "room:state")["state"], "waiting");
}

TEST_F(TableFixture, TablesInARoundAreListedAfterTheOpenOnes) {
    Json before = tablesListJson(&h);
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0]["name"], "Quick Play");  // opened first
    startWithTale1();
    Json after = tablesListJson(&h);
    EXPECT_EQ(after[0]["name"], "Quick Play");
    EXPECT_EQ(after[1]["name"], "Ann's");
    EXPECT_TRUE(after[1]["inGame"]);
    login(&h, 3, "Cy");
    emit(&h, 3, "room:join", {{"code", code}}, 4);  // no seat in the middle of a round
    EXPECT_FALSE(repliesTo(&h, 3, 4).at(0)["ok"]);
}

TEST_F(TableFixture, ChoosingTellsTheOthersAndMoreTimeTellsEverybody) {
    emit(&h, 1, "room:start-now", Json::object());
    h.outbox.clear();
    emit(&h, 2, "picker:choosing", Json::object());  // not Bob's turn
    EXPECT_TRUE(eventsTo(&h, 1, "game:picker-waiting").empty());
    emit(&h, 1, "picker:choosing", Json::object());
    EXPECT_EQ(lastEvent(&h, 2, "game:picker-waiting")["seconds"], PICK_CHOOSING_MS / 1000);
    EXPECT_TRUE(eventsTo(&h, 1, "game:picker-waiting").empty());
    emit(&h, 1, "picker:wait", Json::object());
    EXPECT_EQ(lastEvent(&h, 1, "game:picker-waiting")["seconds"], (PICK_CHOOSING_MS + PICK_WAIT_MORE_MS) / 1000);
    tickTo(&h, h.now + PICK_CHOOSING_MS + PICK_WAIT_MORE_MS - PICK_WARN_MS + 100);
    EXPECT_FALSE(lastEvent(&h, 1, "game:picker-warning").is_null());
}

// Newcomers while Ann chooses: Cy by share code, Dee let in after a knock.
// Both hear who is choosing (with the time left) and get words to write.
TEST_F(TableFixture, CallersSeatedDuringAPickHearWhoChoosesAndGetWords) {
    emit(&h, 1, "room:set-lock", {{"on", true}});
    emit(&h, 1, "room:start-now", Json::object());
    tickTo(&h, h.now + 10000);
    login(&h, 3, "Cy");
    login(&h, 4, "Dee");
    h.outbox.clear();
    emit(&h, 3, "room:join", {{"code", code}}, 4);
    ASSERT_TRUE(repliesTo(&h, 3, 4).at(0)["ok"]);
    std::string knockId = h.rooms[h.sessions[1].roomId].knockId;
    emit(&h, 4, "room:knock", {{"knockId", knockId}});
    emit(&h, 1, "room:knock-reply", {{"knockId", lastEvent(&h, 1, "room:knock")["knockId"]}, {"allow", true}});
    ASSERT_EQ(h.sessions[4].roomId, h.sessions[1].roomId);
    for (int s : {3, 4}) {
        Json pick = lastEvent(&h, s, "game:category-pick");
        ASSERT_FALSE(pick.is_null()) << s;
        EXPECT_EQ(pick["pickerId"], "s1");
        EXPECT_EQ(pick["pickerName"], "Ann");
        EXPECT_EQ(pick["pickSeconds"], (PICK_MS - 10000) / 1000);
        EXPECT_EQ(pick["categories"].size(), 2u);
    }
    EXPECT_TRUE(eventsTo(&h, 2, "game:category-pick").empty()) << "the others already know";
    emit(&h, 1, "category:pick-story", {{"storyId", 1}});  // four gaps, four players
    for (int s : {1, 2, 3, 4}) EXPECT_EQ(lastEvent(&h, s, "game:prompts")["blanks"].size(), 1u) << s;
}

// A knock nobody answers does not stay forever: it goes when the knocker
// knocks again, leaves the Lounge or hangs up, when time is up, or when the
// table closes.
TEST(HouseTables, UnansweredKnocksAreForgotten) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    emit(&h, 1, "room:create", {{"name", "Den"}, {"locked", true}}, 5);
    std::string door = h.rooms[h.sessions[1].roomId].knockId;
    const std::string nobody = "Nobody answered the door - try knocking again later.";

    login(&h, 2, "Bob");
    emit(&h, 2, "room:knock", {{"knockId", door}});
    std::string first = lastEvent(&h, 1, "room:knock")["knockId"];
    emit(&h, 2, "room:knock", {{"knockId", door}});
    EXPECT_EQ(h.knocks.size(), 1u) << "a second knock replaces the first";
    emit(&h, 1, "room:knock-reply", {{"knockId", first}, {"allow", true}});
    EXPECT_EQ(h.sessions[2].roomId, 0);
    EXPECT_EQ(lastEvent(&h, 1, "room:notice")["text"], "Nobody is knocking any more.");
    emit(&h, 2, "presence:zone", "welcome");
    EXPECT_TRUE(h.knocks.empty()) << "the knocker left the Lounge";
    emit(&h, 2, "presence:zone", "lounge");
    emit(&h, 2, "room:knock", {{"knockId", door}});
    houseClose(&h, 2);
    EXPECT_TRUE(h.knocks.empty()) << "the knocker hung up";

    login(&h, 3, "Cy");
    emit(&h, 3, "room:knock", {{"knockId", door}});
    std::string cys = lastEvent(&h, 1, "room:knock")["knockId"];
    tickTo(&h, h.now + KNOCK_MS - 1000);
    EXPECT_EQ(h.knocks.size(), 1u);
    tickTo(&h, h.now + 1100);
    EXPECT_TRUE(h.knocks.empty()) << "time is up";
    EXPECT_EQ(lastEvent(&h, 3, "lobby:notice")["text"], nobody);
    emit(&h, 1, "room:knock-reply", {{"knockId", cys}, {"allow", true}});
    EXPECT_EQ(h.sessions[3].roomId, 0);

    login(&h, 4, "Dee");
    emit(&h, 4, "room:knock", {{"knockId", door}});
    emit(&h, 1, "room:leave", Json::object());  // the only caller: the table closes
    tickTo(&h, h.now + 200);
    EXPECT_TRUE(h.knocks.empty()) << "the table closed";
    EXPECT_EQ(lastEvent(&h, 4, "lobby:notice")["text"], nobody);
}
