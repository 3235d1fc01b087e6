// The screens of one game from the choice of a tale to the scores: the
// category and tale pickers, word entry with its word-kind hints, and the
// scores with their laugh tiers. Also the tale line and the category kind
// colours the other screens share. The reveal and the solo tale: reveal.h.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

constexpr int32_t PICK_CATEGORIES_SHOWN = 20;  // two columns: 11, then 9
constexpr int32_t PICK_TALES_SHOWN = 9;        // one picker page, typed as one digit
constexpr int32_t WORD_KIND_MAX = 39;          // kind shown and looked up, in characters
constexpr int32_t SCORE_BAR_MAX = 34;          // bar of the top laugher, in cells

void paintCategoryPick(Canvas* cv, const ClientState* cs);
void paintTalePick(Canvas* cv, const ClientState* cs);
void paintWordEntry(Canvas* cv, const ClientState* cs);
void paintScores(Canvas* cv, const ClientState* cs);

// Row 5: "category - title" of the tale being played, or that one is being chosen.
void drawTaleLine(Canvas* cv, const ClientState* cs);

// ANSI colour of a category kind: holiday, limited and dlc stand out.
int32_t categoryKindColour(const char* kind);

// The colour of a listed category: the kind of the same name in the authed
// list, compared without regard to case; white when the list lacks it.
int32_t categoryColour(const ClientState* cs, const char* name);

// The hint for a word kind (exact, lower-case kind), or null for an unknown kind.
const char* wordKindHint(const char* kind);

// A word kind as the caller reads it: "body_part" -> "Body Part",
// "player_name" -> "Name", empty -> "A Word". At most WORD_KIND_MAX characters.
struct WordKindTitle {
    char text[WORD_KIND_MAX + 1];
};
void wordKindTitle(WordKindTitle* out, const char* kind);
