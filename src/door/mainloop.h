// The main loop: the door's only scheduler once the service link stands.
// Owns the connect command, the order of one pass (server lines, service
// verdicts, keys, quarter-second timers, drawing), the quarter-second tick
// and the ways the loop ends (time up, idle, lost link, verdicts).
#pragma once
#include <cstdint>

struct ClientState;
struct JsonNode;

constexpr uint32_t LOOP_WAIT_MAX_MS = 1000;     // longest sleep between passes, whatever is due
constexpr uint32_t LOOP_HOLD_BEAT_MS = 20;      // a held notice looks for a hang-up this often
constexpr uint32_t TIMER_PERIOD_MS = 250;       // quarter-second timers run at most this often
constexpr uint32_t WORD_CHECK_LIMIT_MS = 3000;  // an unanswered word check takes the word
constexpr uint32_t NOTICE_LIFE_MS = 25000;      // a notice clears itself after this
constexpr uint32_t IDLE_WARN_MS = 1500000;      // 25 minutes without a key: a warning
constexpr uint32_t IDLE_LEAVE_MS = 1800000;     // 30 minutes: back to the BBS
constexpr uint32_t TIME_UP_HOLD_MS = 2500;      // the time-up notice stays this long
constexpr uint32_t LOST_LINK_HOLD_MS = 2500;    // so does the lost-connection notice
constexpr uint32_t VISIT_ENDED_HOLD_MS = 2500;  // and the reason the service gave for ending the visit
constexpr uint32_t IDLE_HOLD_MS = 3000;         // and the idle screen
constexpr int32_t WELCOME_SPRITE_ROWS = 20;     // stars fall through rows 1 to 20
constexpr int32_t GUIDE_INTRO_FRAMES = 50;      // guide page 0 loops after frame 50

constexpr int32_t CONNECT_ID_MAX = 60;          // escaped board id in the connect command
constexpr int32_t CONNECT_ALIAS_MAX = 30;       // escaped alias in the connect command
constexpr int32_t CONNECT_LINE_BYTES = 384;     // fits both at their limits and the frame

// The connect command for this caller and board into out; returns its length.
int32_t formatConnectCommand(const ClientState* state, char* out, int32_t cap);

// Entering the loop: send the connect command, switch to the welcome screen,
// let the timers run at the first pass.
void mainLoopStart(ClientState* state);

// One pass of the loop. Returns 1 to run another pass, 0 to leave (running
// cleared, the terminal dead, or a final screen held long enough).
int32_t mainLoopPass(ClientState* state);

// How long the loop may sleep after a pass before something is due: the
// next animation frame, countdown second, notice expiry, ESC timeout, word
// check give-up, idle warning, hold end or end of BBS time; at most
// LOOP_WAIT_MAX_MS. Input ends the sleep earlier.
uint32_t mainLoopWaitMs(const ClientState* state);

// Sleep until the caller types, the service sends, or mainLoopWaitMs runs out.
void mainLoopWait(ClientState* state);

// mainLoopStart, then passes, each followed by mainLoopWait, until one says to leave.
void mainLoop(ClientState* state);

// Route one received line: a reply when it has "ackId", else an event when
// it names one; unparsable lines and lines with neither are dropped.
void routeServerLine(ClientState* state, const char* line);

// The quarter-second tick: word check give-up, animations, notice expiry,
// countdown and shuffle frames.
void uiTick(ClientState* state);
