// Countdown lines of the table and round screens (start, choosing, word
// time, reading time, vote time), each a bright centred field that fully
// overwrites itself, and the player source labels and colours every player
// list shares.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t SOURCE_LABEL_BYTES = 16;  // "BBS #%d" with any int fits

// The label of a player's source ("Web", "Discord", "BBS", "BBS #3" ...),
// by value: a numbered board label is made for each call.
struct SourceLabel {
    char text[SOURCE_LABEL_BYTES];
};
SourceLabel sourceLabel(const char* source, int32_t bbsNumber);
// ANSI foreground colour of a player's source.
int32_t sourceColour(const char* source);

// Every countdown line that applies to the current screen, in order: start,
// word time, reading time, the choosing lines, vote time.
void drawCountdowns(Canvas* cv, const ClientState* cs);
// The table's start line (rows 17, columns 23-56).
void drawStartCountdown(Canvas* cv, const ClientState* cs);
// The choosing lines: at the table on the caller's timed turn, or in the
// pickers when the pick is the caller's turn.
void drawChooseCountdown(Canvas* cv, const ClientState* cs);
