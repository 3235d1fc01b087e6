// Line framing, emit envelopes and escaping over a real local TCP pair: the
// door's end is a ServerConnection, the service's end a socket in the test.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "host/nodelog.h"
#include "net/connection.h"
#include "net/wire.h"
#include "platform/net.h"
#include "platform/platform.h"
#include "support/net_peers.h"

namespace {

struct Wire : ::testing::Test {
    ServerConnection conn;
    int listenFd = -1;
    int peerFd = -1;   // the service's end

    void SetUp() override {
        netTakeNodeLog();
        memset(&conn, 0, sizeof conn);
        int port = 0;
        listenFd = netListen(&port);
        ASSERT_EQ(serverConnectLimited(&conn, "127.0.0.1", port, 0, 1000), 1);
        peerFd = netAccept(listenFd);
        ASSERT_GE(peerFd, 0);
    }
    void TearDown() override {
        serverClose(&conn);
        if (peerFd >= 0) close(peerFd);
        close(listenFd);
        EXPECT_EQ(netTakeNodeLog(), expectedLog);
    }
    std::string expectedLog;

    void peerWrite(const std::string& bytes) {
        ASSERT_EQ(send(peerFd, bytes.data(), bytes.size(), MSG_NOSIGNAL), (long)bytes.size());
        platSleepMs(20);  // let loopback deliver before the door looks
    }
    std::vector<std::string> drain() {
        std::vector<std::string> lines;
        const char* line;
        while (serverReceiveLine(&conn, &line)) lines.push_back(line);
        return lines;
    }
    // Everything the door sent, once it has sent `bytes` bytes.
    std::string peerRead(size_t bytes) {
        std::string got;
        char buf[65536];
        while (got.size() < bytes) {
            long n = recv(peerFd, buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, (size_t)n);
        }
        return got;
    }
};

TEST_F(Wire, LinesAreHandedOutWhenTheirLineFeedArrives) {
    using Lines = std::vector<std::string>;
    struct Case { const char* what; std::vector<std::string> chunks; std::vector<Lines> after; } cases[] = {
        {"two in one read", {"{\"a\":1}\n{\"b\":2}\n"}, {{"{\"a\":1}", "{\"b\":2}"}}},
        {"split over reads", {"{\"ev", "ent\":1}", "\n{\"x\""}, {{}, {}, {"{\"event\":1}"}}},
        {"rest completed later", {":2}\n"}, {{"{\"x\":2}"}}},
        {"carriage return kept", {"cr\r\n\n"}, {{"cr\r", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (size_t i = 0; i < c.chunks.size(); i++) {
            peerWrite(c.chunks[i]);
            EXPECT_EQ(drain(), c.after[i]) << "after chunk " << i;
        }
    }
    EXPECT_EQ(conn.connected, 1);
}

TEST_F(Wire, ClosedPeerStillDeliversTheCompleteLineOnce) {
    peerWrite("last\n");
    close(peerFd);
    peerFd = -1;
    platSleepMs(20);
    const char* line = nullptr;
    ASSERT_EQ(serverReceiveLine(&conn, &line), 1);
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(conn.connected, 0);
    EXPECT_EQ(serverReceiveLine(&conn, &line), 0);
    EXPECT_EQ(serverSendLine(&conn, "{}"), 0);
}

// The peer writes `bytes` while the door keeps reading; returns the first
// line the door hands out.
static std::string streamAndReceive(ServerConnection* conn, int peerFd, const std::string& bytes) {
    fcntl(peerFd, F_SETFL, O_NONBLOCK);
    size_t sent = 0;
    const char* line = nullptr;
    uint32_t start = platTickCount();
    while (platTickCount() - start < 20000) {
        if (sent < bytes.size()) {
            long n = send(peerFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += (size_t)n;
        }
        if (serverReceiveLine(conn, &line)) return line;
        if (sent == bytes.size()) platSleepMs(1);
    }
    return "<none>";
}

TEST_F(Wire, LineBeyondOneMebibyteIsDroppedWholeAndTheNextOneDelivered) {
    std::string tooLong(3 * WIRE_BUFFER_MAX, 'x');  // its tail spans reads
    tooLong.replace(WIRE_BUFFER_MAX + 10, 12, "{\"event\":1}");  // the tail must not pass as a line
    EXPECT_EQ(streamAndReceive(&conn, peerFd, tooLong + "\n{\"event\":\"after\"}\n"), "{\"event\":\"after\"}");
    EXPECT_EQ(conn.connected, 1);
    EXPECT_LE(conn.receiveCapacity, WIRE_BUFFER_MAX);
    expectedLog = "WW-NET-04\n";
}

// Fill the door's send buffer while the peer does not read, so the next
// write finds the socket full.
static size_t fillSendBuffer(ServerConnection* conn) {
    static const char block[8192] = {};
    size_t filled = 0;
    for (;;) {
        long n = platSend(conn->socket, block, sizeof block);
        if (n < 0) {
            if (!platWouldBlock(platNetError())) return 0;
            return filled;
        }
        filled += (size_t)n;
    }
}

TEST_F(Wire, FullSocketBufferIsWaitedOutForTextAndLineFeed) {
    struct Case { const char* what; std::string text; } cases[] = {
        {"line feed alone", ""},
        {"long text", std::string(300000, 'z')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t filled = fillSendBuffer(&conn);
        ASSERT_GT(filled, 0u);
        std::string got;
        std::thread reader([&] {
            platSleepMs(150);  // the door meets a full buffer first
            got = peerRead(filled + c.text.size() + 1);
        });
        EXPECT_EQ(serverSendLine(&conn, c.text.c_str()), 1);
        reader.join();
        EXPECT_EQ(conn.connected, 1);
        ASSERT_EQ(got.size(), filled + c.text.size() + 1);
        EXPECT_EQ(got.substr(filled), c.text + "\n");
    }
}

TEST(WireEscape, FreeTextBecomesTheInsideOfAJsonString) {
    struct Case { const char* src; size_t cap; const char* want; } cases[] = {
        {"say \"hi\"", 64, "say \\\"hi\\\""},
        {"back\\slash", 64, "back\\\\slash"},
        {"tab\tlf\ncr\r.", 64, "tab lf cr ."},
        {"caf\x82 \x7f\x01ok\xff\xc4", 64, "caf\xc3\xa9 ok\xc2\xa0\xe2\x94\x80"},  // CP437 out as UTF-8
        {"aaaaaaaa\xc4\xc4", 16, "aaaaaaaa\xe2\x94\x80"},      // a character is never split
        {"aaaaaaaaaaaaaaaaaaaa", 16, "aaaaaaaaa"},         // stops at cap - 7
        {"aaaaaaaa\"zz", 16, "aaaaaaaa\\\""},               // a pair may end one beyond
        {"", 64, ""},
        {nullptr, 64, ""},
    };
    for (const Case& c : cases) {
        char dst[64];
        memset(dst, '#', sizeof dst);
        jsonEscapeText(dst, c.cap, c.src);
        EXPECT_STREQ(dst, c.want) << (c.src ? c.src : "(null)");
    }
}

TEST(WireEscape, CutNeverEndsInsideAnEscapePair) {
    struct Case { const char* escaped; int maxChars; int want; } cases[] = {
        {"abc", 2, 2},
        {"abc", 10, 3},
        {"ab\\\"c", 3, 2},       // would leave "ab\"
        {"ab\\\"c", 4, 4},
        {"a\\\\\\\\", 4, 3},     // a \\ \\ : the second pair does not fit whole
        {"\\u00e9x", 5, 0},
        {"\\u00e9x", 6, 6},
        {"abc\\", 10, 3},        // a lone trailing backslash is never kept
        {"abc", 0, 0},
        {"\xc3\xa9\xc3\xa9x", 2, 4},  // a character counts once, whatever its bytes
        {"a\xe2\x94\x80\\\"", 3, 4},
        {"ab\xe2\x94", 10, 2},       // a cut-off sequence is never kept
        {nullptr, 5, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escapedCut(c.escaped, c.maxChars), c.want) << (c.escaped ? c.escaped : "(null)") << " / "
                                                             << c.maxChars;
    }
}

}  // namespace
