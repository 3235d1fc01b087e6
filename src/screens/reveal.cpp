#include "screens/reveal.h"

#include <cstring>

#include "platform/text.h"
#include "screens/countdowns.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

// ---- the end banner ----

struct BannerPiece {
    int32_t col;
    int32_t fg;
    const char* text;
};
constexpr BannerPiece END_BANNER[] = {
    {19, COL_MAGENTA, "=-"}, {21, COL_CYAN, "=-"}, {23, COL_MAGENTA, "=-"},
    {25, COL_CYAN, "=-"},    {27, COL_MAGENTA, "=-"}, {29, COL_CYAN, "=-"},
    {31, COL_YELLOW, "  T H E   E N D  "},
    {48, COL_CYAN, "-="},    {50, COL_MAGENTA, "-="}, {52, COL_CYAN, "-="},
    {54, COL_MAGENTA, "-="}, {56, COL_CYAN, "-="},    {58, COL_MAGENTA, "-="},
};

constexpr int32_t END_BANNER_GAP = 3;       // rows below the story's last line
constexpr int32_t END_BANNER_EMPTY_ROW = 8; // where it stands when there is no story

// ---- the reveal ----

constexpr int32_t REVEAL_TITLE_ROW = 4;
constexpr int32_t REVEAL_BOX_TOP = 5, REVEAL_BOX_LEFT = 4, REVEAL_BOX_BOTTOM = 17, REVEAL_BOX_RIGHT = 76;
constexpr int32_t REVEAL_FIRST_ROW = 6;
constexpr int32_t REVEAL_TEXT_COL = 7;
constexpr int32_t REVEAL_SCROLL_COL = 75;
constexpr int32_t REVEAL_SCROLL_BOTTOM = 16;
constexpr int32_t REVEAL_LEAD_LINES = 4;    // lines kept above the current word when scrolled
constexpr int32_t REVEAL_CREDIT_ROW = 18;
constexpr int32_t REVEAL_CREDIT_COL = 6;
constexpr int32_t REVEAL_WORD_SHOWN = 24;   // characters of the word in the credit line
constexpr int32_t REVEAL_AUTHOR_SHOWN = 18;
constexpr int32_t WORD_RUN_MAX = 95;        // characters of one coloured run

// The player who wrote a word, or null: nobody at the table now, or no author.
const PlayerRecord* authorOf(const ClientState* cs, const RevealWord& w) {
    if (!w.authorId[0]) return nullptr;
    int32_t n = minOf(maxOf(cs->table.playerCount, 0), MAX_PLAYERS);
    for (int32_t i = 0; i < n; i++)
        if (strcmp(cs->table.players[i].id, w.authorId) == 0) return &cs->table.players[i];
    return nullptr;
}

int32_t authorColour(const PlayerRecord* p) {
    if (!p) return COL_YELLOW;
    return (p->colour >= COL_BLACK && p->colour <= COL_WHITE) ? p->colour : COL_WHITE;
}

int32_t revealWordsHeld(const ClientState* cs) {
    return minOf(maxOf(cs->reveal.revealWordCount, 0), MAX_REVEAL_WORDS);
}

// The current word's index, or -1 when no word is current.
int32_t currentWord(const ClientState* cs) {
    int32_t c = cs->reveal.revealCursor;
    return (c >= 0 && c < revealWordsHeld(cs)) ? c : -1;
}

// The first display line shown: a window that follows the current word.
int32_t revealFirstLine(const ClientState* cs, const StoryLines* story) {
    int32_t lines = story->count;
    int32_t cur = currentWord(cs);
    if (cur < 0 || lines <= 0) return 0;
    if (cur == revealWordsHeld(cs) - 1) return maxOf(lines - REVEAL_LINES_SHOWN, 0);
    int32_t offset = cs->reveal.revealWords[cur].storyOffset;
    int32_t k = -1;
    for (int32_t i = 0; i < lines && story->start[i] <= offset; i++) k = i;
    if (k < REVEAL_LINES_SHOWN) return 0;
    return maxOf(minOf(k - REVEAL_LEAD_LINES, lines - REVEAL_LINES_SHOWN), 0);
}

