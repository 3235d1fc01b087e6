#include "screens/lounge.h"

#include <cstring>

#include "platform/text.h"
#include "screens/countdowns.h"
#include "screens/renderer.h"
#include "screens/round.h"
#include "state/client_state.h"
#include "terminal/screen.h"

namespace {

constexpr int32_t TITLE_ROW = 4;
constexpr int32_t LIST_TOP = 8;                // first list row of both Lounge boxes
constexpr int32_t BOX_TOP = 6, BOX_BOTTOM = 18;
constexpr int32_t TABLES_LEFT = 4, TABLES_RIGHT = 38;
constexpr int32_t PLAYERS_LEFT = 42, PLAYERS_RIGHT = 77;
constexpr int32_t TABLE_COL = 6;               // "[n] name  seated/seats"
constexpr int32_t LOCK_MARK_COL = 34;
constexpr int32_t LOUNGE_NAME_COL = 44;
constexpr int32_t LOUNGE_SOURCE_COL = 68;
constexpr int32_t NAME_CELL_BYTES = 32;        // longest name cell plus ".." fits
constexpr unsigned char LOCK_MARK = 0xDB;      // full block beside a locked table

static_assert(LIST_TOP + LOUNGE_PAGE_ROWS - 1 < BOX_BOTTOM, "a full page stays inside the boxes");

// A name in a fixed-width column: padded to `pad` when it fits, else cut to
// `cut` characters followed by "..".
struct NameCell {
    int32_t pad;
    int32_t cut;
};
constexpr NameCell LOUNGE_CELL = {21, 19};
constexpr NameCell TABLE_CELL = {20, 18};

void drawNameCell(Canvas* cv, int32_t row, int32_t col, const PlayerRecord& p, NameCell cell) {
    char text[NAME_CELL_BYTES];
    if ((int32_t)strnlen(p.name, sizeof p.name) <= cell.pad)
        formatText(text, "%-*.*s", cell.pad, cell.pad, p.name);
    else
        formatText(text, "%.*s..", cell.cut, p.name);
    screenColourText(cv->term, row, col, p.colour, p.isMe ? 1 : 0, text);
}

void drawSourceLabel(Canvas* cv, int32_t row, int32_t col, const PlayerRecord& p) {
    char text[SOURCE_LABEL_BYTES];
    formatText(text, "%-8.8s", sourceLabel(p.source, p.bbsNumber).text);
    screenColourText(cv->term, row, col, sourceColour(p.source), 1, text);
}

// ---- the Lounge ----

void drawListBox(Canvas* cv, const ClientState* cs, int32_t left, int32_t right, const char* word,
                 int32_t entries) {
    LoungePaging paging = loungePaging(entries, cs->lobby.loungePage);
    char title[BOX_TITLE_MAX + 1];
    if (entries <= LOUNGE_PAGE_ROWS) formatText(title, "%.28s", word);
    else formatText(title, "%.20s - Page %d of %d", word, paging.page + 1, paging.pageCount);
    screenBox(cv->term, BOX_TOP, left, BOX_BOTTOM, right, COL_CYAN, 0, title);
}

// The line under a page: how many are left, or the way back.
void drawPageTail(Canvas* cv, int32_t row, int32_t col, int32_t entries, int32_t shownEnd,
                  const LoungePaging& paging) {
    char text[40];
    if (shownEnd < entries) formatText(text, "+%d more - press >", entries - shownEnd);
    else if (paging.page > 0) copyText(text, "press < to go back");
    else return;
    screenColourText(cv->term, row, col, COL_CYAN, 1, text);
}

int32_t tablesListed(const ClientState* cs) { return minOf(maxOf(cs->lobby.tableCount, 0), MAX_TABLES); }
int32_t playersListed(const ClientState* cs) { return minOf(maxOf(cs->table.playerCount, 0), MAX_PLAYERS); }

// Entries go over the frames: the empty-list sentence is wider than its box
// and must still read in full.
void drawTables(Canvas* cv, const ClientState* cs) {
    int32_t count = tablesListed(cs);
    LoungePaging paging = loungePaging(count, cs->lobby.loungePage);
    if (count == 0) {
        screenColourText(cv->term, LIST_TOP, 7, COL_WHITE, 0, "(no tables yet - press C to open one)");
        return;
    }
    int32_t first = paging.page * paging.rowsPerPage;
    int32_t end = minOf(first + paging.rowsPerPage, count);
    int32_t row = LIST_TOP;
    for (int32_t i = first; i < end; i++, row++) {
        const TableRecord& t = cs->lobby.tables[i];
        char text[48];
        formatText(text, "[%d] %-15.15s %d/%d", i + 1, t.name[0] ? t.name : "Quick Match", t.players,
                   t.capacity);
        screenColourText(cv->term, row, TABLE_COL, t.locked ? COL_RED : COL_WHITE,
                         t.players > 0 ? 1 : 0, text);
        if (t.locked) {
            const char mark[2] = {(char)LOCK_MARK, 0};
            screenColourText(cv->term, row, LOCK_MARK_COL, COL_RED, 0, mark);
        }
    }
    drawPageTail(cv, row, TABLE_COL, count, end, paging);
}

void drawLoungePlayers(Canvas* cv, const ClientState* cs) {
    int32_t count = playersListed(cs);
    LoungePaging paging = loungePaging(count, cs->lobby.loungePage);
    int32_t first = paging.page * paging.rowsPerPage;
    int32_t end = minOf(first + paging.rowsPerPage, count);
    int32_t row = LIST_TOP;
    for (int32_t i = first; i < end; i++, row++) {
        drawNameCell(cv, row, LOUNGE_NAME_COL, cs->table.players[i], LOUNGE_CELL);
        drawSourceLabel(cv, row, LOUNGE_SOURCE_COL, cs->table.players[i]);
    }
    if (count > 0) drawPageTail(cv, row, LOUNGE_NAME_COL, count, end, paging);
}

// ---- a table between rounds ----

constexpr int32_t SHARE_CODE_ROW = 6;
constexpr int32_t HINT_COL = 13;
constexpr int32_t HINTS_FIRST_ROW = 7;
constexpr int32_t TABLE_LIST_TOP_HINTS = 10;   // below the host hints
constexpr int32_t TABLE_LIST_TOP = 8;
constexpr int32_t TABLE_LIST_END = 16;         // the preset line's row; the list stops above it
constexpr int32_t TABLE_NAME_COL = 24;
constexpr int32_t TABLE_SOURCE_COL = 47;
constexpr int32_t HOST_MARK_COL = 58;
constexpr int32_t PRESET_ROW = 16;
constexpr int32_t STATUS_ROW = 17;
constexpr int32_t WAIT_OFFER_ROW = 18;
constexpr int32_t SHUFFLE_FRAMES = 4;

constexpr char WAITING_ALONE[] = "Your table - waiting for somebody to join you";

void drawTableTitle(Canvas* cv, const ClientState* cs) {
    char title[64];
    if (cs->table.roomAutoHost) {
        formatText(title, "%.40s", "Quick Play");
    } else if (cs->table.roomName[0]) {
        formatText(title, "%.44s", cs->table.roomName);
    } else {
        const char* host = "Your";
        int32_t count = minOf(maxOf(cs->table.playerCount, 0), MAX_PLAYERS);
        for (int32_t i = 0; i < count; i++)
            if (cs->table.players[i].isHost) { host = cs->table.players[i].name; break; }
        formatText(title, "%.32s's Table", host);
    }
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, title);
}

