// Round events fed as service lines through the dispatcher; the service is a
// socket pair so what the screen switches send can be read back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "host/nodelog.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "session/events.h"
#include "session/events_round.h"
#include "support/service_pair.h"

namespace {

struct EventsRound : ServiceTest {
    uint32_t before = 0, after = 0;  // tickMs around the last feed

    void SetUp() override {
        ServiceTest::SetUp();
        state->categorySel = -1;
        state->rateGiven = 2;
        state->inRoom = 1;
        state->screen = SCR_TABLE;
        seatThree();
    }
    // Three players; the caller is the second.
    void seatThree() {
        const char* names[] = {"Ann", "Bob", "Cat"};
        const char* ids[] = {"id-ann", "id-bob", "id-cat"};
        for (int i = 0; i < 3; i++) {
            copyText(state->players[i].name, names[i]);
            copyText(state->players[i].id, ids[i]);
            state->players[i].colour = 31 + i;
        }
        state->players[1].isMe = 1;
        state->playerCount = 3;
    }
    void feed(const std::string& event, const std::string& data) {
        const JsonNode* root = parseServiceLine(doc.get(), eventLine(event, data));
        if (!root) return;
        before = tickMs(&state->clock);
        dispatchEvent(state.get(), root);
        after = tickMs(&state->clock);
    }

    // A deadline set during the last feed lies ms after the moment it was set.
    void expectDeadline(uint32_t deadline, int64_t ms) {
        if (ms == 0) {
            EXPECT_EQ(deadline, 0u);
            return;
        }
        EXPECT_GE((int32_t)(deadline - before), ms);
        EXPECT_LE((int32_t)(deadline - after), ms);
    }

