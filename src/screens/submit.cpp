#include "screens/submit.h"

#include <strings.h>

#include "host/settings.h"
#include "platform/text.h"
#include "screens/editors.h"
#include "screens/round.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr int32_t TITLE_ROW = 4;
constexpr int32_t STORY_TITLE_MAX = 60;
constexpr int32_t WRITE_TOP = 7;              // writing screen: the last 12 lines, rows 7-18
constexpr int32_t WRITE_ROWS = 12;
constexpr int32_t REVIEW_TOP = 6;             // rows 6-14
constexpr int32_t EDIT_TOP = 6;               // rows 6-12
constexpr int32_t RULE_ROW = 15;
constexpr int32_t GAP_HEAD_ROW = 16;
constexpr int32_t GAP_LINE_ROW = 17;
constexpr int32_t GAP_MORE_ROW = 18;
constexpr int32_t GAP_NAME_SHOWN = 14;        // characters of a gap's name in the summary
constexpr int32_t CATEGORIES_SHOWN = 20;      // two columns of ten
constexpr int32_t CATEGORY_ROWS = 10;
constexpr int32_t CATEGORY_TOP = 7;
constexpr int32_t CATEGORY_COLS[] = {10, 45};
static_assert(WRITE_TOP + WRITE_ROWS - 1 == SCREEN_BODY_BOTTOM, "writing lines fill the body");
static_assert(REVIEW_TOP + STORY_REVIEW_WINDOW <= RULE_ROW && EDIT_TOP + STORY_EDIT_WINDOW <= 13,
              "the windows end above the rule and the change hints");
static_assert(CATEGORIES_SHOWN == CATEGORY_ROWS * 2, "two full columns");

int32_t storyCount(const ClientState* cs) { return editorCount(cs->editors.storyLineCount, MAX_STORY_LINES); }

void title(Canvas* cv, const char* text) { screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, text); }

void storyTitleRow(Canvas* cv, const ClientState* cs, const char* emptyText) {
    const char* shown = cs->editors.storyTitle[0] ? cs->editors.storyTitle : emptyText;
    drawCentredf(cv, TITLE_ROW, COL_YELLOW, 1, "%.*s", (int)STORY_TITLE_MAX, shown);
}

// The gaps in order, "1.noun  2.animal ...", as many of the first eight as
// keep the line under 70 characters. Returns how many are named.
int32_t gapSummaryLine(const ClientState* cs, int32_t gaps, char (&line)[SCREEN_COLS + 1]) {
    line[0] = 0;
    int32_t len = 0, shown = 0;
    for (; shown < gaps && shown < GAP_SUMMARY_SHOWN; shown++) {
        const GapRecord& g = cs->editors.storyGaps[shown];
        char piece[SCREEN_COLS + 1];
        int32_t n = formatText(piece, "%s%d.%.*s", shown ? "  " : "", (int)g.ordinal,
                               (int)GAP_NAME_SHOWN, g.name);
        if (len + n >= GAP_SUMMARY_WIDTH) break;
        appendText(line, piece);
        len += n;
    }
    return shown;
}

// Rows 16-18 under the rule: how many gaps, which, and on the read-back
// screen how many the line had no room for.
void drawGapSummary(Canvas* cv, const ClientState* cs, bool withMore) {
    int32_t gaps = clampTo(cs->editors.storyGapCount, 0, MAX_STORY_GAPS);
    if (gaps == 0) {
        screenColourText(cv->term, GAP_HEAD_ROW, 4, COL_RED, 1,
                         "No gaps found. A story needs at least one, like {noun} or {animal}.");
        return;
    }
    char text[SCREEN_COLS + 1];
    formatText(text, "%d gap%s found:", (int)gaps, gaps == 1 ? "" : "s");
    screenColourText(cv->term, GAP_HEAD_ROW, 4, COL_CYAN, 1, text);
    char line[SCREEN_COLS + 1];
    int32_t shown = gapSummaryLine(cs, gaps, line);
    screenColourText(cv->term, GAP_LINE_ROW, 6, COL_GREEN, 1, line);
    // Counted from what the line really names, so long names that crowd
    // gaps out of the line are still accounted for.
    if (withMore && gaps > shown) {
        formatText(text, "...and %d more", (int)(gaps - shown));
        screenColourText(cv->term, GAP_MORE_ROW, 6, COL_BLUE, 1, text);
    }
}

