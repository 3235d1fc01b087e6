#include "screens/service_screens.h"

#include "door/settings.h"
#include "platform/text.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr int32_t HEADER_INNER = 77;   // double line between the header's corners

// The header box of the ordinary screens, without its status text.
void drawHeaderBox(ClientState* s) {
    char top[HEADER_INNER + 3];
    char bottom[HEADER_INNER + 3];
    top[0] = (char)0xC9;
    bottom[0] = (char)0xC8;
    for (int32_t i = 1; i <= HEADER_INNER; i++) top[i] = bottom[i] = (char)0xCD;
    top[HEADER_INNER + 1] = (char)0xBB;
    bottom[HEADER_INNER + 1] = (char)0xBC;
    top[HEADER_INNER + 2] = bottom[HEADER_INNER + 2] = 0;
    screenColourText(s, 1, 1, COL_CYAN, 1, top);
    screenColourText(s, 3, 1, COL_CYAN, 1, bottom);
    screenColourText(s, 2, 1, COL_CYAN, 1, "\xBA");
    screenColourText(s, 2, HEADER_INNER + 2, COL_CYAN, 1, "\xBA");
}

void startLastScreen(ClientState* s) {
    screenClear(s);
    screenShowCursor(s, 0);
}

// The first paragraph of the bar screen: what happened to the caller.
void barredWhat(const ClientState* s, char (&out)[256]) {
    if (!s->barredTimedOut) {
        copyText(out, "You are banned from Wordwhirl.");
    } else if (s->barredUntil[0]) {
        formatText(out, "You are timed out from Wordwhirl. You may return in %.180s.", s->barredUntil);
    } else {
        copyText(out, s->barredError[0] ? s->barredError
                                        : "You are not able to play Wordwhirl just now.");
    }
}

}  // namespace

void paintMaintenance(ClientState* state) {
    startLastScreen(state);
    drawHeaderBox(state);
    screenColourText(state, 2, 4, COL_YELLOW, 1, "W O R D W H I R L");
    screenCentreText(state, 6, COL_WHITE, 1, "B A C K   S H O R T L Y");
    const char* text = state->maintenanceText[0]
                           ? state->maintenanceText
                           : "Wordwhirl is closed for a short while. Please try again soon.";
    int32_t after = drawWrapped(state, 9, 8, 63, COL_CYAN, 1, text, 16);
    screenCentreText(state, after + 1, COL_WHITE, 0, "Please come back and play with us later!");
    screenCentreText(state, 21, COL_GREEN, 1, "Press any key to return to the BBS.");
    screenFlush(state);
}

void paintBarred(ClientState* state) {
    startLastScreen(state);
    screenColourText(state, 2, 2, COL_YELLOW, 1, "W O R D W H I R L");
    bool timedOut = state->barredTimedOut != 0;
    screenCentreText(state, 5, COL_WHITE, 1, timedOut ? "T I M E D   O U T" : "B A N N E D");

    char text[256];
    barredWhat(state, text);
    int32_t row = drawWrappedCentred(state, 7, 66, COL_CYAN, 1, text, 10);
    if (state->barredReason[0]) {
        formatText(text, "Reason: %.200s", state->barredReason);
        row = drawWrappedCentred(state, row + 1, 66, COL_CYAN, 1, text, row + 3);
    }
    formatText(text,
               "This %s was put into effect by the Wordwhirl team, has no impact on your BBS "
               "access, and is not managed by your Sysop.",
               timedOut ? "time out" : "ban");
    row = drawWrappedCentred(state, row + 1, 66, COL_WHITE, 0, text, row + 4);
    formatText(text, "If you feel this is in error or would like to appeal please email %s",
               SUPPORT_EMAIL);
    drawWrappedCentred(state, row + 1, 66, COL_WHITE, 0, text, row + 3);

    if (state->cfgBbsName[0]) formatText(text, "Press any key to return to %.40s.", state->cfgBbsName);
    else copyText(text, "Press any key to return to the BBS.");
    screenCentreText(state, 22, COL_GREEN, 1, text);
    screenFlush(state);
}

void paintIdle(ClientState* state) {
    startLastScreen(state);
    screenBox(state, 8, 14, 16, 66, COL_YELLOW, 1, nullptr);
    screenCentreText(state, 10, COL_YELLOW, 1, "Y O U ' V E   B E E N   A W A Y   A W H I L E");
    screenCentreText(state, 12, COL_WHITE, 0, "Nothing has been touched here for half an hour,");
    screenCentreText(state, 13, COL_WHITE, 0, "so we're handing you back to the BBS.");
    screenCentreText(state, 15, COL_CYAN, 0, "Come back any time - your tales will be waiting.");
    for (int32_t row = 18; row <= 23; row++) screenClearLine(state, row);
    screenFlush(state);
}
