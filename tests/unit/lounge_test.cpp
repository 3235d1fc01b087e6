#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/nodelog.h"
#include "platform/text.h"
#include "screens/countdowns.h"
#include "screens/lounge.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"

namespace {

// What one row must show: a fragment at a column (0: anywhere on the row),
// with the colour and brightness of its first character.
struct Expect {
    int row;
    int col;
    const char* text;
    int fg;
    bool bright;
};

struct LoungeTest : DoorScreenTest {
    void SetUp() override {
        DoorScreenTest::SetUp();
        tickMoveBase(5000);  // deadlines near "now" never land on 0 (none)
    }

    // A zeroed state on a blank screen, for each case of a table.
    void fresh() {
        testScreenClose(&ts);
        ts = TestScreen{};
        cs.reset(new ClientState{});
        SetUp();
    }

    std::string at(int r, int c, int n) const { return screenTextAt(&ts, r, c, n); }
    bool rowHas(int r, const std::string& text) const { return row(r).find(text) != std::string::npos; }

    void expect(const Expect& e, const std::string& what) {
        int col = e.col;
        if (col == 0) {
            size_t pos = row(e.row).find(e.text);
            ASSERT_NE(pos, std::string::npos) << what << ": row " << e.row << " lacks \"" << e.text
                                              << "\", has \"" << screenRowUtf8(&ts, e.row) << "\"";
            col = (int)pos + 1;
        } else {
            ASSERT_EQ(at(e.row, col, (int)strlen(e.text)), e.text)
                << what << ": row " << e.row << " is \"" << screenRowUtf8(&ts, e.row) << "\"";
        }
        EXPECT_EQ(screenFgAt(&ts, e.row, col), e.fg) << what << ": " << e.text;
        EXPECT_EQ(screenBrightAt(&ts, e.row, col), e.bright) << what << ": " << e.text;
    }

