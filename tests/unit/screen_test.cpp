#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/door_fixture.h"
#include "support/screen_emulator.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

std::string cursorSeq(int row, int col) {
    return "\x1b[" + std::to_string(row) + ";" + std::to_string(col) + "H";
}
std::string colourSeq(int fg, int bright) {
    return "\x1b[" + std::to_string(bright) + ";" + std::to_string(fg) + "m";
}
const std::string CLEAR_SEQ = "\x1b[0m\x1b[2J\x1b[H";

size_t countOf(const std::string& hay, const std::string& needle) {
    size_t n = 0;
    for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) n++;
    return n;
}

// A door state whose terminal is a telnet socket read by a test screen.
using ScreenTest = DoorScreenTest;

TEST_F(ScreenTest, PutTextAtClipsToColumn79) {
    const std::string text(100, 'x');
    struct Case { int row, col; std::string want; } cases[] = {
        {3, 1, cursorSeq(3, 1) + std::string(79, 'x')},
        {3, 79, cursorSeq(3, 79) + "x"},
        {3, 80, ""},
        {3, 200, ""},
        {0, 70, cursorSeq(1, 70) + std::string(10, 'x')},
        // Raised to column 1 before counting, so column 80 still stays empty.
        {3, -5, cursorSeq(3, 1) + std::string(79, 'x')},
    };
    for (const Case& c : cases) {
        putTextAt(&cs->term, c.row, c.col, text.c_str());
        EXPECT_EQ(sent(), c.want) << "row " << c.row << " col " << c.col;
    }
    EXPECT_EQ(screenCharAt(&ts, 3, 79), 'x');
    EXPECT_EQ(screenCharAt(&ts, 3, 80), ' ');
    EXPECT_EQ(screenCursorRow(&ts), 3);  // no wrap onto the next row
}

TEST_F(ScreenTest, CentreTextColumns) {
    struct Case { size_t len; int col; } cases[] = {
        {0, 40}, {20, 30}, {77, 1}, {78, 1}, {79, 1}, {100, 1},
    };
    for (const Case& c : cases) {
        screenClear(&cs->term);
        sent();
        std::string text(c.len, 'a');
        screenCentreText(&cs->term, 5, 37, 0, text.c_str());
        size_t shown = std::min(c.len, (size_t)(80 - c.col));
        EXPECT_EQ(sent(), colourSeq(37, 0) + cursorSeq(5, c.col) + text.substr(0, shown)) << c.len;
        EXPECT_EQ(screenCursorCol(&ts), c.col + (int)shown) << c.len;
    }
    EXPECT_EQ(screenRowText(&ts, 5), std::string(79, 'a') + " ");
    screenCentreText(&cs->term, 5, 31, 1, nullptr);
    EXPECT_EQ(sent(), "") << "a null text sends nothing, not even its colour";
}

TEST_F(ScreenTest, ColourChangesEvenWhenNothingIsDrawn) {
    struct Case { int row, col; } offGrid[] = {{0, 5}, {25, 5}, {5, 0}};
    for (const Case& c : offGrid) {
        screenColourText(&cs->term, c.row, c.col, 33, 1, "hidden");
        EXPECT_EQ(sent(), colourSeq(33, 1)) << c.row << "," << c.col;
        screenSetColour(&cs->term, 30, 0);
        sent();
    }
    screenCentreText(&cs->term, 0, 32, 1, "off grid");
    EXPECT_EQ(sent(), colourSeq(32, 1));
    EXPECT_EQ(cs->term.curFg, 32);
}

TEST_F(ScreenTest, ColourAndCursorAreSentOnlyWhenTheyChange) {
    screenSetColour(&cs->term, 37, 0);
    screenSetColour(&cs->term, 37, 0);
    EXPECT_EQ(sent(), colourSeq(37, 0));
    screenSetColour(&cs->term, 37, 1);
    EXPECT_EQ(sent(), colourSeq(37, 1));

    uint32_t clears = cs->term.clearCount;
    screenClear(&cs->term);
    screenSetColour(&cs->term, 37, 1);
    EXPECT_EQ(sent(), CLEAR_SEQ + colourSeq(37, 1));
    EXPECT_EQ(cs->term.clearCount, clears + 1);

    screenShowCursor(&cs->term, 1);  // already shown after opening: nothing
    screenShowCursor(&cs->term, 0);
    screenShowCursor(&cs->term, 0);
    EXPECT_EQ(sent(), "\x1b[?25l");
    EXPECT_FALSE(screenCursorVisible(&ts));
    screenReset(&cs->term);  // hidden already: only the clear
    EXPECT_EQ(sent(), CLEAR_SEQ);
    screenShowCursor(&cs->term, 1);
    screenReset(&cs->term);
    EXPECT_EQ(sent(), "\x1b[?25h" + CLEAR_SEQ + "\x1b[?25l");
    EXPECT_EQ(screenCursorRow(&ts), 1);
    EXPECT_EQ(screenCursorCol(&ts), 1);
}

