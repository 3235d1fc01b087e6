// Typed lines of the editors and the report dialogue: the story submission
// editor, the feedback and mail reply note editors and the report. The line
// handler hands every line typed on those screens here.
#pragma once
#include <cstdint>

struct ClientState;

// True on the screens whose typed lines belong to an editor or the report.
bool isEditorScreen(int32_t screen);

// One typed line on an editor screen.
void editorLine(ClientState* state, const char* line);

// Categories the story's category screen lists (two columns of ten, A to T):
// a letter past the last one listed picks nothing.
constexpr int32_t STORY_CATEGORY_LETTERS = 20;
