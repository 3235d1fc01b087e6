// Typed lines of the editors and the report dialogue: the story submission
// editor, the feedback and mail reply note editors and the report. Each
// screen's line handler is named in its row of the screen table.
#pragma once
#include <cstdint>

// Categories the story's category screen lists (two columns of ten, A to T):
// a letter past the last one listed picks nothing.
constexpr int32_t STORY_CATEGORY_LETTERS = 20;
