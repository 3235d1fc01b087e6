#include "door/startup.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/cmdline.h"
#include "host/config.h"
#include "host/drop.h"
#include "door/mainloop.h"
#include "host/nodelog.h"
#include "host/settings.h"
#include "net/connection.h"
#include "net/wire.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "terminal/charset.h"
#include "terminal/screen.h"
#include "terminal/terminal.h"

constexpr const char* TITLE_SPACED = "W O R D W H I R L";
constexpr const char* NO_TERMINAL_CONSOLE_LINE = "Wordwhirl: could not open the caller's terminal.";
constexpr int32_t GOODBYE_BOARD_MAX = 40;   // board names are at most 31 characters: never cut
constexpr int32_t GOODBYE_SYSOP_MAX = 30;   // a 31-character Sysop name loses its last letter
static_assert(GOODBYE_BOARD_MAX >= (int32_t)sizeof(IdentityState::boardName) - 1,
              "the board name shows whole");
static_assert(GOODBYE_DOT_FIRST_COL + GOODBYE_DOT_COUNT - 1 < SCREEN_COLS, "the dots stay on the grid");

// ---------------------------------------------------------------------------
// Waiting for the caller

void doorWaitKey(ClientState* state) {
    while (termAlive(&state->term)) {
        if (termReadKey(&state->term, tickMs(&state->clock)) != KEY_NONE) return;
        platSleepMs(KEY_WAIT_POLL_MS);
    }
}

// ---------------------------------------------------------------------------
// Drop file notice

struct DropNoticeText {
    int32_t status;            // DropStatus this text explains
    const char* headline;
    const char* sysopFirst;
    const char* sysopSecond;
};

// The last entry (not found) also stands for any status not listed.
constexpr DropNoticeText DROP_NOTICES[] = {
    {DROP_EMPTY, "Your board's drop file is empty.",
     "Sysop: the BBS may not be writing it before the door starts.",
     "Check the menu entry writes a drop file, then runs the door."},
    {DROP_UNKNOWN_LAYOUT, "Your board's drop file is not in a layout we know.",
     "Sysop: we read DOOR32.SYS, DOOR.SYS and DORINFO1.DEF.",
     "A DOOR32.SYS needs all eleven lines, the node number last."},
    {DROP_NO_ACCESS, "Your board's drop file cannot be opened by this door.",
     "Sysop: the door is running as a different user than the BBS.",
     "Give that account read access, or put a copy beside %s."},
    {DROP_NOT_FOUND, "Your board's drop file could not be found.",
     "Sysop: point the menu entry at the file your BBS writes,",
     "or put a copy of DOOR32.SYS beside %s."},
};
constexpr int DROP_NOTICE_COUNT = (int)(sizeof DROP_NOTICES / sizeof DROP_NOTICES[0]);

static const DropNoticeText& dropNoticeFor(int32_t status) {
    for (const DropNoticeText& text : DROP_NOTICES)
        if (text.status == status) return text;
    return DROP_NOTICES[DROP_NOTICE_COUNT - 1];
}

void drawDropNotice(ClientState* state) {
    const DropNoticeText& text = dropNoticeFor(state->caller.dropStatus);
    screenClear(&state->term);
    screenCentreText(&state->term, 5, COL_YELLOW, 1, "WORDWHIRL");
    screenCentreText(&state->term, 7, COL_RED, 1, text.headline);
    screenCentreText(&state->term, 9, COL_WHITE, 0, "So the game does not know who you are.");
    screenCentreText(&state->term, 10, COL_WHITE, 0, "You can play on, but you will show up as Player.");
    screenCentreText(&state->term, 12, COL_CYAN, 0, text.sysopFirst);
    char second[SCREEN_COLS];
    formatText(second, text.sysopSecond, state->caller.programName);
    screenCentreText(&state->term, 13, COL_CYAN, 0, second);
    screenCentreText(&state->term, 15, COL_WHITE, 0,
                     "The whole path we tried is in the log beside the .exe.");
    screenCentreText(&state->term, 17, COL_WHITE, 0, "Press any key to carry on.");
}

