// The renderer: the table of screens (body painter, chat pane use and footer
// prompt of each), the overlay prompts, and the one pass per main loop turn
// that draws exactly what the dirty flags name. Also the layout helpers the
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

// One pass: draws what the flags mark and clears them. Writes nothing when
// no flag is raised and nothing the widgets show has changed.
void renderScreen(ClientState* cs);

// Clear the terminal and draw the header and the chat pane afresh.
void redrawAll(ClientState* cs);

// The current screen's footer prompt (may be empty); sets the render cache's
// footerHighlight for the prompts that lead with bright keys. Points into buf
// or a constant.
const char* screenPrompt(ClientState* cs, FooterText* buf);

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
