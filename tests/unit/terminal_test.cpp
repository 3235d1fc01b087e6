// Terminal channel over a socketpair (the test plays the caller's telnet
// client) and over a pipe or pty on standard input.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <vterm.h>

#include <random>

#include "host/drop.h"
#include "host/nodelog.h"
#include "support/screen_emulator.h"
#include "terminal/terminal.h"

namespace {

const std::string HELLO("\xff\xfb\x01\xff\xfb\x03\xff\xfd\x03", 9);

std::vector<int32_t> drainKeys(TerminalChannel* term, uint32_t now) {
    std::vector<int32_t> keys;
    for (int i = 0; i < 64; i++) {
        int32_t k = termReadKey(term, now);
        if (k != KEY_NONE) keys.push_back(k);
    }
    return keys;
}

// A terminal opened on one end of a socketpair; `peer` is the caller's end.
struct SocketCaller {
    int doorFd = -1;
    int peer = -1;
    TerminalChannel term;
    bool opened = false;
    uint32_t now = 0;  // the clock the keys are read at; a case moves it on

    SocketCaller() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
        doorFd = fds[0];
        peer = fds[1];
        CallerInfo caller{};
        caller.commType = COMM_TELNET;
        caller.commHandle = (uint32_t)doorFd;
        opened = termOpen(&term, &caller) == 1;
    }
    ~SocketCaller() {
        if (opened) termClose(&term);
        if (doorFd >= 0) close(doorFd);
        if (peer >= 0) close(peer);
    }
    void send(const std::string& bytes) const {
        ASSERT_EQ(write(peer, bytes.data(), bytes.size()), (ssize_t)bytes.size());
    }
    // Everything the door has sent so far, without waiting.
    std::string received() const {
        std::string out;
        char buf[4096];
        ssize_t n;
        while ((n = recv(peer, buf, sizeof buf, MSG_DONTWAIT)) > 0) out.append(buf, (size_t)n);
        return out;
    }
    std::vector<int32_t> drainKeys() { return ::drainKeys(&term, now); }
};

TEST(TerminalSocket, OpenOffersEchoAndSuppressGoAheadAndLeavesFlagsAlone) {
    SocketCaller c;
    ASSERT_TRUE(c.opened);
    EXPECT_EQ(c.received(), HELLO);
    EXPECT_FALSE(fcntl(c.doorFd, F_GETFL) & O_NONBLOCK);
}

struct KeyCase {
    const char* name;
    std::string input;
    std::vector<int32_t> keysAtOnce;      // before any time passes
    uint32_t thenMs;                      // clock moved forward by this much
    std::vector<int32_t> keysAfterwards;  // keys once that time has passed
    int32_t utf8 = 0;                     // the caller's terminal speaks UTF-8
};

TEST(TerminalSocket, DecodesKeysAndEscapeSequences) {
    const std::vector<KeyCase> cases = {
        {"csi up", "\x1b[A", {KEY_UP}, 0, {}},
        {"ss3 up", "\x1bOA", {KEY_UP}, 0, {}},
        {"csi down right left", "\x1b[B\x1b[C\x1b[D", {KEY_DOWN, KEY_RIGHT, KEY_LEFT}, 0, {}},
        {"modified arrow", "\x1b[1;5A", {KEY_UP}, 0, {}},
        {"page up/down tilde", "\x1b[5~\x1b[6~", {KEY_PGUP, KEY_PGDN}, 0, {}},
        {"page keys V U", "\x1b[V\x1b[U", {KEY_PGUP, KEY_PGDN}, 0, {}},
        {"F5 gives nothing", "\x1b[15~q", {'q'}, 0, {}},
        {"endless parameter", "\x1b[99999999999999999999~\x1b[005~", {KEY_PGUP}, 0, {}},
        {"unknown finals", "\x1b[Hq\x1b[Zr", {'q', 'r'}, 0, {}},
        {"lone esc waits", "\x1b", {}, 200, {KEY_ESC}},
        {"esc then letter", "\x1bx", {KEY_ESC, 'x'}, 0, {}},
        {"esc esc", "\x1b\x1b[A", {KEY_ESC, KEY_UP}, 0, {}},
        {"cut sequence dropped", "\x1b[", {}, 600, {}},
        {"cut sequence then key", "\x1b[1", {}, 600, {}},
        {"cr lf one enter", "a\r\nb", {'a', KEY_ENTER, 'b'}, 0, {}},
        {"bare lf", "\n", {}, 0, {}},
        {"del is backspace", "\x7f\x08", {KEY_BACKSPACE, KEY_BACKSPACE}, 0, {}},
        {"byte zero is a key", std::string("\0", 1), {0}, 0, {}},
        {"high bytes unchanged", "\xe0\xb0\t", {0xe0, 0xb0, '\t'}, 0, {}},
        {"iac iac", "\xff\xff", {255}, 0, {}},
        {"subnegotiation skipped", std::string("\xff\xfa\x18\x00xterm\xff\xf0z", 12), {'z'}, 0, {}},
        {"escaped iac inside sb", "\xff\xfa\x18\xff\xff\xf0\xff\xf0z", {'z'}, 0, {}},
        {"unknown command dropped", "\xff\xf1y", {'y'}, 0, {}},
        {"utf8 joined into cp437", "\xc3\xa9\xe2\x94\x80\xc3\xab", {0x82, 0xc4, 0x89}, 0, {}, 1},
        {"utf8 beyond cp437", "\xe2\x98\x95\xf0\x9f\x98\x80\xc5\x82", {'?', '?', 'l'}, 0, {}, 1},
        {"utf8 broken", "\xc3z\x80\xe2\x94\xff\xff\xc3\x1b[A", {'?', 'z', '?', '?', 255, '?', KEY_UP}, 0, {}, 1},
    };
    for (const KeyCase& kc : cases) {
        SocketCaller c;
        ASSERT_TRUE(c.opened);
        c.term.utf8Out = kc.utf8;
        c.send(kc.input);
        EXPECT_EQ(c.drainKeys(), kc.keysAtOnce) << kc.name;
        c.now += kc.thenMs;
        EXPECT_EQ(c.drainKeys(), kc.keysAfterwards) << kc.name;
        EXPECT_EQ(c.term.escState, 0) << kc.name;
        // The decoder is idle again: a plain key comes straight through.
        c.send("k");
        EXPECT_EQ(c.drainKeys(), std::vector<int32_t>{'k'}) << kc.name;
    }
}

