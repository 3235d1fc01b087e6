#include "session/editors.h"

#include <cstring>

#include "session/chat_commands.h"
#include "session/requests.h"
#include "session/screen_parts.h"
#include "platform/text.h"
#include "screens/report.h"
#include "state/client_state.h"
#include "state/state.h"
#include "state/story_gaps.h"

// ---------------------------------------------------------------------------
// Reading a line.

constexpr int32_t STORY_TITLE_MAX = 60;          // storyTitle holds 60
constexpr int32_t REQUESTED_CATEGORY_MAX = 47;   // storyRequestedCategory holds 47
constexpr int32_t STORY_CATEGORY_MAX = 47;       // storyCategory holds 47
constexpr int32_t STORY_EMAIL_MAX = 95;          // storyEmail holds 95
constexpr int32_t TERMS_COMPARED = 30;           // only this much of the answer is looked at
constexpr int32_t NUMBER_CEILING = 1000000;      // far past any list; keeps the sum in range
static_assert(sizeof(EditorsState::storyTitle) > STORY_TITLE_MAX, "title fits");
static_assert(sizeof(EditorsState::storyRequestedCategory) > REQUESTED_CATEGORY_MAX, "suggestion fits");
static_assert(sizeof(EditorsState::storyCategory) > STORY_CATEGORY_MAX, "category fits");
static_assert(sizeof(EditorsState::storyEmail) > STORY_EMAIL_MAX, "address fits");
static_assert(STORY_CATEGORY_LETTERS <= MAX_CATEGORIES && STORY_CATEGORY_LETTERS <= 26, "letters A to T");

// The one-byte marker in storyRequestedCategory: the caller asked to suggest
// a category and the next line is that suggestion.
static constexpr char REQUESTED_MARKER[] = {1, 0};

// A decimal prefix, as atoi reads it; text that is no number reads as 0.
// Held below NUMBER_CEILING so a long run of digits cannot overflow.
static int32_t readNumber(const char* line) {
    while (*line == ' ') line++;
    int32_t sign = 1;
    if (*line == '-' || *line == '+') sign = *line++ == '-' ? -1 : 1;
    int32_t value = 0;
    for (; *line >= '0' && *line <= '9'; line++)
        if (value < NUMBER_CEILING) value = value * 10 + (*line - '0');
    return sign * value;
}