// Redraws the part of one word that lies on display line `line`, drawn on `row`.
void colourWordOnLine(Canvas* cv, const ClientState* cs, const StoryLines* story, int32_t index, int32_t line,
                      int32_t row) {
    const RevealWord& w = cs->reveal.revealWords[index];
    // A word without a place in the text is left uncoloured rather than
    // painted over whatever the line starts with.
    if (w.storyOffset < 0) return;
    const char* text = story->text[line];
    int32_t lineLen = (int32_t)strlen(text);
    int32_t p = w.storyOffset - story->start[line];
    int32_t n = (int32_t)strnlen(w.value, sizeof w.value);
    if (p < 0) { n += p; p = 0; }   // the word began on an earlier line
    if (p >= lineLen || n < 1) return;
    char run[WORD_RUN_MAX + 1];
    copyTextMax(run, text + p, (size_t)minOf(minOf(n, lineLen - p), WORD_RUN_MAX));
    const PlayerRecord* author = authorOf(cs, w);
    int32_t col = REVEAL_TEXT_COL + p;
    if (index == cs->reveal.revealCursor) {
        screenUnderlineText(cv->term, row, col, authorColour(author), run, (int32_t)strlen(run));
        if (cv->cache->revealCursorRow == 0) {
            cv->cache->revealCursorRow = row;
            cv->cache->revealCursorCol = col;
        }
        return;
    }
    screenColourText(cv->term, row, col, authorColour(author), 1, run);
}

// Lines first.. on the reveal rows with every word coloured; returns lines drawn.
int32_t drawRevealLines(Canvas* cv, const ClientState* cs, const StoryLines* story, int32_t first) {
    int32_t lines = story->count;
    int32_t drawn = minOf(REVEAL_LINES_SHOWN, maxOf(lines - first, 0));
    int32_t words = revealWordsHeld(cs);
    for (int32_t k = 0; k < drawn; k++) {
        int32_t row = REVEAL_FIRST_ROW + k;
        screenColourText(cv->term, row, REVEAL_TEXT_COL, COL_WHITE, 1, story->text[first + k]);
        for (int32_t j = 0; j < words; j++) colourWordOnLine(cv, cs, story, j, first + k, row);
    }
    return drawn;
}

// Row 18: the current word, who wrote it and the caller's part in it.
void drawWordCredit(Canvas* cv, const ClientState* cs) {
    screenClearLine(cv->term, REVEAL_CREDIT_ROW);
    int32_t cur = currentWord(cs);
    if (cur < 0) {
        screenColourText(cv->term, REVEAL_CREDIT_ROW, REVEAL_CREDIT_COL, COL_WHITE, 0,
                         "Read it through, then press ENTER when you're done.");
        return;
    }
    const RevealWord& w = cs->reveal.revealWords[cur];
    const PlayerRecord* author = authorOf(cs, w);
    char word[REVEAL_WORD_SHOWN + 1];
    int32_t wordLen = formatText(word, "%.24s", w.value);
    screenColourText(cv->term, REVEAL_CREDIT_ROW, REVEAL_CREDIT_COL, COL_WHITE, 0, "\"");
    screenColourText(cv->term, REVEAL_CREDIT_ROW, REVEAL_CREDIT_COL + 1, authorColour(author), 1, word);
    screenColourText(cv->term, REVEAL_CREDIT_ROW, REVEAL_CREDIT_COL + 1 + wordLen, COL_WHITE, 0, "\" by ");
    char name[REVEAL_AUTHOR_SHOWN + 1];
    int32_t nameLen = author ? formatText(name, "%.18s", author->name) : formatText(name, "someone");
    int32_t nameCol = REVEAL_CREDIT_COL + 6 + wordLen;
    screenColourText(cv->term, REVEAL_CREDIT_ROW, nameCol, author ? authorColour(author) : COL_WHITE, 1,
                     name);
    int32_t noteCol = nameCol + nameLen + 2;
    if (w.mine) screenColourText(cv->term, REVEAL_CREDIT_ROW, noteCol, COL_CYAN, 0, "(yours)");
    else if (w.laughed)
        screenColourText(cv->term, REVEAL_CREDIT_ROW, noteCol, COL_YELLOW, 1, "\373 you laughed");
}

// ---- the solo tale ----

constexpr int32_t SOLO_CLEAR_FIRST = 4, SOLO_CLEAR_LAST = 22;
constexpr int32_t SOLO_BOX_TOP = 5, SOLO_BOX_LEFT = 5, SOLO_BOX_BOTTOM = 22, SOLO_BOX_RIGHT = 75;
constexpr int32_t SOLO_FIRST_ROW = 6;
constexpr int32_t SOLO_TEXT_COL = 8;
constexpr int32_t SOLO_SCROLL_COL = 74;
constexpr int32_t SOLO_SCROLL_BOTTOM = 21;

// The first of `lines` shown for a scroll: the last page at most.
int32_t soloFirstLine(int32_t scroll, int32_t lines) {
    return maxOf(minOf(scroll, lines - SOLO_LINES_SHOWN), 0);
}

}  // namespace

