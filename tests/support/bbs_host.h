// BBS host for end-to-end tests: a temporary board directory holding a copy
// of the real door, its door.cfg and a drop file. It starts the door the way
// a BBS does (fork/exec, the caller's telnet socket inherited by number, or a
// pipe on standard input) and sits at the caller's end, rendering what the
// door sends on a TestScreen and keeping every raw byte.
#pragma once
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "screen_emulator.h"

constexpr int BBS_WAIT_MS = 20000;       // generous for a loaded machine; only a failing wait lasts this long
constexpr int BBS_EXIT_WAIT_MS = 10000;  // the longest ending (goodbye dots) is about 3.4 s

// Hosts run side by side on threads. A door started while another thread
// holds a file open for writing would inherit that descriptor (the library
// opens without close-on-exec); for the other board's copy of the door that
// means "text file busy" at exec. Writing files and forking take turns.
inline std::mutex bbsFileAndFork;

inline void bbsCloseFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

struct BbsHost {
    std::string dir, door;  // temporary board directory; the door's copy in it
    int callerFd = -1;      // caller's end of the telnet socket pair (or a pty, or a TCP socket)
    int doorFd = -1;        // door's end, handed down by number; -1 once started
    int stdinFd = -1, stdoutFd = -1;  // write end of the door's standard input pipe, read end of its output
    bool onSocket = false;  // the screen follows callerFd (else standard output)
    enum { TELNET, TELNET_UTF8, CP437, UTF8 } line = TELNET;  // how callerFd's bytes read: a pty carries no telnet
    bool callerGone = false;                      // callerFd read its end
    bool stdinPty = false;  // standard input/output a pseudo-terminal, the caller at its master
    int ptySlave = -1;      // kept to see the terminal mode the door leaves behind
    pid_t pid = 0;          // the running door
    std::string rawSocket, rawStdout;  // every byte read off callerFd (telnet bytes included) and standard output
    TestScreen screen;      // what the caller sees

