// The real door, copied into a board directory and started as a BBS starts
// it: telnet negotiation, drop file notices, the connecting and failure
// screens, the goodbye sequence, exit codes and the node logs.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "e2e/e2e_common.h"
#include "support/net_peers.h"

namespace {

const std::string START_LINE = "--- Wordwhirl door v1.20.9 starting ---\n";
const std::string UNREACHABLE = "Wordwhirl is unreachable right now.";
const std::string PRESS_TO_RETURN = "Press any key to return to the BBS.";

// The failure screen's key returns to the BBS with code 0.
void returnFromFailure(Door* door) {
    ASSERT_TRUE(bbsWaitText(door, PRESS_TO_RETURN, 17)) << bbsScreen(door);
    bbsSendKeys(door, "x");
    EXPECT_EQ(bbsWaitExit(door), 0);
}

TEST(StartupE2e, TelnetCallerSeesConnectingThenFailureAndReturns) {
    Door door;
    startTelnet(&door, 7, netClosedPort());
    ASSERT_TRUE(bbsWaitText(&door, PRESS_TO_RETURN, 17));
    EXPECT_EQ(door.rawSocket.substr(0, 9), "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x03") << "the option offer comes first";
    expectCentred(door, 11, "W O R D W H I R L", 96);
    expectCentred(door, 13, "Connecting you to the story...", 37);
    expectCentred(door, 15, UNREACHABLE, 91);
    expectCentred(door, 17, PRESS_TO_RETURN, 37);
    EXPECT_FALSE(door.screen.cursorVisible);
    bbsSendKeys(&door, "\r");
    EXPECT_EQ(bbsWaitExit(&door), 0);
    EXPECT_EQ(bbsScreen(&door), std::string(TEST_ROWS, '\n')) << "the screen is left clear";
    EXPECT_TRUE(door.screen.cursorVisible);
    EXPECT_EQ(door.rawStdout, "");
    // The start line always lands in node 0's log; the rest in the caller's node's.
    EXPECT_EQ(bbsNodeLog(&door, 0), START_LINE);
    EXPECT_EQ(bbsNodeLog(&door, 7).rfind("WW-NET-03 (", 0), 0u) << bbsNodeLog(&door, 7);
    EXPECT_EQ(bbsNodeLog(&door, 1), "");
}

// An unusable drop file leaves the door on the local console: the notice
// arrives on standard output and the key comes from standard input.
TEST(StartupE2e, DropFileNoticeWaitsForAKeyThenCarriesOn) {
    struct Case {
        const char* dropFile;  // content of DOOR32.SYS; null: none written
        bool unreadable;       // chmod 000 (only meaningful when not root)
        const char *headline, *sysopFirst, *sysopSecond, *logLine;
    };
    const Case cases[] = {
        {nullptr, false, "Your board's drop file could not be found.",
         "Sysop: point the menu entry at the file your BBS writes,",
         "or put a copy of DOOR32.SYS beside wordwhirl.", "WW-DROP-01 nothing there (DOOR32.SYS)"},
        {"", false, "Your board's drop file is empty.", "Sysop: the BBS may not be writing it before the door starts.",
         "Check the menu entry writes a drop file, then runs the door.", "WW-DROP-02 empty (DOOR32.SYS)"},
        {"2\r\n5\r\n38400\r\nBBS\r\n1\r\n", false, "Your board's drop file is not in a layout we know.",
         "Sysop: we read DOOR32.SYS, DOOR.SYS and DORINFO1.DEF.",
         "A DOOR32.SYS needs all eleven lines, the node number last.",
         "WW-DROP-03 not a layout we know, 5 lines (DOOR32.SYS)"},
        {"0\r\n0\r\n", true, "Your board's drop file cannot be opened by this door.",
         "Sysop: the door is running as a different user than the BBS.",
         "Give that account read access, or put a copy beside wordwhirl.",
         "WW-DROP-04 cannot be opened by this account (DOOR32.SYS)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logLine);
        if (c.unreadable && geteuid() == 0) continue;  // root reads everything
        Door door;
        bbsWriteDoorCfg(&door, netClosedPort());
        if (c.dropFile) bbsWriteFile(&door, "DOOR32.SYS", c.dropFile);
        if (c.unreadable) chmod((door.dir + "/DOOR32.SYS").c_str(), 0);
        bbsStart(&door, {}, true);
        ASSERT_TRUE(bbsWaitText(&door, "Press any key to carry on.", 17));
        expectCentred(door, 5, "WORDWHIRL", 93);
        expectCentred(door, 7, c.headline, 91);
        expectCentred(door, 10, "You can play on, but you will show up as Player.", 37);
        expectCentred(door, 12, c.sysopFirst, 36);
        expectCentred(door, 13, c.sysopSecond, 36);
        // Nothing moves on until the caller presses a key.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        bbsPump(&door);
        EXPECT_NE(bbsRow(&door, 13).find(c.sysopSecond), std::string::npos);
        bbsSendKeys(&door, " ");
        ASSERT_TRUE(bbsWaitText(&door, UNREACHABLE, 15));
        EXPECT_EQ(bbsRow(&door, 7), "") << "the notice is cleared before connecting";
        returnFromFailure(&door);
        EXPECT_NE(("\n" + bbsNodeLog(&door, 1)).find("\n" + std::string(c.logLine) + "\n"), std::string::npos)
            << bbsNodeLog(&door, 1);
    }
}

// Which drop file a command line picks shows in whose node log the
// connection failure lands: a/ is node 3, b/ node 4, c/ (lower case) node 5,
// the default node 6. A closed standard output is a dead terminal like any
// other, not a crash; --help prints every option and ends.
TEST(StartupE2e, CommandLineNamesTheDropFile) {
    struct Case { std::vector<std::string> args; int node; const char* logged = "WW-NET-03 ("; };
    const Case cases[] = {
        {{"a/DOOR32.SYS"}, 3}, {{"-D", "b/DOOR32.SYS"}, 4}, {{"-Da/DOOR32.SYS", "-x", "-db/DOOR32.SYS"}, 4},
        {{"b/DOOR32.SYS", "-D"}, 6}, {{}, 6}, {{"closed stdout"}, 6}, {{"a/DOOR32.SYS", "b/DOOR32.SYS", "7"}, 3},
        {{"-Dc/Door32.Sys"}, 5}, {{"b/DOOR32.SYS", "-N", "9"}, 9}, {{"/N8", "/Zed", "--bogus", "-Q"}, 8, "WW-ARGS-01 unknown option ignored (-Q)"},
        {{"--help"}, 0},
    };
    for (const auto& [args, node, logged] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        Door door;
        bbsWriteDoorCfg(&door, netClosedPort());
        for (const auto& [file, n] : {std::pair{"a/DOOR32.SYS", 3}, {"b/DOOR32.SYS", 4}, {"c/door32.sys", 5}, {"DOOR32.SYS", 6}})
            bbsWriteFile(&door, file, bbsDoor32(0, 0, n));
        bool closedStdout = args.size() == 1 && args[0] == "closed stdout";
        bbsStart(&door, closedStdout ? std::vector<std::string>{} : args, true);
        if (closedStdout || node == 0) {
            if (closedStdout) bbsCloseFd(&door.stdoutFd);  // the door's next screen finds the pipe gone
            bbsSendKeys(&door, "x");
            EXPECT_EQ(bbsWaitExit(&door), 0);
            for (const char* option : {"-D<path>", "-N<node>", "-H<handle>", "--stdio", "-T<minutes>", "--cp437"})
                EXPECT_TRUE(closedStdout || door.rawStdout.find(option) != std::string::npos) << option;
            continue;
        }
        ASSERT_TRUE(bbsWaitText(&door, UNREACHABLE, 15));
        EXPECT_EQ(door.rawStdout.find('\xff'), std::string::npos) << "no telnet bytes on a console";
        returnFromFailure(&door);
        EXPECT_NE(("\n" + bbsNodeLog(&door, node)).find("\n" + std::string(logged)), std::string::npos) << bbsNodeLog(&door, node);
        EXPECT_EQ(bbsNodeLog(&door, 0), START_LINE);
    }
}

// A socket handle that is no socket ends the door with code 1 before
// anything is shown, unless the host means standard input/output: a handle
// of -1 or -X says so.
TEST(StartupE2e, SocketHandleThatIsNoSocket) {
    struct Case { const char* handle; std::vector<std::string> args; int commType; const char* logged; bool stdinSocket = false, stdinNull = false; };
    const Case cases[] = {
        {"999", {}, 2, "WW-TERM-01\n"},
        {"0", {"-H999"}, 0, "WW-TERM-01\n"},
        {"-1", {}, 2, "WW-TERM-02 handle -1 is no socket: standard input/output instead\n"},
        {"999", {}, 2, "WW-TERM-02 handle 999 is no socket: standard input/output instead\n"
                       "WW-TERM-04 standard input is a socket: telnet on\n", true},
        {"999", {"--stdio"}, 2, ""},
        {"999", {"--stdio"}, 2, "WW-TERM-03 standard input is closed\n", false, true},  // nobody: told apart from a hang-up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        Door door;
        bbsWriteDoorCfg(&door, netClosedPort());
        std::string drop = bbsDoor32(c.commType, 0, 4);
        bbsWriteFile(&door, "DOOR32.SYS", drop.replace(3, 1, c.handle));
        bool fails = std::string(c.logged) == "WW-TERM-01\n";
        bbsStart(&door, c.args, !fails && !c.stdinNull, c.stdinSocket);
        if (c.stdinNull) {
            EXPECT_EQ(bbsWaitExit(&door), 0);
            EXPECT_NE(bbsNodeLog(&door, 4).find(c.logged), std::string::npos) << bbsNodeLog(&door, 4);
            continue;
        }
        if (fails) {
            EXPECT_EQ(bbsWaitExit(&door), 1);
            EXPECT_EQ(door.rawStdout, "Wordwhirl: could not open the caller's terminal.\n");
            EXPECT_EQ(bbsNodeLog(&door, 4), c.logged);
            continue;
        }
        ASSERT_TRUE(bbsWaitText(&door, UNREACHABLE, 15));
        returnFromFailure(&door);
        EXPECT_EQ(bbsNodeLog(&door, 4).substr(0, strlen(c.logged) + 11), c.logged + std::string("WW-NET-03 ("));
    }
}

// Each BBS as it launches doors: its drop file with its quirks, its command
// line (%D the drop file, %H the socket it names), the caller on a
// pseudo-terminal, on the BBS's socket or on a socket as standard input, and
// telnet spoken by the BBS or by the door. The caller reaches the menu and
// types a letter, an arrow, 0xFF and a letter: the line holds the two
// letters, nothing eaten, nothing added. The BBS gets its channel back as it
// gave it, and a socket the door was told not to use carries nothing.
TEST(StartupE2e, EachHostLaunchesTheDoorItsWay) {
    enum Channel { PTY, SOCKET, STDIN_SOCKET };
    struct Case { const char* host; const char* drop; const char* head; std::vector<std::string> args; Channel channel; bool doorTelnet; int node; };
    const Case cases[] = {
        {"Synchronet standard", "DOOR32.SYS", "0\r\n-1\r\n38400\r\nSynchronet", {"%D", "-N3"}, PTY, false, 3},
        {"Synchronet socket", "DOOR32.SYS", "2\r\n%H\r\n38400\r\nSynchronet", {"%D", "-N3"}, SOCKET, false, 3},
        {"Mystic", "node4/door32.sys", "2\r\n0\r\n38400\r\nMystic", {"node4/door32.sys"}, PTY, false, 1},
        {"ENiGMA", "DOOR32.SYS", "2\r\n-1\r\n38400\r\nENiGMA", {"%D", "-N5"}, PTY, false, 5},
        {"WWIV stdio", "door32.sys", "0\r\n%H\r\n38400\r\nWWIV", {"-D%D", "-N6", "-T20"}, PTY, false, 6},
        {"WWIV socket", "door32.sys", "0\r\n%H\r\n38400\r\nWWIV", {"-D%D", "-N6", "-H%H"}, SOCKET, true, 6},
        {"Magicka stdio", "door32.sys", "2\r\n%H\r\n38400\r\nMagicka", {"-X", "%D", "7", "%H"}, PTY, false, 1},
        {"Maximus door32", "door32.sys", "2\r\n%H\r\n38400\r\nMaximus", {"%D"}, SOCKET, true, 1},
        {"Maximus run", "door32.sys", "2\r\n-1\r\n38400\r\nMaximus", {"%D"}, STDIN_SOCKET, true, 1},
        {"any host, told", "DOOR32.SYS", "2\r\n%H\r\n38400\r\nOther", {"/N4", "%D", "--no-telnet"}, SOCKET, false, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        FakeService svc;
        Door door;
        bbsWriteDoorCfg(&door, svc.port);
        int live[2];  // the socket the drop file names; the caller's line only on SOCKET rows
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, live), 0);
        int bbsKeeps = fcntl(live[0], F_DUPFD_CLOEXEC, 0);
        door.doorFd = live[0];
        if (c.channel == SOCKET) door.callerFd = live[1], fcntl(live[1], F_SETFL, O_NONBLOCK);
        door.line = c.doorTelnet ? BbsHost::TELNET : BbsHost::CP437;
        door.stdinPty = c.channel == PTY;
        auto fill = [&](std::string text) {
            for (size_t at; (at = text.find("%H")) != std::string::npos;) text.replace(at, 2, std::to_string(live[0]));
            for (size_t at; (at = text.find("%D")) != std::string::npos;) text.replace(at, 2, c.drop);
            return text;
        };
        bbsWriteFile(&door, c.drop, fill(c.head) + "\r\n42\r\nTest Caller\r\nTess\r\n100\r\n2700\r\n1\r\n1\r\n");
        std::vector<std::string> args;
        for (const std::string& arg : c.args) args.push_back(fill(arg));
        bbsStart(&door, args, c.channel == STDIN_SOCKET, c.channel == STDIN_SOCKET);
        ASSERT_TRUE(fakeServiceWaitLine(&svc));
        EXPECT_EQ(fakeServiceLines(&svc)[0], R"({"cmd":"connect","bbsInstanceId":"","localUserid":"42","alias":"Tess"})");
        fakeServiceSend(&svc, eventLine("authed", R"({"ok":true,"you":{"name":"Ace"}})"));
        ASSERT_TRUE(bbsWaitText(&door, "Welcome, Ace!", 16)) << bbsScreen(&door);
        bbsSendKeys(&door, "x");
        ASSERT_TRUE(bbsWaitText(&door, "[S] MAIN MENU", 23));
        bbsSendKeys(&door, "s");
        ASSERT_TRUE(bbsWaitText(&door, "Back to the BBS", 19));
        // Only -T20 brings the time left into the last half hour, where it shows.
        bool timed = std::find(args.begin(), args.end(), "-T20") != args.end();
        EXPECT_EQ(bbsRow(&door, 2).find(" left") != std::string::npos, timed) << bbsRow(&door, 2);
        bbsSendKeys(&door, std::string("a\x1b[B") + (c.doorTelnet ? "\xff\xff" : "\xff") + "b");
        EXPECT_TRUE(bbsWaitText(&door, "> ab", 24)) << bbsRow(&door, 24);
        EXPECT_EQ(bbsRow(&door, 24), " > ab");
        bbsSendKeys(&door, "\x7f\x7fq\r");
        EXPECT_EQ(bbsWaitExit(&door), 0);
        EXPECT_EQ(door.rawSocket.rfind("\xff\xfb\x01", 0) == 0, c.doorTelnet) << "telnet only where the door speaks it";
        EXPECT_EQ(bbsNodeLog(&door, c.node == 1 ? 2 : 1) + bbsNodeLog(&door, 9), "") << "the node the host names";
        EXPECT_EQ(fcntl(bbsKeeps, F_GETFL) & O_NONBLOCK, 0) << "the socket goes back in the BBS's mode";
        ASSERT_EQ(send(bbsKeeps, "z", 1, MSG_NOSIGNAL), 1) << "and open";
        char got = 0;
        if (c.channel != SOCKET) EXPECT_EQ(recv(live[1], &got, 1, MSG_DONTWAIT), 1) << "nothing else ever came on it";
        EXPECT_EQ(got, c.channel == SOCKET ? 0 : 'z');
        termios after{};
        after.c_lflag = ICANON | ECHO;  // a new pseudo-terminal's line editing and echo
        if (door.stdinPty) tcgetattr(door.ptySlave, &after);
        EXPECT_EQ(after.c_lflag & (ICANON | ECHO), (tcflag_t)(ICANON | ECHO)) << "the terminal's mode as the door found it";
        close(bbsKeeps);
        if (c.channel != SOCKET) close(live[1]);
    }
}

// Over TLS to a service whose certificate the test root in door.cfg vouches
// for: the connect line goes out encrypted, the service's answer comes back,
// and a caller hanging up is told to the service the same way. The command
// line's charset (UTF-8) wins over door.cfg's CP437.
TEST(StartupE2e, TlsLinkCarriesTheSession) {
    const NetTestPki& pki = netTestPki();
    NetPeer peer;
    netPeerStart(&peer, PEER_TLS12, pki.goodCert, pki.goodKey, eventLine("authed", R"({"ok":true,"you":{"name":"Ace"}})") + "\n");
    Door door;
    prepareTelnet(&door, 3, peer.port, "tls=1\ncharset=cp437\ncafile=" + pki.caCert + "\n");
    bbsStart(&door, {"-DDOOR32.SYS", "--utf8"}, false);
    door.line = BbsHost::TELNET_UTF8;
    EXPECT_TRUE(bbsWaitText(&door, "Welcome, Ace!", 16)) << bbsScreen(&door);
    EXPECT_NE(door.rawSocket.find("\xe2\x96\x88"), std::string::npos) << "a block leaves as UTF-8";
    bbsCloseFd(&door.callerFd);
    EXPECT_EQ(bbsWaitExit(&door), 0);
    netPeerFinish(&peer);
    EXPECT_EQ(peer.handshakeResult, 0);
    std::vector<std::string> lines = splitLines(peer.received);
    ASSERT_GE(lines.size(), 2u) << peer.received;
    EXPECT_EQ(lines.front().rfind("{\"cmd\":\"connect\",", 0), 0u) << lines.front();
    EXPECT_EQ(lines.back(), DISCONNECT_LINE);
}

struct GoodbyeCase {
    const char* cfgMore;    // door.cfg lines after host, port and tls
    const char* boardLine;  // row 13, "" when none
    const char* sysopLine;  // row 15, "" when none
    const char* endLine;    // what the service sends to end it; "" hangs up
    const char* notice;     // held on row 23 before the goodbye
};

// What sits between the goodbye box's sides on a row.
std::string boxInterior(const BbsHost& host, int row) {
    std::string inside = screenRowText(&host.screen, row).substr(14, 51);
    size_t first = inside.find_first_not_of(' ');
    return first == std::string::npos ? "" : inside.substr(first, inside.find_last_not_of(' ') - first + 1);
}

// The service ends the session once the door has said who is calling; the
// door holds the reason on row 23, then says goodbye.
void checkGoodbye(const GoodbyeCase& c) {
    SCOPED_TRACE(c.notice);
    FakeService svc;
    Door door;
    startTelnet(&door, 5, svc.port, c.cfgMore);
    ASSERT_TRUE(fakeServiceWaitLine(&svc));
    if (c.endLine[0]) ASSERT_TRUE(fakeServiceSend(&svc, c.endLine));
    else fakeServiceDrop(&svc);
    ASSERT_TRUE(bbsWaitText(&door, c.notice, NOTICE_ROW)) << bbsScreen(&door);
    ASSERT_TRUE(bbsWaitText(&door, SENDING_BACK, GOODBYE_SENDING_ROW));
    // The disconnect command goes out whenever the link still stands.
    if (c.endLine[0]) EXPECT_TRUE(fakeServiceWaitLine(&svc, DISCONNECT_LINE));
    EXPECT_TRUE(waitUntil([&] { return svc.closed.load(); }));
    EXPECT_EQ(bbsRow(&door, NOTICE_ROW), "") << "the goodbye starts on a clear screen";
    EXPECT_EQ((unsigned char)screenRowText(&door.screen, 6)[13], 218);
    EXPECT_EQ((unsigned char)screenRowText(&door.screen, 17)[65], 217);
    EXPECT_EQ(screenInkAt(&door.screen, 6, 14), 96);
    expectCentred(door, 8, "W O R D W H I R L", 93);
    expectCentred(door, 10, "Thanks for playing!", 97);
    EXPECT_EQ(boxInterior(door, 13), c.boardLine);
    EXPECT_EQ(boxInterior(door, 15), c.sysopLine);
    EXPECT_EQ(boxInterior(door, 16), c.sysopLine[0] ? "for adding Wordwhirl!" : "");
    if (c.sysopLine[0]) expectCentred(door, 15, c.sysopLine, 96);
    EXPECT_EQ(screenInkAt(&door.screen, 18, 40), 96);
    EXPECT_NE(bbsRow(&door, 18).find("wordwhirl"), std::string::npos) << bbsRow(&door, 18);
    EXPECT_EQ(bbsWaitExit(&door), 0);
    EXPECT_EQ(screenRowText(&door.screen, 20).substr(29, 25), "Sending you back now ....");
    EXPECT_TRUE(door.screen.cursorVisible);
    EXPECT_EQ(screenCursor(&door.screen), std::make_pair(22, 1)) << "where the cursor is left";
}

// One connected door per case, side by side: the held notice and the
// goodbye's dots take about 6 s each.
TEST(StartupE2e, ConnectedSessionEndsWithDisconnectAndGoodbye) {
    const GoodbyeCase cases[] = {
        {"bbsname=The Quiet Harbour\nsysop=Marguerite\n", "Returning you to The Quiet Harbour",
         "Thank your Sysop, Marguerite,", R"({"event":"disconnected","data":{"reason":"Wordwhirl is closing for the night."}})",
         "Wordwhirl is closing for the night."},
        {"sysop=ABCDEFGHIJKLMNOPQRSTUVWXYZabcde\n", "", "Thank your Sysop, ABCDEFGHIJKLMNOPQRSTUVWXYZabcd,", "",
         LOST_LINK.c_str()},  // a 31-letter Sysop shows 30
        {"", "", "", R"({"event":"admin:kicked"})", "You were disconnected."},
    };
    std::vector<std::thread> runs;
    for (const GoodbyeCase& c : cases) runs.emplace_back(checkGoodbye, std::cref(c));
    for (std::thread& run : runs) run.join();
}

}  // namespace
