#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/nodelog.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"
#include "terminal/screen.h"
#include "screens/widgets.h"

namespace {

struct WidgetTest : DoorScreenTest {
    void SetUp() override {
        DoorScreenTest::SetUp();
        cs->doorStartTick = tickMs();
        cs->caller.timeLeftSecs = 7200;
        screenClear(&cs->term);
        sent();
    }
    void addPlayer(const char* name, int colour) {
        PlayerRecord& p = cs->players[cs->playerCount++];
        copyText(p.name, name);
        p.colour = colour;
    }
    void chat(const char* name, const std::string& text, int kind, const char* tag = "") {
        ChatLine& line = cs->chatLog[cs->chatCount++];
        copyText(line.name, name);
        copyText(line.text, text.c_str());
        copyText(line.tag, tag);
        line.kind = kind;
    }
    void drawPane(int scroll) {
        cs->chatScroll = scroll;
        drawChatPane(&cv, cs.get());
        sent();
    }
    std::string rowTrimmed(int row) {
        std::string s = screenRowText(&ts, row);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
};

TEST_F(WidgetTest, StatusTextBySituation) {
    struct Case { int screen, inRoom, secsLeft, online; std::string text; int fg; bool bright; } cases[] = {
        {SCR_MAIN_MENU, 0, 1860, 1, "1 Wordwhirl Online", 32, true},
        {SCR_MAIN_MENU, 0, 1860, 1000, "1,000 Wordwhirls Online", 32, true},
        {SCR_MAIN_MENU, 1, 5000, 1234567, "1,234,567 Wordwhirls Online", 32, true},
        {SCR_MAIN_MENU, 0, 1860, 0, "", 0, false},
        {SCR_MAIN_MENU, 0, 600, 50, "10:00 left", 33, true},
        {SCR_MAIN_MENU, 1, 600, 50, "3 Playing   10:00 left", 33, true},
        {SCR_LOUNGE, 0, 1800, 9, "3 Playing", 36, false},
        {SCR_LOUNGE, 0, 1799, 9, "3 Playing   29:59 left", 33, true},
        {SCR_LOUNGE, 0, 300, 9, "3 Playing   5:00 left", 33, true},
        {SCR_LOUNGE, 0, 299, 9, "3 Playing   4:59 left", 31, true},
        {SCR_TABLE, 1, 5000, 9, "3 Playing", 36, false},
        {SCR_LETTER, 0, 5000, 9, "", 0, false},
        {SCR_LETTER, 0, 100, 9, "1:40 left", 31, true},
    };
    cs->playerCountSeen = 3;
    copyText(cs->caller.callerName, "Caller");
    for (const Case& c : cases) {
        screenClear(&cs->term);
        cs->screen = c.screen;
        cs->inRoom = c.inRoom;
        cs->onlineTotal = c.online;
        cs->caller.timeLeftSecs = c.secsLeft;
        cs->doorStartTick = tickMs();
        drawStatusBar(&cv, cs.get());
        sent();
        SCOPED_TRACE(c.text);
        std::string row = screenRowText(&ts, 2);
        EXPECT_EQ(row.substr(2, 17), "W O R D W H I R L");
        EXPECT_EQ(row.substr(32, 6), "Caller");
        int start = 78 - (int)c.text.size();
        EXPECT_EQ(row.substr(38, 40), std::string(start - 39, ' ') + c.text + " ");
        EXPECT_EQ((unsigned char)row[78], 0xBA);
        if (!c.text.empty()) {
            EXPECT_EQ(screenFgAt(&ts, 2, start), c.fg);
            EXPECT_EQ(screenBrightAt(&ts, 2, start), c.bright);
            EXPECT_EQ(screenFgAt(&ts, 2, 77), c.fg);
        }
    }
}

TEST_F(WidgetTest, HeaderFrameAndName) {
    copyText(cs->caller.callerName, "Caller");
    copyText(cs->myName, "Confirmed");
    drawStatusBar(&cv, cs.get());
    sent();
    std::string top = screenRowText(&ts, 1), bottom = screenRowText(&ts, 3);
    EXPECT_EQ(top, "\xC9" + std::string(77, '\xCD') + "\xBB ");
    EXPECT_EQ(bottom, "\xC8" + std::string(77, '\xCD') + "\xBC ");
    EXPECT_EQ(screenCharAt(&ts, 2, 1), 0xBA);
    EXPECT_EQ(screenTextAt(&ts, 2, 33, 9), "Confirmed");
    EXPECT_EQ(screenFgAt(&ts, 1, 1), 36);
    EXPECT_EQ(screenFgAt(&ts, 2, 3), 33);
    EXPECT_EQ(screenFgAt(&ts, 2, 33), 37);
    EXPECT_TRUE(screenBrightAt(&ts, 2, 33));
}

TEST_F(WidgetTest, StatusBarRedrawsOnlyWhenItsValuesChange) {
    cs->screen = SCR_LOUNGE;
    cs->playerCountSeen = 2;
    EXPECT_EQ(drawStatusBar(&cv, cs.get()), 1);
    EXPECT_NE(sent(), "");
    cs->onlineTotal = 77;  // not part of what the header compares
    EXPECT_EQ(drawStatusBar(&cv, cs.get()), 0);
    EXPECT_EQ(sent(), "");
    cs->playerCountSeen = 4;
    drawStatusBar(&cv, cs.get());
    EXPECT_NE(sent(), "");
    EXPECT_EQ(screenTextAt(&ts, 2, 69, 9), "4 Playing");
    cs->caller.timeLeftSecs = 1000;  // now inside the last half hour
    drawStatusBar(&cv, cs.get());
    EXPECT_NE(sent(), "");
    EXPECT_EQ(screenTextAt(&ts, 2, 56, 22), "4 Playing   16:40 left");
}

TEST_F(WidgetTest, ChatKindsLookAndColour) {
    addPlayer("Bob", 32);
    struct Case {
        const char* name; std::string text; int kind; const char* tag;
        std::string shown; int nameCols, nameFg, fg; bool bright;
    } cases[] = {
        {"Bob", "hello", CHAT_SAID, "", "  Bob: hello", 6, 32, 37, false},
        {"Stranger", "hi", CHAT_SAID, "", "  Stranger: hi", 11, 37, 37, false},
        {"ABCDEFGHIJKLMNOPQRSTUVWXY", "hi", CHAT_SAID, "", "  ABCDEFGHIJKLMNOPQRST: hi", 23, 37, 37,
         false},
        {"Bob", "psst", CHAT_DIRECTED, "", "  Bob (to you): psst", 5, 32, 37, false},
        {"Bob", "psst", CHAT_DIRECTED, "Ann", "  Bob (to Ann): psst", 5, 32, 37, false},
        {"", "waves", CHAT_ACTION, "", "  waves", 0, 0, 35, false},
        {"", "Server says", CHAT_SYSTEM, "", "  Server says", 0, 0, 36, false},
        {"", "a whisper", CHAT_PRIVATE, "", "  a whisper", 0, 0, 33, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        cs->chatCount = 0;
        chat(c.name, c.text, c.kind, c.tag);
        drawChatPane(&cv, cs.get());
        sent();
        EXPECT_EQ(rowTrimmed(20), c.shown);
        EXPECT_EQ(rowTrimmed(21), "");
        int textCol = c.nameCols > 0 ? c.nameCols + 2 : 3;
        if (c.nameCols > 0) {
            EXPECT_EQ(screenFgAt(&ts, 20, 3), c.nameFg);
            EXPECT_TRUE(screenBrightAt(&ts, 20, 3));
            EXPECT_EQ(screenFgAt(&ts, 20, c.nameCols), c.nameFg);
        }
        EXPECT_EQ(screenFgAt(&ts, 20, textCol), c.fg);
        EXPECT_EQ(screenBrightAt(&ts, 20, textCol), c.bright);
    }
}

TEST_F(WidgetTest, ChatPaneFrameAndTitles) {
    chat("", "one", CHAT_SYSTEM);
    drawChatPane(&cv, cs.get());
    sent();
    EXPECT_EQ(screenCharAt(&ts, 19, 1), 0xC3);
    EXPECT_EQ(screenCharAt(&ts, 19, 79), 0xB4);
    const std::string title = " Chat  -  Just Type To Talk  (PgUp Scrolls Back) ";
    EXPECT_EQ(screenTextAt(&ts, 19, 3, (int)title.size()), title);
    EXPECT_EQ(screenFgAt(&ts, 19, 5), 34);
    EXPECT_EQ(screenRowText(&ts, 22), " " + std::string(77, '\xC4') + "  ");
    EXPECT_FALSE(screenBrightAt(&ts, 22, 2));
}

TEST_F(WidgetTest, ChatWrapsAt75Then73) {
    std::string words;
    for (int i = 0; i < 20; i++) words += (i ? " " : "") + std::string("abcdefghi");
    std::string solid(200, 'z');
    struct Case { std::string text; std::string lines[3]; } cases[] = {
        // Cut before the last blank in reach; the blank itself is dropped.
        {words, {"  " + words.substr(0, 69), "    " + words.substr(70, 69), "    " + words.substr(140)}},
        // One long word is cut hard: 75, 73, the rest.
        {solid, {"  " + solid.substr(0, 75), "    " + solid.substr(75, 73), "    " + solid.substr(148)}},
        // Blanks at the start of a further piece are skipped.
        {std::string(75, 'a') + "     tail", {"", "  " + std::string(75, 'a'), "    tail"}},
    };
    for (const Case& c : cases) {
        cs->chatCount = 0;
        chat("", c.text, CHAT_SYSTEM);
        drawPane(0);
        EXPECT_EQ(rowTrimmed(20), c.lines[1]);
        EXPECT_EQ(rowTrimmed(21), c.lines[2]);
        if (c.lines[0].empty()) continue;
        drawPane(1);
        EXPECT_EQ(rowTrimmed(20), c.lines[0]);
        EXPECT_EQ(rowTrimmed(21), c.lines[1]);
    }
}

TEST_F(WidgetTest, ChatScrollIsClampedToTheLines) {
    for (int i = 1; i <= 5; i++) chat("", "line " + std::to_string(i), CHAT_SYSTEM);
    struct Case { int scroll, stored; std::string first; } cases[] = {
        {10, 3, "  line 1"}, {3, 3, "  line 1"}, {1, 1, "  line 3"}, {0, 0, "  line 4"}, {-4, 0, "  line 4"},
    };
    for (const Case& c : cases) {
        drawPane(c.scroll);
        EXPECT_EQ(chatScrollShown(cs.get()), c.stored) << c.scroll;
        EXPECT_EQ(rowTrimmed(20), c.first) << c.scroll;
        bool back = c.stored > 0;
        EXPECT_EQ(screenTextAt(&ts, 19, 3, 12), back ? " Chat  -  Lo" : " Chat  -  Ju");
        EXPECT_EQ(screenFgAt(&ts, 19, 4), back ? 33 : 34);
    }
    // Nothing to scroll: back to 0 and the live title.
    cs->chatCount = 0;
    chat("", "only line", CHAT_SYSTEM);
    drawPane(5);
    EXPECT_EQ(chatScrollShown(cs.get()), 0);
    EXPECT_EQ(screenTextAt(&ts, 19, 3, 12), " Chat  -  Ju");
    EXPECT_EQ(screenTextAt(&ts, 20, 1, 11), "  only line");
}

TEST_F(WidgetTest, ChatKeepsTheNewest200DisplayLines) {
    // 64 lines of 4 display lines each (75 + 73 + 73 + 34 characters).
    for (int i = 0; i < MAX_CHAT_LINES; i++) {
        char head[8];
        formatText(head, "L%02d-", i);
        chat("", head + std::string(251, 'x'), CHAT_SYSTEM);
    }
    drawPane(1000);
    EXPECT_EQ(chatScrollShown(cs.get()), 198);
    EXPECT_EQ(screenTextAt(&ts, 20, 1, 6), "  L14-");  // 256 made, the oldest 56 dropped
    EXPECT_EQ(screenTextAt(&ts, 21, 1, 5), "    x");
}

TEST_F(WidgetTest, ChatColourOfNames) {
    addPlayer("Ann", 35);
    addPlayer("Bob", 31);
    addPlayer("Bob", 36);
    struct Case { const char* name; int colour; } cases[] = {  // the first Bob's colour; others plain white
        {"Bob", 31}, {"Ann", 35}, {"ann", 37}, {"Bo", 37}, {"", 37}, {nullptr, 37},
    };
    for (const Case& c : cases) EXPECT_EQ(chatColourOf(cs.get(), c.name), c.colour);
    cs->playerCount = 0;
    EXPECT_EQ(chatColourOf(cs.get(), "Bob"), 37);
}

TEST_F(WidgetTest, FooterNoticeHidesPromptAndPromptComesBack) {
    const char* prompt = "[ENTER] Back";
    EXPECT_EQ(drawFooter(&cv, cs.get(), prompt), 1);
    EXPECT_EQ(sent(), "\x1b[23;1H\x1b[K\x1b[0;36m\x1b[23;3H[ENTER] Back");
    EXPECT_EQ(rowTrimmed(23), "  [ENTER] Back");
    EXPECT_EQ(screenFgAt(&ts, 23, 3), 36);
    EXPECT_FALSE(screenBrightAt(&ts, 23, 3));
    EXPECT_EQ(drawFooter(&cv, cs.get(), prompt), 0);
    EXPECT_EQ(sent(), "");

    copyText(cs->noticeText, "Saved.");
    EXPECT_EQ(drawFooter(&cv, cs.get(), prompt), 1);
    sent();
    EXPECT_EQ(rowTrimmed(23), "  Saved.");
    EXPECT_EQ(screenFgAt(&ts, 23, 3), 33);
    EXPECT_TRUE(screenBrightAt(&ts, 23, 3));

    cs->noticeText[0] = 0;
    drawFooter(&cv, cs.get(), prompt);
    sent();
    EXPECT_EQ(rowTrimmed(23), "  [ENTER] Back");
}

TEST_F(WidgetTest, FooterHighlightAndCuts) {
    const std::string laugh = "[SPACE] Laugh   [Up/Down] Read";
    struct Case { std::string text; int hl; bool notice; int greenCols; } cases[] = {
        {laugh, 13, false, 13},
        {laugh, 0, false, 0},
        {laugh, (int)laugh.size(), false, 0},  // a highlight covering everything is ignored
        {laugh, 13, true, 0},                   // notices never highlight
        {std::string(100, 'k'), 70, false, 63},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 10) + " " + std::to_string(c.hl));
        cs->render.footerHighlight = c.hl;
        copyText(cs->noticeText, c.notice ? c.text.c_str() : "");
        drawFooter(&cv, cs.get(), c.text.c_str());
        sent();
        std::string shown = c.text.substr(0, 77);
        EXPECT_EQ(screenTextAt(&ts, 23, 3, 77), shown + std::string(77 - shown.size(), ' '));
        EXPECT_EQ(screenCharAt(&ts, 23, 80), ' ');
        int plainFg = c.notice ? 33 : 36;
        if (c.greenCols > 0) {
            EXPECT_EQ(screenFgAt(&ts, 23, 3), 32);
            EXPECT_TRUE(screenBrightAt(&ts, 23, 2 + c.greenCols));
        } else {
            EXPECT_EQ(screenFgAt(&ts, 23, 3), plainFg);
        }
        EXPECT_EQ(screenFgAt(&ts, 23, 3 + c.greenCols), plainFg);
    }
    // A change of the highlight alone redraws the same text.
    cs->noticeText[0] = 0;
    cs->render.footerHighlight = 13;
    drawFooter(&cv, cs.get(), laugh.c_str());
    sent();
    cs->render.footerHighlight = 0;
    drawFooter(&cv, cs.get(), laugh.c_str());
    EXPECT_NE(sent(), "");
    EXPECT_EQ(screenFgAt(&ts, 23, 3), 36);
}

TEST_F(WidgetTest, InputLineEchoAndCursor) {
    struct Case { size_t len; int shown, cursorCol; } cases[] = {
        {0, 0, 4}, {5, 5, 9}, {73, 73, 77}, {80, 76, 77}, {254, 76, 77},
    };
    for (const Case& c : cases) {
        std::string typed(c.len, 'q');
        copyText(cs->inputLine, typed.c_str());
        cs->inputLen = (int32_t)c.len;
        drawInputLine(&cv, cs.get());
        sent();
        EXPECT_EQ(screenTextAt(&ts, 24, 1, 3), " > ");
        EXPECT_EQ(screenFgAt(&ts, 24, 2), 33);
        EXPECT_EQ(screenTextAt(&ts, 24, 4, 77), std::string(c.shown, 'q') + std::string(77 - c.shown, ' '));
        EXPECT_EQ(screenCursorRow(&ts), 24);
        EXPECT_EQ(screenCursorCol(&ts), c.cursorCol) << c.len;
        EXPECT_TRUE(screenCursorVisible(&ts));
    }
    // Unchanged: only the cursor goes back to where typing continues.
    screenGoto(&cs->term, 5, 5);
    drawInputLine(&cv, cs.get());
    EXPECT_EQ(sent(), "\x1b[5;5H\x1b[24;77H");
}

}  // namespace