bool hostHintsShown(const ClientState* cs) {
    return cs->table.isHost && !cs->table.roomAutoHost && cs->table.roomCode[0];
}

void drawShareCodeAndHints(Canvas* cv, const ClientState* cs) {
    if (!cs->table.roomCode[0]) return;
    char line[40];
    formatText(line, "Share code:  %s", cs->table.roomCode);
    screenCentreText(cv->term, SHARE_CODE_ROW, COL_CYAN, 1, line);
    if (!hostHintsShown(cs)) return;
    screenColourText(cv->term, HINTS_FIRST_ROW, HINT_COL, COL_GREEN, 1,
                     "/invite name - Invite a player to join");
    screenColourText(cv->term, HINTS_FIRST_ROW + 1, HINT_COL, COL_GREEN, 0,
                     cs->table.roomLocked ? "/newcode - Generates a new share code"
                                    : "/lock - Closes the room to players without share code");
    screenColourText(cv->term, HINTS_FIRST_ROW + 2, HINT_COL, COL_GREEN, 0,
                     "/kick name - Remove somebody from your table");
}

void drawTablePlayers(Canvas* cv, const ClientState* cs) {
    int32_t top = hostHintsShown(cs) ? TABLE_LIST_TOP_HINTS : TABLE_LIST_TOP;
    int32_t shown = minOf(minOf(maxOf(cs->table.playerCount, 0), MAX_PLAYERS), TABLE_LIST_END - top);
    for (int32_t i = 0; i < shown; i++) {
        const PlayerRecord& p = cs->table.players[i];
        drawNameCell(cv, top + i, TABLE_NAME_COL, p, TABLE_CELL);
        drawSourceLabel(cv, top + i, TABLE_SOURCE_COL, p);
        if (p.isHost) screenColourText(cv->term, top + i, HOST_MARK_COL, COL_MAGENTA, 1, "(host)");
    }
}

