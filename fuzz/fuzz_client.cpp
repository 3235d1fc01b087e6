// Fuzz target for the whole client: the input is a sequence of records, one
// per line, each a service line (event or reply), a run of keys or a jump of
// the clock, driven through the same steps as a main loop pass: read the
// service's lines off the connection and route them, or dispatch the keys,
// or run the quarter-second tick; then show a verdict screen or render and
// flush. After every record the caller's terminal is
// drained and checked: nothing below 32 but ESC starting a CSI sequence of
// the drawing primitives, and every 255 doubled (the telnet offer at open
// aside). Every request the door sends the service must be one JSON object
// on one line with a "cmd".
//
// Records ('\n' ends one; '\n' is no key the decoder ever hands on):
//   {...          a line from the service: written to the connection with
//                 its line feed and read back through serverReceiveLine
//   w<bytes>      bytes from the service without a line feed (a line cut
//                 across reads)
//   l<bytes>      bytes from the service with a line feed (ends a cut line)
//   k<bytes>      keys: each byte a key; 0xF0..0xF5 are UP DOWN LEFT RIGHT PGUP PGDN
//   t<byte>       the clock moves byte x 250 ms, then one quarter-second tick
//   r<bytes>      raw bytes the caller's telnet client sends (telnet commands
//                 and escape sequences included; no line feed, which ends
//                 the record); the next p reads them
//   p             one real main loop pass (mainLoopPass: lines, verdicts, the
//                 key decoder, timers, drawing); the first
//                 8 of an input run, later ones do nothing
//   anything else typed text: every byte a key
//
// Cursor moves are checked to stay on the 24 x 80 grid as well.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "door/mainloop.h"
#include "fuzz_common.h"
#include "session/keys.h"
#include "net/wire.h"
#include "net/json.h"
#include "platform/text.h"
#include "screens/renderer.h"
#include "screens/service_screens.h"
#include "session/screen_table.h"
#include "state/client_state.h"
#include "terminal/screen.h"
#include "terminal/terminal.h"

using fuzzsupport::check;

