#include "terminal/screen.h"

#include <cstring>

#include "platform/text.h"
#include "terminal/terminal.h"

namespace {

static_assert(SCREEN_LAST_COL == SCREEN_COLS - 1, "column 80 stays unwritten");
static_assert(FRAME_ROWS == SCREEN_ROWS && FRAME_COLS == SCREEN_LAST_COL, "the frame is the grid less column 80");

int32_t atLeastOne(int32_t v) { return v < 1 ? 1 : v; }
bool onScreenRow(int32_t row) { return row >= 1 && row <= SCREEN_ROWS; }

// Drawn text comes partly from the service and the drop file; a control byte
// in it must not reach the caller's terminal as a command.
unsigned char displayByte(unsigned char b) {
    return (b < 32 || b == 127) ? ' ' : b;
}

FrameCell* cellAt(TerminalChannel* t, int32_t row, int32_t col) {
    return &t->frame.grid.cells[row - 1][col - 1];
}

// Blank cells [fromCol, last column] of a row, as an erase would.
void blankFrom(TerminalChannel* t, int32_t row, int32_t fromCol) {
    if (!onScreenRow(row)) return;
    for (int32_t col = atLeastOne(fromCol); col <= SCREEN_LAST_COL; col++) *cellAt(t, row, col) = {' ', 0};
    t->frameTouched = 1;
}

// len bytes as cells from the pen on, which moves past them; never beyond
// column 79.
void drawCells(TerminalChannel* t, const char* bytes, int32_t len) {
    FrameWant* f = &t->frame;
    for (int32_t i = 0; i < len && f->col <= SCREEN_LAST_COL; i++, f->col++)
        *cellAt(t, f->row, f->col) = {displayByte((unsigned char)bytes[i]), t->penAttr};
    t->frameTouched = 1;
}

// Cursor move plus len bytes of text, clipped so that column 80 stays
// empty. col is raised to 1 first so the clip counts from where text lands.
void putBytesAt(TerminalChannel* t, int32_t row, int32_t col, const char* bytes,
                int32_t len) {
    if (col > SCREEN_LAST_COL) return;
    col = atLeastOne(col);
    int32_t n = minOf(len, SCREEN_COLS - col);
    screenGoto(t, row, col);
    if (n >= 1) drawCells(t, bytes, n);
}

// A frame line: first, a run of fill, last; cut by the grid when drawn.
void frameLine(TerminalChannel* t, int32_t row, int32_t col, unsigned char first,
               int32_t inner, unsigned char last) {
    char line[SCREEN_COLS + 1];
    inner = maxOf(0, minOf(inner, SCREEN_COLS - 1));
    line[0] = (char)first;
    memset(line + 1, CP437_HLINE, (size_t)inner);
    line[inner + 1] = (char)last;
    putBytesAt(t, row, col, line, inner + 2);
}

void frameChar(TerminalChannel* t, int32_t row, int32_t col, unsigned char c) {
    char ch = (char)c;
    putBytesAt(t, row, col, &ch, 1);
}

// One scrollbar cell kind: what is drawn and in which colour.
struct ScrollCell {
    unsigned char glyph;
    int32_t fg;
    int32_t bright;
};
constexpr ScrollCell SCROLL_BLANK = {' ', COL_BLACK, 1};  // dark grey: erases an old bar
constexpr ScrollCell SCROLL_THUMB = {CP437_FULL_BLOCK, COL_CYAN, 1};
constexpr ScrollCell SCROLL_TRACK = {CP437_LIGHT_SHADE, COL_BLUE, 0};

}  // namespace

void putTextAt(TerminalChannel* t, int32_t row, int32_t col, const char* text) {
    if (!text) return;
    putBytesAt(t, atLeastOne(row), col, text, (int32_t)strnlen(text, SCREEN_COLS));
}

void screenFlush(TerminalChannel* t) { termFlush(t); }

// A terminal stops the cursor at its last row and column.
void screenGoto(TerminalChannel* t, int32_t row, int32_t col) {
    t->frame.row = minOf(atLeastOne(row), SCREEN_ROWS);
    t->frame.col = minOf(atLeastOne(col), SCREEN_COLS);
    t->frameTouched = 1;
}

void screenSetColour(TerminalChannel* t, int32_t fg, int32_t bright) {
    t->penAttr = frameAttr(fg, bright, 0);
}

void screenShowCursor(TerminalChannel* t, int32_t on) {
    t->frame.hidden = on ? 0 : 1;
    t->frameTouched = 1;
}

void screenClear(TerminalChannel* t) {
    frameBlank(&t->frame.grid);
    t->penAttr = 0;
    screenGoto(t, 1, 1);
}

void screenReset(TerminalChannel* t) {
    screenClear(t);
    screenShowCursor(t, 0);
}

void screenForget(TerminalChannel* t) {
    t->shown.valid = 0;
    t->shown.attr = -1;
    t->shown.hidden = -1;  // neither shown nor hidden: the next flush sends its sequence
    t->shown.row = t->shown.col = 0;
    t->frameTouched = 1;
}

