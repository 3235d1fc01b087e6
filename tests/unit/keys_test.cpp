// Keys in; the state and the request lines off a socketpair's service end out.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/keys.h"
#include "session/requests.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "support/service_pair.h"

namespace {

using Lines = std::vector<std::string>;

const std::string LEAVE = emit("room:leave", "{}");
const std::string TO_LOUNGE[] = {emit("presence:zone", "\"lounge\""), emit("lobby:refresh", "{}")};
const std::string TO_MENU = emit("presence:zone", "\"welcome\"");

struct KeysTest : ::testing::Test {
    std::unique_ptr<ClientState> cs{new ClientState{}};
    int peer = -1;

    void SetUp() override { wire(); }
    void TearDown() override { unwire(); }

    void wire() {
        peer = serviceWire(cs.get());
        ASSERT_GE(peer, 0);
        cs->careSectionOpen = -1;
    }
    void unwire() { serviceUnwire(cs.get(), peer); }
    // A zeroed state on a new socket pair, for one case of a table.
    void fresh() {
        unwire();
        cs.reset(new ClientState{});
        wire();
    }

    // Every line the service got since the last call.
    Lines got() { return serviceReadLines(peer); }
    void type(const char* text) { for (const char* p = text; *p; p++) keyDispatch(cs.get(), (unsigned char)*p); }
    void press(std::initializer_list<int32_t> keys) { for (int32_t key : keys) keyDispatch(cs.get(), key); }
};

// ---------------------------------------------------------------------------
// The four prompts.

struct PromptCase {
    const char* what;
    std::function<void(ClientState*)> setup;
    const char* keys;
    Lines sent;
    const char* typed;   // the input line afterwards
    const char* notice;  // the notice afterwards
    int32_t stillOpen = 0;  // the prompt still waits for its answer
};

TEST_F(KeysTest, PromptsSwallowOrPassKeys) {
    auto knock = [](ClientState* s) {
        s->screen = SCR_TABLE;
        s->inRoom = 1;
        s->joinRequestPending = 1;
        copyText(s->joinRequestName, "Ann");
        copyText(s->joinRequestKnockId, "kn\"1");
    };
    auto invite = [](const char* code, const char* fromId) {
        return [=](ClientState* s) {
            s->screen = SCR_LOUNGE;
            s->invitePending = 1;
            copyText(s->inviteCode, code);
            copyText(s->inviteFromId, fromId);
            copyText(s->inviteFrom, "Bo");
            copyText(s->inviteTable, "Den");
        };
    };
    auto offer = [](int number) {
        return [=](ClientState* s) {
            s->screen = SCR_LOUNGE;
            copyText(s->tables[0].code, "AAAAAAA");
            copyText(s->tables[1].knockId, "k2");
            s->tables[1].locked = 1;
            s->tableCount = 2;
            s->knockPrompt = number;
        };
    };
    PromptCase cases[] = {
        {"a knock eats typing", knock, "hello", {}, "", "", 1},
        {"a knock let in", knock, "hey", {emit("room:knock-reply", "{\"knockId\":\"kn\\\"1\",\"allow\":true}")}, "", ""},
        {"a knock refused, then typing", knock, "Nok",
         {emit("room:knock-reply", "{\"knockId\":\"kn\\\"1\",\"allow\":false}")}, "ok", ""},
        {"an invite eats typing, then J joins", invite("ABC1234", "p9"), "xj",
         {emitAck("room:join", 4, "{\"code\":\"ABC1234\"}")}, "", "Pulling up a chair..."},
        {"an invite to a table gone", invite("", "p9"), "J", {}, "", "That table is no longer there."},
        {"an invite declined", invite("ABC1234", "p9"), "d", {emit("room:invite-reply", "{\"fromId\":\"p9\"}")}, "",
         "You turned the invite down."},
        {"an invite declined without a sender", invite("ABC1234", ""), "D", {}, "", "You turned the invite down."},
        {"the knock offer closes on J and types it", offer(2), "J", {}, "J", ""},
        {"the knock offer knocks", offer(2), "kk", {emit("room:knock", "{\"knockId\":\"k2\"}")}, "k", ""},
        {"the knock offer for a table gone", offer(3), "K", {}, "", ""},
    };
    for (const PromptCase& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        c.setup(cs.get());
        type(c.keys);
        EXPECT_EQ(got(), c.sent);
        EXPECT_STREQ(cs->inputLine, c.typed);
        EXPECT_STREQ(cs->noticeText, c.notice);
        EXPECT_EQ(cs->joinRequestPending + cs->invitePending + (cs->knockPrompt != 0), c.stillOpen);
        if (c.stillOpen) continue;
        EXPECT_STREQ(cs->inviteCode, "");
        EXPECT_STREQ(cs->inviteFromId, "");
        EXPECT_STREQ(cs->joinRequestKnockId, "");
    }
}

TEST_F(KeysTest, LeaveAndReportOffer) {
    for (const char* target : {"", "Cy"}) {
        SCOPED_TRACE(target);
        cs->screen = SCR_TABLE;
        cs->inRoom = 1;
        cs->leaveReportPrompt = 1;
        copyText(cs->reportTargetName, target);
        type("x");
        EXPECT_EQ(cs->leaveReportPrompt, 0);
        EXPECT_STREQ(cs->inputLine, "x");  // closed, and the key typed
        press({KEY_BACKSPACE});
        cs->leaveReportPrompt = 1;
        cs->reportLineCount = 3;
        type("l");
        EXPECT_EQ(got(), Lines{LEAVE});
        EXPECT_EQ(cs->screen, SCR_REPORT);
        EXPECT_EQ(cs->inRoom, 0);
        EXPECT_EQ(cs->reportLineCount, 0);
        EXPECT_EQ(cs->reportStage, target[0] ? 0 : 2);
        EXPECT_STREQ(cs->inputLine, "");
    }
}

// ---------------------------------------------------------------------------
// ESC and ENTER per screen.

struct ScreenKeyCase {
    const char* what;
    int32_t screen;
    int32_t inRoom;
    const char* typed;  // typed before the key
    int32_t key;
    int32_t screenAfter;
    Lines sent;
};

TEST_F(KeysTest, EscAndEnterPerScreen) {
    ScreenKeyCase cases[] = {
        {"ESC on the tale picker", SCR_TALE_PICK, 0, "", KEY_ESC, SCR_TALE_PICK, {}},
        {"ESC at the table", SCR_TABLE, 1, "", KEY_ESC, SCR_TABLE, {}},
        {"ESC on the words at a table", SCR_WORD_ENTRY, 1, "ab", KEY_ESC, SCR_LOUNGE, {LEAVE, TO_LOUNGE[0], TO_LOUNGE[1]}},
        {"ESC on the words alone", SCR_WORD_ENTRY, 0, "", KEY_ESC, SCR_MAIN_MENU, {TO_MENU}},
        {"ESC on the solo tale", SCR_SOLO_TALE, 0, "ab", KEY_ESC, SCR_MAIN_MENU, {TO_MENU}},
        {"ESC on the reveal at a table", SCR_REVEAL, 1, "", KEY_ESC, SCR_LOUNGE, {LEAVE, TO_LOUNGE[0], TO_LOUNGE[1]}},
        {"ESC on the reveal alone", SCR_REVEAL, 0, "", KEY_ESC, SCR_REVEAL, {}},
        {"ESC on the new-table dialogue", SCR_CREATE_TABLE, 0, "", KEY_ESC, SCR_LOUNGE, {TO_LOUNGE[0], TO_LOUNGE[1]}},
        {"ESC on the category picker", SCR_CATEGORY_PICK, 0, "", KEY_ESC, SCR_MAIN_MENU, {TO_MENU}},
        {"ESC on the category picker after typing", SCR_CATEGORY_PICK, 0, "a", KEY_ESC, SCR_CATEGORY_PICK, {}},
        {"ESC on the story title", SCR_STORY_TITLE, 0, "", KEY_ESC, SCR_MAIN_MENU, {TO_MENU}},
        {"ESC on the reply read-back", SCR_REPLY_REVIEW, 0, "", KEY_ESC, SCR_LETTER, {}},
        {"ENTER on quick help drops the text", SCR_QUICK_HELP, 0, "abc", KEY_ENTER, SCR_MAIN_MENU, {TO_MENU}},
        {"ENTER on the actions at a table", SCR_ACTIONS, 1, "", KEY_ENTER, SCR_TABLE, {}},
        {"ENTER on the actions alone", SCR_ACTIONS, 0, "", KEY_ENTER, SCR_LOUNGE, {TO_LOUNGE[0], TO_LOUNGE[1]}},
        {"ENTER on the sent reply", SCR_REPLY_SENT, 0, "", KEY_ENTER, SCR_MAILBOX, {emitAck("mail:list", 6, "{}")}},
        {"ENTER on the intro", SCR_SUBMIT_INTRO, 0, "", KEY_ENTER, SCR_STORY_TITLE, {}},
    };
    for (const ScreenKeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        cs->screen = c.screen;
        cs->inRoom = c.inRoom;
        cs->promptCount = 3;
        cs->readScroll = 4;
        type(c.typed);
        press({c.key});
        EXPECT_EQ(cs->screen, c.screenAfter);
        EXPECT_EQ(got(), c.sent);
        if (c.screenAfter != c.screen) EXPECT_EQ(cs->inputLen, 0);
        if (c.screenAfter == SCR_LETTER || c.screenAfter == SCR_MAILBOX) EXPECT_EQ(cs->readScroll, 0);
        if (c.screen == SCR_WORD_ENTRY && !c.inRoom) EXPECT_EQ(cs->promptCount, 0);
        cs->inputLine[0] = 0;
        cs->inputLen = 0;
    }
}

// ESC on a round at a table leaves before any prompt could swallow it, and
// a word check still out cannot send the round's answers afterwards.
TEST_F(KeysTest, EscLeavesTheRoundPastAKnock) {
    cs->screen = SCR_WORD_ENTRY;
    cs->inRoom = 1;
    cs->joinRequestPending = 1;
    cs->promptCount = 1;
    cs->blankIds[0] = 5;
    cs->wordCheckPending = 1;
    press({KEY_ESC});
    EXPECT_EQ(cs->screen, SCR_LOUNGE);
    EXPECT_EQ(got(), (Lines{LEAVE, TO_LOUNGE[0], TO_LOUNGE[1]}));
    EXPECT_EQ(cs->wordCheckPending, 0);
    submitWord(cs.get(), "late");  // what the check's reply would do
    EXPECT_TRUE(got().empty());
}

TEST_F(KeysTest, EscOnTheReportGoesWhereItCameFrom) {
    for (int tale : {1, 0}) {
        cs->screen = SCR_REPORT;
        cs->reportIsTale = tale;
        press({KEY_ESC});
        EXPECT_EQ(cs->screen, tale ? SCR_REVEAL : SCR_LOUNGE);
    }
}

// ---------------------------------------------------------------------------
// The reveal and the scores.

TEST_F(KeysTest, LaughsSendOneVotePerWord) {
    cs->screen = SCR_REVEAL;
    cs->inRoom = 1;
    cs->revealWordCount = 4;
    for (int i = 0; i < 4; i++) cs->revealWords[i].n = 10 + i;
    cs->revealWords[2].mine = 1;
    press({KEY_UP, ' ', KEY_DOWN, ' ', KEY_DOWN, ' ', KEY_DOWN, ' ', KEY_DOWN, KEY_DOWN});
    EXPECT_EQ(got(), (Lines{emit("vote:cast", "{\"blankN\":10}"), emit("vote:cast", "{\"blankN\":11}"),
                            emit("vote:cast", "{\"blankN\":13}")}));
    EXPECT_EQ(cs->revealCursor, 3);  // stops on the last word
    EXPECT_EQ(cs->revealWords[0].laughed + cs->revealWords[1].laughed + cs->revealWords[3].laughed, 3);
    EXPECT_EQ(cs->revealWords[2].laughed, 0);
    press({' '});  // a second laugh takes it back
    EXPECT_EQ(got(), Lines{emit("vote:cast", "{\"blankN\":13}")});
    EXPECT_EQ(cs->revealWords[3].laughed, 0);
    press({KEY_UP, ' '});
    EXPECT_STREQ(cs->noticeText, "That one's yours - you can't laugh at your own word.");
    EXPECT_TRUE(got().empty());
}

TEST_F(KeysTest, SpaceAfterTypingIsABlank) {
    cs->screen = SCR_REVEAL;
    cs->revealWordCount = 1;
    cs->revealWords[0].n = 1;
    type("a b");
    EXPECT_STREQ(cs->inputLine, "a b");
    EXPECT_EQ(cs->revealWords[0].laughed, 0);
    EXPECT_TRUE(got().empty());
}

TEST_F(KeysTest, RevealDoneAndScoresContinue) {
    cs->screen = SCR_REVEAL;
    press({KEY_ENTER});
    EXPECT_EQ(cs->revealDone, 1);
    EXPECT_STREQ(cs->noticeText, "Waiting for everyone to finish reading...");
    cs->screen = SCR_SCORES;
    cs->roomAutoHost = 1;
    press({KEY_ENTER});
    cs->roomAutoHost = 0;
    press({KEY_ENTER});
    EXPECT_STREQ(cs->noticeText, "You're in. Waiting for everyone else...");
    EXPECT_EQ(got(), (Lines{emit("vote:done", "{}"), emit("room:continue-auto", "{}"),
                            emit("room:back-to-room", "{}")}));
}

TEST_F(KeysTest, DeferredReportOpensOnTheFirstScoresKey) {
    cs->screen = SCR_SCORES;
    cs->inRoom = 1;
    cs->reportDeferred = 1;
    press({KEY_PGUP});
    EXPECT_EQ(cs->screen, SCR_REPORT);
    EXPECT_EQ(cs->reportDeferred, 0);
    EXPECT_EQ(cs->chatScroll, 0);
    EXPECT_EQ(got(), Lines{LEAVE});
}

// ---------------------------------------------------------------------------
// Scrolling.

TEST_F(KeysTest, ChatScrollPerScreen) {
    struct Case { int32_t screen; int32_t inRoom; std::initializer_list<int32_t> keys; int32_t scroll; } cases[] = {
        {SCR_LOUNGE, 0, {KEY_PGUP, KEY_PGUP}, 4},
        {SCR_LOUNGE, 0, {KEY_PGUP, KEY_PGDN, KEY_PGDN, KEY_PGDN}, 0},
        {SCR_REVEAL, 1, {KEY_PGUP}, 2},
        {SCR_LETTER, 0, {KEY_PGUP}, 2},
        {SCR_WORD_ENTRY, 1, {KEY_PGUP}, 2},
        {SCR_WORD_ENTRY, 0, {KEY_PGUP}, 0},
        {SCR_TALE_PICK, 0, {KEY_PGUP}, 0},
        {SCR_CATEGORY_PICK, 0, {KEY_PGUP}, 0},
        {SCR_CARE_HUB, 0, {KEY_PGUP}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        cs->screen = c.screen;
        cs->inRoom = c.inRoom;
        cs->chatScroll = 0;
        press(c.keys);
        EXPECT_EQ(cs->chatScroll, c.scroll);
        EXPECT_EQ(cs->inputLen, 0);
    }
}

TEST_F(KeysTest, CareScrollLimits) {
    struct Case { const char* what; int32_t screen; int32_t open; int32_t scroll; int32_t by; int32_t want; int32_t dirty; } cases[] = {
        {"down a line", SCR_CARE_HUB, -1, 0, 1, 1, 1},
        {"past the end", SCR_CARE_HUB, -1, 20, 16, 23, 1},  // 40 lines, 17 shown
        {"above the top", SCR_CARE_HUB, -1, 3, -16, 0, 1},
        {"a section", SCR_CARE_TOPIC, 1, 0, 100, 13, 1},  // 30 lines
        {"a short section", SCR_CARE_TOPIC, 0, 0, 5, 0, 1},  // 10 lines
        {"no section open", SCR_CARE_TOPIC, -1, 5, 1, 0, 0},
        {"a section no longer held", SCR_CARE_TOPIC, 2, 5, 1, 0, 0},
    };
    cs->careLineCount = 40;
    cs->careSectionCount = 2;
    cs->careSectionLineCount[0] = 10;
    cs->careSectionLineCount[1] = 30;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cs->screen = c.screen;
        cs->careSectionOpen = c.open;
        int32_t* scroll = c.screen == SCR_CARE_HUB ? &cs->careScroll : &cs->careSectionScroll;
        *scroll = c.scroll;
        cs->contentDirty = 0;
        careScrollBy(cs.get(), c.by);
        EXPECT_EQ(*scroll, c.want);
        EXPECT_EQ(cs->contentDirty, c.dirty);
    }
}

TEST_F(KeysTest, CareKeysPageOnAndStartOver) {
    cs->screen = SCR_CARE_HUB;
    cs->careLineCount = 40;
    std::vector<int32_t> seen;
    for (int32_t key : std::initializer_list<int32_t>{' ', ' ', ' ', KEY_PGDN, KEY_DOWN, KEY_UP, KEY_PGUP}) {
        press({key});
        seen.push_back(cs->careScroll);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{17, 23, 0, 16, 17, 16, 0}));
    type("a ");
    EXPECT_STREQ(cs->inputLine, "a ");  // SPACE after typing is a blank
    EXPECT_EQ(cs->careScroll, 0);
}