TEST(TerminalSocket, AnswersOptionNegotiation) {
    struct Case { std::string ask, answer; };
    const std::vector<Case> cases = {
        {"\xff\xfd\x01", "\xff\xfb\x01"},  // DO ECHO -> WILL ECHO
        {"\xff\xfd\x03", "\xff\xfb\x03"},  // DO SGA -> WILL SGA
        {"\xff\xfd\x18", "\xff\xfc\x18"},  // DO TTYPE -> WONT
        {"\xff\xfb\x1f", "\xff\xfe\x1f"},  // WILL NAWS -> DONT
        {"\xff\xfc\x01", "\xff\xfd\x01"},  // WONT ECHO -> DO ECHO
        {"\xff\xfe\x22", "\xff\xfe\x22"},  // DONT LINEMODE -> DONT
    };
    for (const Case& nc : cases) {
        SocketCaller c;
        ASSERT_TRUE(c.opened);
        c.received();
        termPuts(&c.term, "queued");  // answers go out at once, not behind the buffer
        c.send(nc.ask);
        EXPECT_TRUE(c.drainKeys().empty());
        EXPECT_EQ(c.received(), nc.answer);
        EXPECT_EQ(c.term.outLen, 6);
    }
}

TEST(TerminalSocket, DataByte255IsDoubled) {
    struct Case { size_t queuedBefore; std::string data; };
    const std::vector<Case> cases = {
        {0, "a\xff" "b"},
        {8190, "\xff"},                      // doubling would overrun the buffer
        {8000, std::string(150, '\xff')},    // 300 bytes once doubled
        {0, std::string(5000, '\xff')},      // 10000 once doubled: goes out at once
        {10, std::string(9000, '\xff') + "z"},
    };
    for (const Case& dc : cases) {
        SocketCaller c;
        ASSERT_TRUE(c.opened);
        c.received();
        int big = 1 << 20;
        setsockopt(c.doorFd, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        setsockopt(c.peer, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        std::string before(dc.queuedBefore, 'q');
        termWrite(&c.term, before.data(), (int32_t)before.size());
        termWrite(&c.term, dc.data.data(), (int32_t)dc.data.size());
        EXPECT_LE(c.term.outLen, TERM_OUT_SIZE - 1);
        termFlush(&c.term);
        std::string expected = before;
        for (char ch : dc.data) {
            expected += ch;
            if (ch == '\xff') expected += ch;
        }
        std::string got = c.received();
        EXPECT_TRUE(got == expected) << dc.queuedBefore << ": " << got.size() << " of " << expected.size();
    }
}

TEST(TerminalSocket, HangUpMakesTerminalDeadAndDropsOutput) {
    SocketCaller c;
    ASSERT_TRUE(c.opened);
    c.send("a");
    close(c.peer);
    c.peer = -1;
    EXPECT_EQ(termReadKey(&c.term, 0), 'a');
    EXPECT_EQ(termAlive(&c.term), 1);
    EXPECT_EQ(termReadKey(&c.term, 0), KEY_NONE);
    EXPECT_EQ(termAlive(&c.term), 0);
    termPuts(&c.term, "lost");
    EXPECT_EQ(c.term.outLen, 0);
}

// The waits that read no keys (a held notice, the goodbye) still learn of a
// hang-up, and a key waiting is neither taken nor mistaken for one.
TEST(TerminalSocket, HangUpCheckTakesNoKeyAndFindsAHalfClose) {
    SocketCaller c;
    ASSERT_TRUE(c.opened);
    termCheckHangUp(&c.term);
    EXPECT_EQ(termAlive(&c.term), 1) << "a quiet caller is still there";
    c.send("k");
    shutdown(c.peer, SHUT_WR);
    termCheckHangUp(&c.term);
    EXPECT_EQ(termAlive(&c.term), 1) << "a key still waits before the end";
    EXPECT_EQ(termReadKey(&c.term, 0), 'k');
    termCheckHangUp(&c.term);
    EXPECT_EQ(termAlive(&c.term), 0);
}

// A caller who stops reading and then hangs up: the flush waiting on the
// full socket ends instead of waiting for ever.
TEST(TerminalSocket, FlushIntoAFullSocketEndsWhenTheCallerHangsUp) {
    SocketCaller c;
    ASSERT_TRUE(c.opened);
    std::string screen(4000, 'x');
    while (send(c.doorFd, screen.data(), screen.size(), MSG_DONTWAIT) > 0) {
    }
    std::thread hangUp([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        shutdown(c.peer, SHUT_WR);
    });
    auto start = std::chrono::steady_clock::now();
    termWrite(&c.term, screen.data(), (int32_t)screen.size());
    termFlush(&c.term);
    hangUp.join();
    EXPECT_EQ(termAlive(&c.term), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Standard input replaced by a pipe for the length of one test, and a
// terminal opened on it; `writer` is the caller's end.
struct PipeCaller {
    int saved = dup(STDIN_FILENO);
    int writer = -1;
    TerminalChannel term;
    bool opened = false;

    explicit PipeCaller(int32_t commType) {
        int fds[2];
        if (pipe(fds) != 0) return;
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        writer = fds[1];
        CallerInfo caller{};
        caller.commType = commType;  // a telnet type without a handle also means stdin
        opened = termOpen(&term, &caller) == 1;
    }
    ~PipeCaller() {
        if (opened) termClose(&term);
        if (writer >= 0) close(writer);
        dup2(saved, STDIN_FILENO);
        close(saved);
    }
    void hangUp() {
        close(writer);
        writer = -1;
    }
};

TEST(TerminalPipe, HangUpCheckFindsTheClosedPipeOnlyOnceItIsEmpty) {
    PipeCaller p(COMM_LOCAL);
    ASSERT_TRUE(p.opened);
    termCheckHangUp(&p.term);
    EXPECT_EQ(termAlive(&p.term), 1);
    ASSERT_EQ(write(p.writer, "q", 1), 1);
    p.hangUp();
    termCheckHangUp(&p.term);
    EXPECT_EQ(termAlive(&p.term), 1);
    EXPECT_EQ(termReadKey(&p.term, 0), 'q');
    termCheckHangUp(&p.term);
    EXPECT_EQ(termAlive(&p.term), 0);
}

// The console case on a pseudo-terminal: raw mode on open (Ctrl-C a key, not
// a signal), the old mode back on close, and back as well when a signal ends
// the process, the screen left with its colours reset and the cursor shown.
TEST(TerminalConsole, RawModeIsRestoredOnCloseAndOnSignal) {
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    struct termios before;
    ASSERT_EQ(tcgetattr(slave, &before), 0);
    ASSERT_TRUE(before.c_lflag & ICANON);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(slave, STDIN_FILENO);
        dup2(slave, STDOUT_FILENO);
        CallerInfo caller{};
        TerminalChannel term;
        if (termOpen(&term, &caller) != 1) _exit(2);
        struct termios raw;
        tcgetattr(STDIN_FILENO, &raw);
        if (raw.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) _exit(3);
        if (raw.c_iflag & (ICRNL | IXON)) _exit(4);
        termClose(&term);
        struct termios after;
        tcgetattr(STDIN_FILENO, &after);
        if (!(after.c_lflag & ICANON) || !(after.c_lflag & ECHO) || !(after.c_lflag & ISIG)) _exit(5);
        if (termOpen(&term, &caller) != 1) _exit(6);
        // The pty delivers ENTER as 13, Ctrl-C as 3 and an arrow as a key;
        // NUL and 224 are bytes of their own, no prefix eating the next one.
        if (write(master, "\r\0\xe0H\x03\x1b[A", 8) != 8) _exit(7);
        usleep(50000);
        const int32_t want[6] = {KEY_ENTER, 0, 0xe0, 'H', KEY_CTRL_C, KEY_UP};
        int got = 0;
        for (int i = 0; i < 40 && got < 6; i++) {
            int32_t k = termReadKey(&term, 0);
            if (k != KEY_NONE && k != want[got++]) _exit(8);
        }
        if (got != 6) _exit(8);
        raise(SIGWINCH);  // a resized window is reported once
        if (termResized(&term) != 1 || termResized(&term) != 0) _exit(10);
        raise(SIGINT);
        _exit(9);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child exit code " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    struct termios after;
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_TRUE((after.c_lflag & ICANON) && (after.c_lflag & ECHO) && (after.c_lflag & ISIG) && (after.c_iflag & ICRNL));
    char shown[256];
    fcntl(master, F_SETFL, O_NONBLOCK);
    ssize_t n = read(master, shown, sizeof shown);
    EXPECT_NE(std::string(shown, n > 0 ? (size_t)n : 0).find("\x1b[0m\x1b[?25h\x1b[24;1H"), std::string::npos);
    close(master);
    close(slave);
}

// A signal that ends the door puts the BBS's socket back to blocking.
TEST(TerminalSocket, SignalRestoresSocketFlags) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CallerInfo caller{};
        caller.commType = COMM_TELNET;
        caller.commHandle = (uint32_t)fds[0];
        TerminalChannel term;
        if (termOpen(&term, &caller) != 1) _exit(2);
        raise(SIGHUP);
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGHUP);
    EXPECT_FALSE(fcntl(fds[0], F_GETFL) & O_NONBLOCK);  // shared file description
    close(fds[0]);
    close(fds[1]);
}

}  // namespace

// The frame differ against a terminal emulator: random frames (sparse edits,
// whole repaints, underline, blank tails, scribbles after a repaint request)
// sent one after another reproduce every cell, the cursor and its visibility
// exactly; the same frame again sends nothing.
TEST(FrameDiffer, RandomFramesReachTheEmulatorExactly) {
    TestScreen ts;
    testScreenOpen(&ts);
    FrameShown shown{{}, 0, -1, 0, 0, -1};
    FrameWant want{};
    frameBlank(&want.grid);
    std::mt19937 rng(19);
    std::string out;
    auto sink = [](void* ctx, const char* bytes, int32_t n) { static_cast<std::string*>(ctx)->append(bytes, (size_t)n); };
    const std::string glyphs = "  abcXYZ-:\xb3\xc4\xdb";
    for (int round = 0; round < 400; round++) {
        if (round % 50 == 49) shown.valid = 0, shown.attr = -1, shown.hidden = -1, screenFeed(&ts, "\x1b[41m\x1b[3;7Hnoise");
        for (int edits = rng() % 5 ? (int)(rng() % 6) : 300; edits > 0; edits--) {
            int r = (int)(rng() % 24), c = (int)(rng() % 79), end = rng() % 6 ? std::min(79, c + 1 + (int)(rng() % 12)) : 79;
            unsigned char attr = (unsigned char)(rng() % 9 | (rng() % 2 ? ATTR_BRIGHT : 0) | (rng() % 7 ? 0 : ATTR_UNDERLINE));
            for (int k = c; k < end; k++) want.grid.cells[r][k] = end < 79 ? FrameCell{(unsigned char)glyphs[rng() % glyphs.size()], attr} : FrameCell{' ', 0};
        }
        want.row = 1 + (int)(rng() % 24), want.col = 1 + (int)(rng() % 80), want.hidden = (int)(rng() % 2);
        out.clear(), frameDiff(&shown, &want, sink, &out), screenFeed(&ts, out);
        for (int r = 1; r <= 24; r++)
            for (int c = 1; c <= 80; c++) {
                FrameCell cell = c < 80 ? want.grid.cells[r - 1][c - 1] : FrameCell{' ', 0};
                VTermScreenCell vc{};
                vterm_screen_get_cell(ts.vs, VTermPos{r - 1, c - 1}, &vc);
                int fg = cell.attr & ATTR_FG_MASK, ul = cell.attr & ATTR_UNDERLINE;
                int ink = cell.ch == ' ' && !ul ? 0 : fg ? ((cell.attr & ATTR_BRIGHT) ? 90 : 30) + fg - 1 : -1;
                ASSERT_EQ(std::make_tuple((unsigned char)screenRowText(&ts, r)[c - 1], vc.attrs.underline != 0, ink ? screenInkAt(&ts, r, c) : 0),
                          std::make_tuple(cell.ch, ul != 0, ink)) << "round " << round << " at " << r << "," << c;
            }
        ASSERT_EQ(std::make_tuple(screenCursor(&ts), ts.cursorVisible), std::make_tuple(std::make_pair(want.row, want.col), !want.hidden)) << round;
        EXPECT_EQ((out.clear(), frameDiff(&shown, &want, sink, &out) + out.size()), 0u);
    }
    testScreenClose(&ts);
}
