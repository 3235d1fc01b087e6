// The renderer: the one pass per main loop turn that draws exactly what the
// dirty flags name, from the current screen's look (painter, chat pane use,
// footer prompt) and the overlay prompts. Also the layout helpers the
// painters share: wrapped text and centred fixed-width fields.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t FOOTER_TEXT_BYTES = 256;    // overlay and formatted prompts
constexpr int32_t WORD_FIELD_ROW = 11;        // the word entry field
constexpr int32_t WORD_FIELD_COL = 20;
constexpr int32_t WORD_FIELD_WIDTH = 50;      // shows the last 50 characters typed
constexpr int32_t WAIT_OFFER_SECS = 30;       // [W]ait is offered in the last 30 s of a pick
constexpr int32_t WRAP_PIECE_MAX = 80;        // longest piece drawWrapped draws

// A footer text built from the state (formatted prompts and overlays).
struct FooterText {
    char text[FOOTER_TEXT_BYTES];
};

// How a screen uses rows 19 to 22.
enum ChatPaneUse : int32_t {
    PANE_SHOWN,        // the chat pane
    PANE_AT_TABLE,     // the chat pane while seated, else blank rows
    PANE_BLANK,        // rows 19-22 stay blank; chat lines only clear them
    PANE_BODY,         // the body painter owns rows 19-22
    PANE_MENU,         // the main menu: body rows, plus the greeting on row 4
};

using PromptFn = const char* (*)(ClientState* cs, FooterText* buf);

// What the renderer needs of one screen. The screen table (a layer up, with
// what the screen does with keys and lines) holds one per screen number;
// the defaults are those of a number with no screen.
struct ScreenLook {
    int32_t wholeScreen = 0;        // owns all 24 rows: no header, chat, footer or input
    PaintFn paint = nullptr;        // body painter; null: the body is cleared
    ChatPaneUse pane = PANE_SHOWN;
    const char* prompt = nullptr;   // fixed footer prompt
    PromptFn promptOf = nullptr;    // footer prompt that depends on the state (wins)
};

// One pass over the current screen, whose look the caller passes (null:
// a number with no screen): draws what the flags mark and clears them.
// Writes nothing when no flag is raised and nothing the widgets show has
// changed.
void renderScreen(ClientState* cs, const ScreenLook* look);

// Clear the terminal and draw the header and the chat pane afresh.
void redrawAll(ClientState* cs);

// A screen's footer prompt (may be empty; null look: empty); sets the
// render cache's footerHighlight for the prompts that lead with bright keys.
// Points into buf or a constant.
const char* screenPrompt(ClientState* cs, const ScreenLook* look, FooterText* buf);

// The overlay prompt that wins by precedence, or null when none applies.
const char* overlayPrompt(const ClientState* cs, FooterText* buf);

// The picker's [W]ait offer: the caller's timed pick turn at a table of two
// or more, with 1 to 30 whole seconds left.
int32_t waitOfferVisible(const ClientState* cs);

// text word-wrapped in pieces of at most width characters, left-aligned at
// col, from row down to at most lastRow. Returns the row after the last
// piece drawn (row itself when nothing was drawn).
int32_t drawWrapped(Canvas* cv, int32_t row, int32_t col, int32_t width, int32_t fg,
                    int32_t bright, const char* text, int32_t lastRow);
// The same with every piece centred on its row.
int32_t drawWrappedCentred(Canvas* cv, int32_t row, int32_t width, int32_t fg,
                           int32_t bright, const char* text, int32_t lastRow);
// A field of exactly width characters with text centred in it, bright, so a
// shorter text fully overwrites a longer one drawn there before.
void drawCentredField(Canvas* cv, int32_t row, int32_t col, int32_t width, int32_t fg,
                      const char* text);