// ---------------------------------------------------------------------------
// Editors and letters.

TEST_F(KeysTest, MarkedLinesDeleteAndUnmark) {
    cs->screen = SCR_FEEDBACK_EDIT;
    for (const char* line : {"one", "two", "three"}) copyText(cs->feedbackLines[cs->feedbackLineCount++], line);
    cs->feedbackEditLine = 2;
    press({KEY_ENTER});
    EXPECT_EQ(cs->feedbackLineCount, 2);
    EXPECT_STREQ(cs->feedbackLines[1], "three");
    EXPECT_EQ(cs->feedbackEditLine, 0);
    EXPECT_STREQ(cs->noticeText, "Deleted.");
    press({KEY_ENTER});  // nothing marked: nothing goes
    EXPECT_EQ(cs->feedbackLineCount, 2);
    cs->feedbackEditLine = 1;
    press({KEY_ESC});
    EXPECT_EQ(cs->feedbackEditLine, 0);
    EXPECT_EQ(cs->screen, SCR_FEEDBACK_EDIT);
    press({KEY_ESC});
    EXPECT_EQ(cs->screen, SCR_FEEDBACK_REVIEW);

    cs->screen = SCR_REPLY_EDIT;
    copyText(cs->replyLines[0], "only");
    cs->replyLineCount = 1;
    cs->replyEditLine = 1;
    press({KEY_ENTER});
    EXPECT_EQ(cs->screen, SCR_REPLY_WRITE);  // nothing left to edit
    EXPECT_STREQ(cs->noticeText, "Deleted.");
    press({KEY_ENTER});
    EXPECT_STREQ(cs->noticeText, "Write something first, or press ESC.");
    EXPECT_TRUE(got().empty());
}

