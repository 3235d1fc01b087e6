#include "screens/round.h"

#include <cstring>

#include "platform/text.h"
#include "screens/countdowns.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

char lowerOf(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }
char upperOf(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

// ASCII only: names and kinds come from the service and are compared as bytes.
bool sameTextNoCase(const char* a, const char* b) {
    while (*a && *b && lowerOf(*a) == lowerOf(*b)) { a++; b++; }
    return lowerOf(*a) == lowerOf(*b);
}

// One single-byte CP437 mark drawn on its own.
void drawMark(Canvas* cv, int32_t row, int32_t col, int32_t fg, int32_t bright, unsigned char mark) {
    char text[2] = {(char)mark, 0};
    screenColourText(cv->term, row, col, fg, bright, text);
}

// A player colour as stored, or plain white when the service sent none usable.
int32_t playerColour(const PlayerRecord& p) {
    return (p.colour >= COL_BLACK && p.colour <= COL_WHITE) ? p.colour : COL_WHITE;
}

int32_t playersHeld(const ClientState* cs) { return minOf(maxOf(cs->table.playerCount, 0), MAX_PLAYERS); }

constexpr unsigned char MARK_TICK = 0xFB;   // submitted, laughed
constexpr unsigned char MARK_SHADE = 0xB0;  // still typing
constexpr unsigned char MARK_TOP = 0xAF;    // top of the scores
constexpr unsigned char BAR_CELL = 0xDB;    // score bar

constexpr int32_t TITLE_ROW = 4;
constexpr int32_t SUBTITLE_ROW = 5;
constexpr int32_t TALE_ROW = 5;
constexpr int32_t WAIT_TEXT_ROW = 9;        // "One moment..." and "nothing here yet"

// ---- tale line and category kinds ----

struct KindColour {
    const char* kind;
    int32_t colour;
};
constexpr KindColour KIND_COLOURS[] = {
    {"holiday", COL_MAGENTA},
    {"limited", COL_YELLOW},
    {"dlc", COL_GREEN},
};

// ---- category picker ----

struct PickerHeading {
    const char* title;
    const char* subtitle;   // null: none
    int32_t fg;
    int32_t bright;
};
constexpr PickerHeading PICKER_HEADINGS[] = {
    {"C H O O S E   A   C A T E G O R Y", nullptr, COL_CYAN, 0},                              // 0 solo
    {"W H A T   S H A L L   W E   P L A Y ?", "Change what your table will play", COL_CYAN, 0}, // 1 preset
    {"W H A T   S H A L L   W E   P L A Y ?", "Pick what your table starts with", COL_CYAN, 0}, // 2 creating
    {"Y O U R   T U R N   T O   C H O O S E", "Everyone is waiting on you!", COL_MAGENTA, 1},   // 3 turn
};
constexpr int32_t PICKER_HEADING_COUNT = (int32_t)(sizeof PICKER_HEADINGS / sizeof PICKER_HEADINGS[0]);

constexpr int32_t CATEGORY_FIRST_ROW = 7;
constexpr int32_t CATEGORY_COLUMN_ROWS = 11;    // rows 7-17, then the second column
constexpr int32_t CATEGORY_LEFT_COL = 10;
constexpr int32_t CATEGORY_RIGHT_COL = 44;
static_assert(PICK_CATEGORIES_SHOWN <= MAX_CATEGORIES, "the picker shows held categories only");
static_assert(PICK_CATEGORIES_SHOWN <= 2 * CATEGORY_COLUMN_ROWS, "two columns hold every entry");


// ---- tale picker ----

constexpr int32_t TALE_FIRST_ROW = 7;
constexpr int32_t TALE_COL = 12;
constexpr int32_t TALE_BLANKS_COL = 70;
constexpr int32_t TALE_TITLE_WIDTH = 51;
constexpr int32_t TALE_RANGE_ROW = 17;

int32_t numberWidth(int32_t count) { return count <= 9 ? 1 : count <= 99 ? 2 : 3; }
static_assert(MAX_STORIES <= 999, "tale numbers take at most 3 digits");

// Draws the page of tales; returns how many were shown.
int32_t drawTaleList(Canvas* cv, const ClientState* cs) {
    int32_t loaded = minOf(maxOf(cs->picker.storyCount, 0), MAX_STORIES);
    int32_t first = maxOf(cs->picker.storyFirstShown, 0);
    if (loaded <= first) {
        screenCentreText(cv->term, WAIT_TEXT_ROW, COL_WHITE, 0,
                         "(nothing here yet - press B for another category)");
        return 0;
    }
    int32_t width = numberWidth(loaded);
    int32_t shown = minOf(loaded - first, PICK_TALES_SHOWN);
    for (int32_t k = 0; k < shown; k++) {
        int32_t i = first + k;
        char line[80];
        formatText(line, "[%*d] %-*.*s", width, i + 1, TALE_TITLE_WIDTH, TALE_TITLE_WIDTH, cs->picker.storyTitles[i]);
        screenColourText(cv->term, TALE_FIRST_ROW + k, TALE_COL, COL_WHITE, 1, line);
        if (cs->picker.storyBlanks[i] > 0) {
            char blanks[24];
            formatText(blanks, "%2d %s", cs->picker.storyBlanks[i], cs->picker.storyBlanks[i] == 1 ? "blank" : "blanks");
            screenColourText(cv->term, TALE_FIRST_ROW + k, TALE_BLANKS_COL, COL_CYAN, 0, blanks);
        }
    }
    return shown;
}

// ---- word entry ----

struct WordKindRow {
    const char* kind;
    const char* hint;
};
constexpr WordKindRow WORD_KINDS[] = {
    {"abstract_noun", "an idea or feeling, not something you can touch (like love, freedom, chaos)"},
    {"adjective", "a describing word (like silly, huge, sparkly)"},
    {"adverb", "a word that describes how something is done (like quickly, loudly, badly)"},
    {"animal", "the name of an animal"},
    {"animals", "the name of an animal (plural is fine too)"},
    {"clothing_item", "a piece of clothing"},
    {"color", "a color"},
    {"creature", "a creature, real or made up"},
    {"emotion", "a feeling (like happy, scared, furious)"},
    {"food", "a food"},
    {"funny_name", "a made-up, silly-sounding name"},
    {"gerund", "an action word ending in -ing (like running, dancing, yelling)"},
    {"liquid", "a liquid"},
    {"material", "what something is made of (like wood, plastic, glass)"},
    {"musical_instrument", "a musical instrument"},
    {"noun", "a person, place, or thing"},
    {"number", "a number"},
    {"object", "a thing or object"},
    {"objects", "a thing or object (plural is fine too)"},
    {"occupation", "a job or profession"},
    {"place", "a place or location"},
    {"player_name", "someone's name"},
    {"plural_noun", "more than one person, place, or thing (like dogs, cities, shoes)"},
    {"short_phrase", "a short phrase or sentence"},
    {"silly_language", "a silly made-up word or sound"},
    {"substance", "a substance"},
    {"vehicle", "a type of vehicle"},
    {"verb", "an action word (like run, jump, sing)"},
    {"verb_ing", "an action word ending in -ing (like running, dancing, yelling)"},
};
static_assert(sizeof WORD_KINDS / sizeof WORD_KINDS[0] == 29, "every word kind the service asks for");

constexpr int32_t WORD_BOX_TOP = 7, WORD_BOX_LEFT = 8, WORD_BOX_BOTTOM = 14, WORD_BOX_RIGHT = 72;
constexpr int32_t WORD_KIND_ROW = 8;
constexpr int32_t WORD_HINT_ROW = 9;
constexpr int32_t WORD_HINT_LAST = 10;       // the kind's hint
constexpr int32_t PROMPT_HINT_LAST = 11;     // the hint sent with the prompt
constexpr int32_t WORD_HINT_WIDTH = 58;
constexpr int32_t WORD_MARK_COL = 18;        // ">" before the word field
constexpr int32_t ENTRY_PLAYERS_ROW = 17;
constexpr int32_t ENTRY_PLAYERS_COL = 8;
constexpr int32_t ENTRY_PLAYERS_END = 67;    // a name starts only left of this column
constexpr int32_t ENTRY_NAME_MAX = 10;
constexpr int32_t COUNTDOWN_CLEAR_ROW = 18;

void drawWordBox(Canvas* cv, int32_t fg) {
    screenBox(cv->term, WORD_BOX_TOP, WORD_BOX_LEFT, WORD_BOX_BOTTOM, WORD_BOX_RIGHT, fg, 1, nullptr);
}

void drawWordsLockedIn(Canvas* cv) {
    screenCentreText(cv->term, TITLE_ROW, COL_CYAN, 0, "That's Your Words In");
    drawWordBox(cv, COL_GREEN);
    screenCentreText(cv->term, 9, COL_GREEN, 1, "L O C K E D   I N !");
    screenCentreText(cv->term, 11, COL_WHITE, 0, "Waiting for everyone else to finish...");
}

void drawWordPrompt(Canvas* cv, const ClientState* cs) {
    char heading[80];
    int32_t total = cs->round.shownPromptTotal == 0 ? 1 : cs->round.shownPromptTotal;
    if (cs->round.totalBlanks > cs->round.shownPromptTotal)
        formatText(heading, "Your word %d of %d   (the tale has %d in all)", cs->round.shownPromptIndex + 1, total,
                   cs->round.totalBlanks);
    else
        formatText(heading, "Your word %d of %d", cs->round.shownPromptIndex + 1, total);
    screenCentreText(cv->term, TITLE_ROW, COL_CYAN, 0, heading);
    drawWordBox(cv, COL_YELLOW);

    WordKindTitle title;
    wordKindTitle(&title, cs->round.shownPromptType);
    screenCentreText(cv->term, WORD_KIND_ROW, COL_YELLOW, 1, title.text);

    char kind[WORD_KIND_MAX + 1];
    copyTextMax(kind, cs->round.shownPromptType, WORD_KIND_MAX);
    for (char* c = kind; *c; c++) *c = lowerOf(*c);
    const char* hint = wordKindHint(kind);
    int32_t row = WORD_HINT_ROW;
    if (hint && hint[0])
        row = drawWrappedCentred(cv, WORD_HINT_ROW, WORD_HINT_WIDTH, COL_CYAN, 0, hint, WORD_HINT_LAST);
    if (cs->round.shownPromptHint[0])
        drawWrappedCentred(cv, row, WORD_HINT_WIDTH, COL_WHITE, 0, cs->round.shownPromptHint, PROMPT_HINT_LAST);
    screenColourText(cv->term, WORD_FIELD_ROW, WORD_MARK_COL, COL_GREEN, 1, ">");
    screenClearLine(cv->term, SCREEN_ROWS);  // the word is typed in the box, not on the input line
}

// Who is still typing: each name with a tick once the words are in.
void drawEntryPlayers(Canvas* cv, const ClientState* cs) {
    int32_t col = ENTRY_PLAYERS_COL;
    int32_t n = playersHeld(cs);
    for (int32_t i = 0; i < n && col < ENTRY_PLAYERS_END; i++) {
        const PlayerRecord& p = cs->table.players[i];
        char name[ENTRY_NAME_MAX + 1];
        int32_t len = formatText(name, "%.10s", p.name);
        screenColourText(cv->term, ENTRY_PLAYERS_ROW, col, p.isMe ? COL_YELLOW : COL_WHITE, 0, name);
        if (p.ready) drawMark(cv, ENTRY_PLAYERS_ROW, col + len + 1, COL_GREEN, 1, MARK_TICK);
        else drawMark(cv, ENTRY_PLAYERS_ROW, col + len + 1, COL_CYAN, 1, MARK_SHADE);
        col += len + 4;
    }
}

// ---- scores ----

struct LaughTier {
    int32_t minLaughs;    // highest laughs of the round at least this
    const char* headline;
    int32_t colour;
};
constexpr LaughTier LAUGH_TIERS[] = {   // highest tier first
    {10, "EPIC LAUGHS!", COL_YELLOW},
    {6, "Huge Laughs!", COL_MAGENTA},
    {3, "Big Laughs!", COL_MAGENTA},
    {1, "Got a Giggle!", COL_CYAN},
    {INT32_MIN, "Where's the Funny Bone?!", COL_WHITE},
};

const LaughTier& laughTier(int32_t top) {
    for (const LaughTier& t : LAUGH_TIERS)
        if (top >= t.minLaughs) return t;
    return LAUGH_TIERS[sizeof LAUGH_TIERS / sizeof LAUGH_TIERS[0] - 1];
}

constexpr int32_t HEADLINE_ROW = 6;
constexpr int32_t VERDICT_ROW = 7;
constexpr int32_t TIE_ROW = 8;
constexpr int32_t SCORE_FIRST_ROW = 9;
constexpr int32_t SCORE_LAST_ROW = 17;
constexpr int32_t SCORE_ROWS = SCORE_LAST_ROW - SCORE_FIRST_ROW + 1;
constexpr int32_t SCORE_MARK_COL = 6;
constexpr int32_t SCORE_NAME_COL = 9;
constexpr int32_t SCORE_NAME_WIDTH = 20;     // longer names: 18 characters and ".."
constexpr int32_t SCORE_BAR_COL = 31;
constexpr int32_t SCORE_COUNT_COL = 69;
constexpr int32_t TIE_NAME_MAX = 24;
// Every top name of a full table with its separator, and " have tied!".
constexpr int32_t TIE_LINE_BYTES = MAX_PLAYERS * (TIE_NAME_MAX + 5) + 16;

struct ScoreSummary {
    int32_t top;     // highest laughs, 0 with no players
    int32_t atTop;   // players with that many
};

ScoreSummary summarise(const ClientState* cs) {
    ScoreSummary s = {0, 0};
    int32_t n = playersHeld(cs);
    for (int32_t i = 0; i < n; i++) {
        int32_t laughs = cs->table.players[i].laughs;
        if (i == 0 || laughs > s.top) { s.top = laughs; s.atTop = 1; }
        else if (laughs == s.top) s.atTop++;
    }
    return s;
}

// "A, B and C have tied!": the top players in list order.
void buildTieLine(const ClientState* cs, int32_t top, int32_t atTop, char (&line)[TIE_LINE_BYTES]) {
    line[0] = 0;
    int32_t n = playersHeld(cs), named = 0;
    for (int32_t i = 0; i < n; i++) {
        if (cs->table.players[i].laughs != top) continue;
        if (named > 0) appendText(line, named == atTop - 1 ? " and " : ", ");
        char name[TIE_NAME_MAX + 1];
        copyTextMax(name, cs->table.players[i].name, TIE_NAME_MAX);
        appendText(line, name);
        named++;
    }
    appendText(line, " have tied!");
}

void drawVerdict(Canvas* cv, const ClientState* cs, const ScoreSummary& s) {
    if (s.top == 0) {
        screenCentreText(cv->term, VERDICT_ROW, COL_WHITE, 1,
                         "Nobody cracked up this round - get 'em next time!");
        return;
    }
    if (s.atTop == 1) {
        int32_t n = playersHeld(cs);
        for (int32_t i = 0; i < n; i++) {
            if (cs->table.players[i].laughs != s.top) continue;
            char line[80];
            formatText(line, "%.30s got the biggest laughs!", cs->table.players[i].name);
            screenCentreText(cv->term, VERDICT_ROW, COL_WHITE, 1, line);
            return;
        }
    }
    char line[TIE_LINE_BYTES];
    buildTieLine(cs, s.top, s.atTop, line);
    screenCentreText(cv->term, VERDICT_ROW, COL_WHITE, 1, line);
}

// Players by laughs, most first; equal laughs keep list order.
int32_t scoreOrder(const ClientState* cs, int32_t (&order)[MAX_PLAYERS]) {
    int32_t n = playersHeld(cs);
    for (int32_t i = 0; i < n; i++) {
        int32_t j = i;
        while (j > 0 && cs->table.players[order[j - 1]].laughs < cs->table.players[i].laughs) {
            order[j] = order[j - 1];
            j--;
        }
        order[j] = i;
    }
    return n;
}

void drawScoreRow(Canvas* cv, int32_t row, const PlayerRecord& p, int32_t top) {
    int32_t colour = playerColour(p);
    if (top > 0 && p.laughs == top) drawMark(cv, row, SCORE_MARK_COL, COL_YELLOW, 1, MARK_TOP);
    char name[SCORE_NAME_WIDTH + 1];
    if ((int32_t)strlen(p.name) > SCORE_NAME_WIDTH)
        formatText(name, "%.*s..", SCORE_NAME_WIDTH - 2, p.name);
    else
        formatText(name, "%-*.*s", SCORE_NAME_WIDTH, SCORE_NAME_WIDTH, p.name);
    screenColourText(cv->term, row, SCORE_NAME_COL, colour, p.isMe ? 1 : 0, name);
    if (p.laughs > 0 && top > 0) {
        int32_t cells = (int32_t)((int64_t)p.laughs * SCORE_BAR_MAX / top);
        cells = minOf(maxOf(cells, 1), SCORE_BAR_MAX);
        char bar[SCORE_BAR_MAX + 1];
        memset(bar, BAR_CELL, (size_t)cells);
        bar[cells] = 0;
        screenColourText(cv->term, row, SCORE_BAR_COL, colour, 1, bar);
    }
    char count[16];
    formatText(count, "%3d", p.laughs);
    screenColourText(cv->term, row, SCORE_COUNT_COL, COL_WHITE, p.isMe ? 1 : 0, count);
}

}  // namespace

