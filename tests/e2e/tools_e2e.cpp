// `./run play` and `./run bbs` end to end: tools/play.sh on a pseudo-terminal
// and tools/bbs.sh taking telnet callers, each starting the local game
// service; the door greets, Q from the menu ends it, and the service stops
// with the tool.
#include <gtest/gtest.h>

#ifdef WW_HOUSE_BINARY

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "support/screen_emulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int TOOL_WAIT_MS = 20000;  // a service start and a log-in on a loaded machine

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

bool processGone(pid_t pid) { return kill(pid, 0) == -1 && errno == ESRCH; }

// A tool run: its process group, its directory, the service it started.
struct ToolRun {
    std::string dir;
    pid_t pid = 0;
    int status = -1;
    ~ToolRun() {
        if (pid > 0) kill(-pid, SIGKILL), waitpid(pid, nullptr, 0);
        if (housePid() > 0) kill(housePid(), SIGKILL);
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    pid_t housePid() const { return dir.empty() ? 0 : (pid_t)atoi(readFile(dir + "/house.pid").c_str()); }
};

// One screen at the end of fd: a pty (UTF-8 or CP437 as the locale says) or
// a telnet socket.
struct Screen {
    int fd = -1;
    enum { CP437, UTF8, TELNET } mode = CP437;
    TestScreen ts{};
    Screen() { testScreenOpen(&ts); }
    ~Screen() {
        if (fd >= 0) close(fd);
        testScreenClose(&ts);
    }
    // Render what arrived within ms; false once the far end is gone.
    bool pump(int ms) {
        pollfd p = {fd, POLLIN, 0};
        char buf[4096];
        while (poll(&p, 1, ms) > 0) {
            ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) return false;  // EIO on a pty once every holder of the slave is gone
            if (mode == UTF8) screenFeedUtf8(&ts, buf, (size_t)n);
            else if (mode == TELNET) screenFeedTelnet(&ts, buf, (size_t)n);
            else screenFeed(&ts, std::string(buf, (size_t)n));
            ms = 0;
        }
        return true;
    }
    std::string row(int r) const { return screenRowUtf8(&ts, r); }
    bool waitRow(int r, const std::string& text) {
        for (auto end = Clock::now() + std::chrono::milliseconds(TOOL_WAIT_MS); Clock::now() < end;)
            if (row(r).find(text) != std::string::npos || !pump(50)) return row(r).find(text) != std::string::npos;
        return false;
    }
    bool waitGone() {
        for (auto end = Clock::now() + std::chrono::milliseconds(TOOL_WAIT_MS); Clock::now() < end;)
            if (!pump(50)) return true;
        return false;
    }
    void keys(const std::string& k) { ASSERT_EQ(write(fd, k.data(), k.size()), (ssize_t)k.size()); }
    // The welcome, the guide, the main menu and Q.
    void throughMenuAndQuit() {
        keys("x");
        ASSERT_TRUE(waitRow(23, "[S] MAIN MENU")) << row(23);
        keys("s");
        ASSERT_TRUE(waitRow(19, "Back to the BBS")) << row(19);
        EXPECT_EQ((unsigned char)screenRowText(&ts, 6)[17], 218) << "the menu box's corner: " << row(6);
        keys("Q\r");
        ASSERT_TRUE(waitRow(10, "Thanks for playing!"));
    }
};

void setToolEnv(const char* dirVar, const char* dir) {
    setenv("WW_DOOR", WW_DOOR_BINARY, 1);
    setenv("WW_HOUSE", WW_HOUSE_BINARY, 1);
    setenv("WW_TALES", WW_SOURCE_DIR "/service/tales.json", 1);
    setenv(dirVar, dir, 1);
}

