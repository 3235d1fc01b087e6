// The welcome screen: the whole-terminal title page shown after connecting,
// with its 14 falling stars. Owns the stars' starting places and the painter
// that moves them on screen; the main loop's quarter-second tick makes them fall.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t WELCOME_STAR_ROWS = 20;       // stars fall through rows 1-20, then start again
constexpr int32_t WELCOME_LEFT_FIRST = 3;       // left band: columns 3-13
constexpr int32_t WELCOME_LEFT_LAST = 13;
constexpr int32_t WELCOME_RIGHT_FIRST = 66;     // right band: columns 66-76
constexpr int32_t WELCOME_RIGHT_LAST = 76;
constexpr int32_t WELCOME_NAME_ROW = 16;        // "Welcome, name!"

// Draws the welcome screen: everything on the first paint after the screen
// was entered, afterwards only the stars that moved and a changed name line.
void paintWelcome(Canvas* cv, const ClientState* cs);

// Puts the stars at their starting places in the cache (once; later calls
// keep them). The main loop's tick moves them from there.
void welcomeStarsStart(RenderCache* rc);