    const ChatLine& lastLine() const { return state->chatLog[state->chatCount - 1]; }
};

// ---- the pick turn ----

struct PickCase {
    const char* event; const char* data; int32_t pickerMode, pickTurn, pickTimerOn;
    int64_t deadlineMs; const char* pickerName; const char* notice;
};

TEST_F(EventsRound, PickEventsSetTheTurnAndTheChoosersTime) {
    const PickCase cases[] = {
        {"game:category-pick", R"({"pickerId":"id-bob","pickSeconds":30})", 3, 1, 1, 30000, "", ""},
        {"game:category-pick", R"({"pickerId":"id-bob","pickSeconds":0})", 3, 1, 0, 0, "", ""},
        {"game:category-pick", R"({"pickerId":"id-bob"})", 3, 1, 0, 0, "", ""},
        {"game:category-pick", R"({"pickerId":"id-ann","pickerName":"Ann","pickSeconds":30})", 0, 0, 0, 0,
         "Ann", ""},
        {"game:category-pick", R"({"pickerId":"id-ann"})", 0, 0, 0, 0, "someone", ""},
        {"game:category-pick", R"({"pickerId":"","pickSeconds":30})", 0, 0, 0, 0, "someone", ""},
        {"game:picker-waiting", R"({"pickerId":"id-ann","pickerName":"Ann","seconds":3})", 0, 0, 0, 90000,
         "Ann", ""},
        {"game:picker-waiting", R"({"pickerId":"id-ann","seconds":4})", 0, 0, 0, 90000, "someone", ""},
        {"game:picker-waiting", R"({"pickerId":"id-ann","seconds":5})", 0, 0, 0, 5000, "someone", ""},
        {"game:picker-waiting", R"({"pickerId":"id-ann"})", 0, 0, 0, 90000, "someone", ""},
        {"game:picker-waiting", R"({"pickerId":"id-bob","seconds":40})", 0, 0, 0, 40000, "",
         PICK_WAIT_TEXT},
        {"game:picker-warning", R"({"seconds":10})", 0, 0, 0, 10000, "", ""},
        {"game:picker-warning", R"({"seconds":0})", 0, 0, 0, 0, "", ""},
        {"game:category-spin", R"({})", 0, 0, 0, 0, "", CATEGORY_SPIN_TEXT},
    };
    for (const PickCase& c : cases) {
        SCOPED_TRACE(std::string(c.event) + " " + c.data);
        state->pickerMode = state->pickTurn = state->pickTimerOn = 0;
        state->pickDeadline = 0;
        state->pickerName[0] = 0;
        state->noticeText[0] = 0;
        copyText(state->returnPendingNames, "Zed");
        copyText(state->inputLine, "typed");
        state->screen = SCR_REVEAL;
        feed(c.event, c.data);
        EXPECT_EQ(state->pickerMode, c.pickerMode);
        EXPECT_EQ(state->pickTurn, c.pickTurn);
        EXPECT_EQ(state->pickTimerOn, c.pickTimerOn);
        expectDeadline(state->pickDeadline, c.deadlineMs);
        EXPECT_STREQ(state->pickerName, c.pickerName);
        EXPECT_STREQ(state->noticeText, c.notice);
        bool isPick = strcmp(c.event, "game:category-pick") == 0;
        EXPECT_EQ(state->screen, isPick ? SCR_TABLE : SCR_REVEAL);
        EXPECT_STREQ(state->inputLine, isPick ? "" : "typed");
        EXPECT_STREQ(state->returnPendingNames, isPick && c.pickTurn ? "" : "Zed");
    }
    EXPECT_EQ(sent(), "");  // the light go-to sends nothing
}

TEST_F(EventsRound, CategoryPickReplacesThePickerListOnlyWhenItCarriesOne) {
    copyText(state->categoryNames[0], "Authed");
    state->categoryCount2 = 1;
    feed("game:category-pick", R"({"pickerId":"id-ann"})");
    EXPECT_EQ(state->categoryCount2, 1);
    EXPECT_EQ(state->categoriesFromPick, 0);

    std::string list = "[\"Space\",{\"name\":\"Pets\"},\"\",{\"kind\":\"x\"},{\"name\":\"" + std::string(40, 'L') + "\"}";
    for (int i = 0; i < 40; i++) list += ",\"C" + std::to_string(i) + "\"";
    feed("game:category-pick", "{\"pickerId\":\"id-bob\",\"categories\":" + list + "]}");
    ASSERT_EQ(state->categoryCount2, MAX_CATEGORIES);
    EXPECT_STREQ(state->categoryNames[0], "Space");
    EXPECT_STREQ(state->categoryNames[1], "Pets");
    EXPECT_EQ(std::string(state->categoryNames[2]), std::string(31, 'L'));
    EXPECT_STREQ(state->categoryNames[3], "C0");
    EXPECT_STREQ(state->categoryNames[31], "C28");
    EXPECT_EQ(state->categoriesFromPick, 1);
}

// ---- prompts ----

struct PromptCase {  // firstId, lastId: blankIds of the first and last prompt
    const char* data; int64_t deadlineMs; int32_t count, shownTotal; const char* shownType; const char* shownHint;
    int32_t firstId, lastId, totalBlanks; const char* title; const char* category;
};

TEST_F(EventsRound, PromptsFillTheWordsAndTheDeadline) {
    const PromptCase cases[] = {
        {R"({"blanks":[{"type":"noun","hint":"a thing","n":4}]})", 90000, 1, 1, "noun", "a thing", 4, 4, 0,
         "Old", "Kept"},
        {R"({"seconds":45.5,"blanks":[{"type":"verb"},{"n":9}],"totalBlanks":7})", 45500, 2, 2, "verb", "", 1,
         9, 7, "Old", "Kept"},
        {R"({"seconds":60,"blanks":[{},{},{"type":"pet"}]})", 60000, 3, 3, "A WORD", "", 1, 3, 0, "Old", "Kept"},
        {R"({"seconds":30,"blanks":[]})", 30000, 0, 1, "", "", 0, 0, 0, "Old", "Kept"},
        {R"({"template":{"title":"The Moon"}})", 90000, 0, 1, "", "", 0, 0, 0, "The Moon", "Kept"},
        {R"({"template":{"title":7,"category":"Space"}})", 90000, 0, 1, "", "", 0, 0, 0, "Old", "Space"},
        {R"({"seconds":-5})", 0, 0, 1, "", "", 0, 0, 0, "Old", "Kept"},  // already over, but never "none"
    };
    for (const PromptCase& c : cases) {
        SCOPED_TRACE(c.data);
        copyText(state->roundTitle, "Old");
        copyText(state->roundCategory, "Kept");
        copyText(state->shownPromptType, "stale");
        copyText(state->pickerName, "Ann");
        copyText(state->wordInputEcho, "half");
        copyText(state->answers[0], "old answer");
        state->pickTurn = state->pickTimerOn = 1;
        state->pickDeadline = 5;
        state->startDeadline = 5;
        state->promptIndex = state->wordCheckPending = state->wordsDone = 1;
        feed("game:prompts", c.data);
        EXPECT_EQ(state->screen, SCR_WORD_ENTRY);
        EXPECT_EQ(state->promptCount, c.count);
        EXPECT_EQ(state->shownPromptTotal, c.shownTotal);
        EXPECT_EQ(state->shownPromptIndex, 0);
        EXPECT_STREQ(state->shownPromptType, c.shownType);
        EXPECT_STREQ(state->shownPromptHint, c.shownHint);
        if (c.count) {
            EXPECT_EQ(state->blankIds[0], c.firstId);
            EXPECT_EQ(state->blankIds[c.count - 1], c.lastId);
            EXPECT_STREQ(state->answers[0], "");
        }
        EXPECT_EQ(state->totalBlanks, c.totalBlanks);
        EXPECT_STREQ(state->roundTitle, c.title);
        EXPECT_STREQ(state->roundCategory, c.category);
        if (c.deadlineMs > 0) expectDeadline(state->wordDeadline, c.deadlineMs);
        else EXPECT_NE(state->wordDeadline, 0u);
        EXPECT_EQ(state->startDeadline, 0u);
        EXPECT_EQ(state->pickDeadline, 0u);
        EXPECT_EQ(state->pickTurn + state->pickTimerOn, 0);
        EXPECT_STREQ(state->pickerName, "");
        EXPECT_STREQ(state->wordInputEcho, "");
        EXPECT_EQ(state->promptIndex + state->wordCheckPending + state->wordsDone, 0);
    }
    EXPECT_EQ(sent(), "");  // seated: no solo presence
}

TEST_F(EventsRound, PromptsKeepAtMost128AndHugeTimesStayAhead) {
    std::string blanks;
    for (int i = 0; i < 140; i++) blanks += std::string(i ? "," : "") + "{\"type\":\"t" + std::to_string(i) + "\"}";
    feed("game:prompts", "{\"seconds\":1e12,\"blanks\":[" + blanks + "]}");
    EXPECT_EQ(state->promptCount, MAX_PROMPTS);
    EXPECT_EQ(state->blankIds[127], 128);
    // A deadline beyond the signed window would compare as already passed.
    expectDeadline(state->wordDeadline, (int64_t)MAX_DEADLINE_SECS * 1000);
    EXPECT_FALSE(tickPassed(tickMs(&state->clock), state->wordDeadline));
}

// ---- the reveal ----

struct RevealWordWant { const char* value; int32_t n, offset, mine; };
struct RevealCase { const char* name; const char* story; const char* words; int32_t count; RevealWordWant want[4]; };

TEST_F(EventsRound, RevealMatchesWordsLeftToRight) {
    const RevealCase cases[] = {
        {"repeated word found at its first then second place", "a cat and a cat and a dog",
         R"([{"n":1,"value":"cat","authorId":"id-ann"},{"n":2,"value":"cat","authorId":"id-bob"},
             {"n":3,"value":"dog","authorId":"id-cat"}])",
         3, {{"cat", 1, 2, 0}, {"cat", 2, 12, 1}, {"dog", 3, 22, 0}}},
        {"a word absent from the story is dropped and the next takes its slot", "red fox jumps",
         R"([{"n":1,"value":"red"},{"n":2,"value":"blue"},{"n":3,"value":"jumps","authorId":"id-bob"}])", 2,
         {{"red", 1, 0, 0}, {"jumps", 3, 8, 1}}},
        {"a word found only before the previous one is dropped", "one two three",
         R"([{"n":1,"value":"two"},{"n":2,"value":"one"},{"n":3,"value":"three"}])", 2,
         {{"two", 1, 4, 0}, {"three", 3, 8, 0}}},
        {"an empty word is dropped; an unknown or empty author is not the caller", "xyz",
         R"([{"n":1,"value":""},{"n":2,"value":"x","authorId":""},{"n":3,"value":"z","authorId":"id-zed"}])",
         2, {{"x", 2, 0, 0}, {"z", 3, 2, 0}}},
        {"a word right after the previous one", "abab",
         R"([{"n":5,"value":"ab"},{"n":6,"value":"ab"},{"n":7,"value":"ab"}])", 2,
         {{"ab", 5, 0, 0}, {"ab", 6, 2, 0}}},
        {"no words", "just text", R"("not an array")", 0, {}},
    };
    for (const RevealCase& c : cases) {
        SCOPED_TRACE(c.name);
        state->revealCursor = 3;
        state->revealDone = 1;
        copyText(state->stillReading, "Ann");
        state->wordDeadline = 5;
        // Slots reused for a dropped word start clean.
        for (RevealWord& w : state->revealWords) w.laughs = w.laughed = 9;
        feed("game:story-reveal", std::string("{\"title\":\"T\",\"voteSeconds\":20,\"story\":\"") + c.story +
                                      "\",\"words\":" + c.words + "}");
        EXPECT_EQ(state->screen, SCR_REVEAL);
        EXPECT_STREQ(state->revealStory, c.story);
        EXPECT_STREQ(state->roundTitle, "T");
        ASSERT_EQ(state->revealWordCount, c.count);
        for (int i = 0; i < c.count; i++) {
            const RevealWord& w = state->revealWords[i];
            SCOPED_TRACE(i);
            EXPECT_STREQ(w.value, c.want[i].value);
            EXPECT_EQ(w.n, c.want[i].n);
            EXPECT_EQ(w.storyOffset, c.want[i].offset);
            EXPECT_EQ(w.mine, c.want[i].mine);
            EXPECT_EQ(w.laughs + w.laughed, 0);
        }
        EXPECT_EQ(state->revealCursor, 0);
        EXPECT_EQ(state->revealDone, 0);
        EXPECT_STREQ(state->stillReading, "");
        expectDeadline(state->revealDeadline, 20000);
        EXPECT_EQ(state->wordDeadline, 0u);
    }
}

