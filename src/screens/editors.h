// The note editors' screens (feedback note and mail reply: write, read back,
// change, sent) and the layout every editor screen shares: numbered lines at
// column 3, the marked line in yellow, fixed text rows.
#pragma once
#include <cstdint>

#include "screens/canvas.h"
#include "state/client_state.h"

constexpr int32_t EDITOR_LINE_COL = 3;   // numbered lines start here
constexpr int32_t EDITOR_LINE_WIDTH = 72; // every editor screen shows a line whole
static_assert(EDITOR_LINE_COL + 4 + EDITOR_LINE_WIDTH - 1 <= 78, "a numbered line leaves column 79 to a scroll bar");
static_assert(EDIT_LINE_BYTES == EDITOR_LINE_WIDTH + 1, "the screens show every character an editor line holds");

// A line of fixed text: left-aligned at col, or centred when col is 0.
struct EditorText {
    int32_t row;
    int32_t col;
    int32_t fg;
    int32_t bright;
    const char* text;
};

void drawEditorText(Canvas* cv, const EditorText* rows, int32_t n);
template <int32_t N>
void drawEditorText(Canvas* cv, const EditorText (&rows)[N]) { drawEditorText(cv, rows, N); }

// Centred, formatted text (at most one screen row).
__attribute__((format(printf, 5, 6)))
void drawCentredf(Canvas* cv, int32_t row, int32_t fg, int32_t bright, const char* fmt, ...);

// One line as "%2d  %-W.Ws" at column 3, 37 bright, or 33 bright when marked.
void drawEditorLine(Canvas* cv, int32_t row, int32_t number, const char* line,
                    int32_t width, bool marked);

// Lines first .. first + rows - 1 of an editor (0-based, those that exist)
// on rows top downward; marked is the 1-based marked line, 0 none.
void drawEditorLines(Canvas* cv, const char (*lines)[EDIT_LINE_BYTES], int32_t count,
                     int32_t first, int32_t rows, int32_t top, int32_t width, int32_t marked);

// The first line of the last `rows` lines of count.
int32_t editorTailStart(int32_t count, int32_t rows);

// A line count from the state, kept within its editor's array.
int32_t editorCount(int32_t count, int32_t max);

// The two sentences under a change screen's lines while line `marked` is
// marked, on rows row and row + 1, 36 normal.
void drawMarkedHint(Canvas* cv, int32_t row, int32_t marked);

void paintFeedbackWrite(Canvas* cv, const ClientState* cs);
void paintFeedbackReview(Canvas* cv, const ClientState* cs);
void paintFeedbackEdit(Canvas* cv, const ClientState* cs);
void paintFeedbackSent(Canvas* cv, const ClientState* cs);
void paintReplyWrite(Canvas* cv, const ClientState* cs);
void paintReplyReview(Canvas* cv, const ClientState* cs);
void paintReplyEdit(Canvas* cv, const ClientState* cs);
void paintReplySent(Canvas* cv, const ClientState* cs);
