#include "door/mainloop.h"

#include "host/nodelog.h"
#include "session/keys.h"
#include "session/replies.h"
#include "session/requests.h"
#include "net/connection.h"
#include "net/json.h"
#include "net/wire.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/wait.h"
#include "screens/renderer.h"
#include "session/screen_table.h"
#include "screens/service_screens.h"
#include "state/client_state.h"
#include "session/events.h"
#include "state/state.h"
#include "terminal/screen.h"
#include "terminal/terminal.h"
#include "screens/widgets.h"

namespace {

// Escape capacities: every character of the field may grow threefold, plus jsonEscapeText's slack.
constexpr size_t CONNECT_ID_ESCAPED = jsonEscapeCap(sizeof(ClientState{}.cfg.bbsId));
constexpr size_t CONNECT_ALIAS_ESCAPED = jsonEscapeCap(sizeof(CallerInfo{}.callerName));
static_assert(CONNECT_LINE_BYTES > 80 + jsonEscapedMax(CONNECT_ID_MAX) + jsonEscapedMax(CONNECT_ALIAS_MAX) + 11,
              "the connect command must fit with both texts at their limits");

bool elapsedOver(uint32_t now, uint32_t since, uint32_t ms) {
    return (int32_t)(now - since) > (int32_t)ms;
}

// Leave once `ms` have passed; until then passes only wait.
void startHold(ClientState* s, uint32_t ms) {
    s->timers.loopHold = 1;
    s->timers.loopHoldEnd = tickMs(&s->clock) + ms;
}

// Keys are not read while a notice holds, so a hang-up is looked for.
int32_t holdPass(ClientState* s) {
    termCheckHangUp(&s->term);
    if (!termAlive(&s->term) || tickPassed(tickMs(&s->clock), s->timers.loopHoldEnd)) {
        s->timers.running = 0;
        return 0;
    }
    return 1;
}

// A notice the caller must read before the door lets go: drawn on row 23 on
// any screen (the whole-screen views have no footer of their own) and held.
void showLastNotice(ClientState* s, const char* text, uint32_t holdMs) {
    setNotice(s, text);
    renderScreen(s, screenLook(s->view.screen));
    Canvas cv = canvasOf(s);
    drawFooter(&cv, s, "");
    s->view.inputDirty = 1;
    screenFlush(&s->term);
    startHold(s, holdMs);
}

void drainServerLines(ClientState* s) {
    const char* line = nullptr;
    while (serverReceiveLine(&s->conn, &line)) routeServerLine(s, line);
}

void dropWaitingKeys(ClientState* s) {
    while (termReadKey(&s->term, tickMs(&s->clock)) != KEY_NONE) {
    }
}

PaintFn verdictPainter(const ClientState* s) {
    return s->standing.maintenance ? paintMaintenance : paintBarred;
}

// A verdict screen is up: the first key pressed after it ends the door's run;
// Ctrl-L paints it again and Ctrl-C does nothing, as on every screen.
int32_t verdictPass(ClientState* s) {
    int32_t key = termReadKey(&s->term, tickMs(&s->clock));
    if (key == KEY_CTRL_L || termResized(&s->term)) {
        screenForget(&s->term);
        Canvas cv = canvasOf(s);
        verdictPainter(s)(&cv, s);
    } else if (key != KEY_NONE && key != KEY_CTRL_C) {
        s->timers.running = 0;
        return 0;
    }
    return 1;
}

void showVerdict(ClientState* s, PaintFn paint) {
    Canvas cv = canvasOf(s);
    paint(&cv, s);
    dropWaitingKeys(s);  // keys typed before the screen was up do not count
    s->timers.verdictWait = 1;
}

// The service ended the visit (kicked, disconnected) while its lines were
// read: its reason is the last thing the caller reads, before a lost link,
// since the service usually hangs up right after saying why.
bool visitEndedByService(ClientState* s) {
    if (s->timers.running || !s->input.noticeText[0]) return false;
    char reason[sizeof s->input.noticeText];
    copyText(reason, s->input.noticeText);
    showLastNotice(s, reason, VISIT_ENDED_HOLD_MS);
    return true;
}

// True when the service's verdict ends the run (the pass stops here).
bool actOnVerdicts(ClientState* s) {
    if (s->standing.maintenance || s->standing.barred) {
        showVerdict(s, verdictPainter(s));
        return true;
    }
    if (visitEndedByService(s)) return true;
    if (!s->conn.connected) {
        showLastNotice(s, "Lost the connection to Wordwhirl.", LOST_LINK_HOLD_MS);
        return true;
    }
    return false;
}

void readKeys(ClientState* s) {
    if (!s->timers.running) return;  // a handler has already ended the run
    for (;;) {
        int32_t key = termReadKey(&s->term, tickMs(&s->clock));
        if (key == KEY_NONE) return;
        s->timers.lastInputTick = tickMs(&s->clock);
        s->timers.idleWarned = 0;
        keyDispatch(s, key);
        if (!s->timers.running) return;
    }
}

bool bbsTimeUp(const ClientState* s, uint32_t now) {
    int32_t allowed = s->caller.timeLeftSecs;
    return allowed > 0 && (now - s->timers.doorStartTick) / 1000 >= (uint32_t)allowed;
}

void checkIdle(ClientState* s, uint32_t now) {
    uint32_t idle = now - s->timers.lastInputTick;
    if (idle >= IDLE_LEAVE_MS) {
        Canvas cv = canvasOf(s);
        paintIdle(&cv, s);
        startHold(s, IDLE_HOLD_MS);
    } else if (!s->timers.idleWarned && idle >= IDLE_WARN_MS) {
        s->timers.idleWarned = 1;
        appendSystemLine(s, "",
                         "Still there? You'll be returned to the BBS in five minutes unless you press a key.",
                         CHAT_SYSTEM);
    }
}

void runTimers(ClientState* s) {
    uint32_t now = tickMs(&s->clock);
    if ((int32_t)(now - s->timers.lastTimerTick) < (int32_t)TIMER_PERIOD_MS) return;
    uiTick(s);
    if (bbsTimeUp(s, now)) {
        showLastNotice(s, "Your time on the BBS is up - thanks for playing!", TIME_UP_HOLD_MS);
    } else if (s->timers.running) {
        checkIdle(s, now);
    }
    s->timers.lastTimerTick = now;
}

// ---- the quarter-second tick ----

void advanceWelcome(ClientState* s) {
    RenderCache* rc = &s->render;
    for (int32_t i = 0; i < WELCOME_SPRITES; i++) {
        if (++rc->welcomeSpriteTimer[i] <= WELCOME_SPRITE_ROWS) continue;
        rc->welcomeSpriteTimer[i] = 1;
        int32_t step = ++rc->welcomeSpriteStep[i];
        // Even stars stay in the left band (columns 3-13), odd ones in the right (66-76).
        rc->welcomeSpriteCol[i] = (i % 2 == 0) ? (3 * i + 5 * step) % 11 + 3
                                               : (7 * step + 5 * i) % 11 + 66;
    }
    s->view.animDirty = 1;
}

void advanceGuide(ClientState* s) {
    s->view.guideFrame++;
    if (s->view.guidePage == 0 && s->view.guideFrame > GUIDE_INTRO_FRAMES) s->view.guideFrame = 0;
    s->view.animDirty = 1;
}

bool roundClockRuns(const ClientState* s) {
    return s->timers.wordDeadline > 0 || s->timers.revealDeadline > 0 || s->timers.pickDeadline > 0 ||
           s->timers.scoresDeadline > 0;
}

// While a self-hosted table waits for somebody to be chosen, its names shuffle.
bool tableShuffles(const ClientState* s) {
    return s->view.screen == SCR_TABLE && !s->table.isHost && s->table.roomAutoHost && s->table.pickerName[0] == 0 &&
           s->table.playerCount >= 2;
}

void tickOtherScreen(ClientState* s) {
    uint32_t now = tickMs(&s->clock);
    if (s->input.noticeText[0] && s->input.noticeTick > 0 && elapsedOver(now, s->input.noticeTick, NOTICE_LIFE_MS)) {
        s->input.noticeText[0] = 0;
        s->input.noticeTick = 0;
        s->view.noticeDirty = 1;
    }
    bool everySecond = s->timers.uiTicks % 4 == 0;
    if (s->timers.startDeadline > 0) {
        if (everySecond) s->view.countdownDirty = 1;
        return;
    }
    if (roundClockRuns(s) && everySecond) s->view.countdownDirty = 1;
    if (tableShuffles(s) && s->timers.uiTicks % 2 == 0) {
        s->view.shuffleFrame++;
        s->view.contentDirty = 1;
    }
}

// ---- the next deadline ----

// The earliest moment the loop has work without input, as a wait from now.
struct Deadlines {
    uint32_t now;
    uint32_t waitMs;   // the wait so far: the earliest deadline seen
    uint32_t tickDue;  // the quarter-second timers run no earlier than this