constexpr EditorText INTRO_TEXT[] = {
    {4, 0, COL_YELLOW, 1, "S U B M I T   A   S T O R Y"},
    {6, 0, COL_WHITE, 0, "Write a short story and leave gaps for other players to fill in."},
    {7, 0, COL_WHITE, 0, "Mark each gap in your text with a word in curly brackets."},
    {9, 8, COL_CYAN, 1, "Gaps you can use:"},
    {10, 10, COL_WHITE, 0, "{noun}  {verb}  {adjective}  {adverb}  {name}  {place}  {animal}"},
    {11, 10, COL_WHITE, 0, "{food}  {color}  {number}  {body_part}  {exclamation}  {job}"},
    {12, 10, COL_BLUE, 1, "Any word works. {something_ridiculous} is a perfectly good gap."},
    {14, 8, COL_CYAN, 1, "Add a hint after a colon if it helps:"},
    {15, 10, COL_GREEN, 1, "The {adjective} {animal} fell into the {place: somewhere silly}."},
    {17, 8, COL_WHITE, 0, "Aim for 10 to 16 gaps. That is the range the game picks from most."},
    {18, 0, COL_YELLOW, 1, "Nothing is sent until you have read it back and agreed to the terms."},
};

constexpr EditorText TITLE_TEXT[] = {
    {4, 0, COL_YELLOW, 1, "W H A T   I S   I T   C A L L E D ?"},
    {7, 0, COL_WHITE, 0, "Give your story a title."},
    {10, 0, COL_BLUE, 1, "Your title must be under 60 characters."},
    {11, 0, COL_BLUE, 1, "Something short and funny often works best."},
};

constexpr EditorText RATING_TEXT[] = {
    {4, 0, COL_YELLOW, 1, "H O W   S H O U L D   W E   R A T E   I T ?"},
    {7, 22, COL_YELLOW, 1, "[1]"},
    {7, 26, COL_WHITE, 1, "G        - anybody at all"},
    {9, 22, COL_YELLOW, 1, "[2]"},
    {9, 26, COL_WHITE, 1, "PG       - mild, a bit cheeky"},
    {11, 22, COL_YELLOW, 1, "[3]"},
    {11, 26, COL_WHITE, 1, "PG-17    - stronger language or innuendo"},
    {13, 22, COL_YELLOW, 1, "[4]"},
    {13, 26, COL_WHITE, 1, "R        - adults only"},
    {16, 0, COL_BLUE, 1, "Rate it honestly. We will confirm or adjust it when we read it."},
};

constexpr EditorText EMAIL_TEXT[] = {
    {4, 0, COL_YELLOW, 1, "H O W   D O   W E   R E A C H   Y O U ?"},
    {7, 0, COL_WHITE, 0, "An email address, only if you would like us to be able to"},
    {8, 0, COL_WHITE, 0, "write back about this story. Nothing else, ever."},
    {11, 0, COL_BLUE, 1, "Please enter your email address below,"},
    {12, 0, COL_BLUE, 1, "so we may contact you if necessary."},
    {15, 0, COL_BLUE, 1, "Leave it blank and press ENTER to skip."},
};

constexpr EditorText TERMS_TEXT[] = {
    {4, 0, COL_YELLOW, 1, "S T O R Y   S U B M I S S I O N   T E R M S"},
    {6, 0, COL_WHITE, 0, "By submitting, you confirm this story is yours to submit and agree to"},
    {7, 0, COL_WHITE, 0, "transfer your rights in it to Kestrelmoor LLC under the Wordwhirl"},
    {8, 0, COL_WHITE, 0, "Terms of Service. Submissions are voluntary and unpaid. Credit is"},
    {9, 0, COL_WHITE, 0, "not guaranteed."},
    {15, 0, COL_YELLOW, 1, "Type  I AGREE  to submit, or  C  to cancel:"},
    {18, 0, COL_BLUE, 1, "Nothing is sent unless you type I AGREE."},
};

constexpr EditorText SENT_TEXT[] = {
    {4, 0, COL_YELLOW, 1, "S E N T   -   T H A N K   Y O U !"},
    {7, 0, COL_GREEN, 1, "Thank you, your story has been sent to the team."},
    {9, 0, COL_WHITE, 0, "We read every one. If you left an email we may write back,"},
    {10, 0, COL_WHITE, 0, "and either way the decision lands in your Mailbox."},
};

}  // namespace

