#include "screens/editors.h"

#include <cstdarg>

#include "platform/text.h"
#include "terminal/screen.h"

namespace {

constexpr int32_t NOTE_TITLE_ROW = 4;
constexpr int32_t WRITE_TOP = 8;          // writing screens: the last 11 lines on rows 8-18
constexpr int32_t WRITE_ROWS = 11;
constexpr int32_t REVIEW_TOP = 6;         // read-back: every line, on rows 6-17
constexpr int32_t REVIEW_ROWS = 12;
constexpr int32_t CHANGE_TOP = 5;         // change screens: every line, on rows 5-16
constexpr int32_t CHANGE_ROWS = 12;
constexpr int32_t MARKED_HINT_ROW = 17;   // the two sentences under a marked line
constexpr int32_t FOOT_ROW = 18;          // last row of the body
constexpr int32_t LETTER_SUBJECT_MAX = 40;
static_assert(WRITE_TOP + WRITE_ROWS - 1 == SCREEN_BODY_BOTTOM, "writing lines fill the body");
static_assert(CHANGE_TOP + CHANGE_ROWS - 1 < MARKED_HINT_ROW, "the hint stays below the lines");
static_assert(REVIEW_TOP + REVIEW_ROWS - 1 < FOOT_ROW, "the closing sentence stays below the lines");
static_assert(REVIEW_ROWS >= MAX_FEEDBACK_LINES && REVIEW_ROWS >= MAX_REPLY_LINES &&
              CHANGE_ROWS >= MAX_FEEDBACK_LINES && CHANGE_ROWS >= MAX_REPLY_LINES,
              "a note's read-back and change screens show all of it: it does not scroll");

constexpr char NOTHING_SENT[] = "Nothing has been sent yet.";
constexpr char WRITE_HINT[] = "Type a line at a time. Press ENTER on an empty line when you are done.";
constexpr char ADD_MORE[] = "Type 0 to go back and add more at the end.";

void title(Canvas* cv, const char* text) {
    screenCentreText(cv->term, NOTE_TITLE_ROW, COL_YELLOW, 1, text);
}

// A note editor as the screens see it: its lines, count and marked line.
struct NoteView {
    const char (*lines)[EDIT_LINE_BYTES];
    int32_t count;
    int32_t marked;
    int32_t max;
};

NoteView feedbackNote(const ClientState* cs) {
    return {cs->editors.feedbackLines, editorCount(cs->editors.feedbackLineCount, MAX_FEEDBACK_LINES),
            cs->editors.feedbackEditLine, MAX_FEEDBACK_LINES};
}

NoteView replyNote(const ClientState* cs) {
    return {cs->editors.replyLines, editorCount(cs->editors.replyLineCount, MAX_REPLY_LINES), cs->editors.replyEditLine,
            MAX_REPLY_LINES};
}

void writeLines(Canvas* cv, const NoteView& v, int32_t width) {
    drawEditorLines(cv, v.lines, v.count, editorTailStart(v.count, WRITE_ROWS), WRITE_ROWS,
                    WRITE_TOP, width, 0);
}

void reviewLines(Canvas* cv, const NoteView& v) {
    drawEditorLines(cv, v.lines, v.count, 0, REVIEW_ROWS, REVIEW_TOP, EDITOR_LINE_WIDTH, 0);
    screenCentreText(cv->term, FOOT_ROW, COL_BLUE, 1, NOTHING_SENT);
}

// The change screen under its title: the first 10 lines with the marked
// one in yellow, then what typing does now.
void changeLines(Canvas* cv, const NoteView& v) {
    drawEditorLines(cv, v.lines, v.count, 0, CHANGE_ROWS, CHANGE_TOP, EDITOR_LINE_WIDTH, v.marked);
    if (v.marked > 0) drawMarkedHint(cv, MARKED_HINT_ROW, v.marked);
    else if (v.count < v.max) screenCentreText(cv->term, FOOT_ROW, COL_BLUE, 1, ADD_MORE);
}

}  // namespace

void drawEditorText(Canvas* cv, const EditorText* rows, int32_t n) {
    for (int32_t i = 0; i < n; i++) {
        const EditorText& t = rows[i];
        if (t.col > 0) screenColourText(cv->term, t.row, t.col, t.fg, t.bright, t.text);
        else screenCentreText(cv->term, t.row, t.fg, t.bright, t.text);
    }
}

