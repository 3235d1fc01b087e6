// Pieces every end-to-end file shares: a board with the real door, a fake
// game service, and where the door's texts land on the caller's screen.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "support/bbs_host.h"
#include "support/fake_service.h"
#include "support/request_lines.h"

struct Door : BbsHost {
    Door() : BbsHost(WW_DOOR_BINARY) {}
};

constexpr int NOTICE_ROW = 23;
constexpr int GOODBYE_SENDING_ROW = 20;
const std::string LOST_LINK = "Lost the connection to Wordwhirl.";
const std::string SENDING_BACK = "Sending you back now";
const std::string DISCONNECT_LINE = "{\"cmd\":\"disconnect\"}";

// text centred on row, in ink (see screenInkAt).
inline void expectCentred(const BbsHost& host, int row, const std::string& text, int ink) {
    int col = text.size() <= 78 ? (80 - (int)text.size()) / 2 : 1;
    EXPECT_EQ(screenRowText(&host.screen, row).substr(col - 1, text.size()), text) << "row " << row;
    EXPECT_EQ(screenInkAt(&host.screen, row, col), ink) << "row " << row << ": " << text;
}

// Board ready for a telnet caller on node, the service at port: door.cfg,
// the caller's socket and a DOOR32.SYS naming it. The door is not started.
inline void prepareTelnet(Door* door, int node, int port, const std::string& cfgMore = "",
                          const std::string& alias = "Tester") {
    bbsWriteDoorCfg(door, port, cfgMore);
    int handle = bbsOpenTelnet(door);
    bbsWriteFile(door, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, node, alias));
}

inline void startTelnet(Door* door, int node, int port, const std::string& cfgMore = "",
                        const std::string& alias = "Tester") {
    prepareTelnet(door, node, port, cfgMore, alias);
    bbsStart(door, {"-DDOOR32.SYS"}, false);
}
