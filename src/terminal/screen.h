// Drawing primitives: cursor, colour, clears, text and CP437 frame characters
// drawn into the terminal's frame (terminal/frame.h), clipped to the 80x24
// grid (column 80 is never written). They behave as the ANSI sequences of
// the same names would on the caller's screen; the flush sends only what
// differs from what that screen shows.
#pragma once
#include <cstdint>

struct TerminalChannel;

constexpr int32_t SCREEN_ROWS = 24;      // the fixed grid every screen is laid out on
constexpr int32_t SCREEN_COLS = 80;
constexpr int32_t SCREEN_LAST_COL = 79;  // column 80 is left alone: no wrap, no scroll
constexpr int32_t SCREEN_BODY_TOP = 4;   // rows 4-18 hold a screen's content
constexpr int32_t SCREEN_BODY_BOTTOM = 18;
constexpr int32_t BOX_TITLE_MAX = 40;    // longest box title shown

// CP437 characters, sent as single bytes.
enum Cp437Char : unsigned char {
    CP437_HLINE = 196,         // horizontal line
    CP437_VLINE = 179,         // vertical line
    CP437_TOP_LEFT = 218,
    CP437_TOP_RIGHT = 191,
    CP437_BOTTOM_LEFT = 192,
    CP437_BOTTOM_RIGHT = 217,
    CP437_FULL_BLOCK = 219,    // scrollbar thumb
    CP437_LIGHT_SHADE = 176,   // scrollbar track
};

// ANSI foreground colours; a brightness flag goes with each.
enum AnsiColour : int32_t {
    COL_BLACK = 30,
    COL_RED = 31,
    COL_GREEN = 32,
    COL_YELLOW = 33,
    COL_BLUE = 34,
    COL_MAGENTA = 35,
    COL_CYAN = 36,
    COL_WHITE = 37,
};

void putTextAt(TerminalChannel* t, int32_t row, int32_t col, const char* text);
void screenFlush(TerminalChannel* t);
void screenGoto(TerminalChannel* t, int32_t row, int32_t col);
void screenSetColour(TerminalChannel* t, int32_t fg, int32_t bright);
void screenShowCursor(TerminalChannel* t, int32_t on);
void screenClear(TerminalChannel* t);
void screenReset(TerminalChannel* t);
// The caller's screen may hold anything (line noise, another program's
// output): the next flush clears it and sends the whole frame, colours and
// the cursor's visibility afresh.
void screenForget(TerminalChannel* t);
void screenText(TerminalChannel* t, int32_t row, int32_t col, const char* text);
void screenColourText(TerminalChannel* t, int32_t row, int32_t col, int32_t fg,
                      int32_t bright, const char* text);
void screenCentreText(TerminalChannel* t, int32_t row, int32_t fg, int32_t bright,
                      const char* text);
void screenUnderlineText(TerminalChannel* t, int32_t row, int32_t col, int32_t fg,
                         const char* text, int32_t len);
void screenClearLine(TerminalChannel* t, int32_t row);
// From the cursor to the end of its row.
void screenClearToEnd(TerminalChannel* t);
void screenClearBody(TerminalChannel* t);
void screenHLine(TerminalChannel* t, int32_t row, int32_t fg, int32_t bright);
void screenScrollbar(TerminalChannel* t, int32_t col, int32_t top, int32_t bottom,
                     int32_t offset, int32_t visible, int32_t total);
void screenBox(TerminalChannel* t, int32_t top, int32_t left, int32_t bottom,
               int32_t right, int32_t fg, int32_t bright, const char* title);
