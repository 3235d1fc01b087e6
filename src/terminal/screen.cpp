#include "terminal/screen.h"

#include <cstring>

#include "platform/text.h"
#include "state/client_state.h"

namespace {

constexpr char SEQ_CLEAR[] = "\x1b[0m\x1b[2J\x1b[H";
constexpr char SEQ_CLEAR_EOL[] = "\x1b[K";
constexpr char SEQ_RESET_ATTRS[] = "\x1b[0m";
constexpr char SEQ_CURSOR_SHOW[] = "\x1b[?25h";
constexpr char SEQ_CURSOR_HIDE[] = "\x1b[?25l";
constexpr int32_t SEQ_SIZE = 32;  // longest sequence with two int32 numbers fits

static_assert(SCREEN_LAST_COL == SCREEN_COLS - 1, "column 80 stays unwritten");

int32_t atLeastOne(int32_t v) { return v < 1 ? 1 : v; }
bool onScreenRow(int32_t row) { return row >= 1 && row <= SCREEN_ROWS; }

void sendSeq(ClientState* cs, const char* text) { termPuts(&cs->term, text); }

// Drawn text comes partly from the service and the drop file; a control byte
// in it must not reach the caller's terminal as a command.
unsigned char displayByte(unsigned char b) {
    return (b < 32 || b == 127) ? ' ' : b;
}

// Cursor sequence plus len bytes of text, clipped so that column 80 stays
// empty. col is raised to 1 first so the clip counts from where text lands.
void putBytesAt(ClientState* cs, int32_t row, int32_t col, const char* bytes,
                int32_t len) {
    if (col > SCREEN_LAST_COL) return;
    col = atLeastOne(col);
    int32_t n = minOf(len, SCREEN_COLS - col);
    screenGoto(cs, row, col);
    if (n < 1) return;
    char shown[SCREEN_COLS];
    for (int32_t i = 0; i < n; i++) shown[i] = (char)displayByte((unsigned char)bytes[i]);
    termWrite(&cs->term, shown, n);
}

// A frame line: first, a run of fill, last; cut by the grid when drawn.
void frameLine(ClientState* cs, int32_t row, int32_t col, unsigned char first,
               int32_t inner, unsigned char last) {
    char line[SCREEN_COLS + 1];
    inner = maxOf(0, minOf(inner, SCREEN_COLS - 1));
    line[0] = (char)first;
    memset(line + 1, CP437_HLINE, (size_t)inner);
    line[inner + 1] = (char)last;
    putBytesAt(cs, row, col, line, inner + 2);
}

void frameChar(ClientState* cs, int32_t row, int32_t col, unsigned char c) {
    char ch = (char)c;
    putBytesAt(cs, row, col, &ch, 1);
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

void putTextAt(ClientState* cs, int32_t row, int32_t col, const char* text) {
    if (!text) return;
    putBytesAt(cs, atLeastOne(row), col, text, (int32_t)strnlen(text, SCREEN_COLS));
}

void screenFlush(ClientState* cs) { termFlush(&cs->term); }

void screenGoto(ClientState* cs, int32_t row, int32_t col) {
    char seq[SEQ_SIZE];
    formatText(seq, "\x1b[%d;%dH", atLeastOne(row), atLeastOne(col));
    sendSeq(cs, seq);
}

void screenSetColour(ClientState* cs, int32_t fg, int32_t bright) {
    TerminalChannel* t = &cs->term;
    if (fg == t->curFg && bright == t->curBright) return;
    char seq[SEQ_SIZE];
    formatText(seq, "\x1b[%d;%dm", bright ? 1 : 0, fg);
    sendSeq(cs, seq);
    t->curFg = fg;
    t->curBright = bright;
}

void screenShowCursor(ClientState* cs, int32_t on) {
    int32_t hide = on ? 0 : 1;
    if (cs->term.cursorHidden == hide) return;
    sendSeq(cs, hide ? SEQ_CURSOR_HIDE : SEQ_CURSOR_SHOW);
    cs->term.cursorHidden = hide;
}

void screenClear(ClientState* cs) {
    sendSeq(cs, SEQ_CLEAR);
    cs->term.curFg = -1;
    cs->term.curBright = -1;
    cs->statusBarDrawn = 0;
    cs->inputLineDrawn = 0;
    cs->noticeLineDrawn = 0;
}

void screenReset(ClientState* cs) {
    screenClear(cs);
    screenShowCursor(cs, 0);
}

void screenText(ClientState* cs, int32_t row, int32_t col, const char* text) {
    if (!onScreenRow(row) || !text || col < 1) return;
    putTextAt(cs, row, col, text);
}

void screenColourText(ClientState* cs, int32_t row, int32_t col, int32_t fg,
                      int32_t bright, const char* text) {
    screenSetColour(cs, fg, bright);
    screenText(cs, row, col, text);
}

void screenCentreText(ClientState* cs, int32_t row, int32_t fg, int32_t bright,
                      const char* text) {
    if (!text) return;
    int32_t len = (int32_t)strnlen(text, SCREEN_COLS);
    int32_t col = len <= SCREEN_COLS - 2 ? (SCREEN_COLS - len) / 2 : 1;
    screenSetColour(cs, fg, bright);
    if (onScreenRow(row)) putTextAt(cs, row, col, text);
}

void screenUnderlineText(ClientState* cs, int32_t row, int32_t col, int32_t fg,
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
    char seq[SEQ_SIZE];
    formatText(seq, "\x1b[0;1;4;%dm", fg);
    screenGoto(cs, row, col);
    sendSeq(cs, seq);
    for (int32_t i = 0; i < n; i++) field[i] = (char)displayByte((unsigned char)field[i]);
    termWrite(&cs->term, field, n);
    sendSeq(cs, SEQ_RESET_ATTRS);
    cs->term.curFg = -1;
    cs->term.curBright = -1;
}

void screenClearLine(ClientState* cs, int32_t row) {
    screenGoto(cs, row, 1);
    sendSeq(cs, SEQ_CLEAR_EOL);
}

void screenClearBody(ClientState* cs) {
    for (int32_t row = SCREEN_BODY_TOP; row <= SCREEN_BODY_BOTTOM; row++)
        screenClearLine(cs, row);
}

void screenHLine(ClientState* cs, int32_t row, int32_t fg, int32_t bright) {
    screenSetColour(cs, fg, bright);
    if (!onScreenRow(row)) return;
    char line[SCREEN_LAST_COL];
    memset(line, CP437_HLINE, sizeof line);
    putBytesAt(cs, row, 1, line, SCREEN_LAST_COL);
}

void screenScrollbar(ClientState* cs, int32_t col, int32_t top, int32_t bottom,
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
        screenSetColour(cs, c.fg, c.bright);
        frameChar(cs, row, col, c.glyph);
    }
}

void screenBox(ClientState* cs, int32_t top, int32_t left, int32_t bottom,
               int32_t right, int32_t fg, int32_t bright, const char* title) {
    if (right - left + 1 < 2 || bottom < top) return;
    screenSetColour(cs, fg, bright);
    int32_t width = right < SCREEN_COLS ? right - left + 1 : SCREEN_COLS - left;
    int32_t edge = minOf(right, SCREEN_LAST_COL);
    int32_t inner = width - 2;
    if (onScreenRow(top) && left >= 1)
        frameLine(cs, top, left, CP437_TOP_LEFT, inner, CP437_TOP_RIGHT);
    for (int32_t row = maxOf(top + 1, 1); row < bottom && row <= SCREEN_ROWS; row++) {
        if (left >= 1) frameChar(cs, row, left, CP437_VLINE);
        if (edge >= 1) frameChar(cs, row, edge, CP437_VLINE);
    }
    if (onScreenRow(bottom) && left >= 1)
        frameLine(cs, bottom, left, CP437_BOTTOM_LEFT, inner, CP437_BOTTOM_RIGHT);
    if (!title || !title[0]) return;
    // A box whose top is off the grid has no title row either.
    if (!onScreenRow(top) || left + 2 < 1) return;
    char label[BOX_TITLE_MAX + 3];
    formatText(label, " %.40s ", title);
    putTextAt(cs, top, left + 2, label);
}