TEST_F(EventsRound, RevealKeepsTheFirst48WordsFound) {
    std::string story, words;
    for (int i = 0; i < 60; i++) {
        story += "w" + std::to_string(i) + "_ ";
        words += std::string(i ? "," : "") + "{\"n\":" + std::to_string(i + 1) + ",\"value\":\"w" +
                 std::to_string(i) + "_\"}";
    }
    // One missing word early on: the 48 kept run one further.
    words.insert(0, "{\"n\":0,\"value\":\"absent\"},");
    feed("game:story-reveal", "{\"story\":\"" + story + "\",\"words\":[" + words + "]}");
    ASSERT_EQ(state->revealWordCount, MAX_REVEAL_WORDS);
    EXPECT_STREQ(state->revealWords[0].value, "w0_");
    EXPECT_STREQ(state->revealWords[47].value, "w47_");
    EXPECT_EQ(state->revealWords[47].n, 48);
    EXPECT_EQ(state->revealDeadline, 0u);  // no voting time named
    EXPECT_STREQ(state->roundTitle, "");
}

// A caller whose record has no id must not own the words nobody signed.
TEST_F(EventsRound, RevealWordWithoutAuthorIsNobodys) {
    state->players[1].id[0] = 0;
    feed("game:story-reveal", R"({"story":"a b","words":[{"n":1,"value":"a","authorId":""},{"n":2,"value":"b"}]})");
    ASSERT_EQ(state->revealWordCount, 2);
    EXPECT_EQ(state->revealWords[0].mine + state->revealWords[1].mine, 0);
    copyText(state->players[1].id, "id-bob");
    feed("game:story-reveal", R"({"story":"a b","words":[{"n":1,"value":"a","authorId":"id-bob"}]})");
    EXPECT_EQ(state->revealWords[0].mine, 1);
}