namespace {

constexpr size_t MAX_INPUT = 64 * 1024;      // a long session's worth of records
constexpr int32_t MAX_RECORDS = 400;         // records acted on per input
constexpr int32_t MAX_REAL_PASSES = 8;       // whole passes are slow: more would starve the search
constexpr int32_t TELNET_HELLO_BYTES = 9;    // IAC WILL ECHO, IAC WILL SGA, IAC DO SGA
constexpr int32_t CSI_MAX_BYTES = 24;        // longest primitive sequence: ESC [ 0;1;4;37m and kin
constexpr uint32_t CLOCK_STEP_MS = 250;      // one quarter-second per step of a 't' record
constexpr int32_t SOCKET_BUFFER = 4 << 20;   // both peers' buffers: a pass never fills them
constexpr int32_t SERVICE_LINE_MAX = 16384;  // longest request the door builds, with room

ClientState state;            // static: too big for the stack
int termPeer = -1;            // the caller's end of the terminal socket
int servicePeer = -1;         // the service's end of the connection
char lineBuf[MAX_INPUT + 1];  // one record, terminated

// The caller's side: a CSI parser that must never meet anything else.
struct TermCheck {
    int32_t state;       // 0 text, 1 after ESC, 2 inside CSI, 3 after a 255, 4 telnet option
    int32_t seqLen;      // bytes of the CSI sequence so far
    std::string params;  // its parameter bytes
};
TermCheck termCheck;

// A cursor move must land on the 24 x 80 grid: a terminal clamps a row
// below the last to the last, so a painter drawing there would overwrite
// the footer and the input line.
void checkCursorMove(const char* params) {
    int row = 0, col = 1;  // a move to column 1 may leave it out
    check(sscanf(params, "%d;%d", &row, &col) >= 1, "a cursor move names its row");
    check(row >= 1 && row <= SCREEN_ROWS, "the cursor row is on the screen");
    check(col >= 1 && col <= SCREEN_COLS, "the cursor column is on the screen");
}
void checkTermByte(unsigned char b) {
    TermCheck& c = termCheck;
    switch (c.state) {
    case 0:
        if (b == 27) c.state = 1;
        else if (b == 255) c.state = 3;
        else check(b >= 32, "no control byte reaches the caller");
        return;
    case 4:
        c.state = 0;  // the option of a telnet answer: any byte
        return;
    case 1:
        check(b == '[', "ESC only starts a CSI sequence");
        c = TermCheck{2, 2, ""};
        return;
    case 2:
        check(++c.seqLen <= CSI_MAX_BYTES, "CSI sequence of sane length");
        if (b >= 0x40 && b <= 0x7E) {  // final byte
            c.state = 0;
            if (b == 'H' && !c.params.empty()) checkCursorMove(c.params.c_str());
            return;
        }
        check(b >= 0x20 && b <= 0x3F, "CSI holds parameter bytes only");
        c.params += (char)b;
        return;
    default:
        // A data 255 goes out doubled; the decoder answers the caller's
        // telnet client with IAC WILL/WONT/DO/DONT and an option.
        check(b == 255 || (b >= 251 && b <= 254), "a 255 goes out doubled");
        c.state = b == 255 ? 0 : 4;
        return;
    }
}

void drainTerminal() {
    unsigned char buf[16384];
    for (ssize_t got; (got = read(termPeer, buf, sizeof buf)) > 0;)
        for (ssize_t i = 0; i < got; i++) checkTermByte(buf[i]);
}

// The service's side: whole lines, each a JSON object with a command.
std::string serviceBytes;  // after the last line feed
JsonDocument requestDoc;

void drainService() {
    char buf[16384];
    for (ssize_t got; (got = read(servicePeer, buf, sizeof buf)) > 0;) serviceBytes.append(buf, (size_t)got);
    for (size_t lf; (lf = serviceBytes.find('\n')) != std::string::npos; serviceBytes.erase(0, lf + 1)) {
        std::string line = serviceBytes.substr(0, lf);
        check(line.size() < SERVICE_LINE_MAX, "a request of sane length");
        check(line.find('\0') == std::string::npos, "no NUL inside a request");
        JsonNode* root = jsonParse(&requestDoc, line.c_str());
        check(root && root->type == JSON_OBJECT, "every request parses as an object");
        check(jsonGetString(root, "cmd", "")[0] != 0, "a request names its command");
    }
    check(serviceBytes.size() < SERVICE_LINE_MAX, "a request of sane length");
}

void openPair(int fds[2]) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) abort();
    for (int i = 0; i < 2; i++) {
        setsockopt(fds[i], SOL_SOCKET, SO_SNDBUF, &SOCKET_BUFFER, sizeof SOCKET_BUFFER);
        setsockopt(fds[i], SOL_SOCKET, SO_RCVBUF, &SOCKET_BUFFER, sizeof SOCKET_BUFFER);
        fcntl(fds[i], F_SETFL, fcntl(fds[i], F_GETFL) | O_NONBLOCK);
    }
}

int termDoor = -1, serviceDoor = -1;  // the door's ends

// Bytes an earlier input left unread on the door's ends go, so every input
// runs alike.
void dropUnread(int fd) {
    for (char buf[16384]; read(fd, buf, sizeof buf) > 0;) {
    }
}

// A caller who has just been let in: what start-up leaves before the loop.
void freshSession() {
    dropUnread(termDoor);
    dropUnread(serviceDoor);
    memset(&state, 0, sizeof state);
    state.caller.commType = COMM_TELNET;
    state.caller.commHandle = (uint32_t)termDoor;
    state.caller.nodeNumber = 0;  // the node log stays silenced
    state.caller.userRecord = 7;
    state.caller.timeLeftSecs = 3600;
    copyText(state.caller.callerName, "Zephyr");
    copyText(state.identity.myName, "Zephyr");
    copyText(state.cfg.bbsId, "board-1");
    tickStart(&state.clock);
    state.timers.doorStartTick = state.timers.lastInputTick = tickMs(&state.clock);
    state.identity.testerFeedback = 1;
    state.conn.socket = serviceDoor;
    state.conn.socketOpen = state.conn.connected = 1;
    state.timers.running = 1;
    check(termOpen(&state.term, &state.caller) == 1, "the terminal opens");
    unsigned char hello[TELNET_HELLO_BYTES];
    check(read(termPeer, hello, sizeof hello) == TELNET_HELLO_BYTES, "the telnet offer");
    termCheck = TermCheck{};
    serviceBytes.clear();
    screenReset(&state.term);
    mainLoopStart(&state);
}