int32_t storyEditWindowStart(const ClientState* cs) {
    int32_t first = cs->editors.storyScroll;
    int32_t marked = cs->editors.storyEditLine;
    if (marked > 0) {
        if (first > marked - 1) first = marked - 1;
        if (marked > first + STORY_EDIT_WINDOW) first = marked - STORY_EDIT_WINDOW;
    }
    return first < 0 ? 0 : first;
}

void paintSubmitIntro(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    drawEditorText(cv, INTRO_TEXT);
}

void paintStoryTitle(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    screenBox(cv->term, 9, 12, 12, 67, COL_CYAN, 0, nullptr);
    drawEditorText(cv, TITLE_TEXT);
}

void paintStoryWrite(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    storyTitleRow(cv, cs, "");
    screenColourText(cv->term, 5, 4, COL_BLUE, 1,
                     "Type your story a line at a time. Press ENTER on an empty line when done.");
    int32_t count = storyCount(cs);
    if (count == 0) {
        screenColourText(cv->term, WRITE_TOP, 6, COL_BLUE, 1,
                         "Once upon a time, a {adjective} {animal} walked into a {place}...");
        return;
    }
    drawEditorLines(cv, cs->editors.storyLines, count, editorTailStart(count, WRITE_ROWS), WRITE_ROWS,
                    WRITE_TOP, EDITOR_LINE_WIDTH, 0);
}

void paintStoryReview(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    storyTitleRow(cv, cs, "");
    int32_t count = storyCount(cs);
    int32_t first = clampTo(cs->editors.storyScroll, 0, count);
    drawEditorLines(cv, cs->editors.storyLines, count, first, STORY_REVIEW_WINDOW, REVIEW_TOP,
                    EDITOR_LINE_WIDTH, 0);
    screenScrollbar(cv->term, STORY_SCROLL_COL, REVIEW_TOP, REVIEW_TOP + STORY_REVIEW_WINDOW - 1, first,
                    STORY_REVIEW_WINDOW, count);
    screenHLine(cv->term, RULE_ROW, COL_BLUE, 0);
    drawGapSummary(cv, cs, true);
}

void paintStoryEdit(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    storyTitleRow(cv, cs, "Your story");
    int32_t count = storyCount(cs);
    int32_t first = storyEditWindowStart(cs);
    drawEditorLines(cv, cs->editors.storyLines, count, first, STORY_EDIT_WINDOW, EDIT_TOP, EDITOR_LINE_WIDTH,
                    cs->editors.storyEditLine);
    screenScrollbar(cv->term, STORY_SCROLL_COL, EDIT_TOP, EDIT_TOP + STORY_EDIT_WINDOW - 1, first,
                    STORY_EDIT_WINDOW, count);
    if (cs->editors.storyEditLine > 0) drawMarkedHint(cv, 13, cs->editors.storyEditLine);
    else screenCentreText(cv->term, 14, COL_BLUE, 1, "Type 0 to add a new line at the end.");
    screenHLine(cv->term, RULE_ROW, COL_BLUE, 0);
    drawGapSummary(cv, cs, false);
}

void paintStoryCategory(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "W H E R E   D O E S   I T   B E L O N G ?");
    int32_t count = clampTo(cs->picker.categoryCount, 0, MAX_CATEGORIES);
    if (count == 0) screenCentreText(cv->term, 8, COL_WHITE, 0, "One moment - getting the list...");
    for (int32_t i = 0; i < count && i < CATEGORIES_SHOWN; i++) {
        char entry[SCREEN_COLS + 1];
        formatText(entry, "[%c] %.28s", (char)('A' + i), cs->picker.categoryNames[i]);
        screenColourText(cv->term, CATEGORY_TOP + i % CATEGORY_ROWS, CATEGORY_COLS[i / CATEGORY_ROWS],
                         categoryColour(cs, cs->picker.categoryNames[i]), 1, entry);
    }
    screenCentreText(cv->term, 18, COL_GREEN, 1, "[*] Suggest a category of your own");
}

void paintStoryRating(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    drawEditorText(cv, RATING_TEXT);
}

void paintStoryEmail(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    screenBox(cv->term, 10, 12, 13, 67, COL_CYAN, 0, nullptr);
    drawEditorText(cv, EMAIL_TEXT);
}

void paintStoryTerms(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    screenBox(cv->term, 13, 12, 17, 67, COL_YELLOW, 1, nullptr);
    drawEditorText(cv, TERMS_TEXT);
    drawCentredf(cv, 11, COL_CYAN, 1, "Terms: %s", TERMS_ADDRESS);
}

void paintStorySent(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    drawEditorText(cv, SENT_TEXT);
}