    void in(uint32_t ms) { waitMs = minOf(waitMs, ms); }
    void until(uint32_t at) { in((uint32_t)maxOf((int32_t)(at - now), 0)); }
    // Something the quarter-second timers do: they run once both it and their
    // next turn have come.
    void timer(uint32_t at) { until((int32_t)(at - tickDue) < 0 ? tickDue : at); }
    // A whole-seconds count down to `deadline` shown on screen changes one
    // millisecond after each multiple of 1000 ms before it (and the deadline
    // itself is reached at the multiple 0).
    void secondEdge(uint32_t deadline) {
        int32_t left = (int32_t)(deadline - now);
        if (left <= 0) return;
        in((uint32_t)(left % 1000));
        in((uint32_t)(left % 1000 + 1));
    }
};

// What the quarter-second timers and the tick's screen work will do.
void timerDeadlines(const ClientState* s, Deadlines* d) {
    bool animated = s->view.screen == SCR_WELCOME || s->view.screen == SCR_GUIDE;
    if (animated || s->timers.startDeadline > 0 || roundClockRuns(s) || tableShuffles(s)) d->until(d->tickDue);
    if (s->input.noticeText[0] && s->input.noticeTick > 0) d->timer(s->input.noticeTick + NOTICE_LIFE_MS + 1);
    if (s->round.wordCheckPending) d->timer(s->round.wordCheckTick + WORD_CHECK_LIMIT_MS + 1);
    if (s->caller.timeLeftSecs > 0) d->timer(s->timers.doorStartTick + (uint32_t)s->caller.timeLeftSecs * 1000u);
    d->timer(s->timers.lastInputTick + (s->timers.idleWarned ? IDLE_LEAVE_MS : IDLE_WARN_MS));
}

// What a pass draws from the clock without a timer: the time left in the
// header, the seconds of every countdown and offer.
void drawnDeadlines(const ClientState* s, Deadlines* d) {
    const uint32_t counted[] = {s->timers.startDeadline, s->timers.wordDeadline, s->timers.revealDeadline,
                                s->timers.scoresDeadline, s->timers.pickDeadline};
    for (uint32_t deadline : counted)
        if (deadline > 0) d->secondEdge(deadline);
    int32_t left = callerSecondsLeft(s);
    if (s->caller.timeLeftSecs > 0 && left >= 1 && left <= STATUS_TIMED_MAX + 1) {
        uint32_t elapsed = (d->now - s->timers.doorStartTick) / 1000u;
        d->until(s->timers.doorStartTick + (elapsed + 1) * 1000u);
    }
}

}  // namespace

