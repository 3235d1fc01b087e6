// The house's network side: two doors on real sockets, where one's rubbish
// (garbage, a line over 1 MiB in pieces, a line in two halves) leaves the
// other talking; a third from an unknown board is told so and hung up on.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "house_helpers.h"
#include "server.h"

namespace {
bool waitUntilHungUp(int fd, Server* s) {
    char buf[4096];
    for (int i = 0; i < 300; ++i) {
        serverStep(s, 10);
        ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0) return true;
        if (n < 0 && errno != EAGAIN) return true;  // reset counts too
    }
    return false;
}
}  // namespace

TEST(HouseServer, OneDoorsBadLinesLeaveTheOthersTalking) {
    TestHouse t;
    Server s;
    std::string error, seen[3];
    ASSERT_TRUE(serverListen(&s, &t.h, "127.0.0.1", 0, &error)) << error;
    int doors[3];
    for (int& fd : doors) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{AF_INET, htons((uint16_t)serverPort(&s)), {htonl(INADDR_LOOPBACK)}, {}};
        ASSERT_EQ(connect(fd, (sockaddr*)&sa, sizeof sa), 0);
    }
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
    say(1, "garbage\n{\"cmd\":\"emit\",\"name\":\"lobby:chat\",\"data\":[]}\n");
    std::string huge = R"({"cmd":"emit","name":"lobby:chat","data":")" + std::string(SERVER_LINE_MAX, 'z') + "\"}\n";
    for (size_t at = 0; at < huge.size(); at += 200000) say(1, huge.substr(at, 200000));
    say(1, R"({"cmd":"emit","name":"lobby:chat",)");
    say(1, R"("data":"bob still works"})" "\n");
    ASSERT_TRUE(hears(0, "bob still works"));
    EXPECT_EQ(seen[0].find("zzzz"), std::string::npos);
    say(0, R"({"cmd":"emit","name":"lobby:chat","data":"ann too"})" "\n");
    EXPECT_TRUE(hears(1, "ann too"));
    close(doors[0]);  // Ann hangs up: Bob hears the count fall
    EXPECT_TRUE(hears(1, R"({"data":{"online":1},"event":"presence:total"})"));
    close(doors[1]);
    t.h.gate.open = false;
    say(2, R"({"cmd":"connect","bbsInstanceId":"x","localUserid":"1","alias":"Eve"})" "\n");
    EXPECT_TRUE(hears(2, "not registered"));
    EXPECT_TRUE(waitUntilHungUp(doors[2], &s));
    close(doors[2]);
    serverClose(&s);
}
