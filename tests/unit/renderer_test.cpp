#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "host/nodelog.h"
#include "platform/text.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"
#include "terminal/screen.h"
#include "screens/widgets.h"

namespace {

const std::string BODY_ROW4_CLEARED = "\x1b[4;1H\x1b[K";

struct RendererTest : DoorScreenTest {
    void SetUp() override {
        DoorScreenTest::SetUp();
        cs->doorStartTick = tickMs();
        cs->caller.timeLeftSecs = 7200;
    }
    // Switch screens the way the screen change does, and draw the first pass.
    void show(int screen) {
        cs->screen = screen;
        cs->fullRedraw = 1;
        cs->inputLine[0] = 0;
        cs->inputLen = 0;
        pass();
    }
    // One render pass, its bytes read off the wire into the emulator.
    void pass() {
        renderScreen(cs.get());
        sent();
    }
    void chatArrives() {
        ChatLine& line = cs->chatLog[cs->chatCount++];
        line.kind = CHAT_SYSTEM;
        copyText(line.text, "arrived");
        cs->chatDirty = 1;
        pass();
    }
    void type(const std::string& text) {
        copyText(cs->inputLine, text.c_str());
        cs->inputLen = (int32_t)text.size();
        cs->inputDirty = 1;
    }
    void seat(int players) {
        cs->inRoom = 1;
        cs->playerCount = players;
        for (int i = 0; i < players; i++) formatText(cs->players[i].name, "P%d", i);
    }
    std::string footer() {
        std::string s = screenRowText(&ts, 23);
        return s.substr(2, s.find_last_not_of(' ') - 1);
    }
    static std::string prompt(ClientState* s) {
        FooterText buf;
        s->render.footerHighlight = 0;
        return screenPrompt(s, &buf);
    }
};

TEST_F(RendererTest, IdlePassWritesNothingOnAnyScreen) {
    for (int screen = 0; screen <= SCR_LAST + 3; screen++) {
        SCOPED_TRACE(screen);
        cs->render.revealCursorRow = 8;
        cs->render.revealCursorCol = 30;
        show(screen);
        renderScreen(cs.get());
        EXPECT_EQ(sent(), "");
        EXPECT_EQ(cs->fullRedraw | cs->contentDirty | cs->chatDirty | cs->inputDirty | cs->noticeDirty, 0);
    }
}

TEST_F(RendererTest, FooterPromptsFollowTheState) {
    tickMoveBase(5000);  // so that "a while ago" is a real tick, never 0 (none)
    uint32_t now = tickMs();
    struct Case { int screen; std::function<void(ClientState*)> set; std::string text; int highlight; } cases[] = {
        {SCR_MAIN_MENU, [](ClientState*) {}, "Type Your Choice And Press ENTER", 0},
        {SCR_LOUNGE, [](ClientState* s) { s->codeEntry = 1; },
         "Type The Share Code And Press ENTER   (or just ENTER to forget it)", 0},
        {SCR_TABLE, [&](ClientState* s) { s->pickTurn = 1; s->playerCount = 2; s->pickTimerOn = 1;
                                          s->pickDeadline = now + 20500; },
         "[S]elect Next Tale   [W]ait - Not Ready Yet   [L]eave Room", 18},
        {SCR_TABLE, [&](ClientState* s) { s->pickTurn = 1; s->playerCount = 2; s->pickTimerOn = 1;
                                          s->pickDeadline = now + 31500; },
         "[S]elect Next Tale   [L]eave Room", 18},
        {SCR_TABLE, [](ClientState* s) { s->pickTurn = 1; s->playerCount = 1; s->isHost = 1; },
         "[S]tart   [C]hange The Story   [L]eave Room", 0},
        {SCR_TABLE, [](ClientState* s) { s->isHost = 1; copyText(s->pickerName, "Ann"); }, "[L]eave Room", 0},
        {SCR_WORD_ENTRY, [](ClientState* s) { s->wordsDone = 1; }, "Waiting For The Others To Finish", 0},
        {SCR_WORD_ENTRY, [&](ClientState* s) { s->inRoom = 1; s->wordDeadline = now - 2000; },
         "Time's Up - Sending What You Have", 0},
        {SCR_WORD_ENTRY, [&](ClientState* s) { s->inRoom = 1; s->wordDeadline = now + 9000; },
         "Type Your Word And Press ENTER   [ESC] Leave Room", 0},
        {SCR_REVEAL, [](ClientState*) {}, "[SPACE] Laugh   [Up/Down] Read The Tale   [ENTER] Done Reading", 13},
        {SCR_REVEAL, [](ClientState* s) { s->revealDone = 1; s->inRoom = 1; copyText(s->stillReading, "Ann, Bob"); },
         "Still reading: Ann, Bob   [L]eave Room", 13},
        {SCR_REVEAL, [](ClientState* s) { s->revealDone = 1; }, "Waiting For The Others To Finish Reading", 13},
        {SCR_SCORES, [](ClientState* s) { s->rateStoryId = 4; s->rateGiven = 2; },
         "[1] Loved It  [2] It Was Fine  [3] Not For Us  [ENTER] Play Again  [L]eave", 0},
        {SCR_SCORES, [](ClientState* s) { s->rateStoryId = 4; s->rateGiven = 1; },
         "Thank you for your vote!   [ENTER] Play Again   [L]eave Room", 0},
        {SCR_CATEGORY_PICK, [](ClientState* s) { s->pickerMode = 2; },
         "Pick A Category   [*] Surprise Me   [ESC] Never Mind", 0},
        {SCR_CATEGORY_PICK, [](ClientState* s) { s->pickerMode = 2; s->storyLoading = 1; }, "Fetching The Tales...", 0},
        {SCR_TALE_PICK, [](ClientState* s) { s->storyTotal = 10; },
         "Type A Number   [N] Next   [P] Previous   [B] Back To Categories", 0},
        {SCR_TALE_PICK, [](ClientState* s) { s->storyTotal = 9; s->pickerMode = 3; },
         "Pick A Tale   [*] Surprise Me   [B] Back To Categories", 0},
        {SCR_CREATE_TABLE, [](ClientState* s) { s->createStage = 2; },
         "[Y] Take Turns   [N] I'll Pick   [ESC] Never Mind", 0},
        {SCR_MAILBOX, [](ClientState*) {}, "[ENTER] Back To The Menu", 0},
        {SCR_MAILBOX, [](ClientState* s) { s->letterCount = 1; }, "[1-9] Read   [ENTER] Back To The Menu", 0},
        {SCR_STORY_WRITE, [](ClientState* s) { s->storyLineCount = 24; },
         "That's as long as it can be - press ENTER to read it back", 0},
        {SCR_STORY_REVIEW, [](ClientState* s) { s->storyLineCount = 10; },
         "[S]end It   [C]hange It   [Up/Down] Read   [M] Main Menu", 0},
        {SCR_STORY_EDIT, [](ClientState* s) { s->storyEditLine = 3; },
         "Type The New Line   -   ENTER On Its Own Deletes It   [ESC] Never Mind", 0},
        {SCR_REPLY_EDIT, [](ClientState*) {}, "Type A Line Number To Change It   [0] Add More   [ESC] Done", 0},
        {SCR_STORY_TERMS, [](ClientState* s) { s->storySent = 1; }, "Sending...", 0},
        {SCR_REPORT, [](ClientState* s) { s->reportStage = 1; },
         "ENTER On An Empty Line When You Are Done   [ESC] Never Mind", 0},
        {SCR_CARE_HUB, [](ClientState*) {}, "[M] Main Menu", 0},
        {SCR_CARE_HUB, [](ClientState* s) { s->careLoaded = 1; s->careLineCount = 30; s->careScroll = 12; },
         "[Space] More   [Up/Down] Read   Select a category   [M] Main Menu", 12},
        {SCR_CARE_HUB, [](ClientState* s) { s->careLoaded = 1; s->careLineCount = 30; s->careScroll = 13; },
         "[Up/Down] Read   Select a category above   [M] Main Menu", 0},
        {SCR_CARE_TOPIC, [](ClientState* s) { s->careSectionOpen = -1; s->careSectionScroll = 0; },
         "[B] Care Hub   [M] Main Menu", 0},
        // A section index the service's new content no longer has counts as no lines.
        {SCR_CARE_TOPIC, [](ClientState* s) { s->careSectionCount = 2; s->careSectionOpen = 5;
                                             s->careSectionLineCount[5] = 99; },
         "[B] Care Hub   [M] Main Menu", 0},
        {SCR_CARE_TOPIC, [](ClientState* s) { s->careSectionCount = 2; s->careSectionOpen = 1;
                                             s->careSectionLineCount[1] = 40; },
         "[Space] More   [Up/Down] Read   [B] Care Hub   [M] Main Menu", 12},
        {7, [](ClientState*) {}, "", 0},
        {99, [](ClientState*) {}, "", 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ClientState> s(new ClientState{});
        s->screen = c.screen;
        c.set(s.get());
        EXPECT_EQ(prompt(s.get()), c.text) << c.screen;
        EXPECT_EQ(s->render.footerHighlight, c.highlight) << c.text;
    }
}

TEST_F(RendererTest, OverlayPrecedenceAndNotice) {
    seat(2);
    show(SCR_TABLE);
    EXPECT_EQ(footer(), "[L]eave Room");
    cs->leaveReportPrompt = 1;
    cs->knockPrompt = 2;
    cs->invitePending = 1;
    copyText(cs->inviteFrom, "A Very Long Inviter Name");
    copyText(cs->inviteTable, "Table of the Twenty-Two Chars");
    cs->joinRequestPending = 1;
    copyText(cs->joinRequestName, "Knocker");
    struct Step { std::function<void(ClientState*)> then; std::string footer; } steps[] = {
        {[](ClientState*) {}, "Knocker Would Like To Join   -   [Y] Let Them In   [N] No Thanks"},
        {[](ClientState* s) { copyText(s->noticeText, "Hello there."); }, "Hello there."},
        {[](ClientState* s) { s->noticeText[0] = 0; s->joinRequestPending = 0; },
         // 87 characters: the footer shows 77 of them.
         std::string("A Very Long Invite Invites You To \"Table of the Twenty-Tw\"   -   [J] Join   [D] Decline")
             .substr(0, 77)},
        {[](ClientState* s) { s->invitePending = 0; }, "[K]nock - Request To Join   -   Any Other Key Cancels"},
        {[](ClientState* s) { s->knockPrompt = 0; },
         "[L] Leave The Table And File Your Report   -   Any Other Key Cancels"},
        {[](ClientState* s) { s->leaveReportPrompt = 0; }, "[L]eave Room"},
    };
    for (const Step& st : steps) {
        st.then(cs.get());
        pass();
        EXPECT_EQ(footer(), st.footer);
    }
}

TEST_F(RendererTest, WaitOfferAppearsAtThirtySecondsWithoutAnEvent) {
    seat(2);
    cs->pickTurn = 1;
    cs->pickTimerOn = 1;
    cs->pickDeadline = tickMs() + 31500;
    show(SCR_TABLE);
    EXPECT_EQ(footer(), "[S]elect Next Tale   [L]eave Room");
    EXPECT_EQ(cs->render.waitOfferShown, 0);
    renderScreen(cs.get());
    EXPECT_EQ(sent(), "");

    tickMoveBase(1500);  // 30 whole seconds left
    renderScreen(cs.get());
    std::string out = sent();
    EXPECT_EQ(cs->render.waitOfferShown, 1);
    EXPECT_NE(out.find(BODY_ROW4_CLEARED), std::string::npos);  // the body was repainted
    EXPECT_EQ(footer(), "[S]elect Next Tale   [W]ait - Not Ready Yet   [L]eave Room");
    EXPECT_EQ(screenFgAt(&ts, 23, 3), 32);
    EXPECT_EQ(screenFgAt(&ts, 23, 21), 36);  // bright green covers "[S]elect Next Tale"
}

TEST_F(RendererTest, CountdownTickRepaintsNoBody) {
    show(SCR_LOUNGE);
    cs->countdownDirty = 1;
    renderScreen(cs.get());
    std::string out = sent();
    EXPECT_EQ(out.find(BODY_ROW4_CLEARED), std::string::npos);
    EXPECT_EQ(cs->countdownDirty, 0);
    EXPECT_EQ(cs->inputDirty, 0);
    EXPECT_EQ(screenCursorRow(&ts), 24);

    cs->countdownDirty = 1;
    cs->contentDirty = 1;
    renderScreen(cs.get());
    EXPECT_NE(sent().find(BODY_ROW4_CLEARED), std::string::npos);
    EXPECT_EQ(cs->countdownDirty, 0);
    EXPECT_EQ(cs->contentDirty, 0);
}

TEST_F(RendererTest, WordFieldShowsTheLast50Characters) {
    std::string sixty;
    for (int i = 0; i < 60; i++) sixty += (char)('A' + i % 26);
    struct Case { std::string typed, field; int cursorCol; } cases[] = {
        {"", "_" + std::string(49, ' '), 20},
        {"plumber", "plumber" + std::string(43, ' '), 27},
        {sixty, sixty.substr(10), 70},
    };
    show(SCR_WORD_ENTRY);
    for (const Case& c : cases) {
        type(c.typed);
        pass();
        EXPECT_EQ(screenTextAt(&ts, 11, 20, 50), c.field);
        EXPECT_EQ(screenFgAt(&ts, 11, 20), 37);
        EXPECT_EQ(screenCursorRow(&ts), 11);
        EXPECT_EQ(screenCursorCol(&ts), c.cursorCol);
        EXPECT_EQ(cs->render.inputLineDrawn, 0);
        EXPECT_EQ(screenTextAt(&ts, 24, 2, 1), " ");
    }
    cs->wordsDone = 1;
    type("hi all");
    pass();
    EXPECT_EQ(screenTextAt(&ts, 24, 2, 9), "> hi all ");
    EXPECT_EQ(screenCursorCol(&ts), 10);
}

TEST_F(RendererTest, ChatRowsByScreenGroup) {
    struct Case { int screen, inRoom; char row20; bool paneFrame; } cases[] = {
        {SCR_LOUNGE, 0, ' ', true},
        {SCR_WORD_ENTRY, 1, ' ', true},
        {SCR_WORD_ENTRY, 0, ' ', false},
        {SCR_LETTER, 0, ' ', false},
        {SCR_REPORT, 0, ' ', false},
        {SCR_CARE_HUB, 0, '#', false},   // the body owns the rows: left alone
        {SCR_MAIN_MENU, 0, '#', false},
        {SCR_REPLY_EDIT, 0, ' ', true},
        {7, 0, ' ', true},               // unlisted screens: the pane and an empty footer
        {13, 0, ' ', true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        cs->inRoom = c.inRoom;
        cs->chatCount = 0;
        show(c.screen);
        for (int row = 19; row <= 22; row++) screenColourText(&cs->term, row, 1, 37, 0, "#");
        cs->chatCount = 0;
        chatArrives();
        EXPECT_EQ(cs->chatDirty, 0);
        EXPECT_EQ(screenCharAt(&ts, 19, 1), c.paneFrame ? 0xC3 : (unsigned char)c.row20);
        EXPECT_EQ(screenTextAt(&ts, 20, 1, 9), c.paneFrame ? "  arrived" : std::string(1, c.row20) + "        ");
        // The cursor went back to the input line, or to the word field.
        EXPECT_EQ(screenCursorRow(&ts), c.screen == SCR_WORD_ENTRY ? 11 : 24);
        if (c.screen == 7) EXPECT_EQ(screenRowText(&ts, 23), std::string(80, ' '));
    }
}

// The solo tale's box runs to row 22: neither the screen change's first pass
// nor a chat line arriving may wipe its last story rows or its bottom edge.
TEST_F(RendererTest, SoloTaleKeepsRows19To22) {
    // "Line 1" and 60 x's wrap into two display lines, then a blank line
    // before each paragraph: Line 7 is display line 14, the last of the box.
    std::string story = "Line 1 " + std::string(60, 'x');
    for (int i = 2; i <= 10; i++) story += "\nLine " + std::to_string(i);
    copyText(cs->soloStory, story.c_str());
    show(SCR_SOLO_TALE);
    auto expectTaleRows = [&] {
        EXPECT_EQ(screenTextAt(&ts, 19, 8, 7), "Line 7 ");
        EXPECT_EQ(screenCharAt(&ts, 20, 5), 0xB3);
        EXPECT_EQ(screenCharAt(&ts, 22, 5), 0xC0);
        EXPECT_EQ(screenCharAt(&ts, 22, 75), 0xD9);
    };
    expectTaleRows();
    chatArrives();
    EXPECT_EQ(cs->chatDirty, 0);
    expectTaleRows();
    EXPECT_EQ(screenCursorRow(&ts), 24);
}

TEST_F(RendererTest, MainMenuGreetingOnArrival) {
    show(SCR_MAIN_MENU);
    type("2");
    pass();
    cs->authed = 1;
    pass();
    const std::string greeting = "Come on in - what are we playing?";
    EXPECT_EQ(screenTextAt(&ts, 4, (80 - (int)greeting.size()) / 2, (int)greeting.size()), greeting);
    EXPECT_EQ(screenFgAt(&ts, 4, 30), 36);
    EXPECT_EQ(cs->authed, 0);
    EXPECT_EQ(screenCursorRow(&ts), 24);
    EXPECT_EQ(screenCursorCol(&ts), 5);
}

TEST_F(RendererTest, WholeScreenViewsDrawNoWidgets) {
    for (int screen : {SCR_WELCOME, SCR_GUIDE}) {
        cs->noticeText[0] = 0;
        show(screen);
        copyText(cs->noticeText, "a notice");
        cs->chatDirty = cs->inputDirty = cs->noticeDirty = cs->contentDirty = 1;
        renderScreen(cs.get());
        EXPECT_EQ(sent(), "");
        cs->animDirty = 1;
        pass();
        EXPECT_EQ(cs->animDirty, 0);
        // The painters own every row; none of the widgets' texts shows up.
        for (int row = 1; row <= 24; row++) {
            std::string text = screenRowText(&ts, row);
            EXPECT_EQ(text.find("a notice"), std::string::npos) << row;
            EXPECT_EQ(text.find("Chat  -"), std::string::npos) << row;
        }
        EXPECT_NE(screenTextAt(&ts, 24, 2, 1), ">");
    }
}

TEST_F(RendererTest, RevealCursorSitsOnTheCurrentWord) {
    // The reveal painter puts the current word "two" on row 6 at column 7 + 4.
    copyText(cs->revealStory, "one two three");
    copyText(cs->revealWords[0].value, "two");
    cs->revealWords[0].storyOffset = 4;
    cs->revealWordCount = 1;
    show(SCR_REVEAL);
    EXPECT_EQ(screenCursorRow(&ts), 6);
    EXPECT_EQ(screenCursorCol(&ts), 11);
    type("lol");
    pass();
    EXPECT_EQ(screenCursorRow(&ts), 24);
    type("");
    pass();
    EXPECT_EQ(screenCursorRow(&ts), 6);
}

TEST_F(RendererTest, WrappedTextHelpers) {
    struct Case { std::string text; int row, width, lastRow, result; std::string rows[3]; } cases[] = {
        {"the quick brown fox jumps over", 5, 10, 9, 8, {"the quick", "brown fox", "jumps over"}},
        {"abcdefghijklmno pq", 5, 10, 9, 7, {"abcdefghij", "klmno pq", ""}},
        {"one two three four five six", 5, 9, 6, 7, {"one two", "three", ""}},  // rest not drawn
        {"", 5, 10, 9, 5, {"", "", ""}},
        {"text", 5, 10, 4, 5, {"", "", ""}},
        {"text", 5, 0, 9, 5, {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        screenClear(&cs->term);
        EXPECT_EQ(drawWrapped(&cv, c.row, 6, c.width, 37, 0, c.text.c_str(), c.lastRow), c.result);
        sent();
        for (int i = 0; i < 3; i++) {
            std::string want = c.rows[i] + std::string(12 - c.rows[i].size(), ' ');
            EXPECT_EQ(screenTextAt(&ts, c.row + i, 6, 12), want);
        }
    }
    screenClear(&cs->term);
    EXPECT_EQ(drawWrappedCentred(&cv, 10, 10, 33, 1, "the quick brown fox", 18), 12);
    sent();
    EXPECT_EQ(screenTextAt(&ts, 10, 35, 9), "the quick");  // (80 - 9) / 2
    EXPECT_EQ(screenTextAt(&ts, 11, 35, 9), "brown fox");
    EXPECT_EQ(screenFgAt(&ts, 11, 35), 33);
}

TEST_F(RendererTest, CentredFieldOverwritesLongerText) {
    drawCentredField(&cv, 17, 23, 34, 32, "Starting In  10:00");
    drawCentredField(&cv, 17, 23, 34, 31, "Starting In  0:09");
    sent();
    EXPECT_EQ(screenTextAt(&ts, 17, 23, 34), std::string(8, ' ') + "Starting In  0:09" + std::string(9, ' '));
    EXPECT_EQ(screenFgAt(&ts, 17, 31), 31);
    EXPECT_TRUE(screenBrightAt(&ts, 17, 31));
    EXPECT_EQ(screenCharAt(&ts, 17, 57), ' ');
    drawCentredField(&cv, 17, 1, 5, 36, "far too long");
    sent();
    EXPECT_EQ(screenTextAt(&ts, 17, 1, 6), "far t ");
}

}  // namespace
