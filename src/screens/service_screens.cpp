#include "screens/service_screens.h"

#include <cstdint>
#include <cstring>

#include "host/settings.h"
#include "platform/text.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

// CP437 double-line frame of the header box.
constexpr char HEADER_TOP[] = "\311";      // top left
constexpr char HEADER_BOTTOM[] = "\310";   // bottom left
constexpr char HEADER_SIDE[] = "\272";
constexpr unsigned char HEADER_RUN_CHAR = 0xCD;
constexpr unsigned char HEADER_TOP_RIGHT = 0xBB;
constexpr unsigned char HEADER_BOTTOM_RIGHT = 0xBC;
constexpr int32_t HEADER_RUN = 77;         // columns 2-78 between the corners

constexpr char PRODUCT_TITLE[] = "W O R D W H I R L";
constexpr int32_t CLOSED_TITLE_COL = 4;
constexpr int32_t BARRED_TITLE_COL = 2;    // no box on the bar screen
constexpr int32_t TITLE_ROW = 2;

constexpr int32_t CLOSED_HEADING_ROW = 6;
constexpr int32_t CLOSED_TEXT_ROW = 9;
constexpr int32_t CLOSED_TEXT_COL = 8;
constexpr int32_t CLOSED_TEXT_WIDTH = 63;
constexpr int32_t CLOSED_TEXT_LAST = 16;
constexpr int32_t CLOSED_KEY_ROW = 21;

constexpr int32_t BARRED_HEADING_ROW = 5;
constexpr int32_t BARRED_TEXT_ROW = 7;
constexpr int32_t BARRED_TEXT_LAST = 10;
constexpr int32_t BARRED_WIDTH = 66;
constexpr int32_t BARRED_KEY_ROW = 22;

constexpr char APPEAL_LEAD[] = "If you feel this is in error or would like to appeal please email ";

// One frame line: the left corner, the run, the right corner.
void headerLine(Canvas* cv, int32_t row, const char* left, unsigned char right) {
    char line[HEADER_RUN + 3];
    line[0] = left[0];
    memset(line + 1, HEADER_RUN_CHAR, HEADER_RUN);
    line[HEADER_RUN + 1] = (char)right;
    line[HEADER_RUN + 2] = 0;
    screenText(cv->term, row, 1, line);
}

// The first paragraph of the bar screen: what happened and for how long.
void barredVerdict(const ClientState* cs, char* out, size_t cap) {
    if (!cs->standing.barredTimedOut) copyTextN(out, cap, "You are banned from Wordwhirl.");
    else if (cs->standing.barredUntil[0])
        formatTextN(out, cap, "You are timed out from Wordwhirl. You may return in %.180s.",
                    cs->standing.barredUntil);
    else if (cs->standing.barredError[0]) copyTextN(out, cap, cs->standing.barredError);
    else copyTextN(out, cap, "You are not able to play Wordwhirl just now.");
}

}  // namespace

void drawHeaderBox(Canvas* cv) {
    screenSetColour(cv->term, COL_CYAN, 1);
    headerLine(cv, 1, HEADER_TOP, HEADER_TOP_RIGHT);
    screenText(cv->term, 2, 1, HEADER_SIDE);
    screenText(cv->term, 2, HEADER_RUN + 2, HEADER_SIDE);
    headerLine(cv, 3, HEADER_BOTTOM, HEADER_BOTTOM_RIGHT);
}

void paintClosedScreen(Canvas* cv, const ClientState* cs) {
    screenClear(cv->term);
    screenShowCursor(cv->term, 0);
    drawHeaderBox(cv);
    screenColourText(cv->term, TITLE_ROW, CLOSED_TITLE_COL, COL_YELLOW, 1, PRODUCT_TITLE);
    screenCentreText(cv->term, CLOSED_HEADING_ROW, COL_WHITE, 1, "B A C K   S H O R T L Y");
    const char* text = cs->standing.maintenanceText[0]
        ? cs->standing.maintenanceText
        : "Wordwhirl is closed for a short while. Please try again soon.";
    int32_t next = drawWrapped(cv, CLOSED_TEXT_ROW, CLOSED_TEXT_COL, CLOSED_TEXT_WIDTH, COL_CYAN, 1,
                               text, CLOSED_TEXT_LAST);
    // Two rows below the last row written, which is the row before next.
    screenCentreText(cv->term, next + 1, COL_WHITE, 0, "Please come back and play with us later!");
    screenCentreText(cv->term, CLOSED_KEY_ROW, COL_GREEN, 1, "Press any key to return to the BBS.");
    screenFlush(cv->term);
}

void paintBarredScreen(Canvas* cv, const ClientState* cs) {
    screenClear(cv->term);
    screenShowCursor(cv->term, 0);
    screenColourText(cv->term, TITLE_ROW, BARRED_TITLE_COL, COL_YELLOW, 1, PRODUCT_TITLE);
    screenCentreText(cv->term, BARRED_HEADING_ROW, COL_WHITE, 1,
                     cs->standing.barredTimedOut ? "T I M E D   O U T" : "B A N N E D");

    char text[320];  // the longest paragraph: the 259-character error, or the appeal
    barredVerdict(cs, text, sizeof text);
    int32_t r = drawWrappedCentred(cv, BARRED_TEXT_ROW, BARRED_WIDTH, COL_CYAN, 1, text,
                                   BARRED_TEXT_LAST);
    if (cs->standing.barredReason[0]) {
        formatText(text, "Reason: %.200s", cs->standing.barredReason);
        r = drawWrappedCentred(cv, r + 1, BARRED_WIDTH, COL_CYAN, 1, text, r + 3);
    }
    formatText(text,
               "This %s was put into effect by the Wordwhirl team, has no impact on your BBS "
               "access, and is not managed by your Sysop.",
               cs->standing.barredTimedOut ? "time out" : "ban");
    r = drawWrappedCentred(cv, r + 1, BARRED_WIDTH, COL_WHITE, 0, text, r + 4);
    formatText(text, "%s%.80s", APPEAL_LEAD, SUPPORT_EMAIL);
    drawWrappedCentred(cv, r + 1, BARRED_WIDTH, COL_WHITE, 0, text, r + 3);

    if (cs->cfg.bbsName[0]) formatText(text, "Press any key to return to %.40s.", cs->cfg.bbsName);
    else copyText(text, "Press any key to return to the BBS.");
    screenCentreText(cv->term, BARRED_KEY_ROW, COL_GREEN, 1, text);
    screenFlush(cv->term);
}

void paintMaintenance(Canvas* cv, const ClientState* cs) { paintClosedScreen(cv, cs); }

void paintBarred(Canvas* cv, const ClientState* cs) { paintBarredScreen(cv, cs); }

void paintIdle(Canvas* cv, const ClientState*) {
    screenClear(cv->term);
    screenShowCursor(cv->term, 0);
    screenBox(cv->term, 8, 14, 16, 66, COL_YELLOW, 1, nullptr);
    screenCentreText(cv->term, 10, COL_YELLOW, 1, "Y O U ' V E   B E E N   A W A Y   A W H I L E");
    screenCentreText(cv->term, 12, COL_WHITE, 0, "Nothing has been touched here for half an hour,");
    screenCentreText(cv->term, 13, COL_WHITE, 0, "so we're handing you back to the BBS.");
    screenCentreText(cv->term, 15, COL_CYAN, 0, "Come back any time - your tales will be waiting.");
    for (int32_t row = 18; row <= 23; row++) screenClearLine(cv->term, row);
    screenFlush(cv->term);
}
