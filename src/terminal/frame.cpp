#include "terminal/frame.h"

#include <cstring>

#include "platform/text.h"

namespace {

constexpr int32_t SEQ_MAX = 24;           // longest sequence built here, with room to spare
constexpr int32_t EMIT_CHUNK = 512;       // bytes gathered before the sink is called
constexpr char SEQ_CLEAR[] = "\x1b[2J";
constexpr char SEQ_ERASE_TAIL[] = "\x1b[K";
constexpr char SEQ_RESET[] = "\x1b[0m";
constexpr char SEQ_CURSOR_SHOW[] = "\x1b[?25h";
constexpr char SEQ_CURSOR_HIDE[] = "\x1b[?25l";
constexpr FrameCell BLANK = {' ', 0};

bool blankCell(FrameCell c) { return (c.ch == ' ' || c.ch == 0) && !(c.attr & ATTR_UNDERLINE); }

bool sameLook(FrameCell a, FrameCell b) {
    if (blankCell(a) || blankCell(b)) return blankCell(a) && blankCell(b);
    return a.ch == b.ch && a.attr == b.attr;
}

// The attributes in force draw c as wanted: a blank only needs no underline.
bool attrFits(int32_t inForce, FrameCell c) {
    if (inForce < 0) return false;
    return blankCell(c) ? !(inForce & ATTR_UNDERLINE) : inForce == c.attr;
}

int32_t put(char* out, int32_t n, const char* text) {
    int32_t len = (int32_t)strlen(text);
    memcpy(out + n, text, (size_t)len);
    return n + len;
}

// The shorter of "0;..." (always right) and adding to what is in force, which
// serves only when nothing has to be taken away: old terminals know 0, 1, 4
// and 30-37, not the codes that undo one attribute.
int32_t formatSgr(int32_t from, int32_t to, char* out) {
    int32_t fg = to & ATTR_FG_MASK;
    int32_t n = formatTextN(out, SEQ_MAX, "\x1b[0%s%s", (to & ATTR_BRIGHT) ? ";1" : "",
                            (to & ATTR_UNDERLINE) ? ";4" : "");
    if (fg) n += formatTextN(out + n, (size_t)(SEQ_MAX - n), ";%d", 29 + fg);
    n = put(out, n, "m");
    int32_t fromFg = from & ATTR_FG_MASK;
    if (from < 0 || (from & ~to & (ATTR_BRIGHT | ATTR_UNDERLINE)) || (fromFg && !fg)) return n;
    char add[SEQ_MAX];
    int32_t a = put(add, 0, "\x1b[");
    if ((to & ATTR_BRIGHT) && !(from & ATTR_BRIGHT)) a = put(add, a, "1;");
    if ((to & ATTR_UNDERLINE) && !(from & ATTR_UNDERLINE)) a = put(add, a, "4;");
    if (fg != fromFg) a += formatTextN(add + a, (size_t)(SEQ_MAX - a), "%d;", 29 + fg);
    if (a == 2 || a >= n) return n;  // nothing to add (never asked), or no shorter
    add[a - 1] = 'm';                // the last ';' closes the sequence
    memcpy(out, add, (size_t)a);
    return a;
}

int32_t relative(char* out, int32_t n, int32_t by, char forward, char back) {
    if (by == 0) return n;
    int32_t steps = by < 0 ? -by : by;
    char final = by > 0 ? forward : back;
    if (steps == 1) return n + formatTextN(out + n, (size_t)(SEQ_MAX - n), "\x1b[%c", final);
    return n + formatTextN(out + n, (size_t)(SEQ_MAX - n), "\x1b[%d%c", steps, final);
}

// The shorter of an absolute move and relative ones from (fromRow,
// fromCol) to (row, col). Only escape sequences: no backspace, carriage
// return or line feed, which telnet and old terminals treat in their own ways.
int32_t formatMove(int32_t fromRow, int32_t fromCol, int32_t row, int32_t col, char* out) {
    int32_t n;
    if (col == 1) n = row == 1 ? put(out, 0, "\x1b[H") : formatTextN(out, SEQ_MAX, "\x1b[%dH", row);
    else n = formatTextN(out, SEQ_MAX, "\x1b[%d;%dH", row, col);
    if (fromRow < 1 || fromCol < 1) return n;
    char rel[SEQ_MAX * 2];
    int32_t r = relative(rel, 0, row - fromRow, 'B', 'A');
    r = relative(rel, r, col - fromCol, 'C', 'D');
    if (r < n) {
        memcpy(out, rel, (size_t)r);
        n = r;
    }
    return n;
}

// Bytes on their way to the sink, and the caller's cursor and attributes as
// they will stand once those bytes are shown.
struct Emitter {
    FrameSink sink;
    void* ctx;
    char buf[EMIT_CHUNK];
    int32_t len;
    int32_t total;
    int32_t row, col, attr;