// The upper-case letter of a one-character line, else 0.
static char singleChoice(const char* line) {
    if (!line[0] || line[1]) return 0;
    char c = line[0];
    return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

// ---------------------------------------------------------------------------
// Editor lines shared by the story, the notes and the report.

// One editable text: its lines, how many are held and which one is marked.
struct LineSet {
    char (*lines)[EDIT_LINE_BYTES];
    int32_t* count;
    int32_t* marked;  // null: this text has no change screen
    int32_t max;      // lines it can hold
    const char* full; // what the caller is told when no line is left
};

static LineSet storyText(ClientState* s) {
    return {s->editors.storyLines, &s->editors.storyLineCount, &s->editors.storyEditLine, MAX_STORY_LINES,
            "That's as long as a story can be here."};
}
static LineSet feedbackText(ClientState* s) {
    return {s->editors.feedbackLines, &s->editors.feedbackLineCount, &s->editors.feedbackEditLine, MAX_FEEDBACK_LINES,
            "That's as much as one note can hold - press ENTER to send it."};
}
static LineSet replyText(ClientState* s) {
    return {s->editors.replyLines, &s->editors.replyLineCount, &s->editors.replyEditLine, MAX_REPLY_LINES,
            "That is as long as a reply can be. Press ENTER on an empty line."};
}
static LineSet reportText(ClientState* s) {
    return {s->editors.reportLines, &s->editors.reportLineCount, nullptr, MAX_REPORT_LINES,
            "That's as much as one report can hold - press ENTER on an empty line to send it."};
}

// A count read back from the state is trusted only within the array.
static int32_t heldLines(const LineSet& text) {
    int32_t count = *text.count;
    return count < 0 ? 0 : count > text.max ? text.max : count;
}

// ---------------------------------------------------------------------------
// A typed line longer than an editor line is wrapped onto as many lines as it
// needs, never cut inside a story gap ("{noun}" would stop counting as one).

constexpr int32_t EDIT_LINE_CHARS = EDIT_LINE_BYTES - 1;
// A text never takes more pieces than the longest editor has lines; past
// that the line is refused, so counting stops there.
constexpr int32_t PIECES_MAX = MAX_STORY_LINES;
static_assert(MAX_FEEDBACK_LINES <= PIECES_MAX && MAX_REPLY_LINES <= PIECES_MAX && MAX_REPORT_LINES <= PIECES_MAX,
              "every editor's lines can be counted");

struct Pieces {
    int32_t start[PIECES_MAX + 1];
    int32_t len[PIECES_MAX + 1];
    int32_t count;     // PIECES_MAX + 1 means more than any editor holds
    bool gapTooLong;   // a gap longer than a line: it cannot be kept whole
};

// Marks each character of a gap with its gap's number (from 1), as the gap
// scan finds them: "{" opens (again), "}" closes an open one.
static void markGaps(const char* line, int32_t len, uint8_t* gapOf) {
    int32_t open = -1;
    uint8_t id = 0;
    for (int32_t i = 0; i < len; i++) {
        gapOf[i] = 0;
        if (line[i] == '{') open = i;
        if (line[i] != '}' || open < 0) continue;
        id = (uint8_t)(id % 255 + 1);
        for (int32_t k = open; k <= i; k++) gapOf[k] = id;
        open = -1;
    }
}

// Length of the piece at start: up to the last blank in reach outside a
// gap, else cut hard where no gap is split; 0 when a gap starting here is
// longer than a line.
static int32_t pieceLength(const char* line, int32_t start, int32_t len, const uint8_t* gapOf) {
    if (len - start <= EDIT_LINE_CHARS) return len - start;
    for (int32_t j = start + EDIT_LINE_CHARS; j > start; j--)
        if (line[j] == ' ' && !gapOf[j]) return j - start;
    for (int32_t c = start + EDIT_LINE_CHARS; c > start; c--)
        if (!gapOf[c] || gapOf[c] != gapOf[c - 1]) return c - start;
    return 0;
}

static Pieces splitLine(const char* line) {
    Pieces p{};
    int32_t len = (int32_t)strnlen(line, INPUT_LINE_BYTES);
    uint8_t gapOf[INPUT_LINE_BYTES];
    markGaps(line, len, gapOf);
    int32_t at = 0;
    do {
        int32_t n = pieceLength(line, at, len, gapOf);
        if (n == 0 && at < len) {
            p.gapTooLong = true;
            return p;
        }
        p.start[p.count] = at;
        p.len[p.count] = n;
        p.count++;
        at += n;
        while (at < len && line[at] == ' ') at++;  // blanks at a wrap are dropped
    } while (at < len && p.count <= PIECES_MAX);
    return p;
}

// The typed line, wrapped, in place of `replaced` lines (0 or 1) at index
// `at`; the lines after it move down. Nothing changes when it does not fit:
// the caller is told why and false comes back.
static bool placeLine(ClientState* state, const LineSet& text, int32_t at, int32_t replaced, const char* line) {
    Pieces p = splitLine(line);
    if (p.gapTooLong) {
        setNotice(state, "A {gap} can be at most 72 characters - make it shorter.");
        return false;
    }
    int32_t count = heldLines(text);
    int32_t room = text.max - count + replaced;
    if (p.count > room) {
        char notice[96];
        if (room <= 0) copyText(notice, text.full);
        else formatText(notice, "That needs %d lines and only %d %s left - make it shorter.", (int)p.count,
                        (int)room, room == 1 ? "is" : "are");
        setNotice(state, notice);
        return false;
    }
    int32_t after = count - at - replaced;
    if (after > 0) memmove(text.lines[at + p.count], text.lines[at + replaced], (size_t)after * EDIT_LINE_BYTES);
    for (int32_t i = 0; i < p.count; i++) copyTextMax(text.lines[at + i], line + p.start[i], (size_t)p.len[i]);
    *text.count = count - replaced + p.count;
    state->view.contentDirty = 1;
    return true;
}

// The line at the end; false (and the caller told) when it does not fit.
static bool appendLine(ClientState* state, const LineSet& text, const char* line) {
    return placeLine(state, text, heldLines(text), 0, line);
}

// The marked line takes the typed one; the mark is cleared. False when no
// line is marked; a mark past the lines held is dropped and the typed line
// is read as a line number instead of being reported as a change. A line
// that does not fit keeps its mark, with the caller told why.
static bool replaceMarked(ClientState* state, const LineSet& text, const char* line) {
    int32_t mark = *text.marked;
    if (mark <= 0) return false;
    if (mark > heldLines(text)) {
        *text.marked = 0;
        return false;
    }
    if (!placeLine(state, text, mark - 1, 1, line)) return true;
    *text.marked = 0;
    setNotice(state, "Changed.");
    return true;
}

static void markLine(ClientState* state, const LineSet& text, int32_t n) {
    *text.marked = n;
    state->view.contentDirty = 1;
}

static void emptyText(const LineSet& text) {
    *text.count = 0;
    if (text.marked) *text.marked = 0;
}

static constexpr const char* NO_SUCH_LINE = "There is no line with that number.";

// ---------------------------------------------------------------------------
// The story submission editor.

void storyIntroLine(ClientState* state, const char* line) {
    if (singleChoice(line) == 'M') {
        returnToMenu(state);
        return;
    }
    setNotice(state, "Press ENTER on an empty line to start, or M then ENTER for the menu.");
}

void storyTitleLine(ClientState* state, const char* line) {
    copyTextMax(state->editors.storyTitle, line, STORY_TITLE_MAX);
    goToScreen(state, SCR_STORY_WRITE);
}

void storyWriteLine(ClientState* state, const char* line) {
    appendLine(state, storyText(state), line);
}

void storyReviewLine(ClientState* state, const char* line) {
    switch (singleChoice(line)) {
    case 'S':
        if (state->editors.storyGapCount <= 0) {
            setNotice(state, "Your story needs at least one gap, like {noun}.");
            return;
        }
        enterScreen(state, SCR_STORY_CATEGORY);  // asks for the categories when none are held
        return;
    case 'C':
        enterScreen(state, SCR_STORY_EDIT);  // no line marked
        return;
    case 'M':
        returnToMenu(state);
        return;
    default:
        setNotice(state, "Type S, C or M and press ENTER.");
        return;
    }
}

// With a line marked the typed line replaces it; otherwise it names a line:
// 1 to the count marks it, 0 (or no number) adds an empty line and marks it.
void storyChangeLine(ClientState* state, const char* line) {
    LineSet text = storyText(state);
    if (replaceMarked(state, text, line)) {
        scanStoryGaps(state);
        return;
    }
    int32_t n = readNumber(line);
    int32_t count = heldLines(text);
    if (n >= 1 && n <= count) {
        markLine(state, text, n);
        return;
    }
    if (n != 0 || count >= text.max) {
        setNotice(state, NO_SUCH_LINE);
        return;
    }
    appendLine(state, text, "");
    markLine(state, text, count + 1);
}

void storyCategoryLine(ClientState* state, const char* line) {
    if (strcmp(state->editors.storyRequestedCategory, REQUESTED_MARKER) == 0) {
        copyTextMax(state->editors.storyRequestedCategory, line, REQUESTED_CATEGORY_MAX);
        goToScreen(state, SCR_STORY_RATING);
        return;
    }
    char choice = singleChoice(line);
    if (choice == '*') {
        copyText(state->editors.storyCategory, "Uncategorized");
        copyText(state->editors.storyRequestedCategory, REQUESTED_MARKER);
        setNotice(state, "Type the name of the category you'd like.");
        return;
    }
    int32_t listed = state->picker.categoryCount < STORY_CATEGORY_LETTERS ? state->picker.categoryCount : STORY_CATEGORY_LETTERS;
    int32_t index = choice - 'A';
    if (choice < 'A' || choice > 'Z' || index >= listed) {
        setNotice(state, "Pick one of the letters listed.");
        return;
    }
    copyTextMax(state->editors.storyCategory, state->picker.categoryNames[index], STORY_CATEGORY_MAX);
    state->editors.storyRequestedCategory[0] = 0;
    goToScreen(state, SCR_STORY_RATING);
}

static constexpr const char* STORY_RATINGS[] = {"G", "PG", "PG-17", "R"};  // typed as 1 to 4

void storyRatingLine(ClientState* state, const char* line) {
    char choice = singleChoice(line);
    if (choice < '1' || choice > '4') {
        setNotice(state, "Type 1, 2, 3 or 4.");
        return;
    }
    copyText(state->editors.storyRating, STORY_RATINGS[choice - '1']);
    goToScreen(state, SCR_STORY_EMAIL);
}

void storyEmailLine(ClientState* state, const char* line) {
    if (!strchr(line, '@')) {
        setNotice(state, "That doesn't look like an email address - or leave it blank.");
        return;
    }
    copyTextMax(state->editors.storyEmail, line, STORY_EMAIL_MAX);
    goToScreen(state, SCR_STORY_TERMS);
}

// Only the exact words, in any case, send the story; anything else (C to
// cancel included) takes the caller back to the read-back with nothing sent.
void storyTermsLine(ClientState* state, const char* line) {
    char answer[TERMS_COMPARED + 1];
    copyText(answer, line);
    for (char* c = answer; *c; c++)
        if (*c >= 'a' && *c <= 'z') *c = (char)(*c - 'a' + 'A');
    if (strcmp(answer, "I AGREE") != 0) {
        enterScreen(state, SCR_STORY_REVIEW);  // gaps found again, scroll to the top
        setNotice(state, "Not submitted. Your story is still here.");
        return;
    }
    // A second I AGREE while the first is on its way would submit the story
    // twice; the reply clears storySent.
    if (state->editors.storySent) {
        setNotice(state, "Sending your story...");
        return;
    }
    state->editors.storySent = 1;
    requestSubmission(state);  // shows "Sending your story..."
}

// ---------------------------------------------------------------------------
// The note editors: feedback and mail reply.

// The change screens of both notes: a marked line is replaced; 0 (or no
// number) goes back to writing; 1 to the count marks that line.
static void noteChangeLine(ClientState* state, const LineSet& text, const char* line, int32_t writeScreen) {
    if (replaceMarked(state, text, line)) return;
    int32_t n = readNumber(line);
    if (n == 0) {
        enterScreen(state, writeScreen);
        return;
    }
    if (n < 1 || n > heldLines(text)) {
        setNotice(state, NO_SUCH_LINE);
        return;
    }
    markLine(state, text, n);
}

void feedbackWriteLine(ClientState* state, const char* line) {
    appendLine(state, feedbackText(state), line);
}

// A longer line is no choice: it is chat, like on the other screens.
void feedbackReviewLine(ClientState* state, const char* line) {
    if (line[0] && line[1]) {
        chatLine(state, line);
        return;
    }
    switch (singleChoice(line)) {
    case 'S':
        requestFeedback(state);  // shows "Sending..."
        return;
    case 'C':
        enterScreen(state, SCR_FEEDBACK_EDIT);
        return;
    case 'D':
        emptyText(feedbackText(state));
        goToScreen(state, SCR_FEEDBACK_WRITE);
        setNotice(state, "Deleted - start again whenever you like.");
        return;
    case 'M':
        emptyText(feedbackText(state));
        returnToMenu(state);
        return;
    default:
        setNotice(state, "Type S, C, D or M and press ENTER.");
        return;
    }
}

void feedbackChangeLine(ClientState* state, const char* line) {
    noteChangeLine(state, feedbackText(state), line, SCR_FEEDBACK_WRITE);
}

void replyWriteLine(ClientState* state, const char* line) {
    appendLine(state, replyText(state), line);
}

void replyReviewLine(ClientState* state, const char* line) {
    switch (singleChoice(line)) {
    case 'S':
        requestMailReply(state);  // shows "Sending..."
        return;
    case 'D':
        emptyText(replyText(state));
        enterScreen(state, SCR_LETTER);  // back at the top of the letter
        setNotice(state, "Thrown away.");
        return;
    case 'C':
        enterScreen(state, SCR_REPLY_EDIT);
        return;
    default:
        setNotice(state, "Type S, C or D and press ENTER.");
        return;
    }
}

void replyChangeLine(ClientState* state, const char* line) {
    noteChangeLine(state, replyText(state), line, SCR_REPLY_WRITE);
}

// ---------------------------------------------------------------------------
// The report dialogue, stage by stage: 2 tale or player, 3 which player,
// 0 the reason, 1 the note.

static constexpr const char* PICK_FROM_LIST = "Type a number from the list.";

static void reportKindLine(ClientState* state, const char* line) {
    switch (readNumber(line)) {
    case 1:
        state->editors.reportIsTale = 1;
        state->editors.reportStage = 0;
        break;
    case 2:
        state->editors.reportIsTale = 0;
        state->editors.reportStage = 3;
        break;
    default:
        setNotice(state, "Type 1 for the tale, or 2 for a person.");
        return;
    }
    state->view.contentDirty = 1;
}

// The n-th player of the table list that is not the caller, null when none.
static const PlayerRecord* nthOtherPlayer(const ClientState* state, int32_t n) {
    int32_t count = minOf(state->table.playerCount, MAX_PLAYERS);
    for (int32_t i = 0; i < count && n > 0; i++) {
        if (state->table.players[i].isMe) continue;
        if (--n == 0) return &state->table.players[i];
    }
    return nullptr;
}

static void reportPlayerLine(ClientState* state, const char* line) {
    const PlayerRecord* target = nthOtherPlayer(state, readNumber(line));
    if (!target) {
        setNotice(state, PICK_FROM_LIST);
        return;
    }
    copyText(state->editors.reportTargetId, target->id);
    copyText(state->editors.reportTargetName, target->name);
    state->editors.reportLineCount = 0;
    state->editors.reportStage = 0;
    state->view.contentDirty = 1;
}

static void reportReasonLine(ClientState* state, const char* line) {
    const ReportReason* reason = reportReasonAt(state->editors.reportIsTale, readNumber(line));
    if (!reason) {
        setNotice(state, PICK_FROM_LIST);
        return;
    }
    copyText(state->editors.reportReason, reason->code);
    state->editors.reportStage = 1;
    state->view.contentDirty = 1;
}

static void reportNoteLine(ClientState* state, const char* line) {
    appendLine(state, reportText(state), line);
}

void reportLine(ClientState* state, const char* line) {
    switch (state->editors.reportStage) {
    case 2: reportKindLine(state, line); return;
    case 3: reportPlayerLine(state, line); return;
    case 0: reportReasonLine(state, line); return;
    case 1: reportNoteLine(state, line); return;
    default: return;
    }
}