TEST(ToolsE2e, PlayGreetsThenQuitFromTheMenuStopsTheService) {
    for (bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8 locale" : "plain locale");
        ToolRun run;
        Screen screen;
        screen.mode = utf8 ? Screen::UTF8 : Screen::CP437;
        char tmpl[] = "/tmp/wwplayXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        run.dir = tmpl;
        winsize size = {24, 80, 0, 0};
        run.pid = forkpty(&screen.fd, nullptr, nullptr, &size);
        ASSERT_GE(run.pid, 0);
        if (run.pid == 0) {
            setToolEnv("WW_PLAY_DIR", tmpl);
            setenv("WW_ALIAS", "Smoky", 1);
            setenv("LANG", utf8 ? "C.UTF-8" : "C", 1);
            unsetenv("LC_ALL"), unsetenv("LC_CTYPE"), unsetenv("WW_CHARSET");
            execl("/bin/bash", "bash", WW_SOURCE_DIR "/tools/play.sh", (char*)nullptr);
            _exit(127);
        }
        ASSERT_TRUE(screen.waitRow(16, "Welcome, Smoky!")) << screen.row(16);
        EXPECT_NE(readFile(run.dir + "/door.cfg").find(utf8 ? "charset=utf8\n" : "charset=cp437\n"), std::string::npos);
        // Full blocks either way: UTF-8 fed as is, or CP437 read as CP437.
        EXPECT_NE(screen.row(8).find("\u2588\u2588\u2588  W O R D W H I R L  \u2588\u2588\u2588"), std::string::npos)
            << screen.row(8);
        pid_t house = run.housePid();
        ASSERT_GT(house, 0);
        EXPECT_FALSE(processGone(house)) << "the service runs while the door does";
        screen.throughMenuAndQuit();
        EXPECT_TRUE(screen.waitGone());
        ASSERT_EQ(waitpid(run.pid, &run.status, 0), run.pid);
        run.pid = 0;
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status;
        EXPECT_TRUE(processGone(house)) << "the service outlived the door";
    }
}

// What bbs.sh printed, read until it holds text.
bool waitSaid(int out, std::string* said, const std::string& text) {
    char buf[4096];
    for (auto end = Clock::now() + std::chrono::milliseconds(TOOL_WAIT_MS);
         said->find(text) == std::string::npos && Clock::now() < end;) {
        pollfd p = {out, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        ssize_t n = read(out, buf, sizeof buf);
        if (n <= 0) break;
        said->append(buf, (size_t)n);
    }
    return said->find(text) != std::string::npos;
}

void dial(Screen* c, int port) {
    c->mode = Screen::TELNET;
    c->fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons((uint16_t)port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(c->fd, (sockaddr*)&addr, sizeof addr), 0);
}

TEST(ToolsE2e, BbsCallersGetTheirOwnNodesAndAreHungUpWhenTheDoorEnds) {
    ToolRun run;
    char tmpl[] = "/tmp/wwbbsXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    run.dir = tmpl;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    run.pid = fork();
    ASSERT_GE(run.pid, 0);
    if (run.pid == 0) {
        setpgid(0, 0);
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        setToolEnv("WW_BBS_DIR", tmpl);
        setenv("WW_CHARSET", "cp437", 1);  // the test screen reads CP437 off the wire
        execl("/bin/bash", "bash", WW_SOURCE_DIR "/tools/bbs.sh", "0", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string said;
    ASSERT_TRUE(waitSaid(fds[0], &said, "telnet localhost ")) << said;
    int port = atoi(said.c_str() + said.find("telnet localhost ") + 17);

    auto first = std::make_unique<Screen>();
    Screen second;
    dial(first.get(), port);
    ASSERT_TRUE(first->waitRow(16, "Welcome, Guest1!")) << first->row(16);
    dial(&second, port);
    ASSERT_TRUE(second.waitRow(16, "Welcome, Guest2!")) << second.row(16);
    std::string drop = readFile(run.dir + "/node2/DOOR32.SYS");
    EXPECT_EQ(drop.substr(0, 3), "2\r\n") << "comm type telnet";
    EXPECT_NE(drop.find("\r\nGuest2\r\n100\r\n60\r\n1\r\n2\r\n"), std::string::npos) << drop;

    // The first caller leaves: the BBS hangs up and the next caller gets node 1.
    first->throughMenuAndQuit();
    EXPECT_TRUE(first->waitGone()) << "the BBS keeps the caller on the line";
    ASSERT_TRUE(waitSaid(fds[0], &said, "node 1: door ended with code 0")) << said;
    first = std::make_unique<Screen>();
    dial(first.get(), port);
    ASSERT_TRUE(first->waitRow(16, "Welcome, Guest1!")) << first->row(16);

    // SIGTERM: every caller is hung up and the service stops.
    pid_t house = run.housePid();
    ASSERT_GT(house, 0);
    kill(run.pid, SIGTERM);
    EXPECT_TRUE(first->waitGone());
    EXPECT_TRUE(second.waitGone());
    ASSERT_EQ(waitpid(run.pid, &run.status, 0), run.pid);
    run.pid = 0;
    EXPECT_TRUE(processGone(house)) << "the service outlived the BBS";
    EXPECT_TRUE(waitSaid(fds[0], &said, "BBS closed")) << said;
    close(fds[0]);
}

}  // namespace

#endif
