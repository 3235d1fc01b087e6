// `./run play` and `./run bbs` end to end: tools/play.sh on a pseudo-terminal
// and tools/bbs.sh taking telnet callers, each starting the local game
// service over TLS; the door greets, Q from the menu ends it, and the service
// stops with the tool. Two callers meet in the Lounge, one ignoring the other.
#include <gtest/gtest.h>

#ifdef WW_HOUSE_BINARY

#include <arpa/inet.h>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "support/bbs_host.h"

namespace {

bool processGone(pid_t pid) { return kill(pid, 0) == -1 && errno == ESRCH; }

// A tool run: its process group and the service it started, both killed
// when the test ends early; its directory is the board's.
struct ToolRun {
    BbsHost board{""};
    pid_t pid = 0;
    ~ToolRun() {
        if (pid > 0) kill(-pid, SIGKILL), waitpid(pid, nullptr, 0);
        if (housePid() > 0) kill(housePid(), SIGKILL);
    }
    pid_t housePid() const { return (pid_t)atoi(bbsReadFile(&board, "house.pid").c_str()); }
    int wait() {
        int status = -1;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        pid = 0;
        return status;
    }
};

void setToolEnv(const char* dirVar, const std::string& dir) {
    setenv("WW_DOOR", WW_DOOR_BINARY, 1);
    setenv("WW_HOUSE", WW_HOUSE_BINARY, 1);
    setenv("WW_TALES", WW_SOURCE_DIR "/service/tales.json", 1);
    setenv(dirVar, dir.c_str(), 1);
}

// The caller's end of the line is gone (the pty's last holder, or the BBS hung up).
bool waitGone(BbsHost* caller) {
    return waitUntil([&] {
        bbsPump(caller);
        return caller->callerGone;
    });
}

// The welcome, the guide, the main menu and Q.
void throughMenuAndQuit(BbsHost* caller) {
    bbsSendKeys(caller, "x");
    ASSERT_TRUE(bbsWaitText(caller, "[S] MAIN MENU", 23)) << bbsScreen(caller);
    bbsSendKeys(caller, "s");
    ASSERT_TRUE(bbsWaitText(caller, "Back to the BBS", 19)) << bbsScreen(caller);
    EXPECT_EQ((unsigned char)screenRowText(&caller->screen, 6)[17], 218) << "the menu box's corner";
    bbsSendKeys(caller, "Q\r");
    ASSERT_TRUE(bbsWaitText(caller, "Thanks for playing!", 10));
}

TEST(ToolsE2e, PlayGreetsThenQuitFromTheMenuStopsTheService) {
    for (bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8 locale" : "plain locale");
        ToolRun run;
        BbsHost& screen = run.board;
        screen.onSocket = true;
        screen.line = utf8 ? BbsHost::UTF8 : BbsHost::CP437;
        winsize size = {24, 80, 0, 0};
        run.pid = forkpty(&screen.callerFd, nullptr, nullptr, &size);
        ASSERT_GE(run.pid, 0);
        if (run.pid == 0) {
            setToolEnv("WW_PLAY_DIR", screen.dir);
            setenv("WW_ALIAS", "Smoky", 1);
            setenv("LANG", utf8 ? "C.UTF-8" : "C", 1);
            unsetenv("LC_ALL"), unsetenv("LC_CTYPE"), unsetenv("WW_CHARSET");
            execl("/bin/bash", "bash", WW_SOURCE_DIR "/tools/play.sh", (char*)nullptr);
            _exit(127);
        }
        fcntl(screen.callerFd, F_SETFL, O_NONBLOCK);
        ASSERT_TRUE(bbsWaitText(&screen, "Welcome, Smoky!", 16)) << bbsScreen(&screen);
        EXPECT_NE(bbsReadFile(&screen, "door.cfg").find(utf8 ? "charset=utf8\n" : "charset=cp437\n"), std::string::npos);
        // Full blocks either way: UTF-8 fed as is, or CP437 read as CP437.
        EXPECT_NE(bbsRow(&screen, 8).find("\u2588\u2588\u2588  W O R D W H I R L  \u2588\u2588\u2588"), std::string::npos);
        pid_t house = run.housePid();
        ASSERT_GT(house, 0);
        EXPECT_FALSE(processGone(house)) << "the service runs while the door does";
        bbsSendKeys(&screen, "\x03");  // Ctrl-C on the terminal: no signal, no key
        throughMenuAndQuit(&screen);
        EXPECT_TRUE(waitGone(&screen));
        EXPECT_EQ(run.wait(), 0);
        EXPECT_TRUE(processGone(house)) << "the service outlived the door";
    }
}

// A telnet caller of bbs.sh: a board of its own for the screen.
std::unique_ptr<BbsHost> dial(int port) {
    auto caller = std::make_unique<BbsHost>("");
    caller->onSocket = true;
    caller->callerFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons((uint16_t)port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(caller->callerFd, (sockaddr*)&addr, sizeof addr), 0);
    fcntl(caller->callerFd, F_SETFL, O_NONBLOCK);
    return caller;
}

TEST(ToolsE2e, BbsCallersGetTheirOwnNodesAndAreHungUpWhenTheDoorEnds) {
    ToolRun run;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    run.pid = fork();
    ASSERT_GE(run.pid, 0);
    if (run.pid == 0) {
        setpgid(0, 0);
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        setToolEnv("WW_BBS_DIR", run.board.dir);
        setenv("WW_CHARSET", "cp437", 1);  // the test screen reads CP437 off the wire
        execl("/bin/bash", "bash", WW_SOURCE_DIR "/tools/bbs.sh", "0", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    // What bbs.sh prints comes in on the board's standard output.
    run.board.stdoutFd = fds[0];
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    auto said = [&](const std::string& text) {
        return waitUntil([&] { return bbsPump(&run.board), run.board.rawStdout.find(text) != std::string::npos; });
    };
    ASSERT_TRUE(said("telnet localhost ")) << run.board.rawStdout;
    int port = atoi(run.board.rawStdout.c_str() + run.board.rawStdout.find("telnet localhost ") + 17);

    std::unique_ptr<BbsHost> first = dial(port), second;
    ASSERT_TRUE(bbsWaitText(first.get(), "Welcome, Guest1!", 16)) << bbsScreen(first.get());
    second = dial(port);
    ASSERT_TRUE(bbsWaitText(second.get(), "Welcome, Guest2!", 16)) << bbsScreen(second.get());
    std::string drop = bbsReadFile(&run.board, "node2/DOOR32.SYS");
    EXPECT_EQ(drop.substr(0, 3), "2\r\n") << "comm type telnet";
    EXPECT_NE(drop.find("\r\nGuest2\r\n100\r\n60\r\n1\r\n2\r\n"), std::string::npos) << drop;

    // The first caller leaves: the BBS hangs up and the next caller gets node 1.
    throughMenuAndQuit(first.get());
    EXPECT_TRUE(waitGone(first.get())) << "the BBS keeps the caller on the line";
    ASSERT_TRUE(said("node 1: door ended with code 0; caller left")) << run.board.rawStdout;
    first = dial(port);
    ASSERT_TRUE(bbsWaitText(first.get(), "Welcome, Guest1!", 16)) << bbsScreen(first.get());

    // Through the real house over TLS: Guest2 ignores Guest1 in the Lounge.
    // Each waits for its own line to come back, so a line of Guest1's would
    // reach Guest2 before Guest2's own.
    for (BbsHost* caller : {first.get(), second.get()}) {
        bbsSendKeys(caller, "x");
        ASSERT_TRUE(bbsWaitText(caller, "[S] MAIN MENU", 23)) << bbsScreen(caller);
        bbsSendKeys(caller, "s");
        ASSERT_TRUE(bbsWaitText(caller, "Back to the BBS", 19)) << bbsScreen(caller);
        bbsSendKeys(caller, "1\r");
        ASSERT_TRUE(bbsWaitText(caller, "[#] Sit Down")) << bbsScreen(caller);
    }
    bbsSendKeys(second.get(), "/ignore guest1\r");
    ASSERT_TRUE(bbsWaitText(second.get(), "You are ignoring Guest1")) << bbsScreen(second.get());
    bbsSendKeys(first.get(), "wave Guest2 secretly\r");
    ASSERT_TRUE(bbsWaitText(first.get(), "Guest1 waves at Guest2.")) << bbsScreen(first.get());
    bbsSendKeys(second.get(), "anybody here\r");
    ASSERT_TRUE(bbsWaitText(second.get(), "anybody here")) << bbsScreen(second.get());
    EXPECT_EQ(bbsScreen(second.get()).find("waves"), std::string::npos) << bbsScreen(second.get());
    EXPECT_TRUE(bbsWaitText(first.get(), "anybody here")) << "Guest1 still hears Guest2";
    bbsCloseFd(&first->callerFd);  // Guest1's line drops
    EXPECT_TRUE(said("node 1: door ended with code 0; caller hung up")) << run.board.rawStdout;

    // SIGTERM: every caller is told, hung up, and the service stops.
    pid_t house = run.housePid();
    ASSERT_GT(house, 0);
    kill(run.pid, SIGTERM);
    EXPECT_TRUE(waitGone(second.get()));
    EXPECT_NE(second->rawSocket.find("The board is closing"), std::string::npos) << "told before the line drops";
    run.wait();
    EXPECT_TRUE(processGone(house)) << "the service outlived the BBS";
    EXPECT_TRUE(said("BBS closed")) << run.board.rawStdout;
}

}  // namespace

#endif
