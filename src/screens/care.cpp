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

void clearCareRows(ClientState* cs) {
    for (int32_t row = CARE_TOP_ROW; row <= CARE_LAST_ROW; row++) screenClearLine(cs, row);
}

void drawCareTitle(ClientState* cs, const char* title) {
    char shown[64];
    formatText(shown, "%.60s", title);
    screenCentreText(cs, CARE_TITLE_ROW, COL_CYAN, 1, shown);
}

// Tags above 99 are bright; anything outside the eight colours is drawn white.
void setTagColour(ClientState* cs, int32_t tag) {
    int32_t bright = tag > CARE_BRIGHT_TAG - 1;
    int32_t fg = bright ? tag - CARE_BRIGHT_TAG : tag;
    if (fg < COL_BLACK || fg > COL_WHITE) fg = COL_WHITE;
    screenSetColour(cs, fg, bright);
}

void drawCarePage(ClientState* cs, const CarePage& page) {
    clearCareRows(cs);
    drawCareTitle(cs, page.title);
    // The slice is kept inside the array whatever the counts say.
    int32_t first = minOf(maxOf(page.first, 0), MAX_CARE_LINES);
    int32_t end = minOf(first + maxOf(page.count, 0), MAX_CARE_LINES);
    int32_t at = first + maxOf(page.scroll, 0);
    for (int32_t row = CARE_FIRST_ROW; row <= CARE_LAST_ROW && at < end; row++, at++) {
        if (!page.lines[at][0]) continue;
        setTagColour(cs, page.tags[at]);
        screenText(cs, row, 1, page.lines[at]);
    }
}

void paintCareMain(ClientState* cs) {
    if (!cs->careLoaded) {
        clearCareRows(cs);
        drawCareTitle(cs, CARE_HUB_TITLE);
        screenCentreText(cs, CARE_LOADING_ROW, COL_WHITE, 0, "One moment...");
        return;
    }
    drawCarePage(cs, {cs->careLines, cs->careLineTags, CARE_HUB_TITLE, 0, cs->careLineCount,
                      cs->careScroll});
}

}  // namespace

void paintCareHub(ClientState* cs) { paintCareMain(cs); }

void paintCareTopic(ClientState* cs) {
    int32_t open = cs->careSectionOpen;
    if (open < 0 || open >= minOf(cs->careSectionCount, MAX_CARE_SECTIONS)) {
        paintCareMain(cs);
        return;
    }
    drawCarePage(cs, {cs->careSectionLines, cs->careSectionLineTags, cs->careSectionTitles[open],
                      cs->careSectionStart[open], cs->careSectionLineCount[open],
                      cs->careSectionScroll});
}
