#include "bbs_host.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int POLL_MS = 10;

// Hosts may run side by side on threads. A door started while another
// thread holds a file open for writing would inherit that descriptor (the
// library opens without close-on-exec) and keep it for its whole life; for
// the other board's copy of the door that means "text file busy" at exec.
// Writing files and forking therefore take turns.
std::mutex& fileAndForkLock() {
    static std::mutex lock;
    return lock;
}

void closeFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

// Everything the door has written to fd, appended to raw; false at its end.
bool drain(int fd, std::string* raw, std::string* fresh) {
    char buf[4096];
    for (;;) {
        ssize_t got = read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) return false;
        if (got < 0) return errno == EAGAIN;
        raw->append(buf, (size_t)got);
        fresh->append(buf, (size_t)got);
    }
}

void setNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void execDoor(const BbsHost* host, int stdinRead, int stdoutWrite, char* const* argv) {
    int devNull = open("/dev/null", O_RDWR);
    dup2(stdinRead >= 0 ? stdinRead : devNull, STDIN_FILENO);
    dup2(stdoutWrite, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    // The one descriptor a BBS hands down on purpose: the caller's socket.
    if (host->doorFd >= 0) fcntl(host->doorFd, F_SETFD, 0);
    if (chdir(host->cwd.c_str()) != 0) _exit(126);
    execv(host->door.c_str(), argv);
    _exit(127);
}

}  // namespace

void bbsHostOpen(BbsHost* host, const std::string& doorBinary) {
    char tmpl[] = "/tmp/wwbbs-XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    host->dir = tmpl;
    host->cwd = host->dir;
    host->door = host->dir + "/wordwhirl";
    {
        std::lock_guard<std::mutex> hold(fileAndForkLock());
        fs::copy_file(doorBinary, host->door);
        fs::permissions(host->door, fs::perms::owner_all);
    }
    host->callerFd = host->doorFd = host->stdinFd = host->stdoutFd = -1;
    host->onSocket = false;
    host->pid = 0;
    host->exitCode = -1;
    host->rawSocket.clear();
    host->rawStdout.clear();
    testScreenOpen(&host->screen);
}

void bbsHostClose(BbsHost* host) {
    if (host->pid > 0) {
        kill(host->pid, SIGKILL);
        waitpid(host->pid, nullptr, 0);
        host->pid = 0;
    }
    closeFd(&host->callerFd);
    closeFd(&host->doorFd);
    closeFd(&host->stdinFd);
    closeFd(&host->stdoutFd);
    testScreenClose(&host->screen);
    std::error_code ignored;
    fs::remove_all(host->dir, ignored);
}

void bbsWriteFile(BbsHost* host, const std::string& name, const std::string& text) {
    fs::path path = fs::path(host->dir) / name;
    fs::create_directories(path.parent_path());
    std::lock_guard<std::mutex> hold(fileAndForkLock());
    std::ofstream(path, std::ios::binary) << text;
}

std::string bbsReadFile(const BbsHost* host, const std::string& name) {
    std::ifstream in(fs::path(host->dir) / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string bbsNodeLog(const BbsHost* host, int node) {
    return bbsReadFile(host, "wordwhirl-node" + std::to_string(node) + ".log");
}

void bbsWriteDoorCfg(BbsHost* host, int port, const std::string& moreLines) {
    bbsWriteFile(host, "door.cfg",
                 "host=127.0.0.1\nport=" + std::to_string(port) + "\ntls=0\n" + moreLines);
}

int bbsOpenTelnet(BbsHost* host) {
    int fds[2];
    // Close-on-exec on both: no other door started meanwhile may inherit
    // them; the child clears it on its own end only.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) abort();
    host->doorFd = fds[0];
    host->callerFd = fds[1];
    setNonBlocking(host->callerFd);
    return host->doorFd;
}

std::string bbsDoor32(int commType, unsigned handle, int node, const std::string& alias, int minutesLeft) {
    std::ostringstream text;
    text << commType << "\r\n" << handle << "\r\n38400\r\nTest BBS\r\n42\r\nTest Caller\r\n" << alias
         << "\r\n100\r\n" << minutesLeft << "\r\n1\r\n" << node << "\r\n";
    return text.str();
}

void bbsStart(BbsHost* host, const std::vector<std::string>& args, bool stdinPipe) {
    std::vector<std::string> all{host->door};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int in[2] = {-1, -1}, out[2];
    if (stdinPipe && pipe2(in, O_CLOEXEC) != 0) abort();
    if (pipe2(out, O_CLOEXEC) != 0) abort();
    host->onSocket = host->callerFd >= 0;
    std::unique_lock<std::mutex> hold(fileAndForkLock());
    pid_t pid = fork();
    if (pid < 0) abort();
    if (pid == 0) execDoor(host, in[0], out[1], argv.data());
    hold.unlock();
    host->pid = pid;
    closeFd(&host->doorFd);  // the door holds its end now; the host must not keep it alive
    closeFd(&in[0]);
    closeFd(&out[1]);
    host->stdinFd = in[1];
    host->stdoutFd = out[0];
    setNonBlocking(host->stdoutFd);
}

void bbsPump(BbsHost* host) {
    std::string fromSocket, fromStdout;
    if (host->callerFd >= 0) drain(host->callerFd, &host->rawSocket, &fromSocket);
    if (host->stdoutFd >= 0 && !drain(host->stdoutFd, &host->rawStdout, &fromStdout)) closeFd(&host->stdoutFd);
    if (host->onSocket) screenFeedTelnet(&host->screen, fromSocket.data(), fromSocket.size());
    else screenFeed(&host->screen, fromStdout);
}

std::string bbsRow(const BbsHost* host, int row) { return screenRowUtf8(&host->screen, row); }

bool bbsWaitRow(BbsHost* host, int row, const std::string& text, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bbsPump(host);
        if (bbsRow(host, row).find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
}

void bbsSendKeys(BbsHost* host, const std::string& keys) {
    int fd = host->onSocket ? host->callerFd : host->stdinFd;
    size_t sent = 0;
    while (fd >= 0 && sent < keys.size()) {
        ssize_t n = write(fd, keys.data() + sent, keys.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        sent += (size_t)n;
    }
}

void bbsHangUp(BbsHost* host) {
    bbsPump(host);
    closeFd(&host->callerFd);
    closeFd(&host->stdinFd);
}

int bbsWaitExit(BbsHost* host, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (host->pid > 0) {
        bbsPump(host);
        int status = 0;
        pid_t done = waitpid(host->pid, &status, WNOHANG);
        if (done == host->pid) {
            host->pid = 0;
            host->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= end) {
            kill(host->pid, SIGKILL);
            waitpid(host->pid, nullptr, 0);
            host->pid = 0;
            host->exitCode = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
    bbsPump(host);
    return host->exitCode;
}
