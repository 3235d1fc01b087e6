#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "platform/platform.h"

// The mode found on stdin, read by a signal handler: written only while the
// flag is clear.
static struct termios savedMode;
static volatile sig_atomic_t rawActive;

int32_t conStdinIsTty() {
    return isatty(STDIN_FILENO) ? 1 : 0;
}

int32_t conRawOn() {
    if (rawActive) return 1;
    struct termios mode;
    if (tcgetattr(STDIN_FILENO, &mode) != 0) return 0;
    savedMode = mode;
    // No ISIG: a caller's Ctrl-C must not end the door; a person can still
    // signal the process. No IXON: Ctrl-S would freeze the screen unseen.
    mode.c_lflag &= ~(tcflag_t)(ICANON | ECHO | IEXTEN | ISIG);
    mode.c_iflag &= ~(tcflag_t)(ICRNL | INLCR | IGNCR | IXON);  // ENTER must arrive as 13
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &mode) != 0) return 0;
    rawActive = 1;
    return 1;
}

void conRawRestore() {
    if (!rawActive) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
    rawActive = 0;
}

void conOnFatalSignal(void (*handler)(int)) {
    constexpr int SIGNALS[3] = {SIGINT, SIGTERM, SIGHUP};
    for (int sig : SIGNALS) {
        struct sigaction old;
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // keep nohup
        struct sigaction act;
        memset(&act, 0, sizeof act);
        act.sa_handler = handler;
        act.sa_flags = SA_RESETHAND;
        sigemptyset(&act.sa_mask);
        sigaction(sig, &act, nullptr);
    }
}

static volatile sig_atomic_t resizeSeen;

static void onResize(int) { resizeSeen = 1; }

void conWatchResize() {
    struct sigaction act;
    memset(&act, 0, sizeof act);
    act.sa_handler = onResize;
    act.sa_flags = SA_RESTART;
    sigemptyset(&act.sa_mask);
    sigaction(SIGWINCH, &act, nullptr);
}

int32_t conTakeResize() {
    if (!resizeSeen) return 0;
    resizeSeen = 0;
    return 1;
}

int32_t conReadByte() {
    struct pollfd pfd = {STDIN_FILENO, POLLIN, 0};
    int ready = poll(&pfd, 1, 0);
    if (ready == 0) return CON_NONE;
    if (ready < 0) return errno == EINTR ? CON_NONE : CON_ENDED;
    if (pfd.revents & POLLNVAL) return CON_ENDED;
    unsigned char byte;
    ssize_t n = read(STDIN_FILENO, &byte, 1);
    if (n == 1) return byte;
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return CON_NONE;
    return CON_ENDED;  // 0: end of file; else the device is gone
}

int32_t conInputGone() {
    struct pollfd pfd = {STDIN_FILENO, POLLIN, 0};
    if (poll(&pfd, 1, 0) != 1) return 0;
    if (pfd.revents & (POLLNVAL | POLLERR)) return 1;
    return (pfd.revents & POLLHUP) && !(pfd.revents & POLLIN) ? 1 : 0;
}

int32_t conWriteAll(const void* bytes, int32_t len) {
    const unsigned char* p = (const unsigned char*)bytes;
    while (len > 0) {
        ssize_t n = write(STDOUT_FILENO, p, (size_t)len);
        if (n > 0) {
            p += n;
            len -= (int32_t)n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            platSleepMs(5);
        } else {
            return 0;
        }
    }
    return 1;
}

void conIgnoreBrokenPipe() {
    struct sigaction ignore;
    memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
}
