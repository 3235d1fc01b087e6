// The four widgets around every ordinary screen's body: the header box with
// the status text (rows 1-3), the chat pane (rows 19-22), the footer line
// (row 23) and the input line (row 24). Each draws whole every pass it is
// asked to; the frame differ sends only the cells that changed.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t HEADER_TOP_ROW = 1;
constexpr int32_t HEADER_TEXT_ROW = 2;
constexpr int32_t HEADER_BOTTOM_ROW = 3;
constexpr int32_t CHAT_TOP_ROW = 19;        // rule with the pane's title
constexpr int32_t CHAT_FIRST_LINE_ROW = 20; // two chat lines: rows 20 and 21
constexpr int32_t CHAT_BOTTOM_ROW = 22;     // closing rule
constexpr int32_t CHAT_ROWS_SHOWN = 2;
constexpr int32_t FOOTER_ROW = 23;
constexpr int32_t INPUT_ROW = 24;
constexpr int32_t INPUT_TEXT_COL = 4;       // typed text starts after "> "
constexpr int32_t INPUT_CURSOR_SPAN = 73;   // the cursor stops at column 77
constexpr int32_t INPUT_SCROLL_SHOWN = INPUT_CURSOR_SPAN - 1;  // a longer line: "<", then its end

constexpr int32_t CHAT_DISPLAY_MAX = 200;   // display lines kept per chat draw
constexpr int32_t CHAT_FIRST_WIDTH = 75;    // first piece of a message, after 2 blanks
constexpr int32_t CHAT_NEXT_WIDTH = 73;     // further pieces, after 4 blanks
constexpr int32_t STATUS_TIMED_MAX = 1799;  // time left is shown in the last half hour
constexpr int32_t STATUS_LOW_SECS = 299;    // from here down it shows in red
constexpr int32_t FOOTER_TEXT_MAX = 255;    // longest footer text (a notice or prompt) drawn

// Every draw but the input line's leaves the cursor off the input line; the
// caller has it put back.
void drawStatusBar(Canvas* cv, const ClientState* cs);
void drawChatPane(Canvas* cv, const ClientState* cs);
void drawFooter(Canvas* cv, const ClientState* cs, const char* prompt);
void drawInputLine(Canvas* cv, const ClientState* cs);

// Column of the cursor on the input line: after the last character typed,
// at most column 77, where a longer line scrolls to keep its end in view.
int32_t inputCursorCol(const ClientState* cs);

// chatScroll as the pane shows it: kept between the newest line and the
// oldest one, whatever the keys left stored.
int32_t chatScrollShown(const ClientState* cs);

// ANSI colour of the player of that name at the table or in the Lounge;
// white when nobody by that exact name is listed.
int32_t chatColourOf(const ClientState* cs, const char* name);

// Length of the next piece of rest that fits width: it ends before the last
// blank in reach unless that blank is the first character; a word longer
// than the width is cut hard. Chat lines and wrapped screen text share it.
int32_t textPieceLength(const char* rest, int32_t width);

// Seconds of BBS time left now, never below 0.
int32_t callerSecondsLeft(const ClientState* cs);

// n written in decimal with a "," between each group of three digits.
void formatGrouped(char* out, int32_t cap, int32_t n);