void typeKeys(const char* bytes, size_t n) {
    for (size_t i = 0; i < n && state.timers.running; i++) {
        unsigned char b = (unsigned char)bytes[i];
        state.timers.lastInputTick = tickMs(&state.clock);
        keyDispatch(&state, b >= 0xF0 && b <= 0xF5 ? KEY_UP + (b - 0xF0) : b);
    }
}

void fromService(const char* bytes, size_t n, bool lineEnd) {
    if (n > 0) check(write(servicePeer, bytes, n) == (ssize_t)n, "the service's bytes fit the socket");
    if (lineEnd) check(write(servicePeer, "\n", 1) == 1, "the line feed fits");
    // What the main loop does first in every pass.
    const char* line = nullptr;
    while (state.timers.running && serverReceiveLine(&state.conn, &line)) routeServerLine(&state, line);
}

void act(const char* rec, size_t n) {
    if (n == 0) return;
    if (rec[0] == '{') {
        fromService(rec, n, true);
    } else if (rec[0] == 'w' || rec[0] == 'l') {
        fromService(rec + 1, n - 1, rec[0] == 'l');
    } else if (rec[0] == 'k') {
        typeKeys(rec + 1, n - 1);
    } else if (rec[0] == 'r') {
        if (n > 1) check(write(termPeer, rec + 1, n - 1) == (ssize_t)(n - 1), "the caller's bytes fit");
    } else if (rec[0] == 't') {
        uint32_t steps = n > 1 ? (unsigned char)rec[1] : 1;
        tickMoveBase(&state.clock, steps * CLOCK_STEP_MS);
        uiTick(&state);
    } else {
        typeKeys(rec, n);
    }
}

// The rest of a pass: the verdicts end the run with their screen, otherwise
// the renderer draws what the record changed.
bool finishPass() {
    Canvas cv = canvasOf(&state);
    if (state.standing.maintenance) {
        paintMaintenance(&cv, &state);
        return false;
    }
    if (state.standing.barred) {
        paintBarred(&cv, &state);
        return false;
    }
    renderScreen(&state, screenLook(state.view.screen));
    screenFlush(&state.term);
    return state.timers.running != 0 && state.conn.connected != 0;
}

void settle() {
    screenFlush(&state.term);
    drainTerminal();
    drainService();
    check(!state.term.dead, "the terminal stays up");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceNodeLog();
    int fds[2];
    openPair(fds);
    termDoor = fds[0];
    termPeer = fds[1];
    openPair(fds);
    serviceDoor = fds[0];
    servicePeer = fds[1];
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > MAX_INPUT) return 0;
    freshSession();
    settle();
    size_t at = 0;
    int32_t realPasses = 0;
    for (int32_t records = 0; at < size && records < MAX_RECORDS; records++) {
        const uint8_t* end = (const uint8_t*)memchr(data + at, '\n', size - at);
        size_t n = end ? (size_t)(end - (data + at)) : size - at;
        memcpy(lineBuf, data + at, n);
        lineBuf[n] = 0;
        at += n + 1;
        bool goOn;
        if (n == 1 && lineBuf[0] == 'p') {
            goOn = ++realPasses > MAX_REAL_PASSES || mainLoopPass(&state) != 0;
        } else {
            act(lineBuf, n);
            goOn = finishPass();
        }
        settle();
        if (!goOn) break;
    }
    check(termCheck.state == 0, "no sequence left half-sent");
    termClose(&state.term);
    settle();
    // The connection's socket is reused; only its buffers go.
    free(state.conn.receiveBuffer);
    free(state.conn.lineBuffer);
    return 0;
}
