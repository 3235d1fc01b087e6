// Pieces every end-to-end test file shares: a board with the real door, a
// fake game service, where centred texts land, and the connected caller's
// way to the goodbye screen.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "support/bbs_host.h"
#include "support/fake_service.h"

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
    EXPECT_EQ(screenFgAt(&host.screen, row, col), fg) << "row " << row;
    EXPECT_EQ(screenBrightAt(&host.screen, row, col), bright) << "row " << row;
}

// Start a door for a telnet caller on node `node`, service at `port`.
inline void startTelnet(Door* door, int node, int port, const std::string& cfgMore = "",
                        const std::string& alias = "Tester", int minutesLeft = 45) {
    bbsWriteDoorCfg(&door->host, port, cfgMore);
    int handle = bbsOpenTelnet(&door->host);
    bbsWriteFile(&door->host, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, node, alias, minutesLeft));
    bbsStart(&door->host, {"-DDOOR32.SYS"}, false);
}
