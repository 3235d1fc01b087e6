#include "screens/welcome.h"

#include <cstring>

#include "platform/text.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr char STAR_CHARS[] = "*+.o*.+o.*+o.*";
static_assert(sizeof STAR_CHARS - 1 == WELCOME_SPRITES, "one character per star");
constexpr int32_t STAR_COLOURS[] = {COL_YELLOW, COL_MAGENTA, COL_CYAN,
                                    COL_GREEN,  COL_RED,     COL_WHITE};
constexpr int32_t STAR_COLOUR_COUNT = (int32_t)(sizeof STAR_COLOURS / sizeof STAR_COLOURS[0]);
constexpr int32_t BAND_WIDTH = 11;   // columns in each band
static_assert(WELCOME_LEFT_LAST - WELCOME_LEFT_FIRST + 1 == BAND_WIDTH &&
              WELCOME_RIGHT_LAST - WELCOME_RIGHT_FIRST + 1 == BAND_WIDTH, "both bands are 11 wide");

constexpr char TITLE[] = "\333\333\333  W O R D W H I R L  \333\333\333";  // full blocks each side
constexpr char VERSION_TEXT[] = "v1.20.9";
constexpr int32_t TITLE_ROW = 8;
constexpr int32_t TAGLINE_ROW = 10;
constexpr int32_t BLURB_ROW = 12;
constexpr int32_t PRESS_KEY_ROW = 19;
constexpr int32_t FOOT_ROW = 23;
constexpr int32_t LINK_COL = 2;
constexpr int32_t VERSION_COL = 71;

void drawStars(Canvas* cv) {
    for (int32_t i = 0; i < WELCOME_SPRITES; i++) {
        int32_t row = cv->cache->welcomeSpriteTimer[i], col = cv->cache->welcomeSpriteCol[i];
        if (row < 1 || row > WELCOME_STAR_ROWS) continue;
        char star[2] = {STAR_CHARS[i], 0};
        screenColourText(cv->term, row, col, STAR_COLOURS[i % STAR_COLOUR_COUNT], 1, star);
    }
}

void drawFixedText(Canvas* cv, const ClientState* cs) {
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, TITLE);
    screenCentreText(cv->term, TAGLINE_ROW, COL_CYAN, 1, "The Story Party Game");
    screenCentreText(cv->term, BLURB_ROW, COL_WHITE, 0, "Play with others across all");
    screenCentreText(cv->term, BLURB_ROW + 1, COL_WHITE, 0, "Wordwhirl platforms!");
    screenCentreText(cv->term, PRESS_KEY_ROW, COL_CYAN, 0, "Press any key to begin...");
    screenColourText(cv->term, FOOT_ROW, VERSION_COL, COL_BLUE, 0, VERSION_TEXT);
    if (cs->conn.useTls)
        screenColourText(cv->term, FOOT_ROW, LINK_COL, COL_GREEN, 1, "Secure Connection");
    else
        screenColourText(cv->term, FOOT_ROW, LINK_COL, COL_WHITE, 0, "Standard Connection");
}

// The name line changes when the service confirms another name.
void drawWelcomeName(Canvas* cv, const ClientState* cs) {
    char text[48];
    formatText(text, "Welcome, %.30s!", cs->identity.myName[0] ? cs->identity.myName : cs->caller.callerName);
    screenCentreText(cv->term, WELCOME_NAME_ROW, COL_GREEN, 1, text);
}

// Even stars start in the left band, odd ones in the right.
int32_t startColumn(int32_t i) {
    return i % 2 == 0 ? (8 * i) % BAND_WIDTH + WELCOME_LEFT_FIRST
                      : (12 * i) % BAND_WIDTH + WELCOME_RIGHT_FIRST;
}

}  // namespace

void welcomeStarsStart(RenderCache* rc) {
    if (rc->welcomeSpritesReady) return;
    for (int32_t i = 0; i < WELCOME_SPRITES; i++) {
        rc->welcomeSpriteTimer[i] = (5 * i) % WELCOME_STAR_ROWS + 1;
        rc->welcomeSpriteStep[i] = 0;
        rc->welcomeSpriteCol[i] = startColumn(i);
    }
    rc->welcomeSpritesReady = 1;
}

// Every frame is drawn whole; the differ sends the stars that moved.
void paintWelcome(Canvas* cv, const ClientState* cs) {
    // A tick may run before the first paint; it cannot move stars that have
    // no place yet, so their places are set here, once, whatever it did.
    welcomeStarsStart(cv->cache);
    screenClear(cv->term);
    drawWelcomeName(cv, cs);
    drawStars(cv);
    drawFixedText(cv, cs);
    screenShowCursor(cv->term, 0);
}