    void bytes(const char* p, int32_t n) {
        total += n;
        if (!sink) return;
        if (len + n > EMIT_CHUNK) drain();
        memcpy(buf + len, p, (size_t)n);
        len += n;
    }
    void text(const char* s) { bytes(s, (int32_t)strlen(s)); }
    void drain() {
        if (sink && len > 0) sink(ctx, buf, len);
        len = 0;
    }
    void moveTo(int32_t r, int32_t c) {
        if (r == row && c == col) return;
        char seq[SEQ_MAX];
        bytes(seq, formatMove(row, col, r, c, seq));
        row = r;
        col = c;
    }
    // Some terminals erase in every attribute in force, underline included;
    // an unknown one may even hold a background colour.
    void plainPen() {
        if (attr >= 0 && !(attr & ATTR_UNDERLINE)) return;
        text(SEQ_RESET);
        attr = 0;
    }
    void cell(FrameCell c) {
        if (!attrFits(attr, c)) {
            char seq[SEQ_MAX];
            bytes(seq, formatSgr(attr, c.attr, seq));
            attr = c.attr;
        }
        char ch = (char)(c.ch ? c.ch : ' ');
        bytes(&ch, 1);
        col++;
    }
};

// Bytes to redraw cells [from, to) of a row as they are, from attributes attr.
int32_t costThrough(const FrameCell* want, int32_t from, int32_t to, int32_t attr) {
    int32_t cost = 0;
    for (int32_t c = from; c < to; c++) {
        if (!attrFits(attr, want[c])) {
            char seq[SEQ_MAX];
            cost += formatSgr(attr, want[c].attr, seq);
            attr = want[c].attr;
        }
        cost++;
    }
    return cost;
}

// One row: its changed cells in runs, a gap of unchanged cells rewritten when
// that is cheaper than moving over it, and the tail erased when it turns
// blank and erasing is cheaper than writing blanks.
void emitRow(Emitter* e, int32_t row, const FrameCell* want, const FrameCell* shown) {
    bool changed[FRAME_COLS];
    int32_t first = -1, last = -1;
    for (int32_t c = 0; c < FRAME_COLS; c++) {
        changed[c] = !sameLook(want[c], shown ? shown[c] : BLANK);
        if (!changed[c]) continue;
        if (first < 0) first = c;
        last = c;
    }
    if (first < 0) return;
    int32_t tail = FRAME_COLS;
    while (tail > 0 && blankCell(want[tail - 1])) tail--;
    int32_t erase = -1;
    for (int32_t c = maxOf(first, tail); c <= last && erase < 0; c++)
        if (changed[c]) erase = c;
    if (erase >= 0 && last - erase + 1 <= (int32_t)sizeof SEQ_ERASE_TAIL - 1) erase = -1;
    int32_t end = erase >= 0 ? erase : last + 1;
    for (int32_t c = first; c < end; c++) {
        if (!changed[c]) continue;
        if (e->row == row && e->col >= 1 && e->col <= c) {
            char seq[SEQ_MAX];
            if (costThrough(want, e->col - 1, c, e->attr) <= formatMove(e->row, e->col, row, c + 1, seq))
                for (int32_t g = e->col - 1; g < c; g++) e->cell(want[g]);
        }
        e->moveTo(row, c + 1);
        e->cell(want[c]);
    }
    if (erase < 0) return;
    e->moveTo(row, erase + 1);
    e->plainPen();
    e->text(SEQ_ERASE_TAIL);
}

// The whole output, with or without clearing first.
int32_t plan(const FrameShown* shown, const FrameWant* want, bool clear, Emitter* e) {
    if (want->hidden && shown->hidden != 1) e->text(SEQ_CURSOR_HIDE);
    if (clear) {
        e->plainPen();
        e->text(SEQ_CLEAR);
        e->row = e->col = 0;  // some terminals home the cursor on a clear, some do not
    }
    for (int32_t r = 0; r < FRAME_ROWS; r++)
        emitRow(e, r + 1, want->grid.cells[r], clear ? nullptr : shown->grid.cells[r]);
    if (want->row >= 1 && want->col >= 1) e->moveTo(want->row, want->col);
    if (!want->hidden && shown->hidden != 0) e->text(SEQ_CURSOR_SHOW);
    e->drain();
    return e->total;
}

int32_t planCost(const FrameShown* shown, const FrameWant* want, bool clear) {
    Emitter e{};
    e.row = shown->row, e.col = shown->col, e.attr = shown->attr;
    return plan(shown, want, clear, &e);
}

}  // namespace

void frameBlank(FrameGrid* grid) {
    for (auto& row : grid->cells)
        for (FrameCell& c : row) c = BLANK;
}

unsigned char frameAttr(int32_t fg, int32_t bright, int32_t underline) {
    int32_t ink = (fg >= 30 && fg <= 37) ? fg - 29 : 0;
    return (unsigned char)(ink | (bright ? ATTR_BRIGHT : 0) | (underline ? ATTR_UNDERLINE : 0));
}

int32_t frameDiff(FrameShown* shown, const FrameWant* want, FrameSink sink, void* ctx) {
    bool clear = !shown->valid || planCost(shown, want, true) < planCost(shown, want, false);
    if (!sink) return planCost(shown, want, clear);
    Emitter e{};
    e.sink = sink, e.ctx = ctx;
    e.row = shown->row, e.col = shown->col, e.attr = shown->attr;
    int32_t n = plan(shown, want, clear, &e);
    shown->grid = want->grid;
    shown->valid = 1;
    shown->attr = e.attr;
    shown->row = e.row;
    shown->col = e.col;
    shown->hidden = want->hidden ? 1 : 0;
    return n;
}
