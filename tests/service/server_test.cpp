// The house's network side: two doors on real sockets, where one's rubbish
// (garbage, a line over 1 MiB in pieces, a line in two halves) or flood of
// lines leaves the other talking; the flood is held back, then let go. On
// the TLS port, a handshake that fails or never comes is dropped, unwaited.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "house_helpers.h"
#include "server.h"

static int64_t fakeNow = 1000000;

TEST(HouseServer, OneDoorsBadLinesLeaveTheOthersTalking) {
    TestHouse t;
    Server s;
    std::string error, seen[2];
    ASSERT_TRUE(serverListen(&s, &t.h, "127.0.0.1", 0, &error)) << error;
    s.clock = [] { return fakeNow; };
    std::string pem = testing::TempDir() + "house_test_";
    ASSERT_EQ(system(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost -keyout " +
                      pem + "key -out " + pem + "cert 2>/dev/null").c_str()), 0);
    ASSERT_TRUE(serverListenTls(&s, "127.0.0.1", 0, pem + "cert", pem + "key", &error)) << error;
    int doors[4];  // Ann and Bob, then two on the TLS port that never shake hands
    for (int i = 0; i < 4; i++) {
        doors[i] = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{AF_INET, htons((uint16_t)(i < 2 ? serverPort(&s) : serverTlsPort(&s))), {htonl(INADDR_LOOPBACK)}, {}};
        ASSERT_EQ(connect(doors[i], (sockaddr*)&sa, sizeof sa), 0);
    }
    auto closed = [&](int who) {  // the house hung up on the door
        char c;
        for (int i = 0; i < 300; ++i)
            if (serverStep(&s, 10), recv(doors[who], &c, 1, MSG_DONTWAIT) == 0) return true;
        return false;
    };
    auto say = [&](int who, const std::string& text) {
        EXPECT_EQ(send(doors[who], text.data(), text.size(), MSG_NOSIGNAL), (ssize_t)text.size());
        serverStep(&s, 0);
    };
    auto hears = [&](int who, const std::string& want) {  // the server runs until it has come
        char buf[65536];
        for (int i = 0; i < 300 && seen[who].find(want) == std::string::npos; ++i) {
            serverStep(&s, 10);
            ssize_t n = recv(doors[who], buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) seen[who].append(buf, (size_t)n);
        }
        return seen[who].find(want) != std::string::npos;
    };
    for (int who : {0, 1}) {
        say(who, R"({"cmd":"connect","bbsInstanceId":"b","localUserid":"1","alias":")" + std::string(who ? "Bob" : "Ann") + "\"}\n");
        ASSERT_TRUE(hears(who, "\"authed\""));
    }
    say(3, "not a handshake\n");
    EXPECT_TRUE(closed(3));
    say(1, "garbage\n{\"cmd\":\"emit\",\"name\":\"lobby:chat\",\"data\":[]}\n");
    std::string huge = R"({"cmd":"emit","name":"lobby:chat","data":")" + std::string(SERVER_LINE_MAX, 'z') + "\"}\n";
    for (size_t at = 0; at < huge.size(); at += 200000) say(1, huge.substr(at, 200000));
    say(1, R"({"cmd":"emit","name":"lobby:chat",)");
    say(1, R"("data":"bob still works"})" "\n");
    ASSERT_TRUE(hears(0, "bob still works"));
    EXPECT_EQ(seen[0].find("zzzz"), std::string::npos);
    say(0, R"({"cmd":"emit","name":"lobby:chat","data":"ann too"})" "\n");
    EXPECT_TRUE(hears(1, "ann too"));
    std::string flood;
    for (int i = 0; i < FLOOD_BURST * 5; i++) flood += R"({"cmd":"emit","name":"lobby:chat","data":"f"})" "\n";
    fakeNow += FLOOD_BURST * 1000 / FLOOD_LINES_PER_S;  // Bob's whole burst is back
    say(1, flood);
    say(0, R"({"cmd":"emit","name":"lobby:chat","data":"ann while bob floods"})" "\n");
    EXPECT_TRUE(hears(1, "ann while bob floods") && hears(0, "ann while bob floods"));
    size_t heard = 0;
    for (size_t at = 0; (at = seen[0].find(R"("text":"f")", at)) != std::string::npos; at++) heard++;
    EXPECT_EQ(heard, (size_t)FLOOD_BURST) << "the burst goes through, the rest waits for the clock";
    fakeNow += FLOOD_CLOSE_MS;  // not enough credit earned for the rest: Bob is let go
    seen[0].clear();
    EXPECT_TRUE(hears(0, R"({"data":{"online":1},"event":"presence:total"})"));
    fakeNow += TLS_HANDSHAKE_MS;
    EXPECT_TRUE(closed(2)) << "the silent handshake is given up";
    for (int fd : doors) close(fd);
    serverClose(&s);
}