// ---------------------------------------------------------------------------
// Connecting and its failure

void drawConnecting(ClientState* state) {
    screenClear(&state->term);
    screenCentreText(&state->term, 11, COL_CYAN, 1, TITLE_SPACED);
    screenCentreText(&state->term, 13, COL_WHITE, 0, "Connecting you to the story...");
}

// The connecting lines stay above the reason; the caller's key ends the door.
static int connectFailed(ClientState* state) {
    screenCentreText(&state->term, 15, COL_RED, 1, state->conn.lastError);
    screenCentreText(&state->term, 17, COL_WHITE, 0, "Press any key to return to the BBS.");
    screenFlush(&state->term);
    doorWaitKey(state);
    screenClear(&state->term);
    screenShowCursor(&state->term, 1);
    screenFlush(&state->term);
    termClose(&state->term);
    return DOOR_EXIT_OK;
}

// The session: the main loop runs until `running` drops to 0.
static void runSession(ClientState* state) {
    mainLoop(state);
}

// ---------------------------------------------------------------------------
// Goodbye

static const char* preferred(const char* fromService, const char* fromConfig) {
    return fromService[0] ? fromService : fromConfig;
}

void drawGoodbye(ClientState* state) {
    screenClear(&state->term);
    screenBox(&state->term, 6, 14, 17, 66, COL_CYAN, 1, nullptr);
    screenCentreText(&state->term, 8, COL_YELLOW, 1, TITLE_SPACED);
    screenCentreText(&state->term, 10, COL_WHITE, 1, "Thanks for playing!");
    const char* board = preferred(state->identity.boardName, state->cfg.bbsName);
    if (board[0]) {
        char line[64];  // 17 + 40 characters
        formatText(line, "Returning you to %.*s", (int)GOODBYE_BOARD_MAX, board);
        screenCentreText(&state->term, 13, COL_WHITE, 0, line);
    }
    const char* sysop = preferred(state->identity.sysopName, state->cfg.sysop);
    if (sysop[0]) {
        char line[64];  // 18 + 30 + 1 characters
        formatText(line, "Thank your Sysop, %.*s,", (int)GOODBYE_SYSOP_MAX, sysop);
        screenCentreText(&state->term, 15, COL_CYAN, 1, line);
        screenCentreText(&state->term, 16, COL_CYAN, 1, "for adding Wordwhirl!");
    }
    screenCentreText(&state->term, 18, COL_CYAN, 1, WEB_ADDRESS);
}

// Sleep ms, in short steps that look for a hang-up.
static void waitWhileCallerStays(ClientState* state, uint32_t ms) {
    uint32_t start = tickMs(&state->clock);
    while (termAlive(&state->term) && (uint32_t)(tickMs(&state->clock) - start) < ms) {
        termCheckHangUp(&state->term);
        platSleepMs(HANG_UP_POLL_MS);
    }
}

// One dot every 700 ms; a caller who has hung up gets no more of them.
static void goodbyeDots(ClientState* state) {
    for (int32_t i = 0; i < GOODBYE_DOT_COUNT && termAlive(&state->term); i++) {
        waitWhileCallerStays(state, GOODBYE_DOT_MS);
        if (!termAlive(&state->term)) break;
        screenColourText(&state->term, 20, GOODBYE_DOT_FIRST_COL + i, COL_WHITE, 0, ".");
        screenFlush(&state->term);
    }
}

void doorExitSequence(ClientState* state) {
    serverSendLine(&state->conn, "{\"cmd\":\"disconnect\"}");
    serverClose(&state->conn);
    drawGoodbye(state);
    screenFlush(&state->term);
    screenCentreText(&state->term, 20, COL_WHITE, 0, "Sending you back now");
    screenFlush(&state->term);
    goodbyeDots(state);
    platSleepMs(GOODBYE_LINGER_MS);
    screenSetColour(&state->term, COL_WHITE, 0);
    screenShowCursor(&state->term, 1);
    screenGoto(&state->term, 22, 1);
    screenFlush(&state->term);
    termClose(&state->term);
}