int32_t formatConnectCommand(const ClientState* state, char* out, int32_t cap) {
    char id[CONNECT_ID_ESCAPED];
    char alias[CONNECT_ALIAS_ESCAPED];
    jsonEscapeText(id, sizeof id, state->cfg.bbsId);
    jsonEscapeText(alias, sizeof alias, state->caller.callerName);
    return formatTextN(out, (size_t)cap,
                       "{\"cmd\":\"connect\",\"bbsInstanceId\":\"%.*s\",\"localUserid\":\"%d\","
                       "\"alias\":\"%.*s\"}",
                       escapedCut(id, CONNECT_ID_MAX), id, state->caller.userRecord,
                       escapedCut(alias, CONNECT_ALIAS_MAX), alias);
}

void routeServerLine(ClientState* state, const char* line) {
    JsonNode* root = jsonParse(&state->lineDoc, line);
    if (!root) return;
    const char* event = jsonGetString(root, "event", "");
    const JsonNode* data = jsonGet(root, "data");
    if (!data) data = root;
    if (jsonGet(root, "ackId")) {
        replyDispatch(state, jsonGetInt(root, "ackId", 0), data);
    } else if (event[0]) {
        eventDispatch(state, event, data);
    }
}

void uiTick(ClientState* state) {
    state->timers.uiTicks++;
    if (state->round.wordCheckPending &&
        elapsedOver(tickMs(&state->clock), state->round.wordCheckTick, WORD_CHECK_LIMIT_MS)) {
        state->round.wordCheckPending = 0;
        // Once time is up the answers go without a word nobody could check.
        if (!wordTimeUp(state)) submitWord(state, state->round.pendingWord);
    }
    sendAnswersAtTimeUp(state);
    if (state->view.screen == SCR_WELCOME) advanceWelcome(state);
    else if (state->view.screen == SCR_GUIDE) advanceGuide(state);
    else tickOtherScreen(state);
}

