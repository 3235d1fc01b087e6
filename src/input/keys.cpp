#include "input/keys.h"

#include "input/requests.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "terminal/terminal.h"

namespace {

// Any key on the welcome screen opens the guide at its first page.
bool welcomeKey(ClientState* s, int32_t) {
    enterScreen(s, SCR_GUIDE);
    return true;
}

bool guideKey(ClientState* s, int32_t key) {
    int32_t k = keyUpper(key);
    if (k == 'S' || k == KEY_ESC) {
        returnToMenu(s);
    } else if (k == KEY_ENTER || k == ' ') {
        if (s->guidePage >= GUIDE_LAST_PAGE) {
            returnToMenu(s);
        } else {
            s->guidePage++;
            s->guideFrame = 0;
            s->guidePageDrawn = 0;
            s->fullRedraw = 1;
        }
    }
    return true;  // the guide types nothing
}

using ScreenKeyFn = bool (*)(ClientState* s, int32_t key);
struct ScreenKeyRow {
    int32_t screen;
    ScreenKeyFn take;   // true when the key was used
};

constexpr ScreenKeyRow SCREEN_KEYS[] = {
    {SCR_WELCOME, welcomeKey},
    {SCR_GUIDE, guideKey},
};

// ENTER on a non-empty typed line takes the line off the input row into
// out; returns 1 when it did.
int32_t typeKey(ClientState* s, int32_t key, char (&out)[INPUT_LINE_BYTES]) {
    if (!editInputLine(s, key)) return 0;
    copyText(out, s->inputLine);
    s->inputLine[0] = 0;
    s->inputLen = 0;
    s->inputDirty = 1;
    return 1;
}

}  // namespace

void keyDispatch(ClientState* state, int32_t key) {
    if (state->noticeText[0]) {
        setNotice(state, nullptr);
        state->noticeDirty = 1;
    }
    for (const ScreenKeyRow& row : SCREEN_KEYS)
        if (row.screen == state->screen && row.take(state, key)) return;
    char line[INPUT_LINE_BYTES];
    typeKey(state, key, line);  // no screen reads typed lines yet: a sent line is cleared
}
