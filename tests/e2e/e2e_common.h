// Pieces every end-to-end file shares: a board with the real door, a fake
// game service, and where the door's texts land on the caller's screen.
#pragma once
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <string>

#include "support/bbs_host.h"
#include "support/net_peers.h"
#include "support/request_lines.h"

struct Door : BbsHost {
    Door() : BbsHost(WW_DOOR_BINARY) {}
};

// The fake game service: a plain listener on 127.0.0.1 for door.cfg with
// tls=0, taking one door connection, recording what it sends.
struct FakeService : NetPeer {
    FakeService() { netPeerStart(this, PEER_SERVICE); }
    // Over TLS 1.2 with the test root's certificate: it cannot send later,
    // so what it says goes out once, as the handshake ends.
    explicit FakeService(const std::string& tlsGreeting) { netPeerStart(this, PEER_TLS12, netTestPki().goodCert, netTestPki().goodKey, tlsGreeting); }
    ~FakeService() { netPeerFinish(this); }
};

// The whole lines received so far, without their line feeds.
inline std::vector<std::string> fakeServiceLines(FakeService* svc) {
    std::lock_guard<std::mutex> hold(svc->lock);
    return splitLines(svc->received);
}

// Wait until a line equal to line has arrived (any line when empty).
inline bool fakeServiceWaitLine(FakeService* svc, const std::string& line = "", int timeoutMs = BBS_WAIT_MS) {
    return waitUntil([&] {
        std::vector<std::string> got = fakeServiceLines(svc);
        return line.empty() ? !got.empty() : std::find(got.begin(), got.end(), line) != got.end();
    }, timeoutMs);
}

// Bytes exactly as given, in one write (it waits while the door does not
// read): false when there is no connection or it ended meanwhile.
inline bool fakeServiceSendRaw(FakeService* svc, const std::string& bytes) {
    return !svc->closed && send(svc->connFd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == (ssize_t)bytes.size();
}

inline bool fakeServiceSend(FakeService* svc, const std::string& line) { return fakeServiceSendRaw(svc, line + "\n"); }

// Hang up on the door; the thread sees its end.
inline void fakeServiceDrop(FakeService* svc) { shutdown(svc->connFd, SHUT_RDWR); }

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
inline void prepareTelnet(BbsHost* door, int node, int port, const std::string& cfgMore = "",
                          const std::string& alias = "Tester") {
    bbsWriteDoorCfg(door, port, cfgMore);
    int handle = bbsOpenTelnet(door);
    bbsWriteFile(door, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, node, alias));
}

inline void startTelnet(BbsHost* door, int node, int port, const std::string& cfgMore = "",
                        const std::string& alias = "Tester") {
    prepareTelnet(door, node, port, cfgMore, alias);
    bbsStart(door, {"-DDOOR32.SYS"}, false);
}