// ---------------------------------------------------------------------------
// Start-up

// What the menu entry's options override in the caller record: a BBS that
// writes the wrong node, socket or time left is put right by its Sysop here.
static void applyOptions(ClientState* state, const DoorOptions* opts) {
    CallerInfo* caller = &state->caller;
    if (opts->node > 0) caller->nodeNumber = opts->node;
    if (opts->handleGiven) {
        caller->commType = COMM_TELNET;
        caller->commHandle = opts->handle;
    }
    if (opts->stdio) caller->commType = COMM_LOCAL;
    if (opts->minutes > 0)
        caller->timeLeftSecs = opts->minutes > INT32_MAX / 60 ? INT32_MAX : opts->minutes * 60;
    if (opts->charset != CMD_CHARSET_CFG) state->cfg.utf8 = opts->charset == CMD_CHARSET_UTF8;
    if (opts->telnet != TELNET_AUTO) state->cfg.telnet = opts->telnet;
    state->log.node = caller->nodeNumber;
    // A BBS must never be stopped by a flag: it is noted and passed over.
    for (int32_t i = 0; i < opts->unknownCount; i++)
        nodeLog(&state->log, "WW-ARGS-01 unknown option ignored (%s)", opts->unknown[i]);
}

// Steps before the terminal: the clock, the start line, the caller record
// and door.cfg.
static void readSetup(ClientState* state, const DoorOptions* opts) {
    memset(state, 0, sizeof *state);
    tickStart(&state->clock);
    state->timers.doorStartTick = tickMs(&state->clock);
    state->timers.lastInputTick = state->timers.doorStartTick;
    state->identity.testerFeedback = 1;
    // door.cfg first: it says where the log goes.
    configDefaults(&state->cfg);
    configRead(&state->cfg);
    copyText(state->log.dir, state->cfg.logDir);
    nodeLog(&state->log, "--- Wordwhirl door v%s starting ---", DOOR_VERSION);  // no node named yet
    DropText dropText;  // the file's lines, needed only while the caller record is filled
    dropRead(&state->caller, opts->dropPath, &dropText, &state->log);
    copyText(state->caller.programName, opts->programName);
    applyOptions(state, opts);
    copyText(state->conn.host, state->cfg.host);
    state->conn.port = state->cfg.port;
    state->conn.useTls = state->cfg.useTls;
    copyText(state->conn.caFile, state->cfg.caFile);
    state->conn.log = &state->log;
    copyText(state->identity.myName, state->caller.callerName);
}

int doorMain(ClientState* state, int argc, char** argv) {
    DoorOptions opts;
    cmdParse(&opts, argc, argv);
    if (opts.help) {
        fputs(CMD_HELP_TEXT, stdout);
        return DOOR_EXIT_OK;
    }
    readSetup(state, &opts);
    // A local caller's screen pipe that closes must read as a hang-up (a
    // dead terminal, exit 0), not kill the door before it hands back.
    conIgnoreBrokenPipe();
    if (!termOpen(&state->term, &state->caller, state->cfg.telnet, &state->log)) {
        nodeLogConsoleFree(&state->log);  // nobody's screen: a log that failed can be told here
        nodeLog(&state->log, "WW-TERM-01");
        printf("%s\n", NO_TERMINAL_CONSOLE_LINE);
        fflush(stdout);
        return DOOR_EXIT_NO_TERM;
    }
    if (state->term.isSocket) nodeLogConsoleFree(&state->log);
    state->term.utf8Out = state->cfg.utf8;
    screenReset(&state->term);
    if (state->caller.dropStatus != DROP_OK) {
        drawDropNotice(state);
        screenFlush(&state->term);
        doorWaitKey(state);
        screenClear(&state->term);
        screenFlush(&state->term);
    }
    drawConnecting(state);
    screenFlush(&state->term);
    if (!serverConnect(&state->conn, state->conn.host, state->conn.port, state->conn.useTls))
        return connectFailed(state);
    state->timers.running = 1;
    runSession(state);
    doorExitSequence(state);
    return DOOR_EXIT_OK;
}