// ---- shared helpers ----

void drawTaleLine(Canvas* cv, const ClientState* cs) {
    screenClearLine(cv->term, TALE_ROW);
    char line[112];
    if (cs->round.roundTitle[0]) {
        if (cs->round.roundCategory[0]) formatText(line, "%.40s - %.44s", cs->round.roundCategory, cs->round.roundTitle);
        else formatText(line, "%.60s", cs->round.roundTitle);
        screenCentreText(cv->term, TALE_ROW, COL_CYAN, 0, line);
    } else if (cs->table.pickTurn) {
        screenCentreText(cv->term, TALE_ROW, COL_CYAN, 0, "Choosing a tale...");
    }
}

int32_t categoryKindColour(const char* kind) {
    if (!kind) return COL_WHITE;
    for (const KindColour& k : KIND_COLOURS)
        if (strcmp(kind, k.kind) == 0) return k.colour;
    return COL_WHITE;
}

const char* wordKindHint(const char* kind) {
    if (!kind) return nullptr;
    for (const WordKindRow& row : WORD_KINDS)
        if (strcmp(kind, row.kind) == 0) return row.hint;
    return nullptr;
}

void wordKindTitle(WordKindTitle* out, const char* kind) {
    if (!kind || !kind[0]) { copyText(out->text, "A Word"); return; }
    if (strcmp(kind, "player_name") == 0) { copyText(out->text, "Name"); return; }
    copyTextMax(out->text, kind, WORD_KIND_MAX);
    bool wordStart = true;
    for (char* c = out->text; *c; c++) {
        if (*c == '_') { *c = ' '; wordStart = true; continue; }
        bool lower = *c >= 'a' && *c <= 'z', upper = *c >= 'A' && *c <= 'Z';
        if (lower && wordStart) *c = upperOf(*c);
        else if (upper && !wordStart) *c = lowerOf(*c);
        wordStart = false;
    }
}