void mainLoopStart(ClientState* state) {
    char line[CONNECT_LINE_BYTES];
    formatConnectCommand(state, line, CONNECT_LINE_BYTES);
    serverSendLine(&state->conn, line);
    enterScreen(state, SCR_WELCOME);
    state->timers.lastTimerTick = 0;
    state->timers.loopHold = 0;
    state->timers.verdictWait = 0;
}

int32_t mainLoopPass(ClientState* state) {
    if (!termAlive(&state->term)) return 0;
    if (state->timers.verdictWait) return verdictPass(state);
    if (state->timers.loopHold) return holdPass(state);

    drainServerLines(state);
    if (actOnVerdicts(state)) return 1;  // the next passes wait or hold
    if (termResized(&state->term)) requestRepaint(state);
    readKeys(state);
    runTimers(state);
    if (state->timers.loopHold) return 1;       // a last screen is up: nothing more is drawn

    renderScreen(state, screenLook(state->view.screen));
    screenFlush(&state->term);
    return state->timers.running ? 1 : 0;
}

uint32_t mainLoopWaitMs(const ClientState* s) {
    uint32_t now = tickMs(&s->clock);
    Deadlines d{now, LOOP_WAIT_MAX_MS, s->timers.lastTimerTick + TIMER_PERIOD_MS};
    if (s->timers.loopHold) {
        // Keys are not read while a notice holds, so the caller's input cannot
        // wake the loop; a short beat looks for a hang-up instead.
        d.until(s->timers.loopHoldEnd);
        d.in(LOOP_HOLD_BEAT_MS);
        return d.waitMs;
    }
    int32_t key = termKeyDueMs(&s->term, now);
    if (key >= 0) d.in((uint32_t)key);
    if (s->timers.verdictWait) return d.waitMs;
    timerDeadlines(s, &d);
    drawnDeadlines(s, &d);
    return d.waitMs;
}

void mainLoopWait(ClientState* s) {
    uint32_t ms = mainLoopWaitMs(s);
    if (ms == 0) return;
    if (s->timers.loopHold) {
        platSleepMs(ms);
        return;
    }
    WaitSource sources[2] = {termWaitSource(&s->term), {s->conn.socket, WAIT_SOCKET, false}};
    int32_t count = s->conn.connected && !s->timers.verdictWait ? 2 : 1;
    if (count == 2 && serverInputWaiting(&s->conn)) return;  // already received: no wait
    platWait(sources, count, ms);
}

void mainLoop(ClientState* state) {
    mainLoopStart(state);
    while (mainLoopPass(state)) mainLoopWait(state);
}