TEST_F(ScreenTest, BoxFrameOnTheGrid) {
    screenBox(&cs->term, 6, 14, 17, 66, 36, 1, nullptr);
    sent();
    const std::string inner(51, (char)CP437_HLINE);
    EXPECT_EQ(screenTextAt(&ts, 6, 14, 53), (char)CP437_TOP_LEFT + inner + (char)CP437_TOP_RIGHT);
    EXPECT_EQ(screenTextAt(&ts, 17, 14, 53), (char)CP437_BOTTOM_LEFT + inner + (char)CP437_BOTTOM_RIGHT);
    for (int row = 7; row <= 16; row++) {
        std::string line = screenRowText(&ts, row);
        EXPECT_EQ((unsigned char)line[13], CP437_VLINE) << row;
        EXPECT_EQ((unsigned char)line[65], CP437_VLINE) << row;
        EXPECT_EQ(line.substr(14, 51), std::string(51, ' ')) << row;
    }
    for (int row : {5, 18}) EXPECT_EQ(screenRowText(&ts, row), std::string(80, ' '));
    EXPECT_EQ(screenTextAt(&ts, 6, 67, 1), " ");
    EXPECT_EQ(screenFgAt(&ts, 17, 66), 36);
    EXPECT_TRUE(screenBrightAt(&ts, 6, 14));
}

TEST_F(ScreenTest, BoxReachingColumn80StopsAt79) {
    screenBox(&cs->term, 2, 20, 5, 80, 34, 0, "Scores");
    sent();
    std::string top = screenRowText(&ts, 2);
    EXPECT_EQ((unsigned char)top[19], CP437_TOP_LEFT);
    EXPECT_EQ((unsigned char)top[78], CP437_TOP_RIGHT);
    EXPECT_EQ(top[79], ' ');
    EXPECT_EQ(top.substr(21, 8), " Scores ");
    EXPECT_EQ(countOf(top, std::string(1, (char)CP437_HLINE)), 60u - 2 - 8);
    EXPECT_EQ(screenCharAt(&ts, 3, 79), CP437_VLINE);
    EXPECT_EQ(screenCharAt(&ts, 3, 80), ' ');
    EXPECT_EQ(screenCharAt(&ts, 5, 79), CP437_BOTTOM_RIGHT);
}

TEST_F(ScreenTest, BoxEdgeCases) {
    screenBox(&cs->term, 5, 10, 8, 10, 37, 0, "x");  // one column wide
    screenBox(&cs->term, 8, 10, 5, 20, 37, 0, "x");  // bottom above top
    EXPECT_EQ(sent(), "");

    std::string longTitle(60, 'T');
    screenBox(&cs->term, 10, 1, 12, 70, 37, 0, longTitle.c_str());
    sent();
    EXPECT_EQ(screenTextAt(&ts, 10, 3, 42), " " + std::string(40, 'T') + " ");
    EXPECT_EQ(screenCharAt(&ts, 10, 45), CP437_HLINE);

    // A box whose top row is off the grid draws no title on row 1.
    screenClear(&cs->term);
    screenBox(&cs->term, 0, 5, 3, 30, 37, 0, "Lost");
    sent();
    EXPECT_EQ(screenRowText(&ts, 1).find("Lost"), std::string::npos);
    EXPECT_EQ(screenCharAt(&ts, 1, 5), CP437_VLINE);
    EXPECT_EQ(screenCharAt(&ts, 3, 5), CP437_BOTTOM_LEFT);
}