// ---- painters ----

void paintCategoryPick(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    int32_t mode = (cs->table.pickerMode >= 0 && cs->table.pickerMode < PICKER_HEADING_COUNT) ? cs->table.pickerMode : 0;
    const PickerHeading& h = PICKER_HEADINGS[mode];
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, h.title);
    if (h.subtitle) screenCentreText(cv->term, SUBTITLE_ROW, h.fg, h.bright, h.subtitle);

    int32_t n = minOf(minOf(maxOf(cs->picker.categoryCount, 0), MAX_CATEGORIES), PICK_CATEGORIES_SHOWN);
    if (n == 0) {
        screenCentreText(cv->term, WAIT_TEXT_ROW, COL_WHITE, 0, "One moment - getting the story list...");
        return;
    }
    for (int32_t i = 0; i < n; i++) {
        char entry[40];
        formatText(entry, "[%c] %-24.24s", 'A' + i, cs->picker.categoryNames[i]);
        int32_t col = i < CATEGORY_COLUMN_ROWS ? CATEGORY_LEFT_COL : CATEGORY_RIGHT_COL;
        int32_t row = CATEGORY_FIRST_ROW + i % CATEGORY_COLUMN_ROWS;
        screenColourText(cv->term, row, col, categoryColour(cs, cs->picker.categoryNames[i]), 1, entry);
    }
    drawCountdowns(cv, cs);
}

