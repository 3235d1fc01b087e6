#include "input/editors.h"

#include "state/client_state.h"

bool isEditorScreen(int32_t screen) {
    switch (screen) {
    case SCR_SUBMIT_INTRO:
    case SCR_STORY_TITLE:
    case SCR_STORY_WRITE:
    case SCR_STORY_REVIEW:
    case SCR_STORY_EDIT:
    case SCR_STORY_CATEGORY:
    case SCR_STORY_RATING:
    case SCR_STORY_EMAIL:
    case SCR_STORY_TERMS:
    case SCR_FEEDBACK_WRITE:
    case SCR_FEEDBACK_REVIEW:
    case SCR_FEEDBACK_EDIT:
    case SCR_REPLY_WRITE:
    case SCR_REPLY_REVIEW:
    case SCR_REPLY_EDIT:
    case SCR_REPORT:
        return true;
    default:
        return false;
    }
}

// The editors' own line input is not written yet: until it is, a line typed
// on their screens is dropped (never sent as chat, so no draft text leaks to
// the Lounge or the table).
void editorLine(ClientState* state, const char* line) {
    (void)state;
    (void)line;
}
