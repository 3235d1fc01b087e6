// Connecting to real local servers: plain, TLS 1.2 with the test root,
// servers the door must refuse, and peers that never answer.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "host/nodelog.h"
#include "net/connection.h"
#include "net/tls.h"
#include "net/wire.h"
#include "support/net_peers.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace {

constexpr int32_t SHORT_LIMIT_MS = 300;  // stands in for the 15 s limit
constexpr char UNREACHABLE[] = "Wordwhirl is unreachable right now.";

struct NetConnect : ::testing::Test {
    ServerConnection conn;
    void SetUp() override {
        netTakeNodeLog();
        memset(&conn, 0, sizeof conn);
    }
    void TearDown() override { serverClose(&conn); }
    void setCaFile(const std::string& path) {
        copyText(conn.caFile, path.c_str());
    }
    // Read lines until one arrives or a second has passed.
    std::string receiveLine() {
        const char* line = nullptr;
        for (int i = 0; i < 500; i++) {
            if (serverReceiveLine(&conn, &line)) return line;
            platSleepMs(2);
        }
        return "<none>";
    }
    void expectFailedWith(const std::string& logLine) {
        EXPECT_EQ(netTakeNodeLog(), logLine + "\n");
        EXPECT_STREQ(conn.lastError, UNREACHABLE);
        EXPECT_EQ(conn.connected, 0);
        EXPECT_EQ(conn.useTls, 0);
        EXPECT_EQ(conn.socketOpen, 0);
        EXPECT_EQ(conn.tlsSession, nullptr);
    }
};

TEST_F(NetConnect, Tls12WithExtraRootExchangesLines) {
    const NetTestPki& pki = netTestPki();
    NetPeer peer;
    netPeerStart(&peer, PEER_TLS12, pki.goodCert, pki.goodKey, "{\"event\":\"hello\"}\n");
    setCaFile(pki.caCert);
    ASSERT_EQ(serverConnectLimited(&conn, "localhost", peer.port, 1, SHORT_LIMIT_MS * 10), 1);
    EXPECT_EQ(conn.useTls, 1);
    EXPECT_EQ(strncmp(conn.tlsDescription, "TLSv1.2 / TLS-", 14), 0) << conn.tlsDescription;
    EXPECT_EQ(netTakeNodeLog(), "WW-TLS-OK (" + std::string(conn.tlsDescription) + ")\n");
    EXPECT_EQ(receiveLine(), "{\"event\":\"hello\"}");
    EXPECT_EQ(serverEmit(&conn, "lobby:refresh", nullptr), 1);
    serverClose(&conn);
    netPeerFinish(&peer);
    EXPECT_EQ(peer.handshakeResult, 0);
    EXPECT_EQ(peer.received, "{\"cmd\":\"emit\",\"name\":\"lobby:refresh\",\"data\":{}}\n");
}