void paintTalePick(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, "P I C K   A   T A L E");
    int32_t sel = cs->picker.categorySel;
    bool chosen = sel >= 0 && sel < minOf(cs->picker.categoryCount, MAX_CATEGORIES);
    screenCentreText(cv->term, SUBTITLE_ROW, COL_CYAN, 0, chosen ? cs->picker.categoryNames[sel] : "");
    if (cs->picker.storyLoading) {
        screenCentreText(cv->term, WAIT_TEXT_ROW, COL_WHITE, 0, "One moment - getting the tales...");
        return;
    }
    int32_t shown = drawTaleList(cv, cs);
    screenClearLine(cv->term, TALE_RANGE_ROW);
    screenClearLine(cv->term, TALE_RANGE_ROW + 1);
    // An empty page has no range to tell ("Showing 6-5 of 9" would be nonsense).
    if (shown > 0 && cs->picker.storyTotal > shown) {
        char range[64];
        int32_t first = maxOf(cs->picker.storyFirstShown, 0);
        formatText(range, "Showing %d-%d of %d", first + 1, first + shown, cs->picker.storyTotal);
        screenColourText(cv->term, TALE_RANGE_ROW, TALE_COL, COL_CYAN, 0, range);
    }
    drawCountdowns(cv, cs);
}

