#include "screens/countdowns.h"

#include <cstring>

#include "host/nodelog.h"
#include "platform/text.h"
#include "screens/renderer.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr int32_t RED_BELOW_MS = 11000;   // the last ten seconds show in red
constexpr int32_t TIMES_UP_AT_MS = 999;   // at or below: no whole second is left
constexpr int32_t COUNTDOWN_TEXT_BYTES = 64;

// A screen a countdown line belongs to; -1 fills an unused slot.
constexpr int32_t NO_SCREEN = -1;

// One countdown line. The clock "M:SS" sits between prefix and suffix. A
// line with a timesUp text shows it once no whole second is left; one
// without keeps showing 0:00 after the deadline.
struct CountdownLine {
    int32_t screens[2];                 // shown on either screen
    uint32_t TimersState::*deadline;    // runs while above 0
    bool (*applies)(const ClientState* cs);  // further condition, or null
    int32_t row, col, width;            // the centred field
    int32_t colour;                     // before the last ten seconds
    const char* prefix;
    const char* suffix;
    const char* timesUp;                // null: the clock stops at 0:00
};

bool choosingAtTable(const ClientState* cs) { return cs->table.pickTimerOn && cs->table.pickTurn; }
bool choosingInPicker(const ClientState* cs) { return cs->table.pickTimerOn && cs->table.pickerMode == 3; }

constexpr CountdownLine START_LINE = {
    {SCR_TABLE, NO_SCREEN}, &TimersState::startDeadline, nullptr,
    17, 23, 34, COL_GREEN, "Starting In  ", "", nullptr};
constexpr CountdownLine WORD_LINE = {
    {SCR_WORD_ENTRY, NO_SCREEN}, &TimersState::wordDeadline, nullptr,
    18, 23, 34, COL_CYAN, "Time Left  ", "", "Time's Up - Sending What You Have"};
constexpr CountdownLine READING_LINE = {
    {SCR_REVEAL, NO_SCREEN}, &TimersState::revealDeadline, nullptr,
    18, 61, 18, COL_CYAN, "Time Left  ", "", nullptr};
constexpr CountdownLine CHOOSE_TABLE_LINE = {
    {SCR_TABLE, NO_SCREEN}, &TimersState::pickDeadline, choosingAtTable,
    16, 20, 40, COL_YELLOW, "", " To Choose, Then It Passes On", nullptr};
constexpr CountdownLine CHOOSE_PICKER_LINE = {
    {SCR_CATEGORY_PICK, SCR_TALE_PICK}, &TimersState::pickDeadline, choosingInPicker,
    18, 55, 24, COL_CYAN, "Choose Within  ", "", "Time's Up"};
constexpr CountdownLine VOTE_LINE = {
    {SCR_SCORES, NO_SCREEN}, &TimersState::scoresDeadline, nullptr,
    18, 18, 44, COL_YELLOW, "", " To Choose, Then Back To The Lounge", "Time's Up"};

// drawCountdowns' order.
constexpr const CountdownLine* ALL_LINES[] = {
    &START_LINE, &WORD_LINE, &READING_LINE, &CHOOSE_TABLE_LINE, &CHOOSE_PICKER_LINE, &VOTE_LINE,
};

static_assert(START_LINE.width < SCREEN_COLS && VOTE_LINE.col + VOTE_LINE.width <= SCREEN_COLS,
              "countdown fields stay on the grid");
static_assert(CHOOSE_PICKER_LINE.col + CHOOSE_PICKER_LINE.width <= SCREEN_COLS,
              "the picker's field ends before column 80");

bool lineApplies(const ClientState* cs, const CountdownLine& line) {
    if (cs->view.screen != line.screens[0] && cs->view.screen != line.screens[1]) return false;
    if (cs->timers.*line.deadline < 1) return false;
    return !line.applies || line.applies(cs);
}

void drawLine(Canvas* cv, const ClientState* cs, const CountdownLine& line) {
    if (!lineApplies(cs, line)) return;
    int32_t remaining = (int32_t)(cs->timers.*line.deadline - tickMs(&cs->clock));
    int32_t colour = remaining < RED_BELOW_MS ? COL_RED : line.colour;
    char text[COUNTDOWN_TEXT_BYTES];
    if (line.timesUp && remaining <= TIMES_UP_AT_MS) {
        copyText(text, line.timesUp);
    } else {
        // Whole seconds truncate toward zero; past the deadline the clock
        // rests at 0:00 rather than counting up with a minus sign.
        int32_t secs = remaining / 1000;
        if (secs < 0) secs = 0;
        formatText(text, "%s%d:%02d%s", line.prefix, secs / 60, secs % 60, line.suffix);
    }
    drawCentredField(cv, line.row, line.col, line.width, colour, text);
}

struct SourceStyle {
    const char* source;
    const char* label;
    int32_t colour;
};

// Unknown and empty sources count as the web.
constexpr SourceStyle WEB_SOURCE = {"", "Web", COL_CYAN};
constexpr SourceStyle SOURCES[] = {
    {"discord", "Discord", COL_MAGENTA},
    {"bbs", "BBS", COL_YELLOW},
    {"steam", "Steam", COL_BLUE},
    {"mobile", "Mobile", COL_GREEN},
};

const SourceStyle& sourceStyle(const char* source) {
    if (source)
        for (const SourceStyle& s : SOURCES)
            if (strcmp(source, s.source) == 0) return s;
    return WEB_SOURCE;
}

}  // namespace

SourceLabel sourceLabel(const char* source, int32_t bbsNumber) {
    const SourceStyle& style = sourceStyle(source);
    SourceLabel label;
    if (strcmp(style.source, "bbs") != 0 || bbsNumber < 1) copyText(label.text, style.label);
    else formatText(label.text, "BBS #%d", bbsNumber);
    return label;
}

int32_t sourceColour(const char* source) { return sourceStyle(source).colour; }

void drawStartCountdown(Canvas* cv, const ClientState* cs) { drawLine(cv, cs, START_LINE); }

void drawChooseCountdown(Canvas* cv, const ClientState* cs) {
    drawLine(cv, cs, CHOOSE_TABLE_LINE);
    drawLine(cv, cs, CHOOSE_PICKER_LINE);
}

void drawCountdowns(Canvas* cv, const ClientState* cs) {
    for (const CountdownLine* line : ALL_LINES) drawLine(cv, cs, *line);
}
