// Pieces every end-to-end file shares: a board with the real door, a fake
// game service, and where the door's texts land on the caller's screen.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

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

inline void expectCentred(const BbsHost& host, int row, const std::string& text, int fg, bool bright) {
    int col = centreCol(text);
    EXPECT_EQ(screenTextAt(&host.screen, row, col, (int)text.size()), text) << "row " << row;
    EXPECT_EQ(screenFgAt(&host.screen, row, col), fg) << "row " << row << " " << text;
    EXPECT_EQ(screenBrightAt(&host.screen, row, col), bright) << "row " << row << " " << text;
}

// Any row, searched for text until it shows.
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

// Board ready for a telnet caller on `node`, service at `port`: door.cfg,
// the caller's socket and a DOOR32.SYS naming it. The door is not started.
inline void prepareTelnet(Door* door, int node, int port, const std::string& cfgMore = "",
                          const std::string& alias = "Tester") {
    bbsWriteDoorCfg(&door->host, port, cfgMore);
    int handle = bbsOpenTelnet(&door->host);
    bbsWriteFile(&door->host, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, node, alias));
}

inline void startTelnet(Door* door, int node, int port, const std::string& cfgMore = "") {
    prepareTelnet(door, node, port, cfgMore);
    bbsStart(&door->host, {"-DDOOR32.SYS"}, false);
}