TEST_F(NetConnect, TlsFailuresCloseTheSocketAndLogTheReason) {
    const NetTestPki& pki = netTestPki();
    std::string garbage = pki.dir + "/garbage.pem";
    std::ofstream(garbage) << "-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n";
    struct Case {
        const char* what;
        NetPeerMode mode;
        std::string cert, key, caFile;
        const char* host;
        std::string logPrefix;
    } cases[] = {
        {"untrusted root", PEER_TLS12, pki.rogueCert, pki.rogueKey, pki.caCert, "localhost",
         "WW-TLS-01 (the server's identity could not be verified)"},
        {"wrong name", PEER_TLS12, pki.otherNameCert, pki.otherNameKey, pki.caCert, "localhost",
         "WW-TLS-01 (the server's identity could not be verified)"},
        {"only built-in roots", PEER_TLS12, pki.goodCert, pki.goodKey, "", "localhost",
         "WW-TLS-01 (the server's identity could not be verified)"},
        {"TLS 1.3 only", PEER_TLS13_ONLY, pki.goodCert, pki.goodKey, pki.caCert, "localhost",
         "WW-TLS-01 (secure connection refused (-"},
        {"missing cafile", PEER_TLS12, pki.goodCert, pki.goodKey, pki.dir + "/none.pem", "localhost",
         "WW-TLS-01 (extra root certificates are unreadable)"},
        {"garbage cafile", PEER_TLS12, pki.goodCert, pki.goodKey, garbage, "localhost",
         "WW-TLS-01 (extra root certificates are unreadable)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        memset(&conn, 0, sizeof conn);
        NetPeer peer;
        netPeerStart(&peer, c.mode, c.cert, c.key);
        setCaFile(c.caFile);
        EXPECT_EQ(serverConnectLimited(&conn, c.host, peer.port, 1, SHORT_LIMIT_MS * 10), 0);
        std::string log = netTakeNodeLog();
        EXPECT_EQ(log.rfind(c.logPrefix, 0), 0u) << log;
        EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line only: " << log;
        EXPECT_STREQ(conn.lastError, UNREACHABLE);
        EXPECT_EQ(conn.useTls, 0);
        EXPECT_EQ(conn.socketOpen, 0);
        serverClose(&conn);
        netPeerFinish(&peer);
        EXPECT_NE(peer.handshakeResult, 0);
    }
}

TEST_F(NetConnect, SilentServerTimesOutTheHandshake) {
    NetPeer peer;
    netPeerStart(&peer, PEER_SILENT);
    uint32_t start = platTickCount();
    EXPECT_EQ(serverConnectLimited(&conn, "localhost", peer.port, 1, SHORT_LIMIT_MS), 0);
    uint32_t took = platTickCount() - start;
    EXPECT_GE(took, (uint32_t)SHORT_LIMIT_MS - 10);
    EXPECT_LT(took, 5000u);
    expectFailedWith("WW-TLS-01 (handshake timed out)");
    netPeerFinish(&peer);
    EXPECT_FALSE(peer.received.empty()) << "the client hello went out";
}

TEST_F(NetConnect, TcpFailuresLogTheirCode) {
    struct Case { const char* host; int port; std::string log; } cases[] = {
        {"127.0.0.1", netClosedPort(), "WW-NET-03 (" + std::to_string(ECONNREFUSED) + ")"},
        {"::1", 8095, "WW-NET-02"},   // IPv6 only: the door resolves IPv4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        memset(&conn, 0, sizeof conn);
        EXPECT_EQ(serverConnectLimited(&conn, c.host, c.port, 1, SHORT_LIMIT_MS), 0);
        expectFailedWith(c.log);
    }
}

TEST_F(NetConnect, ConnectThatHangsGivesUpInTime) {
    NetFullListener full;
    netFullListenerOpen(&full);
    uint32_t start = platTickCount();
    EXPECT_EQ(serverConnectLimited(&conn, "127.0.0.1", full.port, 0, SHORT_LIMIT_MS), 0);
    uint32_t took = platTickCount() - start;
    EXPECT_GE(took, (uint32_t)SHORT_LIMIT_MS - 10);
    EXPECT_LT(took, 5000u);
    expectFailedWith("WW-NET-03 (" + std::to_string(ETIMEDOUT) + ")");
    netFullListenerClose(&full);
}

TEST_F(NetConnect, PlainConnectionNeverStartsTls) {
    NetPeer peer;
    netPeerStart(&peer, PEER_PLAIN, "", "", "{\"event\":\"plain\"}\n");
    ASSERT_EQ(serverConnectLimited(&conn, "localhost", peer.port, 0, SHORT_LIMIT_MS), 1);
    EXPECT_EQ(conn.tlsSession, nullptr);
    EXPECT_EQ(conn.useTls, 0);
    EXPECT_STREQ(conn.tlsDescription, "");
    EXPECT_EQ(receiveLine(), "{\"event\":\"plain\"}");
    EXPECT_EQ(serverSendLine(&conn, "{\"cmd\":\"disconnect\"}"), 1);
    serverClose(&conn);
    netPeerFinish(&peer);
    EXPECT_EQ(peer.received, "{\"cmd\":\"disconnect\"}\n");
    EXPECT_EQ(netTakeNodeLog(), "");
}

}  // namespace