void paintWordEntry(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    drawTaleLine(cv, cs);
    if (cs->round.wordsDone) drawWordsLockedIn(cv);
    else drawWordPrompt(cv, cs);
    if (cs->table.inRoom && cs->table.playerCount > 0) drawEntryPlayers(cv, cs);
    screenClearLine(cv->term, COUNTDOWN_CLEAR_ROW);
    drawCountdowns(cv, cs);
}

void paintScores(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    ScoreSummary s = summarise(cs);
    bool tie = s.atTop > 1 && s.top > 0;
    const LaughTier& tier = laughTier(s.top);

    const char* title = cs->table.rateTitle[0] ? cs->table.rateTitle : cs->round.roundTitle[0] ? cs->round.roundTitle : "T H E   S C O R E S";
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, title);
    screenCentreText(cv->term, HEADLINE_ROW, tier.colour, 1, tier.headline);
    drawVerdict(cv, cs, s);

    int32_t order[MAX_PLAYERS];
    int32_t n = scoreOrder(cs, order);
    int32_t row = n >= SCORE_ROWS ? SCORE_FIRST_ROW : SCORE_FIRST_ROW + (SCORE_ROWS - n) / 2;
    for (int32_t k = 0; k < n && row <= SCORE_LAST_ROW; k++, row++)
        drawScoreRow(cv, row, cs->table.players[order[k]], s.top);

    if (tie) screenCentreText(cv->term, TIE_ROW, COL_YELLOW, 1, "\260\260  I T ' S   A   T I E !  \260\260");
}

// Colour of a listed category: the kind of the same name in the kind list.
int32_t categoryColour(const ClientState* cs, const char* name) {
    int32_t n = minOf(maxOf(cs->picker.categoryCount2, 0), MAX_CATEGORIES);
    for (int32_t i = 0; i < n; i++)
        if (sameTextNoCase(cs->picker.categoryNames2[i], name)) return categoryKindColour(cs->picker.categoryKinds[i]);
    return COL_WHITE;
}