TEST_F(ScreenTest, ScrollbarThumbFollowsOffset) {
    struct Case { int offset, visible, total; int thumbTop, thumbRows; } cases[] = {
        {90, 10, 100, 14, 1}, {45, 10, 100, 9, 1}, {500, 10, 100, 14, 1}, {-7, 10, 100, 5, 1},
        {0, 10, 20, 5, 5},    {10, 10, 20, 10, 5}, {0, -3, 100, 5, 1},
    };
    for (const Case& c : cases) {
        screenScrollbar(&cs->term, 78, 5, 14, c.offset, c.visible, c.total);
        sent();
        for (int row = 5; row <= 14; row++) {
            bool thumb = row >= c.thumbTop && row < c.thumbTop + c.thumbRows;
            SCOPED_TRACE("offset " + std::to_string(c.offset) + " row " + std::to_string(row));
            EXPECT_EQ(screenCharAt(&ts, row, 78), thumb ? CP437_FULL_BLOCK : CP437_LIGHT_SHADE);
            EXPECT_EQ(screenFgAt(&ts, row, 78), thumb ? 36 : 34);
            EXPECT_EQ(screenBrightAt(&ts, row, 78), thumb);
        }
        EXPECT_EQ(screenCharAt(&ts, 4, 78), ' ');
        EXPECT_EQ(screenCharAt(&ts, 15, 78), ' ');
    }
}

TEST_F(ScreenTest, ScrollbarBlanksWhenEverythingFits) {
    screenScrollbar(&cs->term, 78, 5, 14, 0, 10, 100);
    sent();
    for (int total : {10, 3, 0}) {
        screenScrollbar(&cs->term, 78, 5, 14, 0, 10, total);
        std::string bytes = sent();
        EXPECT_EQ(countOf(bytes, colourSeq(30, 1)), 1u) << total;
        for (int row = 5; row <= 14; row++) {
            EXPECT_EQ(screenCharAt(&ts, row, 78), ' ') << row;
            EXPECT_EQ(screenFgAt(&ts, row, 78), 30) << row;
        }
        screenScrollbar(&cs->term, 78, 5, 14, 0, 10, 100);
        sent();
    }
    screenScrollbar(&cs->term, 78, 5, 5, 0, 1, 100);  // one row high: nothing
    EXPECT_EQ(sent(), "");
}

TEST_F(ScreenTest, ScrollbarSendsEachColourOncePerRun) {
    screenScrollbar(&cs->term, 78, 5, 14, 0, 10, 100);  // thumb on top, then track
    std::string top = sent();
    EXPECT_EQ(countOf(top, colourSeq(36, 1)), 1u);
    EXPECT_EQ(countOf(top, colourSeq(34, 0)), 1u);
    screenScrollbar(&cs->term, 78, 5, 14, 45, 10, 100);  // track, thumb, track
    std::string mid = sent();
    EXPECT_EQ(countOf(mid, colourSeq(34, 0)), 1u) << "the track colour is still in force";
    EXPECT_EQ(countOf(mid, colourSeq(36, 1)), 1u);
}

TEST_F(ScreenTest, ControlBytesInTextBecomeBlanks) {
    const char* hostile = "a\x1b[2Jb\x07\x0d\x0a" "c\x7f\x08" "d";
    const std::string blanked = "a [2Jb   c  d";
    putTextAt(&cs->term, 3, 5, hostile);
    EXPECT_EQ(sent(), cursorSeq(3, 5) + blanked);
    screenUnderlineText(&cs->term, 4, 5, 33, hostile, 13);
    EXPECT_EQ(sent(), cursorSeq(4, 5) + "\x1b[0;1;4;33m" + blanked + "\x1b[0m");
    screenBox(&cs->term, 6, 1, 8, 40, 37, 0, "t\x1b]0;owned\x07");
    sent();
    EXPECT_EQ(screenTextAt(&ts, 6, 3, 13), " t ]0;owned  ");
    EXPECT_EQ(screenRowText(&ts, 1), std::string(80, ' '));  // nothing cleared the screen
    // CP437 bytes above 127 are drawn as they are.
    putTextAt(&cs->term, 10, 1, "\x82t\xe9");
    EXPECT_EQ(sent(), cursorSeq(10, 1) + "\x82t\xe9");
    EXPECT_EQ(screenRowUtf8(&ts, 10), "étΘ");
}