    // doorBinary "": an empty board, no door.
    explicit BbsHost(const std::string& doorBinary) {
        char tmpl[] = "/tmp/wwbbs-XXXXXX";
        if (!mkdtemp(tmpl)) abort();
        dir = tmpl;
        door = dir + (doorBinary.ends_with(".exe") ? "/wordwhirl.exe" : "/wordwhirl");
        testScreenOpen(&screen);
        std::lock_guard<std::mutex> hold(bbsFileAndFork);
        if (!doorBinary.empty()) std::filesystem::copy_file(doorBinary, door);
    }
    // Kills a door still running, closes everything, removes the directory.
    ~BbsHost() {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        for (int* fd : {&callerFd, &doorFd, &stdinFd, &stdoutFd, &ptySlave}) bbsCloseFd(fd);
        testScreenClose(&screen);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

// Polls done every 10 ms until it holds; false after timeoutMs.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = BBS_WAIT_MS) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A file in the board directory (name may contain a subdirectory).
inline void bbsWriteFile(BbsHost* host, const std::string& name, const std::string& text) {
    std::filesystem::path path = std::filesystem::path(host->dir) / name;
    std::filesystem::create_directories(path.parent_path());
    std::lock_guard<std::mutex> hold(bbsFileAndFork);
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string bbsReadFile(const BbsHost* host, const std::string& name) {  // "" when missing
    std::stringstream text;
    text << std::ifstream(std::filesystem::path(host->dir) / name, std::ios::binary).rdbuf();
    return text.str();
}

inline std::string bbsNodeLog(const BbsHost* host, int node) {
    return bbsReadFile(host, "wordwhirl-node" + std::to_string(node) + ".log");
}

// door.cfg for a plain connection to 127.0.0.1:port, with more lines after.
inline void bbsWriteDoorCfg(BbsHost* host, int port, const std::string& moreLines = "") {
    bbsWriteFile(host, "door.cfg", "host=127.0.0.1\nport=" + std::to_string(port) + "\ntls=0\n" + moreLines);
}

// The caller's telnet socket pair; returns the handle the door inherits.
// Close-on-exec on both: no other door started meanwhile may inherit them;
// the child clears it on its own end only.
inline int bbsOpenTelnet(BbsHost* host) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) abort();
    host->doorFd = fds[0];
    host->callerFd = fds[1];
    fcntl(host->callerFd, F_SETFL, O_NONBLOCK);
    return host->doorFd;
}

// The eleven lines of a DOOR32.SYS; the caller is user record 42.
inline std::string bbsDoor32(int commType, unsigned handle, int node, const std::string& alias = "Tester") {
    std::ostringstream text;
    text << commType << "\r\n" << handle << "\r\n38400\r\nTest BBS\r\n42\r\nTest Caller\r\n" << alias
         << "\r\n100\r\n45\r\n1\r\n" << node << "\r\n";
    return text.str();
}

// Start the door with these arguments in the board directory. Standard input
// is a pipe the test writes keys into when stdinPipe, else /dev/null; with
// stdinSocket it is a socket pair that is standard output too, the caller at
// its other end. With host->stdinPty a pseudo-terminal is both. A Windows
// door runs under wine behind the pipe host named in WW_WIN_PIPE_HOST: wine
// gives a Windows program no Linux pipe as a pipe.
inline void bbsStart(BbsHost* host, const std::vector<std::string>& args, bool stdinPipe, bool stdinSocket = false) {
    std::vector<char*> argv{host->door.data()};
    if (host->door.ends_with(".exe")) argv = {(char*)"wine", getenv("WW_WIN_PIPE_HOST"), host->door.data()};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int in[2] = {-1, -1}, out[2];
    std::unique_lock<std::mutex> hold(bbsFileAndFork);
    if (host->stdinPty) {
        if (openpty(&in[1], &in[0], nullptr, nullptr, nullptr) != 0) abort();
        for (int fd : in) fcntl(fd, F_SETFD, FD_CLOEXEC);
    } else if (stdinPipe && (stdinSocket ? socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) : pipe2(in, O_CLOEXEC)) != 0) {
        abort();
    }
    if (pipe2(out, O_CLOEXEC) != 0) abort();
    bool callerOnStdio = host->stdinPty || stdinSocket;
    if (callerOnStdio) {
        host->callerFd = in[1];
        in[1] = -1;
        fcntl(host->callerFd, F_SETFL, O_NONBLOCK);
        if (host->stdinPty) host->line = BbsHost::CP437;
    }
    host->onSocket = host->callerFd >= 0;
    host->pid = fork();
    if (host->pid == 0) {  // only async-signal-safe calls until exec
        int devNull = open("/dev/null", O_RDWR);
        dup2(in[0] >= 0 ? in[0] : devNull, STDIN_FILENO);
        dup2(callerOnStdio ? in[0] : out[1], STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        if (host->doorFd >= 0) fcntl(host->doorFd, F_SETFD, 0);  // the one descriptor a BBS hands down
        if (chdir(host->dir.c_str()) == 0) execvp(argv[0], argv.data());
        _exit(127);
    }
    hold.unlock();
    if (host->pid < 0) abort();
    bbsCloseFd(&host->doorFd);  // the door holds its end now; the host must not keep it alive
    if (host->stdinPty) host->ptySlave = in[0];
    else bbsCloseFd(&in[0]);
    bbsCloseFd(&out[1]);
    host->stdinFd = in[1];
    host->stdoutFd = out[0];
    fcntl(host->stdoutFd, F_SETFL, O_NONBLOCK);
}

// Everything waiting on fd, appended to raw and fresh; false at its end.
inline bool bbsDrain(int fd, std::string* raw, std::string* fresh) {
    char buf[4096];
    ssize_t got;
    while ((got = read(fd, buf, sizeof buf)) > 0) {
        raw->append(buf, (size_t)got);
        fresh->append(buf, (size_t)got);
    }
    return got < 0 && errno == EAGAIN;
}

// Render whatever the door has sent.
inline void bbsPump(BbsHost* host) {
    std::string fromCaller, fromStdout;
    if (host->callerFd >= 0 && !bbsDrain(host->callerFd, &host->rawSocket, &fromCaller)) host->callerGone = true;
    if (host->stdoutFd >= 0 && !bbsDrain(host->stdoutFd, &host->rawStdout, &fromStdout)) bbsCloseFd(&host->stdoutFd);
    if (!host->onSocket) screenFeed(&host->screen, fromStdout);
    else if (host->line <= BbsHost::TELNET_UTF8) screenFeedTelnet(&host->screen, fromCaller, host->line == BbsHost::TELNET_UTF8);
    else if (host->line == BbsHost::UTF8) screenFeedUtf8(&host->screen, fromCaller);
    else screenFeed(&host->screen, fromCaller);
}

inline std::string bbsRow(const BbsHost* host, int row) { return screenRowUtf8(&host->screen, row); }

// Every row, for failure messages.
inline std::string bbsScreen(const BbsHost* host) {
    std::string all;
    for (int row = 1; row <= TEST_ROWS; row++) all += bbsRow(host, row) + "\n";
    return all;
}

// Wait until text shows on row (any row when 0).
inline bool bbsWaitText(BbsHost* host, const std::string& text, int row = 0, int timeoutMs = BBS_WAIT_MS) {
    return waitUntil([&] {
        bbsPump(host);
        return (row ? bbsRow(host, row) : bbsScreen(host)).find(text) != std::string::npos;
    }, timeoutMs);
}

// Keys from the caller: on callerFd when the screen follows it, else stdin.
inline void bbsSendKeys(BbsHost* host, const std::string& keys) {
    int fd = host->onSocket ? host->callerFd : host->stdinFd;
    for (size_t sent = 0; fd >= 0 && sent < keys.size();) {
        ssize_t n = write(fd, keys.data() + sent, keys.size() - sent);
        if (n <= 0) return;
        sent += (size_t)n;
    }
}

// Still running? Asked without reaping, so bbsWaitExit still gets the code.
inline bool bbsRunning(const BbsHost* host) {
    siginfo_t info{};
    return host->pid > 0 && waitid(P_PID, (id_t)host->pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

// The door's exit code once it ends, rendering as it goes; -1 when it was
// still running after timeoutMs (it is then killed) or died of a signal.
inline int bbsWaitExit(BbsHost* host, int timeoutMs = BBS_EXIT_WAIT_MS) {
    if (host->pid <= 0) return -1;
    bool ended = waitUntil([&] {
        bbsPump(host);
        return !bbsRunning(host);
    }, timeoutMs);
    if (!ended) kill(host->pid, SIGKILL);
    int status = 0;
    waitpid(host->pid, &status, 0);
    host->pid = 0;
    bbsPump(host);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
