// The caller's socket named in DOOR32.SYS, in one Windows process. Under
// wine a socket inherited through CreateProcess is no socket to ws2_32, so
// the test makes the connected pair itself, writes the door's end into the
// drop file and runs the door's start-up and main loop on a thread, playing
// both the caller and the game service.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <fstream>
#include <string>
#include <thread>

#include "door/startup.h"
#include "platform/net.h"
#include "platform/platform.h"
#include "platform/wait.h"
#include "state/client_state.h"

namespace {

// Reads s until text has arrived; false when 20 s pass or the connection ends first.
bool readUntil(SOCKET s, std::string* got, const std::string& text) {
    for (uint32_t start = platTickCount(); got->find(text) == std::string::npos;) {
        char buf[4096];
        WaitSource source = {(int32_t)s, WAIT_SOCKET, false};
        int n = platWait(&source, 1, 100) == 1 && source.ready ? recv(s, buf, sizeof buf, 0) : 0;
        if (n < 0 || (n == 0 && platTickCount() - start > 20000)) return false;
        got->append(buf, (size_t)(n > 0 ? n : 0));
    }
    return true;
}

void say(SOCKET s, const std::string& bytes) { send(s, bytes.data(), (int)bytes.size(), 0); }

TEST(SocketPath, DoorServesTheHandleNamedInDoor32SysAndLeavesItOpen) {
    ASSERT_TRUE(platNetStart());
    // One listener is the board (the caller connects first), then the service.
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET, a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a, error;
    bind(listener, (sockaddr*)&a, len), listen(listener, 1), getsockname(listener, (sockaddr*)&a, &len);
    addrinfo* here = platResolve4("127.0.0.1", ntohs(a.sin_port));
    SOCKET caller = (SOCKET)platConnectAny(here, 5000, &error), doorEnd = accept(listener, nullptr, nullptr);
    platFreeAddrs(here);
    std::ofstream(exePath("door.cfg").text) << "host=127.0.0.1\nport=" << ntohs(a.sin_port) << "\ntls=0\n";
    std::string drop = exePath("DOOR32.SYS").text, dropArg = "-D" + drop;
    std::ofstream(drop) << "2\n" << doorEnd << "\n38400\nTest BBS\n42\nTest Caller\nTess\n100\n45\n1\n5\n";
    static ClientState doorState;  // as the door's own main has it
    char* argv[] = {(char*)"wordwhirl", dropArg.data(), nullptr};
    int code = -1;
    std::thread door([&] { code = doorMain(&doorState, 2, argv); });
    SOCKET link = accept(listener, nullptr, nullptr);
    std::string sent, shown;
    bool ok = readUntil(link, &sent, "\n");
    EXPECT_EQ(sent, R"({"cmd":"connect","bbsInstanceId":"","localUserid":"42","alias":"Tess"})" "\n");
    // Who says what, then whose end must show what: the service, then the caller's keys.
    const struct { SOCKET to; const char* says; SOCKET from; std::string* got; const char* shows; } steps[] = {
        {link, R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace"}}})" "\n", caller, &shown, "Welcome, Ace!"},
        {caller, "x", caller, &shown, "[S] MAIN MENU"}, {caller, "s", caller, &shown, "Back to the BBS"},
        {caller, "q\r", link, &sent, R"({"cmd":"disconnect"})"}, {caller, "", caller, &shown, "Thanks for playing!"},
    };
    for (const auto& s : steps) ok = ok && (say(s.to, s.says), readUntil(s.from, s.got, s.shows));
    EXPECT_TRUE(ok) << "the caller saw:\n" << shown << "\nthe service got:\n" << sent;
    EXPECT_EQ(shown.substr(0, 9), "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x03") << "the telnet offer comes first";
    if (!ok) shutdown(caller, SD_BOTH);  // a hang-up ends the door
    door.join();
    EXPECT_EQ(code, 0);
    say(doorEnd, "BBS");  // the socket is the board's: still open, it carries the board's bytes
    std::string after;
    EXPECT_TRUE(readUntil(caller, &after, "BBS"));
    for (SOCKET s : {caller, doorEnd, link, listener}) closesocket(s);
    remove(exePath("door.cfg").text), remove(drop.c_str());
}

}  // namespace