TEST_F(KeysTest, StoryEditorKeys) {
    cs->screen = SCR_STORY_EDIT;
    copyText(cs->storyLines[0], "A {noun}.");
    copyText(cs->storyLines[1], "The {verb} and {animal}.");
    cs->storyLineCount = 2;
    cs->storyEditLine = 1;
    press({KEY_ENTER});
    EXPECT_EQ(cs->storyLineCount, 1);
    EXPECT_EQ(cs->storyGapCount, 2);  // found again
    cs->storyScroll = 5;
    press({KEY_ESC});
    EXPECT_EQ(cs->screen, SCR_STORY_REVIEW);
    EXPECT_EQ(cs->storyScroll, 0);
    cs->screen = SCR_STORY_TERMS;
    press({KEY_ENTER});
    EXPECT_EQ(cs->screen, SCR_STORY_REVIEW);
    EXPECT_STREQ(cs->noticeText, "Not sent. Your story is still here.");
}

TEST_F(KeysTest, LetterReplyOnlyWhereAllowed) {
    cs->screen = SCR_LETTER;
    cs->letterCount = 1;
    cs->letters[0].id = 77;
    type("r");
    EXPECT_STREQ(cs->inputLine, "r");  // the letter takes no replies: R is typed
    press({KEY_BACKSPACE});
    cs->letters[0].acceptsReply = 1;
    cs->replyLineCount = 4;
    type("R");
    EXPECT_EQ(cs->screen, SCR_REPLY_WRITE);
    EXPECT_EQ(cs->replyToId, 77);
    EXPECT_EQ(cs->replyLineCount, 0);
}

// A completed line leaves the input row before the line handler sees it.
TEST_F(KeysTest, EnterHandsTheLineOn) {
    cs->screen = SCR_LOUNGE;
    type("hi there");
    press({KEY_ENTER});
    EXPECT_EQ(cs->inputLen, 0);
    EXPECT_STREQ(cs->inputLine, "");
    EXPECT_EQ(cs->inputDirty, 1);
    EXPECT_EQ(got(), Lines{emit("lobby:chat", "\"hi there\"")});
}

}  // namespace
