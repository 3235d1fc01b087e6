// `./run bbs` end to end: tools/bbs.sh with the local game service answers
// real telnet callers on their own nodes, hangs up a caller whose door has
// ended, hands the freed node to the next caller and, on SIGTERM, ends the
// doors, hangs everybody up and stops the service.
#include <gtest/gtest.h>

#ifdef WW_HOUSE_BINARY

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "support/screen_emulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int BBS_TOOL_WAIT_MS = 20000;  // service start and log-in on a loaded machine

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct BbsRun {
    std::string board;     // temporary board directory
    pid_t pid = 0;         // bbs.sh, leader of its own process group
    int out = -1;          // its standard output
    std::string said;      // everything it printed
    int status = -1;

    ~BbsRun() {
        if (pid > 0) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        pid_t house = housePid();
        if (house > 0) kill(house, SIGKILL);
        if (out >= 0) close(out);
        if (!board.empty()) std::filesystem::remove_all(board);
    }
    pid_t housePid() const { return board.empty() ? 0 : (pid_t)atoi(readFile(board + "/house.pid").c_str()); }
};

struct Caller {
    int fd = -1;
    TestScreen screen{};
    Caller() { testScreenOpen(&screen); }
    ~Caller() {
        if (fd >= 0) close(fd);
        testScreenClose(&screen);
    }
};

void startBbs(BbsRun* run) {
    char tmpl[] = "/tmp/wwbbsXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    run->board = tmpl;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    run->pid = fork();
    ASSERT_GE(run->pid, 0);
    if (run->pid == 0) {
        setpgid(0, 0);
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        setenv("WW_DOOR", WW_DOOR_BINARY, 1);
        setenv("WW_HOUSE", WW_HOUSE_BINARY, 1);
        setenv("WW_TALES", WW_SOURCE_DIR "/service/tales.json", 1);
        setenv("WW_BBS_DIR", tmpl, 1);
        setenv("WW_CHARSET", "cp437", 1);  // the test screen reads CP437 off the wire
        execl("/bin/bash", "bash", WW_SOURCE_DIR "/tools/bbs.sh", "0", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    run->out = fds[0];
}

// Read what bbs.sh printed until it contains text; false after the wait.
bool waitSaid(BbsRun* run, const std::string& text) {
    auto end = Clock::now() + std::chrono::milliseconds(BBS_TOOL_WAIT_MS);
    char buf[4096];
    while (run->said.find(text) == std::string::npos && Clock::now() < end) {
        struct pollfd p = {run->out, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        ssize_t n = read(run->out, buf, sizeof buf);
        if (n <= 0) break;
        run->said.append(buf, (size_t)n);
    }
    return run->said.find(text) != std::string::npos;
}

int listeningPort(const BbsRun& run) {
    size_t at = run.said.find("telnet localhost ");
    return at == std::string::npos ? 0 : atoi(run.said.c_str() + at + 17);
}

void dial(Caller* c, int port) {
    c->fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons((uint16_t)port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(c->fd, (struct sockaddr*)&addr, sizeof addr), 0);
}

// Render what the door sent; false once the BBS has hung up.
bool pumpCaller(Caller* c, int ms) {
    struct pollfd p = {c->fd, POLLIN, 0};
    char buf[4096];
    while (poll(&p, 1, ms) > 0) {
        ssize_t n = recv(c->fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        screenFeedTelnet(&c->screen, buf, (size_t)n);
        ms = 0;
    }
    return true;
}

bool waitRow(Caller* c, int row, const std::string& text) {
    auto end = Clock::now() + std::chrono::milliseconds(BBS_TOOL_WAIT_MS);
    while (Clock::now() < end) {
        if (screenRowUtf8(&c->screen, row).find(text) != std::string::npos) return true;
        if (!pumpCaller(c, 50)) return screenRowUtf8(&c->screen, row).find(text) != std::string::npos;
    }
    return false;
}

bool waitHangUp(Caller* c) {
    auto end = Clock::now() + std::chrono::milliseconds(BBS_TOOL_WAIT_MS);
    while (Clock::now() < end)
        if (!pumpCaller(c, 50)) return true;
    return false;
}

void sendKeys(Caller* c, const std::string& keys) {
    ASSERT_EQ(send(c->fd, keys.data(), keys.size(), MSG_NOSIGNAL), (ssize_t)keys.size());
}

bool processGone(pid_t pid) { return kill(pid, 0) == -1 && errno == ESRCH; }

TEST(BbsToolE2e, CallersGetTheirOwnNodesAndAreHungUpWhenTheDoorEnds) {
    BbsRun run;
    startBbs(&run);
    ASSERT_TRUE(waitSaid(&run, "telnet localhost ")) << run.said;
    int port = listeningPort(run);
    ASSERT_GT(port, 0) << run.said;

    auto first = std::make_unique<Caller>();
    Caller second;
    dial(first.get(), port);
    ASSERT_TRUE(waitRow(first.get(), 16, "Welcome, Guest1!")) << screenRowUtf8(&first->screen, 16);
    dial(&second, port);
    ASSERT_TRUE(waitRow(&second, 16, "Welcome, Guest2!")) << screenRowUtf8(&second.screen, 16);
    std::string drop = readFile(run.board + "/node2/DOOR32.SYS");
    EXPECT_EQ(drop.substr(0, 3), "2\r\n") << "comm type telnet";
    EXPECT_NE(drop.find("\r\nGuest2\r\n100\r\n60\r\n1\r\n2\r\n"), std::string::npos) << drop;

    // The first caller leaves from the main menu: the door ends and the BBS
    // hangs up; the next caller gets the freed node 1.
    sendKeys(first.get(), "x");
    ASSERT_TRUE(waitRow(first.get(), 23, "[S] MAIN MENU"));
    sendKeys(first.get(), "s");
    ASSERT_TRUE(waitRow(first.get(), 19, "Back to the BBS"));
    sendKeys(first.get(), "Q\r");
    ASSERT_TRUE(waitRow(first.get(), 10, "Thanks for playing!"));
    EXPECT_TRUE(waitHangUp(first.get())) << "the BBS keeps the caller on the line";
    ASSERT_TRUE(waitSaid(&run, "node 1: door ended with code 0")) << run.said;
    first = std::make_unique<Caller>();
    dial(first.get(), port);
    ASSERT_TRUE(waitRow(first.get(), 16, "Welcome, Guest1!")) << screenRowUtf8(&first->screen, 16);

    // SIGTERM: every caller is hung up and the service stops.
    pid_t house = run.housePid();
    ASSERT_GT(house, 0);
    EXPECT_FALSE(processGone(house));
    kill(run.pid, SIGTERM);
    EXPECT_TRUE(waitHangUp(first.get()));
    EXPECT_TRUE(waitHangUp(&second));
    ASSERT_EQ(waitpid(run.pid, &run.status, 0), run.pid);
    run.pid = 0;
    EXPECT_TRUE(processGone(house)) << "the service outlived the BBS";
    EXPECT_TRUE(waitSaid(&run, "BBS closed")) << run.said;
}

}  // namespace

#else

TEST(BbsToolE2e, CallersGetTheirOwnNodesAndAreHungUpWhenTheDoorEnds) {
    GTEST_SKIP() << "wordwhirl-house is not built in this tree: no service for the BBS";
}

#endif
