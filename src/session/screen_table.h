// The screen table: one row per screen number saying everything the door
// does with that screen - how it looks (painter, chat pane use, footer
// prompt), what entering it sends and resets, which keys it takes before
// they reach the typed line, and who takes a line typed on it. Rows of the
// numbers with no screen are empty: cleared body, empty footer, chat pane,
// nothing sent on entry, every key typed and every line chat.
#pragma once
#include <cstdint>

#include "screens/renderer.h"

struct ClientState;

// What entering a screen does after the switch itself (enterScreen).
using EnterFn = void (*)(ClientState* state);
// A screen key: answers whether it used the key; false lets it go on.
using KeyFn = bool (*)(ClientState* state, int32_t key);
// A completed, non-empty typed line on the screen.
using LineFn = void (*)(ClientState* state, const char* line);

constexpr int32_t KEY_ANY = -2;  // never a decoded key: a row for every key

enum KeyWhen : int32_t {
    WHEN_ALWAYS = 0,
    WHEN_EMPTY = 1,     // nothing typed yet
    WHEN_SEATED = 2,    // at a table
    WHEN_UNSEATED = 4,  // alone
};

// One key a screen takes: when the key matches (letters in upper case) and
// the conditions hold, take is asked; a screen's rows are tried in order.
// Each screen's list ends with KEYS_END, so the table needs no counts of
// lists defined in other files.
struct ScreenKeyRow {
    int32_t key;   // code, upper-case letter or KEY_ANY
    int32_t when;  // KeyWhen bits, all must hold
    KeyFn take;    // null: the end of the list
};
constexpr ScreenKeyRow KEYS_END = {0, WHEN_ALWAYS, nullptr};

constexpr int32_t SCREEN_GAP = -1;  // id of a number with no screen

struct ScreenDesc {
    int32_t id = SCREEN_GAP;             // its own screen number, checked against the index
    ScreenLook look = {};                // what the renderer draws
    EnterFn enter = nullptr;             // null: entering sends and resets nothing more
    const ScreenKeyRow* keys = nullptr;  // null: no keys of its own
    LineFn line = nullptr;               // null: every typed line is chat
};

// The row of a screen number; any number without a screen (a gap, or out
// of range) gets the empty row.
const ScreenDesc& screenDesc(int32_t screen);

// How the screen looks, for the renderer.
inline const ScreenLook* screenLook(int32_t screen) { return &screenDesc(screen).look; }
