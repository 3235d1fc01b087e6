// Fuzz target for the key decoder: the same bytes arrive once on a telnet
// socket and once on a pipe as standard input. Every key read must be one
// the door knows, telnet answers must be well-formed three-byte replies,
// and the decoder must come to rest (no sequence left pending for ever)
// once the clock moves past its ESC timers.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "host/drop.h"
#include "host/nodelog.h"
#include "fuzz_common.h"
#include "terminal/terminal.h"

using fuzzsupport::check;

namespace {

constexpr size_t MAX_INPUT = 4096;        // fits a socket and a pipe buffer whole
constexpr int ANSWER_ROOM = 16 << 20;     // socket buffers: MAX_INPUT / 3 answers at ~1 KiB each, doubled
constexpr uint32_t TICK_STEP_MS = 200;    // past the lone-ESC wait each time the decoder idles
constexpr int32_t REST_TRIES = 8;         // clock steps allowed to settle a pending ESC
constexpr int32_t TELNET_HELLO_BYTES = 9;

TerminalChannel term;
uint32_t now;  // the clock the decoder is given; it only moves on

bool knownKey(int32_t key) {
    if (key == KEY_NONE) return true;
    if (key >= KEY_UP && key <= KEY_PGDN) return true;
    if (key == 10 || key == 127) return false;  // LF is swallowed, DEL reads as BACKSPACE
    if (key == 255) return true;  // IAC IAC on the socket, a plain 255 on a pipe
    return key >= 0 && key < 255;
}

int32_t waitingBytes(int fd) {
    int n = 0;
    if (ioctl(fd, FIONREAD, &n) != 0) return 0;
    return n;
}

// Read keys until the input is used up and no sequence is pending (a pipe:
// until its end); the clock jumps while the decoder waits on an ESC.
// Returns the keys read.
int32_t readAll(bool socket, int doorFd) {
    int32_t keys = 0;
    int32_t restTries = 0;
    size_t guard = MAX_INPUT * 4 + 64;  // every call takes a byte or moves the clock
    while (guard-- > 0) {
        int32_t key = termReadKey(&term, now);
        check(knownKey(key), "a key the door knows");
        if (key != KEY_NONE) {
            keys++;
            continue;
        }
        if (term.dead) return keys;
        if (!socket || waitingBytes(doorFd) > 0) continue;  // a pipe reads on until its end
        if (term.escState == 0 && term.pendingByte == 0) return keys;
        check(restTries++ < REST_TRIES, "a pending sequence settles once time moves on");
        now += TICK_STEP_MS;
    }
    check(false, "the decoder stopped consuming input");
    return keys;
}

// The door's telnet answers: IAC, a verb WILL..DONT, an option.
void checkAnswers(int peer) {
    unsigned char buf[3 * 1365];  // whole triples: every answer is written before this reads
    for (;;) {
        ssize_t got = read(peer, buf, sizeof buf);
        if (got <= 0) return;
        check(got % 3 == 0, "answers come whole");
        for (ssize_t i = 0; i < got; i += 3)
            check(buf[i] == 255 && buf[i + 1] >= 251 && buf[i + 1] <= 254, "an answer is IAC verb option");
    }
}

void runSocket(const uint8_t* data, size_t size) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) abort();
    // Every telnet answer is a send of its own, and a local socket charges
    // each send far more than its 3 bytes: room for one answer per input
    // byte, or the door would wait for ever on a caller who never reads.
    int big = ANSWER_ROOM;
    for (int i = 0; i < 2; i++) {
        if (setsockopt(fds[i], SOL_SOCKET, SO_SNDBUFFORCE, &big, sizeof big) != 0)
            setsockopt(fds[i], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        if (setsockopt(fds[i], SOL_SOCKET, SO_RCVBUFFORCE, &big, sizeof big) != 0)
            setsockopt(fds[i], SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    }
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    CallerInfo caller{};
    caller.commType = COMM_TELNET;
    caller.commHandle = (uint32_t)fds[0];
    check(termOpen(&term, &caller) == 1, "the socket opens");
    unsigned char hello[TELNET_HELLO_BYTES];
    check(read(fds[1], hello, sizeof hello) == TELNET_HELLO_BYTES, "the telnet offer");
    if (size > 0) check(write(fds[1], data, size) == (ssize_t)size, "input fits the socket");
    readAll(true, fds[0]);
    checkAnswers(fds[1]);
    close(fds[1]);  // the caller hangs up: the terminal must notice
    readAll(true, fds[0]);
    check(term.dead == 1, "a hang-up kills the terminal");
    termClose(&term);
    close(fds[0]);
}

void runPipe(const uint8_t* data, size_t size) {
    int fds[2];
    if (pipe(fds) != 0) abort();
    fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    if (size > 0) check(write(fds[1], data, size) == (ssize_t)size, "input fits the pipe");
    close(fds[1]);
    dup2(fds[0], STDIN_FILENO);
    close(fds[0]);
    CallerInfo caller{};
    caller.commType = COMM_LOCAL;
    check(termOpen(&term, &caller) == 1, "stdin opens");
    readAll(false, STDIN_FILENO);
    check(term.dead == 1, "the end of the pipe kills the terminal");
    int nul = open("/dev/null", O_RDONLY);
    dup2(nul, STDIN_FILENO);
    close(nul);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceNodeLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > MAX_INPUT) return 0;
    runSocket(data, size);
    runPipe(data, size);
    return 0;
}
