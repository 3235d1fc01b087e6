#include "screens/report.h"

#include <cstring>

#include "platform/text.h"
#include "screens/editors.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

enum ReportStage : int32_t {
    REPORT_REASON = 0,   // choose a reason
    REPORT_NOTE = 1,     // write the note
    REPORT_TARGET = 2,   // the tale or a player
    REPORT_PLAYER = 3,   // which player
};

constexpr int32_t TITLE_ROW = 4;
constexpr int32_t PLAYER_TOP = 9;         // the players listed from here
constexpr int32_t LIST_BOTTOM = 17;       // row 18 keeps the closing sentence
constexpr int32_t PLAYER_COL = 24;
constexpr int32_t REASON_TOP = 10;
constexpr int32_t REASON_COL = 26;
constexpr int32_t NOTE_TOP = 12;
constexpr int32_t NOTE_ROWS = 6;          // the last six lines of the note
constexpr int32_t ROUND_TITLE_MAX = 60;
constexpr int32_t TARGET_NAME_MAX = 40;
constexpr int32_t PLAYER_NAME_SHOWN = 30;
static_assert(REASON_TOP + REPORT_PLAYER_REASON_COUNT - 1 <= LIST_BOTTOM, "every reason has a row");
static_assert(NOTE_TOP + NOTE_ROWS - 1 == LIST_BOTTOM, "the note ends above the closing sentence");

constexpr char REAL_PERSON[] = "A real person reads every one of these.";

struct ReasonList {
    const ReportReason* rows;
    int32_t count;
};

ReasonList reasonsFor(int32_t isTale) {
    return isTale ? ReasonList{REPORT_TALE_REASONS, REPORT_TALE_REASON_COUNT}
                  : ReasonList{REPORT_PLAYER_REASONS, REPORT_PLAYER_REASON_COUNT};
}

void title(Canvas* cv, const char* text) { screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, text); }

int32_t playerColour(int32_t colour) {
    return colour >= COL_BLACK && colour <= COL_WHITE ? colour : COL_WHITE;
}

void paintTarget(Canvas* cv) {
    title(cv, "M A K E   A   R E P O R T");
    constexpr EditorText TEXT[] = {
        {7, 0, COL_BLUE, 1, "What would you like to report? Type the number."},
        {10, PLAYER_COL, COL_WHITE, 1, "[1] The tale we are reading"},
        {11, PLAYER_COL, COL_WHITE, 1, "[2] Somebody at this table"},
    };
    drawEditorText(cv, TEXT);
}

// Everybody at the table but the caller, numbered as the line input counts
// them; as many as there are rows for.
void paintPlayerChoice(Canvas* cv, const ClientState* cs) {
    title(cv, "R E P O R T   A   P L A Y E R");
    screenCentreText(cv->term, 7, COL_BLUE, 1, "Who? Type the number.");
    int32_t players = editorCount(cs->table.playerCount, MAX_PLAYERS);
    int32_t listed = 0;
    for (int32_t i = 0; i < players; i++) {
        const PlayerRecord& p = cs->table.players[i];
        if (p.isMe) continue;
        listed++;
        int32_t row = PLAYER_TOP + listed - 1;
        if (row > LIST_BOTTOM) continue;  // still counted: the numbers stay those typed
        char entry[SCREEN_COLS + 1];
        formatText(entry, "[%d] %.*s", (int)listed, (int)PLAYER_NAME_SHOWN, p.name);
        screenColourText(cv->term, row, PLAYER_COL, playerColour(p.colour), 1, entry);
    }
    if (listed == 0) screenCentreText(cv->term, 10, COL_WHITE, 0, "There is nobody else here to report.");
}

// Stages 0 and 1 share the title and the name of what is reported.
void paintSubject(Canvas* cv, const ClientState* cs) {
    title(cv, cs->editors.reportIsTale ? "R E P O R T   T H I S   T A L E" : "R E P O R T   A   P L A Y E R");
    if (cs->editors.reportIsTale)
        drawCentredf(cv, 6, COL_WHITE, 1, "%.*s", (int)ROUND_TITLE_MAX,
                     cs->round.roundTitle[0] ? cs->round.roundTitle : "this tale");
    else
        drawCentredf(cv, 6, COL_WHITE, 1, "%.*s", (int)TARGET_NAME_MAX, cs->editors.reportTargetName);
}

void paintReasonChoice(Canvas* cv, const ClientState* cs) {
    screenCentreText(cv->term, 8, COL_BLUE, 1, "What is wrong? Type the number.");
    ReasonList list = reasonsFor(cs->editors.reportIsTale);
    for (int32_t i = 0; i < list.count; i++) {
        char entry[SCREEN_COLS + 1];
        formatText(entry, "[%d] %s", (int)(i + 1), list.rows[i].label);
        screenColourText(cv->term, REASON_TOP + i, REASON_COL, COL_WHITE, 1, entry);
    }
}

void paintNote(Canvas* cv, const ClientState* cs) {
    drawCentredf(cv, 8, COL_CYAN, 1, "Reason: %.40s", reportReasonLabel(cs->editors.reportIsTale, cs->editors.reportReason));
    screenCentreText(cv->term, 10, COL_WHITE, 0, "Tell us what happened, in your own words.");
    int32_t lines = editorCount(cs->editors.reportLineCount, MAX_REPORT_LINES);
    if (lines == 0) screenCentreText(cv->term, NOTE_TOP, COL_BLUE, 1, "Take as many lines as you need.");
    // The newest lines, as on every writing screen: the one just typed shows.
    int32_t first = editorTailStart(lines, NOTE_ROWS);
    for (int32_t i = 0; first + i < lines && i < NOTE_ROWS; i++) {
        char text[SCREEN_COLS + 1];
        formatText(text, "%-72.72s", cs->editors.reportLines[first + i]);
        screenColourText(cv->term, NOTE_TOP + i, 4, COL_WHITE, 1, text);
    }
}

}  // namespace

const ReportReason* reportReasonAt(int32_t isTale, int32_t number) {
    ReasonList list = reasonsFor(isTale);
    if (number < 1 || number > list.count) return nullptr;
    return &list.rows[number - 1];
}

const char* reportReasonLabel(int32_t isTale, const char* code) {
    ReasonList list = reasonsFor(isTale);
    for (int32_t i = 0; i < list.count; i++)
        if (strcmp(list.rows[i].code, code) == 0) return list.rows[i].label;
    return code;
}

void paintReport(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    switch (cs->editors.reportStage) {
    case REPORT_TARGET: paintTarget(cv); break;
    case REPORT_PLAYER: paintPlayerChoice(cv, cs); break;
    case REPORT_REASON: paintSubject(cv, cs); paintReasonChoice(cv, cs); return;
    case REPORT_NOTE: paintSubject(cv, cs); paintNote(cv, cs); break;
    default: return;
    }
    screenCentreText(cv->term, SCREEN_BODY_BOTTOM, COL_BLUE, 1, REAL_PERSON);
}
