// Pieces every end-to-end test file shares: a board with the real door, a
// fake game service, where texts land on the caller's screen, the caller's
// way in (log-in, welcome, guide, main menu) and the lines the service got.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/bbs_host.h"
#include "support/fake_service.h"
#include "support/request_lines.h"

struct Door {
    BbsHost host;
    Door() { bbsHostOpen(&host, WW_DOOR_BINARY); }
    ~Door() { bbsHostClose(&host); }
};

struct Service {
    FakeService svc;
    Service() { fakeServiceStart(&svc); }
    ~Service() { fakeServiceStop(&svc); }
};

constexpr int NOTICE_ROW = 23;
constexpr int GOODBYE_SENDING_ROW = 20;
const std::string LOST_LINK = "Lost the connection to Wordwhirl.";
const std::string SENDING_BACK = "Sending you back now";
const std::string DISCONNECT_LINE = "{\"cmd\":\"disconnect\"}";

// Column where the door centres a text of this length.
inline int centreCol(const std::string& text) { return text.size() <= 78 ? (80 - (int)text.size()) / 2 : 1; }

inline void expectText(const BbsHost& host, int row, int col, const std::string& text, int fg, bool bright) {
    EXPECT_EQ(screenTextAt(&host.screen, row, col, (int)text.size()), text) << "row " << row;
    EXPECT_EQ(screenFgAt(&host.screen, row, col), fg) << "row " << row << " " << text;
    EXPECT_EQ(screenBrightAt(&host.screen, row, col), bright) << "row " << row << " " << text;
}

inline void expectCentred(const BbsHost& host, int row, const std::string& text, int fg, bool bright) {
    expectText(host, row, centreCol(text), text, fg, bright);
}

// Rows 1 to 24 as the caller sees them, searched for text until it shows.
inline bool waitOnScreen(BbsHost* host, const std::string& text, int timeoutMs = BBS_WAIT_MS) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bbsPump(host);
        for (int row = 1; row <= TEST_ROWS; row++)
            if (bbsRow(host, row).find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The lines the service got after the first `skip`.
inline std::vector<std::string> linesAfter(FakeService* svc, size_t skip) {
    std::vector<std::string> all = fakeServiceLines(svc);
    return all.size() > skip ? std::vector<std::string>(all.begin() + (long)skip, all.end())
                             : std::vector<std::string>{};
}

// Waits until the service has got count lines after the first skip.
inline bool waitLinesAfter(FakeService* svc, size_t skip, size_t count, int timeoutMs = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (linesAfter(svc, skip).size() < count) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Board ready for a telnet caller on node `node`, service at `port`: door.cfg,
// the caller's socket and a DOOR32.SYS naming it. The door is not started yet.
inline void prepareTelnet(Door* door, int node, int port, const std::string& cfgMore = "",
                          const std::string& alias = "Tester", int minutesLeft = 45) {
    bbsWriteDoorCfg(&door->host, port, cfgMore);
    int handle = bbsOpenTelnet(&door->host);
    bbsWriteFile(&door->host, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, node, alias, minutesLeft));
}

// Start a door for a telnet caller on node `node`, service at `port`.
inline void startTelnet(Door* door, int node, int port, const std::string& cfgMore = "",
                        const std::string& alias = "Tester", int minutesLeft = 45) {
    prepareTelnet(door, node, port, cfgMore, alias, minutesLeft);
    bbsStart(&door->host, {"-DDOOR32.SYS"}, false);
}

// Caller "Ace" on node 3 of board-7, the visit most feature tests start from.
const std::string ACE_CONNECT =
    R"({"cmd":"connect","bbsInstanceId":"board-7","localUserid":"42","alias":"Ace"})";

// Past the welcome screen, once it shows welcome, and the guide to the main menu.
inline void guideToMainMenu(BbsHost* host, const std::string& welcome) {
    ASSERT_TRUE(waitOnScreen(host, welcome));
    bbsSendKeys(host, "x");  // the guide
    ASSERT_TRUE(bbsWaitRow(host, 23, "[S] MAIN MENU"));
    bbsSendKeys(host, "s");  // the main menu
    ASSERT_TRUE(waitOnScreen(host, "Back to the BBS"));
}
