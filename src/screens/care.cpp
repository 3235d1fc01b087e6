#include "screens/care.h"

#include "platform/text.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr int32_t CARE_TOP_ROW = 4;
constexpr int32_t CARE_TITLE_ROW = 4;
constexpr int32_t CARE_LOADING_ROW = 8;
constexpr char CARE_HUB_TITLE[] = "C A R E   H U B";

// One array of prepared lines and the slice of it a page shows.
struct CarePage {
    const char (*lines)[CARE_LINE_BYTES];
    const int32_t* tags;
    const char* title;
    int32_t first;    // first line of the page in the array
    int32_t count;    // lines of the page
    int32_t scroll;   // first page line shown
};

void clearCareRows(Canvas* cv) {
    for (int32_t row = CARE_TOP_ROW; row <= CARE_LAST_ROW; row++) screenClearLine(cv->term, row);
}

void drawCareTitle(Canvas* cv, const char* title) {
    char shown[64];
    formatText(shown, "%.60s", title);
    screenCentreText(cv->term, CARE_TITLE_ROW, COL_CYAN, 1, shown);
}

// Tags above 99 are bright; anything outside the eight colours is drawn white.
void setTagColour(Canvas* cv, int32_t tag) {
    int32_t bright = tag > CARE_BRIGHT_TAG - 1;
    int32_t fg = bright ? tag - CARE_BRIGHT_TAG : tag;
    if (fg < COL_BLACK || fg > COL_WHITE) fg = COL_WHITE;
    screenSetColour(cv->term, fg, bright);
}

void drawCarePage(Canvas* cv, const CarePage& page) {
    clearCareRows(cv);
    drawCareTitle(cv, page.title);
    // The slice is kept inside the array whatever the counts say.
    int32_t first = minOf(maxOf(page.first, 0), MAX_CARE_LINES);
    int32_t end = minOf(first + maxOf(page.count, 0), MAX_CARE_LINES);
    int32_t at = first + maxOf(page.scroll, 0);
    for (int32_t row = CARE_FIRST_ROW; row <= CARE_LAST_ROW && at < end; row++, at++) {
        if (!page.lines[at][0]) continue;
        setTagColour(cv, page.tags[at]);
        screenText(cv->term, row, 1, page.lines[at]);
    }
}

void paintCareMain(Canvas* cv, const ClientState* cs) {
    if (!cs->care.careLoaded) {
        clearCareRows(cv);
        drawCareTitle(cv, CARE_HUB_TITLE);
        screenCentreText(cv->term, CARE_LOADING_ROW, COL_WHITE, 0, "One moment...");
        return;
    }
    drawCarePage(cv, {cs->care.careLines, cs->care.careLineTags, CARE_HUB_TITLE, 0, cs->care.careLineCount,
                      cs->care.careScroll});
}

}  // namespace

void paintCareHub(Canvas* cv, const ClientState* cs) { paintCareMain(cv, cs); }

void paintCareTopic(Canvas* cv, const ClientState* cs) {
    int32_t open = cs->care.careSectionOpen;
    if (open < 0 || open >= minOf(cs->care.careSectionCount, MAX_CARE_SECTIONS)) {
        paintCareMain(cv, cs);
        return;
    }
    drawCarePage(cv, {cs->care.careSectionLines, cs->care.careSectionLineTags, cs->care.careSectionTitles[open],
                      cs->care.careSectionStart[open], cs->care.careSectionLineCount[open],
                      cs->care.careSectionScroll});
}