// One status line: when it applies, and what it says.
struct WaitingLine {
    bool (*applies)(const ClientState* cs);
    void (*text)(const ClientState* cs, char (&out)[96]);
    int32_t fg;
    int32_t bright;
};

bool waitingForReturn(const ClientState* cs) { return cs->table.returnPendingNames[0] != 0; }
bool waitingForPicker(const ClientState* cs) { return cs->table.pickerName[0] != 0; }
bool hostWithCompany(const ClientState* cs) { return cs->table.isHost && cs->table.playerCount >= 2; }
bool hostAlone(const ClientState* cs) { return cs->table.isHost != 0; }
bool tooFewPlayers(const ClientState* cs) { return cs->table.playerCount < 2; }
bool serviceShuffles(const ClientState* cs) { return cs->table.roomAutoHost != 0; }
bool always(const ClientState*) { return true; }

void returnText(const ClientState* cs, char (&out)[96]) {
    formatText(out, "Waiting for %.60s to come back to the table...", cs->table.returnPendingNames);
}
void pickerText(const ClientState* cs, char (&out)[96]) {
    formatText(out, "Waiting for %.24s to choose the next tale...", cs->table.pickerName);
}
void hostReadyText(const ClientState*, char (&out)[96]) {
    copyText(out, "You have enough players to begin! [S]tart your game when ready.");
}
void aloneText(const ClientState*, char (&out)[96]) { copyText(out, WAITING_ALONE); }
void fewText(const ClientState*, char (&out)[96]) { copyText(out, "Waiting for more players to sit down..."); }
void shuffleText(const ClientState* cs, char (&out)[96]) {
    constexpr const char* DOTS[SHUFFLE_FRAMES] = {"", ".", "..", "..."};
    int32_t frame = cs->view.shuffleFrame % SHUFFLE_FRAMES;
    if (frame < 0) frame += SHUFFLE_FRAMES;
    formatText(out, "Shuffling the categories and stories%s", DOTS[frame]);
}
void hostStartsText(const ClientState*, char (&out)[96]) { copyText(out, "Waiting for the host to start..."); }

// The first that applies is shown; the last always does.
constexpr WaitingLine WAITING_LINES[] = {
    {waitingForReturn, returnText, COL_CYAN, 1},
    {waitingForPicker, pickerText, COL_CYAN, 1},
    {hostWithCompany, hostReadyText, COL_GREEN, 1},
    {hostAlone, aloneText, COL_WHITE, 0},
    {tooFewPlayers, fewText, COL_WHITE, 0},
    {serviceShuffles, shuffleText, COL_CYAN, 1},
    {always, hostStartsText, COL_WHITE, 0},
};

void drawWaitingLine(Canvas* cv, const ClientState* cs) {
    for (const WaitingLine& w : WAITING_LINES) {
        if (!w.applies(cs)) continue;
        char text[96];
        w.text(cs, text);
        screenCentreText(cv->term, STATUS_ROW, w.fg, w.bright, text);
        return;
    }
}

void drawTurnLine(Canvas* cv, const ClientState* cs) {
    if (cs->table.playerCount < 2)
        screenCentreText(cv->term, STATUS_ROW, COL_WHITE, 0, WAITING_ALONE);
    else
        screenCentreText(cv->term, STATUS_ROW, COL_YELLOW, 1,
                         "Your turn to choose the next tale. Take your time and talk it over.");
}

// Rows 17 and 18. A start countdown wins over every other line of row 17.
void drawTableStatus(Canvas* cv, const ClientState* cs) {
    if (!cs->table.pickTurn) {
        if (cs->timers.startDeadline > 0) drawStartCountdown(cv, cs);
        else drawWaitingLine(cv, cs);
        return;
    }
    // Only a timed turn at a table of two or more offers the wait.
    if (waitOfferVisible(cs))
        screenCentreText(cv->term, WAIT_OFFER_ROW, COL_YELLOW, 1,
                         "Make your selection to continue, or press [W] and ENTER for more time.");
    if (cs->timers.startDeadline > 0) drawStartCountdown(cv, cs);
    else drawTurnLine(cv, cs);
}

// ---- opening a table ----

