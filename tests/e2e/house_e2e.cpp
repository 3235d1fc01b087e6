// Two real doors on two nodes meeting through the real house service: both
// log in under their own names, a Lounge line and a whisper cross between
// them, both sit down at the Quick Play table by its number, table chat
// reaches the other caller, and a house bot fills the third seat.
#ifdef WW_HOUSE_BINARY
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "e2e/e2e_common.h"

namespace {

// The house on a free port; its "listening on" line gives the port.
struct House {
    pid_t pid = 0;
    int port = 0;
    House() {
        int out[2];
        if (pipe(out) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            execl(WW_HOUSE_BINARY, WW_HOUSE_BINARY, "--port", "0", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[128] = {0};
        if (f && std::fgets(line, sizeof line, f)) {
            const char* colon = std::strrchr(line, ':');
            port = colon ? std::atoi(colon + 1) : 0;
        }
        if (f) std::fclose(f);
    }
    ~House() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

bool waitOnScreen(BbsHost* host, const std::string& text, int timeoutMs = BBS_WAIT_MS) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bbsPump(host);
        for (int row = 1; row <= 24; row++)
            if (bbsRow(host, row).find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Logged in, past the guide, on the main menu.
void toMainMenu(Door* door, int node, int port, const std::string& alias) {
    startTelnet(door, node, port, "bbsid=house-test\n", alias);
    ASSERT_TRUE(bbsWaitRow(&door->host, 16, "Welcome, " + alias + "!")) << bbsRow(&door->host, 16);
    bbsSendKeys(&door->host, "x");
    ASSERT_TRUE(bbsWaitRow(&door->host, 23, "[S] MAIN MENU"));
    bbsSendKeys(&door->host, "s");
    ASSERT_TRUE(waitOnScreen(&door->host, "Back to the BBS"));
}

TEST(HouseE2e, TwoDoorsMeetInTheLoungeAndAtOneTable) {
    House house;
    ASSERT_GT(house.port, 0) << "the house did not say where it listens";
    Door ann, bob;
    toMainMenu(&ann, 1, house.port, "Ann");
    toMainMenu(&bob, 2, house.port, "Bob");

    bbsSendKeys(&ann.host, "1\r");
    bbsSendKeys(&bob.host, "1\r");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // both in the Lounge
    bbsSendKeys(&ann.host, "hello from Ann\r");
    EXPECT_TRUE(waitOnScreen(&bob.host, "hello from Ann"));
    bbsSendKeys(&ann.host, "/Bob psst\r");
    EXPECT_TRUE(waitOnScreen(&bob.host, "Ann whispers to you: psst"));
    EXPECT_TRUE(waitOnScreen(&ann.host, "You whisper to Bob: psst"));

    // Table 1 of the Lounge is the house's Quick Play table.
    bbsSendKeys(&ann.host, "1\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Ann sat down at the table."));
    bbsSendKeys(&bob.host, "1\r");
    ASSERT_TRUE(waitOnScreen(&ann.host, "Bob sat down at the table."));
    bbsSendKeys(&ann.host, "hi table\r");
    EXPECT_TRUE(waitOnScreen(&bob.host, "hi table"));
    // Two callers are a thin table: a house bot sits down after a moment.
    EXPECT_TRUE(waitOnScreen(&bob.host, "sat down to keep you company."));
    EXPECT_TRUE(waitOnScreen(&ann.host, "sat down to keep you company."));

    bbsSendKeys(&ann.host, "/quit\r");
    bbsSendKeys(&bob.host, "/quit\r");
    EXPECT_EQ(bbsWaitExit(&ann.host), 0);
    EXPECT_EQ(bbsWaitExit(&bob.host), 0);
}

}  // namespace
#endif