void drawCentredf(Canvas* cv, int32_t row, int32_t fg, int32_t bright, const char* fmt, ...) {
    char text[SCREEN_COLS + 1];
    va_list ap;
    va_start(ap, fmt);
    formatTextV(text, sizeof text, fmt, ap);
    va_end(ap);
    screenCentreText(cv->term, row, fg, bright, text);
}

void drawEditorLine(Canvas* cv, int32_t row, int32_t number, const char* line,
                    int32_t width, bool marked) {
    char text[SCREEN_COLS + 1];
    formatText(text, "%2d  %-*.*s", number, (int)width, (int)width, line);
    screenColourText(cv->term, row, EDITOR_LINE_COL, marked ? COL_YELLOW : COL_WHITE, 1, text);
}

void drawEditorLines(Canvas* cv, const char (*lines)[EDIT_LINE_BYTES], int32_t count,
                     int32_t first, int32_t rows, int32_t top, int32_t width, int32_t marked) {
    if (first < 0) first = 0;
    for (int32_t i = 0; i < rows && first + i < count; i++) {
        int32_t index = first + i;
        drawEditorLine(cv, top + i, index + 1, lines[index], width, index + 1 == marked);
    }
}

int32_t editorTailStart(int32_t count, int32_t rows) {
    return count > rows ? count - rows : 0;
}

int32_t editorCount(int32_t count, int32_t max) {
    if (count < 0) return 0;
    return count > max ? max : count;
}

void drawMarkedHint(Canvas* cv, int32_t row, int32_t marked) {
    drawCentredf(cv, row, COL_CYAN, 0, "Line %d is marked above. Type the new version below.",
                 (int)marked);
    screenCentreText(cv->term, row + 1, COL_CYAN, 0, "Press ENTER on its own to delete that line instead.");
}

// ---- feedback note ----

void paintFeedbackWrite(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "S H A R E   Y O U R   F E E D B A C K");
    constexpr EditorText TEXT[] = {
        {5, 4, COL_WHITE, 0, "Found a bug, or thought of something that would make this better?"},
        {6, 4, COL_BLUE, 1, WRITE_HINT},
    };
    drawEditorText(cv, TEXT);
    writeLines(cv, feedbackNote(cs), EDITOR_LINE_WIDTH);
}

void paintFeedbackReview(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "Y O U R   N O T E");
    reviewLines(cv, feedbackNote(cs));
}

void paintFeedbackEdit(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "C H A N G E   Y O U R   N O T E");
    changeLines(cv, feedbackNote(cs));
}

void paintFeedbackSent(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, 7, COL_YELLOW, 1, "T H A N K   Y O U");
    screenCentreText(cv->term, 10, COL_GREEN, 1, "Thank you for your feedback.");
}

// ---- mail reply ----

void paintReplyWrite(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "Y O U R   R E P L Y");
    int32_t open = cs->mail.letterOpen;
    if (open >= 0 && open < editorCount(cs->mail.letterCount, MAX_LETTERS)) {
        const Letter& l = cs->mail.letters[open];
        drawCentredf(cv, 5, COL_WHITE, 0, "Replying to \"%.*s\" from %.20s.", (int)LETTER_SUBJECT_MAX,
                     l.subject, l.sender);
    }
    screenCentreText(cv->term, 6, COL_BLUE, 1, WRITE_HINT);
    writeLines(cv, replyNote(cs), EDITOR_LINE_WIDTH);
}

void paintReplyReview(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "Y O U R   R E P L Y");
    reviewLines(cv, replyNote(cs));
}

void paintReplyEdit(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    title(cv, "C H A N G E   Y O U R   R E P L Y");
    changeLines(cv, replyNote(cs));
}

void paintReplySent(Canvas* cv, const ClientState*) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, 5, COL_GREEN, 1, "S E N T");
    constexpr EditorText TEXT[] = {
        {8, 0, COL_WHITE, 1, "Thank you! Now that your reply is on its way, the reply option"},
        {9, 0, COL_WHITE, 1, "has been removed from this message."},
    };
    drawEditorText(cv, TEXT);
}