    void addTables(int n) {
        cs->tableCount = n;
        for (int i = 0; i < n; i++) {
            formatText(cs->tables[i].name, "Table %d", i + 1);
            cs->tables[i].players = 1;
            cs->tables[i].capacity = 6;
        }
    }
    void addPlayers(int n) {
        cs->playerCount = n;
        for (int i = 0; i < n; i++) {
            formatText(cs->players[i].name, "Player%02d", i + 1);
            cs->players[i].colour = 31 + i % 4;
        }
    }
};

TEST_F(LoungeTest, PagingRule) {
    struct Case { int entries, requested, rows, pages, page; } cases[] = {
        {0, 0, 9, 1, 0},  {9, 3, 9, 1, 0},  {10, 1, 8, 2, 1}, {10, 7, 8, 2, 1},  // past the end: the last
        {16, 0, 8, 2, 0}, {17, 2, 8, 3, 2}, {12, -3, 8, 2, 0},                    // negative: the first
    };
    for (const Case& c : cases) {
        LoungePaging p = loungePaging(c.entries, c.requested);
        EXPECT_EQ(p.rowsPerPage, c.rows) << c.entries;
        EXPECT_EQ(p.pageCount, c.pages) << c.entries;
        EXPECT_EQ(p.page, c.page) << c.entries << " asked " << c.requested;
    }
}

TEST_F(LoungeTest, TableListPages) {
    struct Case {
        const char* what;
        int tables, page;
        const char* title;  // on the box's top row
        int lastRow;        // row of the last table shown
        const char* lastEntry;
        const char* tail;   // the line after it, or null
    } cases[] = {
        {"nine fit one page", 9, 0, " Tables ", 16, "[9] Table 9", nullptr},
        {"ten: page 1 of 2", 10, 0, " Tables - Page 1 of 2 ", 15, "[8] Table 8", "+2 more - press >"},
        {"ten: page 2 of 2", 10, 1, " Tables - Page 2 of 2 ", 9, "[10] Table 10", "press < to go back"},
        {"seventeen: middle page", 17, 1, " Tables - Page 2 of 3 ", 15, "[16] Table 16", "+1 more - press >"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        addTables(c.tables);
        cs->loungePage = c.page;
        paint(paintLounge);
        EXPECT_EQ(at(6, 6, (int)strlen(c.title)), c.title);
        expect({c.lastRow, 6, c.lastEntry, 37, true}, c.what);
        if (c.tail) expect({c.lastRow + 1, 6, c.tail, 36, true}, c.what);
        else EXPECT_EQ(at(c.lastRow + 1, 5, 30), std::string(30, ' '));
    }
}

TEST_F(LoungeTest, PlayersPageOnTheirOwnCountWithTheSharedIndex) {
    addTables(3);
    addPlayers(12);
    cs->players[9].isMe = 1;
    cs->loungePage = 1;
    paint(paintLounge);
    EXPECT_TRUE(rowHas(6, " Who's Here - Page 2 of 2 "));
    // Players 9 to 12 on rows 8 to 11, then the way back.
    for (int i = 0; i < 4; i++) expect({8 + i, 44, cs->players[8 + i].name, 31 + (8 + i) % 4, i == 1}, "roster");
    expect({12, 44, "press < to go back", 36, true}, "roster");
    // Three tables have a single page, whatever the index: no way back there.
    EXPECT_FALSE(rowHas(6, "Tables - Page"));
    expect({10, 6, "[3] Table 3", 37, true}, "tables");
    EXPECT_EQ(at(11, 5, 30), std::string(30, ' '));

    cs->loungePage = 0;
    paint(paintLounge);
    expect({15, 44, "Player08", 34, false}, "first page");
    expect({16, 44, "+4 more - press >", 36, true}, "first page");
}

TEST_F(LoungeTest, TableAndPlayerCells) {
    cs->tableCount = 3;
    copyText(cs->tables[0].name, "");                         // listed as Quick Match
    cs->tables[0].capacity = 4;
    copyText(cs->tables[1].name, "The Secret Garden Party");  // cut to 15
    cs->tables[1].players = 2;
    cs->tables[1].capacity = 6;
    cs->tables[1].locked = 1;
    copyText(cs->tables[2].name, "Open");
    cs->tables[2].players = 3;
    cs->tables[2].capacity = 8;
    cs->playerCount = 3;
    copyText(cs->players[0].name, "Exactly21CharactersXY");        // fits padded to 21
    copyText(cs->players[1].name, "TwentyTwoCharactersXYZ");       // cut to 19 + ".."
    copyText(cs->players[2].name, "Sysop");
    copyText(cs->players[2].source, "bbs");
    cs->players[2].bbsNumber = 7;
    for (int i = 0; i < 3; i++) cs->players[i].colour = 32;
    paint(paintLounge);
    Expect checks[] = {
        {8, 6, "[1] Quick Match     0/4", 37, false},  // nobody seated: not bright
        {9, 6, "[2] The Secret Gard 2/6", 31, true},  // locked: red
        {10, 6, "[3] Open            3/8", 37, true},
        {8, 44, "Exactly21CharactersXY   ", 32, false},
        {9, 44, "TwentyTwoCharacters.. ", 32, false},
        {8, 68, "Web     ", 36, true},
        {10, 68, "BBS #7  ", 33, true},
    };
    for (const Expect& e : checks) expect(e, "cells");
    EXPECT_EQ(screenCharAt(&ts, 9, 34), 0xDB);  // the lock mark
    EXPECT_EQ(screenFgAt(&ts, 9, 34), 31);
    EXPECT_NE(screenCharAt(&ts, 10, 34), 0xDB);
}

TEST_F(LoungeTest, EmptyLounge) {
    paint(paintLounge);
    // Wider than its box: it reads in full over both frames.
    expect({8, 7, "(no tables yet - press C to open one)", 37, false}, "no tables");
    EXPECT_EQ(screenCharAt(&ts, 9, 42), 0xB3);
    EXPECT_TRUE(rowHas(6, " Who's Here "));
    EXPECT_EQ(at(8, 44, 30), std::string(30, ' '));
}

TEST_F(LoungeTest, SourceLabelsAndColours) {
    struct Case { const char* source; int bbs; const char* label; int colour; } cases[] = {
        {"", 0, "Web", 36},     {"discord", 0, "Discord", 35}, {"bbs", -2, "BBS", 33},
        {"bbs", 1234, "BBS #1234", 33}, {"steam", 0, "Steam", 34}, {"mobile", 0, "Mobile", 32},
        {"BBS", 3, "Web", 36},  {"telnet", 0, "Web", 36},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(sourceLabel(c.source, c.bbs), c.label) << c.source << " " << c.bbs;
        EXPECT_EQ(sourceColour(c.source), c.colour) << c.source;
    }
    EXPECT_STREQ(sourceLabel(nullptr, 0), "Web");
    EXPECT_EQ(sourceColour(nullptr), 36);
}

struct TableCase {
    const char* what;
    std::function<void(ClientState*)> set;
    std::vector<Expect> rows;
};

TEST_F(LoungeTest, TableTitles) {
    TableCase cases[] = {
        {"auto-host", [](ClientState* s) { s->roomAutoHost = 1; copyText(s->roomName, "Named"); },
         {{4, 0, "Quick Play", 33, true}}},
        {"named", [](ClientState* s) { copyText(s->roomName, "Friday Night Tales"); },
         {{4, 0, "Friday Night Tales", 33, true}}},
        {"host's name", [](ClientState* s) { s->players[1].isHost = 1; },
         {{4, 0, "Bea's Table", 33, true}}},
        {"no host listed", [](ClientState*) {}, {{4, 0, "Your's Table", 33, true}}},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        cs->screen = SCR_TABLE;
        cs->playerCount = 2;
        copyText(cs->players[0].name, "Al");
        copyText(cs->players[1].name, "Bea");
        c.set(cs.get());
        paint(paintTable);
        for (const Expect& e : c.rows) expect(e, c.what);
    }
}

TEST_F(LoungeTest, HostHintsAndWhereThePlayerListStarts) {
    struct Case {
        const char* what;
        int isHost, locked, autoHost;
        const char* code;
        const char* row8;  // the middle hint, or null for none
        int listTop;
    } cases[] = {
        {"host of a locked table", 1, 1, 0, "ABC1234", "/newcode - Generates a new share code", 10},
        {"host of an open table", 1, 0, 0, "ABC1234", "/lock - Closes the room to players without share code", 10},
        {"auto-host table", 1, 0, 1, "ABC1234", nullptr, 8},
        {"not the host", 0, 1, 0, "ABC1234", nullptr, 8},
        {"no share code yet", 1, 0, 0, "", nullptr, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cs->screen = SCR_TABLE;
        addPlayers(9);
        cs->players[0].isHost = 1;
        cs->players[0].isMe = c.isHost;
        cs->isHost = c.isHost;
        cs->roomLocked = c.locked;
        cs->roomAutoHost = c.autoHost;
        copyText(cs->roomCode, c.code);
        paint(paintTable);
        if (c.code[0]) expect({6, 0, "Share code:  ABC1234", 36, true}, c.what);
        else EXPECT_FALSE(rowHas(6, "Share code"));
        if (c.row8) {
            expect({7, 13, "/invite name - Invite a player to join", 32, true}, c.what);
            expect({8, 13, c.row8, 32, false}, c.what);
            expect({9, 13, "/kick name - Remove somebody from your table", 32, false}, c.what);
        } else {
            EXPECT_FALSE(rowHas(7, "/invite"));
        }
        // The list fills the rows down to 15 and is cut there silently.
        expect({c.listTop, 24, "Player01", 31, c.isHost != 0}, c.what);
        expect({c.listTop, 58, "(host)", 35, true}, c.what);
        int last = 16 - c.listTop;
        expect({15, 24, cs->players[last - 1].name, 31 + (last - 1) % 4, false}, c.what);
        EXPECT_EQ(at(16, 24, 20), std::string(20, ' '));
        expect({c.listTop + 1, 47, "Web     ", 36, true}, c.what);
    }
}

TEST_F(LoungeTest, TableNameCellsAndPreset) {
    cs->screen = SCR_TABLE;
    cs->playerCount = 2;
    copyText(cs->players[0].name, "TwentyCharactersName");
    copyText(cs->players[1].name, "TwentyOneCharactersNm");
    cs->players[0].colour = cs->players[1].colour = 36;
    copyText(cs->presetLine, "Playing:  Space - The Moon Heist");
    paint(paintTable);
    expect({8, 24, "TwentyCharactersName ", 36, false}, "fits");
    expect({9, 24, "TwentyOneCharacter.. ", 36, false}, "cut");
    EXPECT_FALSE(rowHas(16, "Playing:"));  // only the host sees the preset
    cs->isHost = 1;
    paint(paintTable);
    expect({16, 0, "Playing:  Space - The Moon Heist", 36, false}, "preset");
}

TEST_F(LoungeTest, TableStatusLines) {
    const char* ALONE = "Your table - waiting for somebody to join you";
    TableCase cases[] = {
        {"waiting for returners", [](ClientState* s) { copyText(s->returnPendingNames, "Al, Bea"); copyText(s->pickerName, "Cy"); },
         {{17, 0, "Waiting for Al, Bea to come back to the table...", 36, true}}},
        {"somebody picks", [](ClientState* s) { copyText(s->pickerName, "Cy"); s->isHost = 1; },
         {{17, 0, "Waiting for Cy to choose the next tale...", 36, true}}},
        {"host with company", [](ClientState* s) { s->isHost = 1; },
         {{17, 0, "You have enough players to begin! [S]tart your game when ready.", 32, true}}},
        {"host alone", [](ClientState* s) { s->isHost = 1; s->playerCount = 1; }, {{17, 0, ALONE, 37, false}}},
        {"guest alone", [](ClientState* s) { s->playerCount = 1; s->roomAutoHost = 1; },
         {{17, 0, "Waiting for more players to sit down...", 37, false}}},
        {"auto-host shuffles", [](ClientState* s) { s->roomAutoHost = 1; s->shuffleFrame = 6; },
         {{17, 0, "Shuffling the categories and stories..", 36, true}}},
        {"guest waits", [](ClientState*) {}, {{17, 0, "Waiting for the host to start...", 37, false}}},
        {"my turn, untimed", [](ClientState* s) { s->pickTurn = 1; },
         {{17, 0, "Your turn to choose the next tale. Take your time and talk it over.", 33, true}}},
        {"my turn, alone", [](ClientState* s) { s->pickTurn = 1; s->playerCount = 1; s->pickTimerOn = 1;
                                                 s->pickDeadline = tickMs() + 20000; },
         {{17, 0, ALONE, 37, false}}},
        {"my turn, 20 s left", [](ClientState* s) { s->pickTurn = 1; s->pickTimerOn = 1; s->pickDeadline = tickMs() + 20500; },
         {{18, 0, "Make your selection to continue, or press [W] and ENTER for more time.", 33, true},
          {17, 0, "Your turn to choose the next tale.", 33, true},
          {16, 20, "   0:20 To Choose, Then It Passes On    ", 33, true}}},
        {"my turn, 5 s left, round about to start",
         [](ClientState* s) { s->pickTurn = 1; s->pickTimerOn = 1; s->pickDeadline = tickMs() + 5500;
                              s->startDeadline = tickMs() + 65500; },
         {{18, 0, "Make your selection", 33, true}, {17, 23, "        Starting In  1:05         ", 32, true},
          {16, 20, "   0:05 To Choose, Then It Passes On    ", 31, true}}},
        {"start countdown wins", [](ClientState* s) { s->isHost = 1; s->startDeadline = tickMs() + 30500; },
         {{17, 23, "        Starting In  0:30         ", 32, true}}},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        cs->screen = SCR_TABLE;
        addPlayers(2);
        c.set(cs.get());
        // The renderer draws the choosing line after the body, as here.
        paint([](Canvas* v, const ClientState* s) { paintTable(v, s); drawChooseCountdown(v, s); });
        for (const Expect& e : c.rows) expect(e, c.what);
    }
}

TEST_F(LoungeTest, ShuffleAnimationFollowsTheFrame) {
    cs->screen = SCR_TABLE;
    addPlayers(3);
    cs->roomAutoHost = 1;
    const char* dots[] = {"", ".", "..", "...", ""};
    for (int frame = 0; frame < 5; frame++) {
        cs->shuffleFrame = frame;
        paint(paintTable);
        std::string want = std::string("Shuffling the categories and stories") + dots[frame];
        std::string r = row(17);  // nothing of a longer frame left behind
        size_t pos = r.find(want);
        ASSERT_NE(pos, std::string::npos) << frame;
        EXPECT_EQ(r.find_first_not_of(' ', pos + want.size()), std::string::npos) << frame;
    }
}

struct CountdownCase {
    const char* what;
    int screen;
    std::function<void(ClientState*, uint32_t now)> set;
    int row, col, width;
    const char* text;  // centred in the field, or null: the field stays untouched
    int fg;
};

TEST_F(LoungeTest, CountdownLines) {
    CountdownCase cases[] = {
        {"start, 11.5 s", SCR_TABLE, [](ClientState* s, uint32_t n) { s->startDeadline = n + 11500; },
         17, 23, 34, "Starting In  0:11", 32},
        {"start off its screen", SCR_LOUNGE, [](ClientState* s, uint32_t n) { s->startDeadline = n + 9000; },
         17, 23, 34, nullptr, 0},
        {"word time", SCR_WORD_ENTRY, [](ClientState* s, uint32_t n) { s->wordDeadline = n + 45500; },
         18, 23, 34, "Time Left  0:45", 36},
        {"word time, last second", SCR_WORD_ENTRY, [](ClientState* s, uint32_t n) { s->wordDeadline = n + 900; },
         18, 23, 34, "Time's Up - Sending What You Have", 31},
        {"reading time, red", SCR_REVEAL, [](ClientState* s, uint32_t n) { s->revealDeadline = n + 9500; },
         18, 61, 18, "Time Left  0:09", 31},
        {"choosing at the table", SCR_TABLE,
         [](ClientState* s, uint32_t n) { s->pickTurn = s->pickTimerOn = 1; s->pickDeadline = n + 75500; },
         16, 20, 40, "1:15 To Choose, Then It Passes On", 33},
        {"choosing at the table, past", SCR_TABLE,
         [](ClientState* s, uint32_t n) { s->pickTurn = s->pickTimerOn = 1; s->pickDeadline = n - 3000; },
         16, 20, 40, "0:00 To Choose, Then It Passes On", 31},
        {"somebody else chooses", SCR_TABLE,
         [](ClientState* s, uint32_t n) { s->pickTimerOn = 1; s->pickDeadline = n + 20000; },
         16, 20, 40, nullptr, 0},
        {"choosing in the picker", SCR_TALE_PICK,
         [](ClientState* s, uint32_t n) { s->pickerMode = 3; s->pickTimerOn = 1; s->pickDeadline = n + 12500; },
         18, 55, 24, "Choose Within  0:12", 36},
        {"choosing in the picker, time's up", SCR_CATEGORY_PICK,
         [](ClientState* s, uint32_t n) { s->pickerMode = 3; s->pickTimerOn = 1; s->pickDeadline = n + 500; },
         18, 55, 24, "Time's Up", 31},
        {"solo picker has no clock", SCR_CATEGORY_PICK,
         [](ClientState* s, uint32_t n) { s->pickerMode = 0; s->pickTimerOn = 1; s->pickDeadline = n + 12500; },
         18, 55, 24, nullptr, 0},
        {"vote time", SCR_SCORES, [](ClientState* s, uint32_t n) { s->scoresDeadline = n + 20500; },
         18, 18, 44, "0:20 To Choose, Then Back To The Lounge", 33},
        {"vote time up", SCR_SCORES, [](ClientState* s, uint32_t n) { s->scoresDeadline = n - 100; },
         18, 18, 44, "Time's Up", 31},
    };
    for (const CountdownCase& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        cs->screen = c.screen;
        c.set(cs.get(), tickMs());
        // A longer text drawn before must vanish under the field.
        std::string junk(c.width, '#');
        screenFeed(&ts, "\x1b[" + std::to_string(c.row) + ";" + std::to_string(c.col) + "H" + junk);
        paint(drawCountdowns);
        if (!c.text) {
            EXPECT_EQ(at(c.row, c.col, c.width), junk);
            continue;
        }
        std::string want(c.width, ' ');
        int len = (int)strlen(c.text);
        want.replace((c.width - len) / 2, len, c.text);
        EXPECT_EQ(at(c.row, c.col, c.width), want);
        EXPECT_EQ(screenFgAt(&ts, c.row, c.col + (c.width - len) / 2), c.fg);
        EXPECT_TRUE(screenBrightAt(&ts, c.row, c.col + (c.width - len) / 2));
    }
}

TEST_F(LoungeTest, StartCountdownCrossesIntoRedAsTheClockMoves) {
    cs->screen = SCR_TABLE;
    cs->startDeadline = tickMs() + 11900;
    struct Step { uint32_t move; const char* text; int fg; } steps[] = {
        {0, "Starting In  0:11", 32}, {1000, "Starting In  0:10", 31},   // 10.9 s left
        {12100, "Starting In  0:00", 31},                               // 1.2 s past
    };
    for (const Step& st : steps) {
        tickMoveBase(st.move);
        paint(drawCountdowns);
        EXPECT_EQ(at(17, 31, 17), st.text);
        EXPECT_EQ(screenFgAt(&ts, 17, 31), st.fg);
    }
}

TEST_F(LoungeTest, RendererRedrawsCountdownsWithoutTheBody) {
    cs->screen = SCR_TABLE;
    cs->fullRedraw = 1;
    addPlayers(2);
    cs->startDeadline = tickMs() + 40500;
    renderScreen(cs.get());
    sent();
    EXPECT_TRUE(rowHas(17, "Starting In  0:40"));
    EXPECT_TRUE(rowHas(8, "Player01"));
    tickMoveBase(2000);
    cs->countdownDirty = 1;
    renderScreen(cs.get());
    std::string out = sent();
    EXPECT_TRUE(rowHas(17, "Starting In  0:38"));
    EXPECT_EQ(out.find("Player01"), std::string::npos);  // the list was not drawn again
}

TEST_F(LoungeTest, CreateTableStages) {
    TableCase cases[] = {
        {"name", [](ClientState* s) { s->createStage = 0; },
         {{8, 15, "Give your table a name.", 37, false}, {12, 15, "What shall we call it?", 33, true}}},
        {"lock", [](ClientState* s) { s->createStage = 1; copyText(s->createName, "Night Owls"); },
         {{8, 23, "Night Owls", 37, true}, {14, 15, "Lock this table?  [Y] / [N]", 33, true}}},
        {"turns, locked", [](ClientState* s) { s->createStage = 2; s->createLocked = 1; copyText(s->createName, "Owls"); },
         {{9, 15, "Locked", 36, false}, {14, 15, "Take turns picking?  [Y] / [N]", 33, true}}},
        {"stage out of range", [](ClientState* s) { s->createStage = 9; },
         {{12, 15, "What shall we call it?", 33, true}}},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        cs->screen = SCR_CREATE_TABLE;
        c.set(cs.get());
        paint(paintCreateTable);
        EXPECT_EQ(screenCharAt(&ts, 15, 68), 0xD9);  // the box's corner
        for (const Expect& e : c.rows) expect(e, c.what);
        // Every wrapped line stays inside the box.
        for (int r = 7; r <= 14; r++) EXPECT_EQ(at(r, 63, 5), "     ") << r;
    }
}

}  // namespace
