#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include "house_helpers.h"
#include "server.h"

namespace {

int dial(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &sa.sin_addr);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    return fd;
}

void sendAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        ASSERT_GT(n, 0);
        done += static_cast<size_t>(n);
    }
}

// Runs the server until fd has received a line containing want.
bool serveUntil(Server* s, int fd, const std::string& want, std::string* seen) {
    for (int i = 0; i < 300; ++i) {
        serverStep(s, 10);
        char buf[65536];
        ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) seen->append(buf, static_cast<size_t>(n));
        if (seen->find(want) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(HouseServer, OneDoorsBadLinesLeaveTheOthersTalking) {
    House h;
    startHouse(&h);
    Server s;
    std::string error;
    ASSERT_TRUE(serverListen(&s, &h, "127.0.0.1", 0, &error)) << error;
    int port = serverPort(&s);
    ASSERT_GT(port, 0);
    int ann = dial(port), bob = dial(port);
    std::string annSeen, bobSeen;
    sendAll(ann, R"({"cmd":"connect","bbsInstanceId":"b","localUserid":"1","alias":"Ann"})" "\n");
    ASSERT_TRUE(serveUntil(&s, ann, "\"authed\"", &annSeen));
    sendAll(bob, R"({"cmd":"connect","bbsInstanceId":"b","localUserid":"2","alias":"Bob"})" "\n");
    ASSERT_TRUE(serveUntil(&s, bob, "\"authed\"", &bobSeen));

    // Bob sends rubbish, a line over 1 MiB in pieces and a line in two halves.
    sendAll(bob, "garbage\n{\"cmd\":\"emit\",\"name\":\"lobby:chat\",\"data\":[]}\n");
    std::string huge = R"({"cmd":"emit","name":"lobby:chat","data":")" + std::string(SERVER_LINE_MAX, 'z') + "\"}\n";
    for (size_t at = 0; at < huge.size(); at += 200000) {
        sendAll(bob, huge.substr(at, 200000));
        serverStep(&s, 0);
    }
    sendAll(bob, R"({"cmd":"emit","name":"lobby:chat",)");
    serverStep(&s, 0);
    sendAll(bob, R"("data":"bob still works"})" "\n");
    ASSERT_TRUE(serveUntil(&s, ann, "bob still works", &annSeen));
    EXPECT_EQ(annSeen.find("zzzz"), std::string::npos);

    sendAll(ann, R"({"cmd":"emit","name":"lobby:chat","data":"ann too"})" "\n");
    ASSERT_TRUE(serveUntil(&s, bob, "ann too", &bobSeen));

    // Ann hangs up: Bob hears the count fall.
    close(ann);
    EXPECT_TRUE(serveUntil(&s, bob, R"({"data":{"online":1},"event":"presence:total"})", &bobSeen));
    close(bob);
    serverClose(&s);
}