TEST_F(EventsRound, TallyGivesLaughsToTheFirstWordWithThatBlank) {
    feed("game:story-reveal", R"({"story":"a b a","words":[{"n":2,"value":"a"},{"n":2,"value":"b"},{"n":3,"value":"a"}]})");
    ASSERT_EQ(state->revealWordCount, 3);
    struct { const char* data; int32_t laughs[3]; int32_t dirty; } cases[] = {
        {R"({"blankN":2,"laughs":4})", {4, 0, 0}, 1},
        {R"({"blankN":3,"laughs":1})", {4, 0, 1}, 1},
        {R"({"blankN":9,"laughs":7})", {4, 0, 1}, 0},
        {R"({"laughs":7})", {4, 0, 1}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        state->contentDirty = 0;
        feed("game:word-tally", c.data);
        for (int i = 0; i < 3; i++) EXPECT_EQ(state->revealWords[i].laughs, c.laughs[i]);
        EXPECT_EQ(state->contentDirty, c.dirty);
    }
}

TEST_F(EventsRound, VoterDoneNamesAtMostFourReaders) {
    const std::string longName(30, 'L');
    const std::string longData = "{\"pendingNames\":[\"" + longName + "\",\"Bo\"]}";
    const std::string longWant = std::string(20, 'L') + ", Bo";
    struct { const char* data; const char* want; } cases[] = {
        {R"({"pendingNames":["A","B","C","D","E","F"]})", "A, B, C, D"},
        {R"({"pendingNames":["","A",7,null,"B"]})", "A, B"},
        {R"({"pendingNames":[]})", ""},
        {R"({})", ""},
        {longData.c_str(), longWant.c_str()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        copyText(state->stillReading, "stale");
        state->noticeDirty = 0;
        feed("game:voter-done", c.data);
        EXPECT_STREQ(state->stillReading, c.want);
        EXPECT_EQ(state->noticeDirty, 1);
    }
}

// ---- after the round ----

TEST_F(EventsRound, RoundResultsTakeStandingsElsePlayers) {
    struct { const char* data; int32_t count; const char* first; } cases[] = {
        {R"({"standings":[{"name":"Cat","id":"id-cat","laughs":5}],"players":[{"name":"X"},{"name":"Y"}]})", 1,
         "Cat"},
        {R"({"players":[{"name":"Ann","id":"id-ann"},{"name":"Bob","id":"id-bob"}]})", 2, "Ann"},
        {R"({"standings":null,"players":[{"name":"Bob","id":"id-bob"}]})", 1, "Bob"},
        {R"({})", 3, "Ann"},  // the players stay as they are
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        seatThree();
        state->revealDeadline = 5;
        state->scoresDeadline = 5;
        state->rateStoryId = 3;
        feed("game:round-results", c.data);
        EXPECT_EQ(state->screen, SCR_SCORES);
        ASSERT_EQ(state->playerCount, c.count);
        EXPECT_STREQ(state->players[0].name, c.first);
        EXPECT_EQ(state->revealDeadline, 0u);
        EXPECT_EQ(state->scoresDeadline, 0u);
        EXPECT_EQ(state->rateStoryId, 0);
    }
}

TEST_F(EventsRound, RatePromptOffersTheRatingUnlessTheCallerGaveOne) {
    struct { const char* data; int32_t rateGiven; } cases[] = {
        {R"({"storyId":12,"title":"Moon","mine":1})", 1},
        {R"({"storyId":12,"title":"Moon","mine":0})", 0},
        {R"({"storyId":12,"title":"Moon","mine":-1})", -1},
        {R"({"storyId":12,"title":"Moon"})", 2},
        {R"({"storyId":12,"title":"Moon","mine":null})", 2},
        {R"({"storyId":12,"title":"Moon","mine":"1"})", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        state->fullRedraw = state->noticeDirty = 0;
        state->rateGiven = 9;
        feed("story:rate-prompt", c.data);
        EXPECT_EQ(state->rateStoryId, 12);
        EXPECT_STREQ(state->rateTitle, "Moon");
        EXPECT_EQ(state->rateGiven, c.rateGiven);
        EXPECT_EQ(state->fullRedraw + state->noticeDirty, 2);
    }
}

TEST_F(EventsRound, FinalWarningSetsTheDeadlineOnlyOnTheScores) {
    const char* in15 = "Still there? Answer within 15 seconds or you'll be sent back to the Lounge.";
    const char* now = "Still there? Answer now or you'll be sent back to the Lounge.";
    struct { int32_t screen; const char* data; int64_t deadlineMs; const char* line; } cases[] = {
        {SCR_SCORES, R"({"seconds":15})", 15000, in15}, {SCR_TABLE, R"({"seconds":15})", 0, in15},
        {SCR_SCORES, R"({"seconds":0})", 0, now}, {SCR_SCORES, R"({})", 0, now},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        state->screen = c.screen;
        state->scoresDeadline = 0;
        state->chatCount = 0;
        feed("game:final-warning", c.data);
        expectDeadline(state->scoresDeadline, c.deadlineMs);
        ASSERT_EQ(state->chatCount, 1);
        EXPECT_STREQ(lastLine().text, c.line);
        EXPECT_EQ(lastLine().kind, CHAT_SYSTEM);
        EXPECT_STREQ(lastLine().name, "");
        EXPECT_EQ(state->screen, c.screen);
    }
}

TEST_F(EventsRound, AbortedRoundReturnsASeatedCallerToTheTable) {
    struct { int32_t seated; const char* data; int32_t screen; const char* reason; } cases[] = {
        {1, R"({"reason":"Not enough players."})", SCR_TABLE, "Not enough players."},
        {1, R"({})", SCR_TABLE, "The game was stopped."},
        {0, R"({"reason":"Gone."})", SCR_REVEAL, "Gone."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        state->inRoom = c.seated;
        state->screen = SCR_REVEAL;
        state->chatCount = 0;
        state->wordsDone = state->promptCount = state->revealWordCount = 2;
        state->scoresDeadline = state->pickDeadline = state->revealDeadline = 5;
        state->wordDeadline = state->startDeadline = 5;
        feed("game:aborted", c.data);
        EXPECT_EQ(state->screen, c.screen);
        EXPECT_STREQ(state->noticeText, c.reason);  // set after the switch, so it stays
        ASSERT_EQ(state->chatCount, 1);
        EXPECT_STREQ(lastLine().text, c.reason);
        EXPECT_EQ(state->wordsDone + state->promptCount + state->revealWordCount, 0);
        EXPECT_EQ(state->scoresDeadline | state->pickDeadline | state->revealDeadline | state->wordDeadline |
                      state->startDeadline,
                  0u);
    }
    EXPECT_EQ(sent(), "");
}

}  // namespace
