// The finished story on screen: the big reveal with every player's words in
// that player's colour and the current word underlined, and the solo tale to
// scroll through. Owns the story wrapper, whose display lines each paint
// keeps for itself, and the end banner.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t STORY_LINES_MAX = 240;  // display lines kept; text beyond is not shown
constexpr int32_t STORY_LINE_WIDTH = 62;  // characters of one display line
constexpr int32_t STORY_LINE_SLOT = 72;   // bytes per line slot, room to spare
static_assert(STORY_LINE_WIDTH < STORY_LINE_SLOT, "a full line and its terminator fit the slot");

constexpr int32_t REVEAL_LINES_SHOWN = 8;  // story rows 6-13 inside the reveal box
constexpr int32_t SOLO_LINES_SHOWN = 14;   // story rows 6-19 inside the solo box

// The display lines of one wrapped text.
struct StoryLines {
    char text[STORY_LINES_MAX][STORY_LINE_SLOT];
    int32_t start[STORY_LINES_MAX];   // offset in the source text where the line starts
    int32_t count;                    // lines filled
};

// Wraps text into story's lines of at most 62 characters (one empty line
// per line feed between paragraphs). Returns the number of lines, 0 to 240.
int32_t wrapStoryText(const char* text, StoryLines* story);

// "=-=-  T H E   E N D  -=-=" across columns 19-59 of row.
void drawTheEnd(Canvas* cv, int32_t row);

void paintReveal(Canvas* cv, const ClientState* cs);
void paintSoloTale(Canvas* cv, const ClientState* cs);

// soloScroll as the solo tale shows it: kept within the tale, whatever the
// keys left stored. Wraps the tale into the shared display lines.
int32_t soloScrollShown(const ClientState* cs);
