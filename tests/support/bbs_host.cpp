#include "bbs_host.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Hosts run side by side on threads. A door started while another thread
// holds a file open for writing would inherit that descriptor (the library
// opens without close-on-exec); for the other board's copy of the door that
// means "text file busy" at exec. Writing files and forking take turns.
std::mutex fileAndFork;

void closeFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

// Everything waiting on fd, appended to raw and fresh; false at its end.
bool drain(int fd, std::string* raw, std::string* fresh) {
    char buf[4096];
    for (;;) {
        ssize_t got = read(fd, buf, sizeof buf);
        if (got <= 0) return got < 0 && errno == EAGAIN;
        raw->append(buf, (size_t)got);
        fresh->append(buf, (size_t)got);
    }
}

}  // namespace

BbsHost::BbsHost(const std::string& doorBinary) {
    char tmpl[] = "/tmp/wwbbs-XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    dir = tmpl;
    door = dir + "/wordwhirl";
    testScreenOpen(&screen);
    std::lock_guard<std::mutex> hold(fileAndFork);
    if (!doorBinary.empty()) fs::copy_file(doorBinary, door);
}

BbsHost::~BbsHost() {
    if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    for (int* fd : {&callerFd, &doorFd, &stdinFd, &stdoutFd}) closeFd(fd);
    testScreenClose(&screen);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void bbsWriteFile(BbsHost* host, const std::string& name, const std::string& text) {
    fs::path path = fs::path(host->dir) / name;
    fs::create_directories(path.parent_path());
    std::lock_guard<std::mutex> hold(fileAndFork);
    std::ofstream(path, std::ios::binary) << text;
}

std::string bbsReadFile(const BbsHost* host, const std::string& name) {
    std::stringstream text;
    text << std::ifstream(fs::path(host->dir) / name, std::ios::binary).rdbuf();
    return text.str();
}

std::string bbsNodeLog(const BbsHost* host, int node) {
    return bbsReadFile(host, "wordwhirl-node" + std::to_string(node) + ".log");
}

void bbsWriteDoorCfg(BbsHost* host, int port, const std::string& moreLines) {
    bbsWriteFile(host, "door.cfg", "host=127.0.0.1\nport=" + std::to_string(port) + "\ntls=0\n" + moreLines);
}

int bbsOpenTelnet(BbsHost* host) {
    int fds[2];
    // Close-on-exec on both: no other door started meanwhile may inherit
    // them; the child clears it on its own end only.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) abort();
    host->doorFd = fds[0];
    host->callerFd = fds[1];
    fcntl(host->callerFd, F_SETFL, O_NONBLOCK);
    return host->doorFd;
}

std::string bbsDoor32(int commType, unsigned handle, int node, const std::string& alias) {
    std::ostringstream text;
    text << commType << "\r\n" << handle << "\r\n38400\r\nTest BBS\r\n42\r\nTest Caller\r\n" << alias
         << "\r\n100\r\n45\r\n1\r\n" << node << "\r\n";
    return text.str();
}

void bbsStart(BbsHost* host, const std::vector<std::string>& args, bool stdinPipe) {
    std::vector<std::string> all{host->door};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int in[2] = {-1, -1}, out[2];
    if ((stdinPipe && pipe2(in, O_CLOEXEC) != 0) || pipe2(out, O_CLOEXEC) != 0) abort();
    host->onSocket = host->callerFd >= 0;
    std::unique_lock<std::mutex> hold(fileAndFork);
    host->pid = fork();
    if (host->pid == 0) {  // only async-signal-safe calls until exec
        int devNull = open("/dev/null", O_RDWR);
        dup2(in[0] >= 0 ? in[0] : devNull, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        if (host->doorFd >= 0) fcntl(host->doorFd, F_SETFD, 0);  // the one descriptor a BBS hands down
        if (chdir(host->dir.c_str()) == 0) execv(host->door.c_str(), argv.data());
        _exit(127);
    }
    hold.unlock();
    if (host->pid < 0) abort();
    closeFd(&host->doorFd);  // the door holds its end now; the host must not keep it alive
    closeFd(&in[0]);
    closeFd(&out[1]);
    host->stdinFd = in[1];
    host->stdoutFd = out[0];
    fcntl(host->stdoutFd, F_SETFL, O_NONBLOCK);
}

void bbsPump(BbsHost* host) {
    std::string fromSocket, fromStdout;
    if (host->callerFd >= 0 && !drain(host->callerFd, &host->rawSocket, &fromSocket)) host->callerGone = true;
    if (host->stdoutFd >= 0 && !drain(host->stdoutFd, &host->rawStdout, &fromStdout)) closeFd(&host->stdoutFd);
    if (!host->onSocket) screenFeed(&host->screen, fromStdout);
    else if (host->line == BbsHost::TELNET) screenFeedTelnet(&host->screen, fromSocket.data(), fromSocket.size());
    else if (host->line == BbsHost::UTF8) screenFeedUtf8(&host->screen, fromSocket.data(), fromSocket.size());
    else screenFeed(&host->screen, fromSocket);
}

std::string bbsRow(const BbsHost* host, int row) { return screenRowUtf8(&host->screen, row); }

std::string bbsScreen(const BbsHost* host) {
    std::string all;
    for (int row = 1; row <= TEST_ROWS; row++) all += bbsRow(host, row) + "\n";
    return all;
}

bool bbsWaitText(BbsHost* host, const std::string& text, int row, int timeoutMs) {
    return waitUntil([&] {
        bbsPump(host);
        return (row ? bbsRow(host, row) : bbsScreen(host)).find(text) != std::string::npos;
    }, timeoutMs);
}

void bbsSendKeys(BbsHost* host, const std::string& keys) {
    int fd = host->onSocket ? host->callerFd : host->stdinFd;
    for (size_t sent = 0; fd >= 0 && sent < keys.size();) {
        ssize_t n = write(fd, keys.data() + sent, keys.size() - sent);
        if (n <= 0) return;
        sent += (size_t)n;
    }
}

void bbsHangUp(BbsHost* host) {
    bbsPump(host);
    closeFd(&host->callerFd);
    closeFd(&host->stdinFd);
}

bool bbsRunning(const BbsHost* host) {
    siginfo_t info{};
    return host->pid > 0 && waitid(P_PID, (id_t)host->pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

int bbsWaitExit(BbsHost* host, int timeoutMs) {
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