int32_t wrapStoryText(const char* text, StoryLines* story) {
    StoryLines& out = *story;
    out.count = 0;
    if (!text) return 0;
    int32_t pos = 0;
    while (out.count < STORY_LINES_MAX) {
        while (text[pos] == ' ') pos++;
        if (!text[pos]) break;
        int32_t line = out.count++;
        out.start[line] = pos;
        if (text[pos] == '\n') {   // one line feed: one empty line
            out.text[line][0] = 0;
            pos++;
            continue;
        }
        const char* feed = strchr(text + pos, '\n');
        int32_t rest = feed ? (int32_t)(feed - (text + pos)) : (int32_t)strlen(text + pos);
        int32_t take = rest;
        if (rest > STORY_LINE_WIDTH) {
            take = STORY_LINE_WIDTH;
            for (int32_t i = STORY_LINE_WIDTH - 1; i > 0; i--)
                if (text[pos + i] == ' ') { take = i; break; }
        }
        copyTextMax(out.text[line], text + pos, (size_t)take);
        pos += take;   // a line feed after a paragraph's last line stays: it gives the empty line
    }
    return out.count;
}

void drawTheEnd(Canvas* cv, int32_t row) {
    for (const BannerPiece& piece : END_BANNER)
        screenColourText(cv->term, row, piece.col, piece.fg, 1, piece.text);
}

void paintReveal(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, REVEAL_TITLE_ROW, COL_YELLOW, 1,
                     cs->round.roundTitle[0] ? cs->round.roundTitle : "T H E   B I G   R E V E A L");
    screenBox(cv->term, REVEAL_BOX_TOP, REVEAL_BOX_LEFT, REVEAL_BOX_BOTTOM, REVEAL_BOX_RIGHT,
              COL_CYAN, 1, nullptr);
    StoryLines story;  // 18 KiB, for this paint only
    int32_t lines = wrapStoryText(cs->reveal.revealStory, &story);
    cv->cache->revealCursorRow = 0;
    cv->cache->revealCursorCol = 0;
    int32_t first = revealFirstLine(cs, &story);
    int32_t drawn = drawRevealLines(cv, cs, &story, first);
    if (lines == 0) drawTheEnd(cv, END_BANNER_EMPTY_ROW);
    else if (first + drawn == lines) drawTheEnd(cv, REVEAL_FIRST_ROW + drawn - 1 + END_BANNER_GAP);
    screenScrollbar(cv->term, REVEAL_SCROLL_COL, REVEAL_FIRST_ROW, REVEAL_SCROLL_BOTTOM, first,
                    REVEAL_LINES_SHOWN, lines);
    drawWordCredit(cv, cs);
    drawCountdowns(cv, cs);
}

int32_t soloScrollShown(const ClientState* cs) {
    StoryLines story;
    return soloFirstLine(cs->reveal.soloScroll, wrapStoryText(cs->reveal.soloStory, &story));
}

void paintSoloTale(Canvas* cv, const ClientState* cs) {
    for (int32_t row = SOLO_CLEAR_FIRST; row <= SOLO_CLEAR_LAST; row++) screenClearLine(cv->term, row);
    screenCentreText(cv->term, REVEAL_TITLE_ROW, COL_YELLOW, 1,
                     cs->round.roundTitle[0] ? cs->round.roundTitle : "Y O U R   T A L E");
    screenBox(cv->term, SOLO_BOX_TOP, SOLO_BOX_LEFT, SOLO_BOX_BOTTOM, SOLO_BOX_RIGHT, COL_CYAN, 1, nullptr);
    StoryLines story;  // 18 KiB, for this paint only
    int32_t lines = wrapStoryText(cs->reveal.soloStory, &story);
    int32_t first = soloFirstLine(cs->reveal.soloScroll, lines);
    int32_t drawn = minOf(SOLO_LINES_SHOWN, lines - first);
    for (int32_t k = 0; k < drawn; k++)
        screenColourText(cv->term, SOLO_FIRST_ROW + k, SOLO_TEXT_COL, COL_WHITE, 1,
                         story.text[first + k]);
    if (lines == 0) drawTheEnd(cv, END_BANNER_EMPTY_ROW);
    else if (first + drawn == lines) drawTheEnd(cv, SOLO_FIRST_ROW + drawn - 1 + END_BANNER_GAP);
    screenScrollbar(cv->term, SOLO_SCROLL_COL, SOLO_FIRST_ROW, SOLO_SCROLL_BOTTOM, first,
                    SOLO_LINES_SHOWN, lines);
}