void screenText(TerminalChannel* t, int32_t row, int32_t col, const char* text) {
    if (!onScreenRow(row) || !text || col < 1) return;
    putTextAt(t, row, col, text);
}

void screenColourText(TerminalChannel* t, int32_t row, int32_t col, int32_t fg,
                      int32_t bright, const char* text) {
    screenSetColour(t, fg, bright);
    screenText(t, row, col, text);
}

void screenCentreText(TerminalChannel* t, int32_t row, int32_t fg, int32_t bright,
                      const char* text) {
    if (!text) return;
    int32_t len = (int32_t)strnlen(text, SCREEN_COLS);
    int32_t col = len <= SCREEN_COLS - 2 ? (SCREEN_COLS - len) / 2 : 1;
    screenSetColour(t, fg, bright);
    if (onScreenRow(row)) putTextAt(t, row, col, text);
}

void screenUnderlineText(TerminalChannel* t, int32_t row, int32_t col, int32_t fg,
                         const char* text, int32_t len) {
    if (!onScreenRow(row) || !text || col < 1) return;
    int32_t n = minOf(SCREEN_COLS - col, len);
    if (n < 1) return;
    // Exactly n cells are underlined; a text shorter than that is padded with
    // blanks rather than read past its end.
    char field[SCREEN_COLS];
    int32_t have = (int32_t)strnlen(text, (size_t)n);
    memcpy(field, text, (size_t)have);
    memset(field + have, ' ', (size_t)(n - have));
    screenGoto(t, row, col);
    t->penAttr = frameAttr(fg, 1, 1);
    drawCells(t, field, n);
    t->penAttr = 0;  // the underline ends with the field, and so does its colour
}

void screenClearLine(TerminalChannel* t, int32_t row) {
    screenGoto(t, row, 1);
    blankFrom(t, row, 1);
}

void screenClearToEnd(TerminalChannel* t) {
    blankFrom(t, t->frame.row, t->frame.col);
}

void screenClearBody(TerminalChannel* t) {
    for (int32_t row = SCREEN_BODY_TOP; row <= SCREEN_BODY_BOTTOM; row++)
        screenClearLine(t, row);
}

void screenHLine(TerminalChannel* t, int32_t row, int32_t fg, int32_t bright) {
    screenSetColour(t, fg, bright);
    if (!onScreenRow(row)) return;
    char line[SCREEN_LAST_COL];
    memset(line, CP437_HLINE, sizeof line);
    putBytesAt(t, row, 1, line, SCREEN_LAST_COL);
}

void screenScrollbar(TerminalChannel* t, int32_t col, int32_t top, int32_t bottom,
                     int32_t offset, int32_t visible, int32_t total) {
    int32_t height = bottom - top + 1;
    if (height < 2) return;
    bool fits = total <= maxOf(visible, 0);
    int32_t thumb = 0, pos = 0;
    if (!fits) {
        // total > max(visible, 0) here, so both divisors are positive.
        thumb = (int32_t)((int64_t)height * visible / total);
        thumb = maxOf(1, minOf(thumb, height));
        int64_t hidden = (int64_t)total - visible;
        pos = (int32_t)((int64_t)offset * (height - thumb) / hidden);
        pos = minOf(maxOf(pos, 0), height - thumb);
    }
    for (int32_t i = 0; i < height; i++) {
        int32_t row = top + i;
        if (!onScreenRow(row) || col < 1) continue;
        const ScrollCell& c = fits ? SCROLL_BLANK
                              : (i >= pos && i < pos + thumb) ? SCROLL_THUMB : SCROLL_TRACK;
        screenSetColour(t, c.fg, c.bright);
        frameChar(t, row, col, c.glyph);
    }
}

void screenBox(TerminalChannel* t, int32_t top, int32_t left, int32_t bottom,
               int32_t right, int32_t fg, int32_t bright, const char* title) {
    if (right - left + 1 < 2 || bottom < top) return;
    screenSetColour(t, fg, bright);
    int32_t width = right < SCREEN_COLS ? right - left + 1 : SCREEN_COLS - left;
    int32_t edge = minOf(right, SCREEN_LAST_COL);
    int32_t inner = width - 2;
    if (onScreenRow(top) && left >= 1)
        frameLine(t, top, left, CP437_TOP_LEFT, inner, CP437_TOP_RIGHT);
    for (int32_t row = maxOf(top + 1, 1); row < bottom && row <= SCREEN_ROWS; row++) {
        if (left >= 1) frameChar(t, row, left, CP437_VLINE);
        if (edge >= 1) frameChar(t, row, edge, CP437_VLINE);
    }
    if (onScreenRow(bottom) && left >= 1)
        frameLine(t, bottom, left, CP437_BOTTOM_LEFT, inner, CP437_BOTTOM_RIGHT);
    if (!title || !title[0]) return;
    // A box whose top is off the grid has no title row either.
    if (!onScreenRow(top) || left + 2 < 1) return;
    char label[BOX_TITLE_MAX + 3];
    formatText(label, " %.40s ", title);
    putTextAt(t, top, left + 2, label);
}
