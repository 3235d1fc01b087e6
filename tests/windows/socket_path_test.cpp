// The caller's socket named in DOOR32.SYS, in one Windows process. Under
// wine a socket inherited through CreateProcess is no socket to ws2_32, so
// the test makes the connected pair itself, writes the door's end into the
// drop file and runs the door's start-up and main loop on a thread, playing
// both the caller and the game service.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "door/startup.h"
#include "platform/platform.h"
#include "state/client_state.h"

namespace {

constexpr int WAIT_MS = 20000;  // only a failing wait lasts this long

SOCKET listenLocal(int* port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    bind(s, (sockaddr*)&a, len);
    listen(s, 1);
    getsockname(s, (sockaddr*)&a, &len);
    *port = ntohs(a.sin_port);
    return s;
}

// Reads s until text has arrived, or the wait or the connection ends.
bool readUntil(SOCKET s, std::string* got, const std::string& text) {
    for (uint32_t start = platTickCount(); got->find(text) == std::string::npos;) {
        WSAPOLLFD p = {s, POLLRDNORM, 0};
        if (platTickCount() - start > WAIT_MS || WSAPoll(&p, 1, 100) < 0) return false;
        char buf[4096];
        int n = p.revents ? recv(s, buf, sizeof buf, 0) : -2;
        if (n == 0 || n == -1) return false;
        if (n > 0) got->append(buf, (size_t)n);
    }
    return true;
}

void say(SOCKET s, const std::string& bytes) { send(s, bytes.data(), (int)bytes.size(), 0); }

TEST(SocketPath, DoorServesTheHandleNamedInDoor32SysAndLeavesItOpen) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    int servicePort, callerPort;
    SOCKET service = listenLocal(&servicePort), board = listenLocal(&callerPort);
    SOCKET caller = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons((u_short)callerPort);
    ASSERT_EQ(connect(caller, (sockaddr*)&to, sizeof to), 0);
    SOCKET doorEnd = accept(board, nullptr, nullptr);
    std::ofstream(exePath("door.cfg").text) << "host=127.0.0.1\nport=" << servicePort << "\ntls=0\n";
    std::string drop = exePath("DOOR32.SYS").text;
    std::ofstream(drop, std::ios::binary) << "2\r\n" << doorEnd << "\r\n38400\r\nTest BBS\r\n42\r\nTest Caller\r\n"
                                          << "Tess\r\n100\r\n45\r\n1\r\n5\r\n";

    std::unique_ptr<ClientState> cs(new ClientState{});
    std::string dropArg = "-D" + drop;
    char* argv[] = {(char*)"wordwhirl", dropArg.data(), nullptr};
    int code = -1;
    std::thread door([&] { code = doorMain(cs.get(), 2, argv); });
    SOCKET link = accept(service, nullptr, nullptr);
    std::string sent, shown;
    bool ok = readUntil(link, &sent, "\n");
    EXPECT_EQ(sent, R"({"cmd":"connect","bbsInstanceId":"","localUserid":"42","alias":"Tess"})" "\n");
    say(link, R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace"}}})" "\n");
    ok = ok && readUntil(caller, &shown, "Welcome, Ace!");
    EXPECT_EQ(shown.substr(0, 9), "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x03") << "the telnet offer comes first";
    say(caller, "x");
    ok = ok && readUntil(caller, &shown, "[S] MAIN MENU");
    say(caller, "s");
    ok = ok && readUntil(caller, &shown, "Back to the BBS");
    say(caller, "q\r");
    ok = ok && readUntil(link, &sent, R"({"cmd":"disconnect"})") && readUntil(caller, &shown, "Thanks for playing!");
    EXPECT_TRUE(ok) << "the caller saw:\n" << shown << "\nthe service got:\n" << sent;
    if (!ok) shutdown(caller, SD_BOTH);  // a hang-up ends the door
    door.join();
    EXPECT_EQ(code, 0);
    // The socket is the board's: still open, it carries the board's bytes.
    say(doorEnd, "BBS");
    std::string after;
    EXPECT_TRUE(readUntil(caller, &after, "BBS"));
    for (SOCKET s : {caller, doorEnd, link, service, board}) closesocket(s);
    remove(exePath("door.cfg").text);
    remove(drop.c_str());
}

}  // namespace
