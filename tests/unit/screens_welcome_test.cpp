#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "door/mainloop.h"
#include "host/settings.h"
#include "platform/text.h"
#include "screens/menu.h"
#include "screens/renderer.h"
#include "screens/service_screens.h"
#include "screens/welcome.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"

namespace {

constexpr char SHADE[] = "\261";  // a letter of a guide answer not typed yet

// What one row must show: a fragment of its text, and the colour and
// brightness of the fragment's first character.
struct RowCheck {
    int row;
    const char* text;
    int fg;
    bool bright;
};

struct WelcomeScreensTest : DoorScreenTest {
    void SetUp() override {
        DoorScreenTest::SetUp();
        cs->testerFeedback = 1;
        cs->render.guideFrameShown = -1;
        copyText(cs->caller.callerName, "Zed Caller");
    }

    // One renderer pass; returns the bytes the caller got from it.
    std::string render() {
        renderScreen(cs.get());
        return sent();
    }
    void expectRows(const RowCheck* checks, size_t n, const char* what) {
        for (size_t i = 0; i < n; i++) {
            const RowCheck& c = checks[i];
            int col = colOf(c.row, c.text);
            ASSERT_GT(col, 0) << what << ": row " << c.row << " lacks \"" << c.text << "\", has \""
                              << screenRowUtf8(&ts, c.row) << "\"";
            EXPECT_EQ(screenFgAt(&ts, c.row, col), c.fg) << what << ": " << c.text;
            EXPECT_EQ(screenBrightAt(&ts, c.row, col), c.bright) << what << ": " << c.text;
        }
    }
    template <size_t N>
    void expectRows(const RowCheck (&checks)[N], const char* what) { expectRows(checks, N, what); }
};

TEST_F(WelcomeScreensTest, KeyRowsOfEachScreen) {
    struct ScreenCase {
        const char* what;
        int32_t screen;
        void (*setUp)(ClientState* cs);
        RowCheck rows[8];
    } cases[] = {
        {"welcome", SCR_WELCOME, [](ClientState*) {},
         {{8, "\333\333\333  W O R D W H I R L  \333\333\333", 33, true},
          {10, "The Story Party Game", 36, true},
          {12, "Play with others across all", 37, false},
          {13, "Wordwhirl platforms!", 37, false},
          {16, "Welcome, Zed Caller!", 32, true},
          {19, "Press any key to begin...", 36, false},
          {23, "Standard Connection", 37, false},
          {23, "v1.20.9", 34, false}}},
        {"welcome over TLS with a confirmed name", SCR_WELCOME,
         [](ClientState* cs) { cs->conn.useTls = 1; copyText(cs->myName, "Zed"); },
         {{23, "Secure Connection", 32, true}, {16, "Welcome, Zed!", 32, true}}},
        {"main menu", SCR_MAIN_MENU, [](ClientState*) {},
         {{4, "Come on in - what are we playing?", 36, true},
          {8, "[1]", 33, true},
          {15, "Game Feedback", 37, true},
          {19, "Back to the BBS", 37, true},
          {23, "Type Your Choice And Press ENTER", 36, false}}},
        {"quick help", SCR_QUICK_HELP, [](ClientState*) {},
         {{4, "H O W   T O   P L A Y", 33, true},
          {6, "You are given a few words", 37, false},
          {18, "Use /report from any chat prompt.", 32, true}}},
        {"actions while loading", SCR_ACTIONS, [](ClientState*) {},
         {{4, "T H I N G S   Y O U   C A N   D O", 33, true},
          {9, "One moment - getting the list...", 37, false}}},
    };
    for (auto& c : cases) {
        if (c.screen == SCR_ACTIONS) {
            // Quick help, still up: its first paragraph wraps inside 68
            // columns at column 6 and stops at row 9.
            EXPECT_EQ(colOf(6, "You are given"), 6);
            EXPECT_FALSE(rowBlank(9));
            for (int r = 6; r <= 9; r++) EXPECT_LE(row(r).find_last_not_of(' ') + 1, 73u) << r;
        }
        testScreenClose(&ts);
        ts = TestScreen{};
        cs.reset(new ClientState{});
        SetUp();
        c.setUp(cs.get());
        show(c.screen);
        size_t n = 0;
        while (n < 8 && c.rows[n].text) n++;
        expectRows(c.rows, n, c.what);
    }
}

TEST_F(WelcomeScreensTest, MenuCountsFeedbackAndGreeting) {
    struct Case {
        int32_t unread;
        int32_t announcementsRead[3];
        int32_t tester;
        const char* label;
        RowCheck rows[3];
        bool feedbackRowBlank;
    } cases[] = {
        {0, {1, 1, 1}, 0, "", {{12, "Mailbox", 37, true}, {13, "Announcements", 37, true}}, true},
        {1, {1, 0, 1}, 1, "",
         {{12, "Mailbox (1 new)", 32, true}, {13, "Announcements (1 new)", 32, true},
          {15, "Game Feedback", 37, true}}, false},
        {12, {0, 0, 0}, 1, "Beta Notes",
         {{12, "Mailbox (12 new)", 32, true}, {13, "Announcements (3 new)", 32, true},
          {15, "Beta Notes", 37, true}}, false},
    };
    for (const Case& c : cases) {
        cs->unreadCount = c.unread;
        cs->announcementCount = 3;
        for (int i = 0; i < 3; i++) cs->announcements[i].read = c.announcementsRead[i];
        cs->testerFeedback = c.tester;
        copyText(cs->feedbackLabel, c.label);
        show(SCR_MAIN_MENU);
        size_t n = c.rows[2].text ? 3 : 2;
        expectRows(c.rows, n, c.label);
        if (c.feedbackRowBlank) {
            EXPECT_EQ(colOf(15, "[F]"), 0);
            EXPECT_EQ(row(15).find_first_not_of(' ', 18), 61u) << "only the box sides on row 15";
        }
        if (!c.unread) EXPECT_EQ(colOf(12, "new"), 0);
    }

    // A greeting that arrives while the menu is up repaints row 4 alone,
    // also when only the online count asked for it.
    copyText(cs->greeting, "Howdy, Zed");
    cs->menuGreetingDirty = 1;
    std::string out = render();
    EXPECT_EQ(colOf(4, "Howdy, Zed"), 35);
    EXPECT_EQ(cs->menuGreetingDirty, 0);
    EXPECT_EQ(out.find("Mailbox"), std::string::npos) << "the body is not repainted";
}

TEST_F(WelcomeScreensTest, ActionsFillThreeColumnsOfEleven) {
    for (int i = 0; i < 40; i++) formatText(cs->actions[i], "act%02dwithalongername", i);
    cs->actionCount = 40;
    show(SCR_ACTIONS);
    // %-16.16s: cut to 16, each column 18 apart, at most 33 shown.
    EXPECT_EQ(colOf(6, "act00withalonger "), 8);
    EXPECT_EQ(colOf(16, "act10withalonger"), 8);
    EXPECT_EQ(colOf(6, "act11withalonger"), 26);
    EXPECT_EQ(colOf(16, "act32withalonger"), 44);
    EXPECT_EQ(screenRowUtf8(&ts, 17).size(), 0u) << "the 34th action is not shown";
    EXPECT_EQ(colOf(18, "Just type one, with a name after it   -   e.g.  wave Jason"), 8);
}

TEST_F(WelcomeScreensTest, StarsFallAndComeBackInTheirBand) {
    show(SCR_WELCOME);
    // Starting places: row (5i mod 20) + 1; even i at (8i mod 11) + 3, odd
    // i at (12i mod 11) + 66.
    struct Star { int i, row, col; char ch; int fg; } start[] = {
        {0, 1, 3, '*', 33}, {1, 6, 67, '+', 35}, {3, 16, 69, 'o', 32}, {4, 1, 13, '*', 31},
    };
    for (const Star& s : start) {
        EXPECT_EQ(screenCharAt(&ts, s.row, s.col), s.ch) << "star " << s.i;
        EXPECT_EQ(screenFgAt(&ts, s.row, s.col), s.fg) << "star " << s.i;
        EXPECT_TRUE(screenBrightAt(&ts, s.row, s.col));
    }
    // Five ticks: star 3 passes row 20 and starts again at row 1 of its
    // first new column (7 + 15) mod 11 + 66 = 66; star 0 is on row 6.
    for (int t = 0; t < 5; t++) {
        uiTick(cs.get());
        EXPECT_EQ(cs->animDirty, 1);
        render();
    }
    EXPECT_EQ(screenCharAt(&ts, 1, 66), 'o');
    EXPECT_EQ(screenCharAt(&ts, 16, 69), ' ') << "old place wiped";
    EXPECT_EQ(screenCharAt(&ts, 6, 3), '*');
    // Fifteen more: star 0 wraps to (0 + 5) mod 11 + 3 = 8.
    for (int t = 0; t < 15; t++) uiTick(cs.get()), render();
    EXPECT_EQ(screenCharAt(&ts, 1, 8), '*');
    EXPECT_EQ(cs->render.welcomeSpriteStep[0], 1);

    // Over many wraps every star stays in its band and nothing else on
    // screen is touched.
    for (int t = 0; t < 400; t++) uiTick(cs.get()), render();
    int stars = 0;
    for (int r = 1; r <= 20; r++)
        for (int c = 1; c <= 79; c++) {
            unsigned char ch = screenCharAt(&ts, r, c);
            bool band = (c >= 3 && c <= 13) || (c >= 66 && c <= 76);
            if (band && ch != ' ') stars++;
            if (band) continue;
            if (r == 8 || r == 10 || r == 12 || r == 13 || r == 16 || r == 19) continue;
            EXPECT_EQ(ch, ' ') << r << "," << c;
        }
    EXPECT_EQ(stars, WELCOME_SPRITES) << "no star left behind, none lost";
    EXPECT_EQ(colOf(8, "W O R D W H I R L"), 31);
}

TEST_F(WelcomeScreensTest, AnimationPassRedrawsOnlyTheStars) {
    show(SCR_WELCOME);
    // Between the two star bands (columns 14 to 65).
    auto middle = [&](int r) { return row(r).substr(13, 52); };
    std::string title = middle(8), name = middle(16);
    uiTick(cs.get());
    std::string out = render();
    EXPECT_GT(out.size(), 14u);
    EXPECT_LT(out.size(), 420u) << "14 wipes and 14 stars";
    EXPECT_EQ(out.find("\x1b[2J"), std::string::npos);
    EXPECT_EQ(out.find("Welcome"), std::string::npos);
    EXPECT_EQ(middle(8), title);
    EXPECT_EQ(middle(16), name);
    EXPECT_EQ(render(), "") << "no tick, no flag: not one byte";

    // A name confirmed by the service replaces the name line only.
    copyText(cs->myName, "Zed");
    cs->fullRedraw = 1;  // log-in asks for a full redraw
    out = render();
    EXPECT_EQ(out.find("\x1b[2J"), std::string::npos);
    EXPECT_EQ(colOf(16, "Welcome, Zed!"), 33);
    EXPECT_EQ(colOf(16, "Caller"), 0);

    // Entering the screen again paints everything.
    cs->render.welcomeDrawn = 0;
    cs->fullRedraw = 1;
    out = render();
    EXPECT_NE(out.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(out.find("Press any key to begin..."), std::string::npos);
}

TEST_F(WelcomeScreensTest, TickBeforeFirstPaintLeavesTheStartToThePainter) {
    // The main loop's first tick can come before the first paint, on stars
    // that have no place yet; the painter still starts them where they belong.
    cs->screen = SCR_WELCOME;
    uiTick(cs.get());
    cs->fullRedraw = 1;
    render();
    EXPECT_EQ(screenCharAt(&ts, 1, 3), '*');
    EXPECT_EQ(screenCharAt(&ts, 6, 67), '+');
    for (int r = 1; r <= 24; r++) EXPECT_EQ(screenCharAt(&ts, r, 1), ' ') << "no star in column 1, row " << r;
    uiTick(cs.get());
    render();
    EXPECT_EQ(screenCharAt(&ts, 2, 3), '*');
    EXPECT_EQ(screenCharAt(&ts, 1, 3), ' ');
}

TEST_F(WelcomeScreensTest, GuidePageZeroTypesTheAnswersThenShowsTheSentence) {
    show(SCR_GUIDE);
    RowCheck frame[] = {
        {2, "W O R D W H I R L", 33, true},
        {5, "A   B R A N D   N E W   S T O R Y", 37, true},
        {16, "A COLOR:", 33, false},
        {23, "[ENTER] NEXT     [S] MAIN MENU", 36, false},
    };
    expectRows(frame, "guide page 0");
    EXPECT_EQ(colOf(18, "SOMETHING YOU EAT:"), 21) << "labels end at column 38";
    EXPECT_EQ(screenTextAt(&ts, 16, 42, 6), std::string(6, SHADE[0]));

    auto advanceTo = [&](int frame) {
        while (cs->guideFrame != frame) uiTick(cs.get()), render();
    };
    advanceTo(5);  // purple: two letters
    EXPECT_EQ(screenTextAt(&ts, 16, 42, 6), "pu" + std::string(4, SHADE[0]));
    EXPECT_EQ(screenFgAt(&ts, 16, 42), 35);
    EXPECT_EQ(screenFgAt(&ts, 16, 44), 34);
    advanceTo(29);
    EXPECT_EQ(screenTextAt(&ts, 17, 42, 5), "llama");
    EXPECT_EQ(screenTextAt(&ts, 18, 42, 9), "spaghetti");
    EXPECT_TRUE(rowBlank(20));
    advanceTo(32);
    RowCheck sentence[] = {
        {20, "purple", 35, true}, {20, "llama", 32, true}, {20, "spaghetti", 36, true},
        {22, "Once every word is locked in, the complete story is revealed!", 33, true},
    };
    expectRows(sentence, "sentence");
    EXPECT_EQ(colOf(20, "in the royal"), 52);
    // An animation frame with nothing new writes nothing.
    uiTick(cs.get());
    EXPECT_EQ(render(), "");
    // Past frame 50 the page starts over: sentence gone, answers hidden.
    advanceTo(50);
    uiTick(cs.get());
    EXPECT_EQ(cs->guideFrame, 0);
    render();
    EXPECT_TRUE(rowBlank(20));
    EXPECT_EQ(screenTextAt(&ts, 18, 42, 9), std::string(9, SHADE[0]));
}

TEST_F(WelcomeScreensTest, GuidePagesTurnWithTheirOwnAnimation) {
    show(SCR_GUIDE);
    auto turn = [&]() {  // what the page key does
        cs->guidePage++;
        cs->guideFrame = 0;
        cs->render.guidePageDrawn = 0;
        cs->fullRedraw = 1;
        render();
    };
    auto tick = [&](int n) {
        for (int i = 0; i < n; i++) uiTick(cs.get()), render();
    };
    turn();
    RowCheck page1[] = {
        {5, "H O W   A   R O U N D   W O R K S", 37, true},
        {7, "1. CHOOSE YOUR WORDS", 33, true},
        {11, "2. LOCK THEM IN", 34, false},
        {20, "Every player is assigned a color", 36, true},
    };
    expectRows(page1, "page 1");
    tick(8);  // the second step comes into focus
    RowCheck focus2[] = {{7, "1. CHOOSE", 34, false}, {11, "2. LOCK", 33, true}};
    expectRows(focus2, "page 1 frame 8");
    tick(16);  // frame 24: back to the first step
    EXPECT_EQ(screenFgAt(&ts, 7, colOf(7, "1.")), 33);

    turn();
    RowCheck page2[] = {
        {5, "C H A T   C O M M A N D S", 36, true},
        {8, ">name message", 33, true},
        {8, "Public directed message", 37, false},
        {22, "/kick name", 35, true},
    };
    expectRows(page2, "page 2");
    EXPECT_EQ(colOf(8, "Public"), 29);
    tick(3);  // title in the second colour
    EXPECT_EQ(screenFgAt(&ts, 5, colOf(5, "C H A T")), 32);
    uiTick(cs.get());
    EXPECT_EQ(render(), "") << "same colour, nothing sent";
    tick(2);
    EXPECT_EQ(screenFgAt(&ts, 5, colOf(5, "C H A T")), 33);

    turn();
    RowCheck page3[] = {
        {5, "P L A Y   Y O U R   W A Y .", 33, true},
        {17, "P L A Y E R   C O N T E N T   N O T I C E", 33, true},
        {23, "[ENTER] MAIN MENU", 36, false},
    };
    expectRows(page3, "page 3");
    EXPECT_EQ(colOf(23, "NEXT"), 0);
    tick(12);  // (12 / 3) mod 6 = 4: white
    EXPECT_EQ(screenFgAt(&ts, 5, colOf(5, "P L A Y")), 37);
    // Page 3 keeps counting frames: no loop like page 0.
    tick(60);
    EXPECT_EQ(cs->guideFrame, 72);
}

TEST_F(WelcomeScreensTest, ClosedScreenFollowsItsText) {
    paintClosedScreen(&cv, cs.get());
    sent();
    RowCheck fixed[] = {
        {2, "W O R D W H I R L", 33, true},
        {6, "B A C K   S H O R T L Y", 37, true},
        {9, "Wordwhirl is closed for a short while. Please try again soon.", 36, true},
        {11, "Please come back and play with us later!", 37, false},
        {21, "Press any key to return to the BBS.", 32, true},
    };
    expectRows(fixed, "closed, no text");
    EXPECT_EQ(colOf(9, "Wordwhirl"), 8);
    EXPECT_FALSE(screenCursorVisible(&ts));

    // A long text wraps at 63 and stops at row 16; the closing line stays
    // two rows below the last row written.
    std::string longText;
    while (longText.size() < 199) longText += "maintenance ";
    copyText(cs->maintenanceText, longText.c_str());
    paintClosedScreen(&cv, cs.get());
    sent();
    int last = 9;
    while (last < 16 && !rowBlank(last + 1)) last++;
    EXPECT_GE(last, 11);
    for (int r = 9; r <= last; r++) EXPECT_LE(row(r).find_last_not_of(' ') + 1, 70u) << r;
    EXPECT_GT(colOf(last + 2, "Please come back and play with us later!"), 0);
    EXPECT_EQ(colOf(9, "closed for a short while"), 0);
}

TEST_F(WelcomeScreensTest, BarredScreenTellsWhatWhyAndWhereToAppeal) {
    struct Case {
        const char* what;
        int32_t timedOut;
        const char* until;
        const char* error;
        const char* reason;
        const char* board;
        const char* heading;
        const char* first;
        const char* sentence;
        const char* press;
    } cases[] = {
        {"ban", 0, "tomorrow", "", "", "", "B A N N E D", "You are banned from Wordwhirl.",
         "This ban was put into effect", "Press any key to return to the BBS."},
        {"time-out with until and reason", 1, "2 hours", "", "Spamming the Lounge", "Night Owl BBS",
         "T I M E D   O U T", "You are timed out from Wordwhirl. You may return in 2 hours.",
         "This time out was put into effect", "Press any key to return to Night Owl BBS."},
        {"time-out with only an error", 1, "", "Come back later, friend.", "", "", "T I M E D   O U T",
         "Come back later, friend.", "This time out was", "Press any key to return to the BBS."},
        {"time-out with nothing", 1, "", "", "", "", "T I M E D   O U T",
         "You are not able to play Wordwhirl just now.", "This time out was", "Press any key"},
    };
    for (const Case& c : cases) {
        cs->barredTimedOut = c.timedOut;
        copyText(cs->barredUntil, c.until);
        copyText(cs->barredError, c.error);
        copyText(cs->barredReason, c.reason);
        copyText(cs->cfg.bbsName, c.board);
        paintBarredScreen(&cv, cs.get());
        sent();
        RowCheck rows[] = {
            {2, "W O R D W H I R L", 33, true},
            {5, c.heading, 37, true},
            {7, c.first, 36, true},
            {22, c.press, 32, true},
        };
        expectRows(rows, c.what);
        EXPECT_EQ(colOf(2, "W O R D"), 2) << c.what << ": no header box";
        // Paragraphs follow each other with one blank row between.
        int r = 8;
        if (c.reason[0]) {
            EXPECT_GT(colOf(9, "Reason: Spamming the Lounge"), 0) << c.what;
            r = 10;
        }
        EXPECT_TRUE(rowBlank(r)) << c.what;
        EXPECT_GT(colOf(r + 1, c.sentence), 0) << c.what << " row " << r + 1;
        EXPECT_TRUE(rowBlank(r + 3)) << c.what;
        EXPECT_GT(colOf(r + 4, "If you feel this is in error or would like to appeal please email"), 0)
            << c.what;
        EXPECT_GT(colOf(r + 5, SUPPORT_EMAIL), 0) << c.what;
    }
}

TEST_F(WelcomeScreensTest, BarredScreenLongestTextsStayAboveTheKeyLine) {
    cs->barredTimedOut = 1;
    std::string word(70, 'x');  // a word longer than the width is cut hard
    copyText(cs->barredError, (word + " " + word + " " + word + " " + word).c_str());
    std::string reason;
    while (reason.size() < 159) reason += "because ";
    copyText(cs->barredReason, reason.c_str());
    copyText(cs->cfg.bbsName, "A Board Name That Is Longer Than Forty Letters Long");
    paintBarredScreen(&cv, cs.get());
    sent();
    for (int r = 7; r <= 10; r++) EXPECT_FALSE(rowBlank(r)) << r;
    EXPECT_TRUE(rowBlank(11));
    EXPECT_GT(colOf(12, "Reason:"), 0);
    EXPECT_GT(colOf(22, "Press any key to return to A Board Name That Is Longer Tha."), 0);
    for (int r = 1; r <= 21; r++) EXPECT_EQ(colOf(r, "Press any key"), 0) << r;
}

}  // namespace