constexpr int32_t CREATE_TEXT_COL = 15;
constexpr int32_t CREATE_WRAP_WIDTH = 48;
constexpr int32_t CREATE_NAME_COL = 23;
constexpr int32_t CREATE_QUESTION_ROW = 14;

void drawCreateName(Canvas* cv, const ClientState* cs) {
    screenColourText(cv->term, 8, CREATE_TEXT_COL, COL_CYAN, 0, "Table:");
    screenColourText(cv->term, 8, CREATE_NAME_COL, COL_WHITE, 1, cs->table.createName);
}

void createStageName(Canvas* cv, const ClientState*) {
    drawWrapped(cv, 8, CREATE_TEXT_COL, CREATE_WRAP_WIDTH, COL_WHITE, 0,
                "Give your table a name. Anyone in the Lounge will see it and can pull up a chair.", 10);
    screenColourText(cv->term, 12, CREATE_TEXT_COL, COL_YELLOW, 1, "What shall we call it?");
}

void createStageLock(Canvas* cv, const ClientState* cs) {
    drawCreateName(cv, cs);
    drawWrapped(cv, 10, CREATE_TEXT_COL, CREATE_WRAP_WIDTH, COL_WHITE, 0,
                "Lock it? A locked table still shows in the list, but only people you give the share "
                "code to can sit down.", 12);
    screenColourText(cv->term, CREATE_QUESTION_ROW, CREATE_TEXT_COL, COL_YELLOW, 1,
                     "Lock this table?  [Y] / [N]");
}

void createStageTurns(Canvas* cv, const ClientState* cs) {
    drawCreateName(cv, cs);
    screenColourText(cv->term, 9, CREATE_TEXT_COL, COL_CYAN, 0,
                     cs->table.createLocked ? "Locked" : "Open to anyone");
    drawWrapped(cv, 11, CREATE_TEXT_COL, CREATE_WRAP_WIDTH, COL_WHITE, 0,
                "Should everyone take turns choosing the story? Say no and you pick for the table "
                "every round.", 13);
    screenColourText(cv->term, CREATE_QUESTION_ROW, CREATE_TEXT_COL, COL_YELLOW, 1,
                     "Take turns picking?  [Y] / [N]");
}

constexpr void (*CREATE_STAGES[])(Canvas* cv, const ClientState* cs) = {createStageName, createStageLock,
                                                                        createStageTurns};
constexpr int32_t CREATE_STAGE_COUNT = (int32_t)(sizeof CREATE_STAGES / sizeof CREATE_STAGES[0]);

}  // namespace

LoungePaging loungePaging(int32_t entries, int32_t requested) {
    LoungePaging p;
    if (entries <= LOUNGE_PAGE_ROWS) {
        p.rowsPerPage = LOUNGE_PAGE_ROWS;
        p.pageCount = 1;
    } else {
        p.rowsPerPage = LOUNGE_PAGED_ROWS;
        p.pageCount = (entries + LOUNGE_PAGED_ROWS - 1) / LOUNGE_PAGED_ROWS;
    }
    p.page = maxOf(minOf(requested, p.pageCount - 1), 0);
    return p;
}

void paintLounge(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, "T H E   L O U N G E");
    drawListBox(cv, cs, TABLES_LEFT, TABLES_RIGHT, "Tables", tablesListed(cs));
    drawListBox(cv, cs, PLAYERS_LEFT, PLAYERS_RIGHT, "Who's Here", playersListed(cs));
    drawTables(cv, cs);
    drawLoungePlayers(cv, cs);
}

void paintTable(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    drawTableTitle(cv, cs);
    drawTaleLine(cv, cs);
    drawShareCodeAndHints(cv, cs);
    drawTablePlayers(cv, cs);
    if (cs->table.isHost && cs->table.presetLine[0]) screenCentreText(cv->term, PRESET_ROW, COL_CYAN, 0, cs->table.presetLine);
    drawTableStatus(cv, cs);
}

void paintCreateTable(Canvas* cv, const ClientState* cs) {
    screenClearBody(cv->term);
    screenCentreText(cv->term, TITLE_ROW, COL_YELLOW, 1, "Y O U R   O W N   T A B L E");
    screenBox(cv->term, 6, 12, 15, 68, COL_CYAN, 0, nullptr);
    // An out-of-range stage shows the first step, as the footer does.
    int32_t stage = (cs->table.createStage >= 0 && cs->table.createStage < CREATE_STAGE_COUNT) ? cs->table.createStage : 0;
    CREATE_STAGES[stage](cv, cs);
}
