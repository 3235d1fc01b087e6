// The frame differ: painters draw into a grid of what the caller should see;
// a flush compares it with a second grid holding what the caller's screen
// shows and sends only the difference, in as few bytes as it can find:
// changed runs with the shortest cursor move, colour only where it changes,
// erase-to-end where a row's tail turns blank, a whole clear only where that
// is cheaper. Column 80 is never part of the grid, so it is never written.
#pragma once
#include <cstdint>

constexpr int32_t FRAME_ROWS = 24;  // the 80x24 grid less column 80
constexpr int32_t FRAME_COLS = 79;

// Attribute bits of a cell: the foreground as 1-8 for ANSI 30-37 (0 the
// terminal's default), bold (bright) and underline. No background colour is
// ever set, so a blank without underline looks the same in any attribute.
constexpr unsigned char ATTR_FG_MASK = 0x0F;
constexpr unsigned char ATTR_BRIGHT = 0x10;
constexpr unsigned char ATTR_UNDERLINE = 0x20;

struct FrameCell {
    unsigned char ch;    // CP437 byte, never a control byte; 0 reads as a blank
    unsigned char attr;
};

struct FrameGrid {
    FrameCell cells[FRAME_ROWS][FRAME_COLS];
};

// What the painters want on the caller's screen after the next flush.
struct FrameWant {
    FrameGrid grid;
    int32_t row, col;    // where the cursor is left; 0 = never placed
    int32_t hidden;      // the cursor is hidden
};

// The caller's screen as the door last left it.
struct FrameShown {
    FrameGrid grid;
    int32_t valid;       // grid is what the caller sees; 0 before the first draw
                         // and after a repaint request (the screen may hold anything)
    int32_t attr;        // attributes in force, -1 unknown
    int32_t row, col;    // cursor, 0 unknown
    int32_t hidden;      // 1 hidden, 0 shown, -1 unknown
};

// Receives the differ's bytes, in pieces, in order.
using FrameSink = void (*)(void* ctx, const char* bytes, int32_t len);

void frameBlank(FrameGrid* grid);
unsigned char frameAttr(int32_t fg, int32_t bright, int32_t underline);

// Sends through sink the bytes that turn `shown` into `want` (nothing when
// they already agree) and makes shown match. Returns the byte count; a null
// sink only counts, leaving shown as it was.
int32_t frameDiff(FrameShown* shown, const FrameWant* want, FrameSink sink, void* ctx);
