// `./run play` end to end: tools/play.sh on a pseudo-terminal starts the
// local game service, the door greets the player, Q from the main menu ends
// the door cleanly and the service is stopped with it. Once for a UTF-8
// locale (the door sends UTF-8) and once for a plain one (CP437).
#include <gtest/gtest.h>

#ifdef WW_HOUSE_BINARY

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/screen_emulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int PLAY_WAIT_MS = 20000;  // a service start and a log-in on a loaded machine

struct PlayRun {
    std::string dir;       // the play directory (door copy, door.cfg, house.pid)
    pid_t pid = 0;         // play.sh, leader of its own session on the pty
    int master = -1;       // our end of the pty
    bool utf8 = false;     // the locale asked for UTF-8: feed bytes as they are
    int status = -1;       // wait status once play.sh ended
    TestScreen screen{};

    ~PlayRun() {
        if (pid > 0) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        pid_t house = housePid();
        if (house > 0) kill(house, SIGKILL);
        if (master >= 0) close(master);
        testScreenClose(&screen);
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    std::string file(const char* name) const {
        std::ifstream in(dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    pid_t housePid() const { return dir.empty() ? 0 : (pid_t)atoi(file("house.pid").c_str()); }
};

void startPlay(PlayRun* run, const char* lang) {
    char tmpl[] = "/tmp/wwplayXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    run->dir = tmpl;
    testScreenOpen(&run->screen);
    struct winsize size = {24, 80, 0, 0};
    run->pid = forkpty(&run->master, nullptr, nullptr, &size);
    ASSERT_GE(run->pid, 0);
    if (run->pid == 0) {
        setenv("WW_DOOR", WW_DOOR_BINARY, 1);
        setenv("WW_HOUSE", WW_HOUSE_BINARY, 1);
        setenv("WW_TALES", WW_SOURCE_DIR "/service/tales.json", 1);
        setenv("WW_PLAY_DIR", tmpl, 1);
        setenv("WW_ALIAS", "Smoky", 1);
        setenv("LANG", lang, 1);
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        unsetenv("WW_CHARSET");
        execl("/bin/bash", "bash", WW_SOURCE_DIR "/tools/play.sh", (char*)nullptr);
        _exit(127);
    }
}

// Read what the pty has for up to ms milliseconds and render it.
void pump(PlayRun* run, int ms) {
    struct pollfd p = {run->master, POLLIN, 0};
    char buf[4096];
    while (poll(&p, 1, ms) > 0) {
        ssize_t n = read(run->master, buf, sizeof buf);
        if (n <= 0) return;  // EIO once every holder of the slave is gone
        if (run->utf8) screenFeedUtf8(&run->screen, buf, (size_t)n);
        else screenFeed(&run->screen, buf, (size_t)n);
        ms = 0;
    }
}

bool waitRow(PlayRun* run, int row, const std::string& text) {
    auto end = Clock::now() + std::chrono::milliseconds(PLAY_WAIT_MS);
    while (Clock::now() < end) {
        if (screenRowUtf8(&run->screen, row).find(text) != std::string::npos) return true;
        pump(run, 50);
    }
    return false;
}

void sendKeys(PlayRun* run, const std::string& keys) {
    ASSERT_EQ(write(run->master, keys.data(), keys.size()), (ssize_t)keys.size());
}

// Wait for play.sh to end, draining the pty so it never blocks on output.
bool waitExit(PlayRun* run) {
    auto end = Clock::now() + std::chrono::milliseconds(PLAY_WAIT_MS);
    while (Clock::now() < end) {
        pump(run, 50);
        if (waitpid(run->pid, &run->status, WNOHANG) == run->pid) {
            run->pid = 0;
            return true;
        }
    }
    return false;
}

bool processGone(pid_t pid) { return kill(pid, 0) == -1 && errno == ESRCH; }

TEST(PlaySmokeE2e, WelcomeThenQuitFromTheMenuStopsTheService) {
    struct Case { const char* lang; bool utf8; } cases[] = {{"C.UTF-8", true}, {"C", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        PlayRun run;
        run.utf8 = c.utf8;
        startPlay(&run, c.lang);
        ASSERT_TRUE(waitRow(&run, 16, "Welcome, Smoky!")) << screenRowUtf8(&run.screen, 16);
        EXPECT_NE(run.file("door.cfg").find(c.utf8 ? "charset=utf8\n" : "charset=cp437\n"), std::string::npos)
            << run.file("door.cfg");
        // Full blocks either way: UTF-8 fed as is, or CP437 read as CP437.
        EXPECT_NE(screenRowUtf8(&run.screen, 8).find("\u2588\u2588\u2588  W O R D W H I R L  \u2588\u2588\u2588"),
                  std::string::npos) << screenRowUtf8(&run.screen, 8);
        pid_t house = run.housePid();
        ASSERT_GT(house, 0);
        EXPECT_FALSE(processGone(house)) << "the service runs while the door does";

        sendKeys(&run, "x");
        ASSERT_TRUE(waitRow(&run, 23, "[S] MAIN MENU")) << screenRowUtf8(&run.screen, 23);
        sendKeys(&run, "s");
        ASSERT_TRUE(waitRow(&run, 19, "Back to the BBS")) << screenRowUtf8(&run.screen, 19);
        EXPECT_EQ(screenCharAt(&run.screen, 6, 18), 218) << "the menu box's corner: " << screenRowUtf8(&run.screen, 6);
        sendKeys(&run, "Q\r");
        ASSERT_TRUE(waitRow(&run, 10, "Thanks for playing!"));
        ASSERT_TRUE(waitExit(&run)) << "play.sh still running";
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status;
        EXPECT_TRUE(processGone(house)) << "the service outlived the door";
    }
}

}  // namespace

#else

TEST(PlaySmokeE2e, WelcomeThenQuitFromTheMenuStopsTheService) {
    GTEST_SKIP() << "wordwhirl-house is not built in this tree: nothing to play against";
}

#endif