TEST_F(ScreenTest, UnderlineFieldAndCacheReset) {
    struct Case { int col; const char* text; int len; std::string shown; } cases[] = {
        {10, "HELLOWORLD", 5, "HELLO"},
        {75, "HELLOWORLD", 10, "HELLO"},  // clipped before column 80
        {10, "AB", 4, "AB  "},            // short text padded, never read past its end
    };
    for (const Case& c : cases) {
        screenSetColour(&cs->term, 33, 1);
        sent();
        screenUnderlineText(&cs->term, 4, c.col, 33, c.text, c.len);
        EXPECT_EQ(sent(), cursorSeq(4, c.col) + "\x1b[0;1;4;33m" + c.shown + "\x1b[0m") << c.col;
        EXPECT_EQ(cs->term.curFg, -1);
        EXPECT_EQ(cs->term.curBright, -1);
    }
    EXPECT_TRUE(screenUnderlineAt(&ts, 4, 13));
    EXPECT_FALSE(screenUnderlineAt(&ts, 4, 15)) << "cells after the field keep no underline";
    EXPECT_EQ(screenFgAt(&ts, 4, 10), 33);
    screenSetColour(&cs->term, 33, 1);
    EXPECT_EQ(sent(), colourSeq(33, 1)) << "the reset forgets the colour";

    struct Skip { int row, col, len; } skips[] = {{0, 5, 3}, {25, 5, 3}, {4, 0, 3}, {4, 80, 3}, {4, 5, 0}};
    for (const Skip& s : skips) {
        screenUnderlineText(&cs->term, s.row, s.col, 33, "abc", s.len);
        EXPECT_EQ(sent(), "") << s.row << "," << s.col << "," << s.len;
    }
}

TEST_F(ScreenTest, LinesAndClears) {
    screenHLine(&cs->term, 3, 34, 0);
    EXPECT_EQ(sent(), colourSeq(34, 0) + cursorSeq(3, 1) + std::string(79, (char)CP437_HLINE));
    screenHLine(&cs->term, 25, 35, 0);
    EXPECT_EQ(sent(), colourSeq(35, 0));

    for (int row = 1; row <= 24; row++) putTextAt(&cs->term, row, 1, "filled");
    sent();
    screenClearBody(&cs->term);
    std::string want;
    for (int row = 4; row <= 18; row++) want += cursorSeq(row, 1) + "\x1b[K";
    EXPECT_EQ(sent(), want);
    for (int row = 1; row <= 24; row++) {
        bool body = row >= 4 && row <= 18;
        EXPECT_EQ(screenTextAt(&ts, row, 1, 6), body ? "      " : "filled") << row;
    }
    screenClearLine(&cs->term, 0);
    EXPECT_EQ(sent(), cursorSeq(1, 1) + "\x1b[K");
}

// The primitives never send a colour or cursor sequence that changes
// nothing: a screen of many lines in few colours costs one colour sequence
// per change of colour, however often it is drawn.
TEST_F(ScreenTest, RepeatedColoursCostNothing) {
    struct Line { int fg, bright; } lines[20];
    for (int i = 0; i < 20; i++) lines[i] = (i >= 10 && i < 15) ? Line{36, 1} : Line{37, 0};
    auto drawBody = [&] {
        for (int i = 0; i < 20; i++)
            screenColourText(&cs->term, i + 3, 2, lines[i].fg, lines[i].bright,
                             "The quick brown fox jumps over the lazy dog.");
        screenShowCursor(&cs->term, 0);
    };
    auto colourSends = [](const std::string& b) {
        size_t n = 0;
        for (int fg = 30; fg <= 37; fg++) n += countOf(b, colourSeq(fg, 0)) + countOf(b, colourSeq(fg, 1));
        return n;
    };

    screenClear(&cs->term);
    drawBody();
    std::string first = sent();
    screenClear(&cs->term);
    drawBody();
    std::string again = sent();
    EXPECT_EQ(colourSends(first), 3u);  // white, cyan, white
    EXPECT_EQ(countOf(first, "\x1b[?25l"), 1u);
    EXPECT_EQ(again.size(), first.size() - 6) << "the cursor was already hidden";

    drawBody();  // no clear: white is still in force from the last line
    std::string redraw = sent();
    EXPECT_EQ(colourSends(redraw), 2u);  // cyan, white
    EXPECT_EQ(countOf(redraw, "\x1b[?25"), 0u);
    size_t text = 20 * (44 + cursorSeq(10, 2).size()) - 7;  // rows 3-9 have one digit fewer
    EXPECT_EQ(redraw.size(), text + 2 * colourSeq(37, 0).size());
}

}  // namespace
