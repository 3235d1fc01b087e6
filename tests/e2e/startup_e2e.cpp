// The real door, copied into a board directory and started as a BBS starts
// it: telnet negotiation, drop file notices, the connecting and failure
// screens, the goodbye sequence, exit codes and the node logs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_common.h"
#include "support/net_peers.h"

namespace {

const std::string START_LINE = "--- Wordwhirl door v1.20.9 starting ---";
const std::string UNREACHABLE = "Wordwhirl is unreachable right now.";
const std::string PRESS_TO_RETURN = "Press any key to return to the BBS.";
const std::string NO_TERMINAL = "Wordwhirl: could not open the caller's terminal.\n";

bool hasLine(const std::string& log, const std::string& line) {
    return ("\n" + log).find("\n" + line + "\n") != std::string::npos;
}

// The failure screen's key returns to the BBS with code 0.
void returnFromFailure(Door* door) {
    ASSERT_TRUE(bbsWaitRow(&door->host, 17, PRESS_TO_RETURN)) << bbsRow(&door->host, 15);
    bbsSendKeys(&door->host, "x");
    EXPECT_EQ(bbsWaitExit(&door->host), 0);
}

TEST(StartupE2e, TelnetCallerSeesConnectingThenFailureAndReturns) {
    Door door;
    startTelnet(&door, 7, netClosedPort());
    ASSERT_TRUE(bbsWaitRow(&door.host, 17, PRESS_TO_RETURN));
    // The option offer goes out first, before any screen byte.
    const std::string offer = "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x03";
    EXPECT_EQ(door.host.rawSocket.substr(0, 9), offer);
    expectCentred(door.host, 11, "W O R D W H I R L", 36, true);
    expectCentred(door.host, 13, "Connecting you to the story...", 37, false);
    expectCentred(door.host, 15, UNREACHABLE, 31, true);
    expectCentred(door.host, 17, PRESS_TO_RETURN, 37, false);
    EXPECT_FALSE(screenCursorVisible(&door.host.screen));

    bbsSendKeys(&door.host, "\r");
    EXPECT_EQ(bbsWaitExit(&door.host), 0);
    for (int row = 1; row <= 24; row++) EXPECT_EQ(bbsRow(&door.host, row), "") << "row " << row;
    EXPECT_TRUE(screenCursorVisible(&door.host.screen));
    EXPECT_EQ(door.host.rawStdout, "");
    // The start line always lands in node 0's log; the rest in the caller's node's.
    EXPECT_EQ(bbsNodeLog(&door.host, 0), START_LINE + "\n");
    std::string log = bbsNodeLog(&door.host, 7);
    EXPECT_EQ(log.rfind("WW-NET-03 (", 0), 0u) << log;
    EXPECT_EQ(bbsNodeLog(&door.host, 1), "");
}

struct NoticeCase {
    const char* name;
    const char* dropFile;       // content of DOOR32.SYS; null: none written
    bool unreadable;            // chmod 000 (only meaningful when not root)
    const char* headline;
    const char* sysopFirst;
    const char* sysopSecond;
    const char* logLine;
};

const NoticeCase NOTICE_CASES[] = {
    {"not found", nullptr, false, "Your board's drop file could not be found.",
     "Sysop: point the menu entry at the file your BBS writes,",
     "or put a copy of DOOR32.SYS beside WORDWHIRL.EXE.", "WW-DROP-01 nothing there (DOOR32.SYS)"},
    {"empty", "", false, "Your board's drop file is empty.",
     "Sysop: the BBS may not be writing it before the door starts.",
     "Check the menu entry writes a drop file, then runs the door.", "WW-DROP-02 empty (DOOR32.SYS)"},
    {"unknown layout", "2\r\n5\r\n38400\r\nBBS\r\n1\r\n", false,
     "Your board's drop file is not in a layout we know.",
     "Sysop: we read DOOR32.SYS, DOOR.SYS and DORINFO1.DEF.",
     "A DOOR32.SYS needs all eleven lines, the node number last.",
     "WW-DROP-03 not a layout we know, 5 lines (DOOR32.SYS)"},
    {"no access", "0\r\n0\r\n", true, "Your board's drop file cannot be opened by this door.",
     "Sysop: the door is running as a different user than the BBS.",
     "Give that account read access, or put a copy beside WORDWHIRL.EXE.",
     "WW-DROP-04 cannot be opened by this account (DOOR32.SYS)"},
};

// An unusable drop file leaves the door on the local console: the notice
// arrives on standard output and the key comes from standard input.
TEST(StartupE2e, DropFileNoticeWaitsForAKeyThenCarriesOn) {
    for (const NoticeCase& c : NOTICE_CASES) {
        SCOPED_TRACE(c.name);
        if (c.unreadable && geteuid() == 0) continue;  // root reads everything
        Door door;
        bbsWriteDoorCfg(&door.host, netClosedPort());
        if (c.dropFile) bbsWriteFile(&door.host, "DOOR32.SYS", c.dropFile);
        if (c.unreadable) chmod((door.host.dir + "/DOOR32.SYS").c_str(), 0);
        bbsStart(&door.host, {}, true);
        ASSERT_TRUE(bbsWaitRow(&door.host, 17, "Press any key to carry on."));
        expectCentred(door.host, 5, "WORDWHIRL", 33, true);
        expectCentred(door.host, 7, c.headline, 31, true);
        expectCentred(door.host, 10, "You can play on, but you will show up as Player.", 37, false);
        expectCentred(door.host, 12, c.sysopFirst, 36, false);
        expectCentred(door.host, 13, c.sysopSecond, 36, false);
        // Nothing moves on until the caller presses a key.
        usleep(200 * 1000);
        bbsPump(&door.host);
        EXPECT_EQ(bbsRow(&door.host, 13), std::string(centreCol(c.sysopSecond) - 1, ' ') + c.sysopSecond);
        bbsSendKeys(&door.host, " ");
        ASSERT_TRUE(bbsWaitRow(&door.host, 15, UNREACHABLE));
        EXPECT_EQ(bbsRow(&door.host, 7), "") << "the notice is cleared before connecting";
        returnFromFailure(&door);
        EXPECT_TRUE(hasLine(bbsNodeLog(&door.host, 1), c.logLine)) << bbsNodeLog(&door.host, 1);
    }
}

struct ArgsCase {
    std::vector<std::string> args;
    int node;  // whose drop file was read: a/ is node 3, b/ node 4, the default node 6
};

// Which drop file a command line picks shows in whose node log the
// connection failure lands.
TEST(StartupE2e, CommandLineNamesTheDropFile) {
    const ArgsCase cases[] = {
        {{"a/DOOR32.SYS"}, 3},
        {{"-D", "b/DOOR32.SYS"}, 4},
        {{"-Da/DOOR32.SYS", "-x", "-db/DOOR32.SYS"}, 4},
        {{"b/DOOR32.SYS", "-D"}, 6},
        {{}, 6},
    };
    for (const ArgsCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        Door door;
        bbsWriteDoorCfg(&door.host, netClosedPort());
        bbsWriteFile(&door.host, "a/DOOR32.SYS", bbsDoor32(0, 0, 3));
        bbsWriteFile(&door.host, "b/DOOR32.SYS", bbsDoor32(0, 0, 4));
        bbsWriteFile(&door.host, "DOOR32.SYS", bbsDoor32(0, 0, 6));
        bbsStart(&door.host, c.args, true);
        ASSERT_TRUE(bbsWaitRow(&door.host, 15, UNREACHABLE));
        EXPECT_EQ(door.host.rawStdout.find('\xff'), std::string::npos) << "no telnet bytes on a console";
        returnFromFailure(&door);
        EXPECT_EQ(bbsNodeLog(&door.host, c.node).rfind("WW-NET-03 (", 0), 0u);
        EXPECT_EQ(bbsNodeLog(&door.host, 0), START_LINE + "\n");
    }
}

TEST(StartupE2e, BadSocketHandleEndsWithCodeOneBeforeAnythingIsShown) {
    Door door;
    bbsWriteDoorCfg(&door.host, netClosedPort());
    bbsWriteFile(&door.host, "DOOR32.SYS", bbsDoor32(2, 999, 4));
    bbsStart(&door.host, {}, false);
    EXPECT_EQ(bbsWaitExit(&door.host), 1);
    EXPECT_EQ(door.host.rawStdout, NO_TERMINAL);
    EXPECT_EQ(bbsNodeLog(&door.host, 4), "WW-TERM-01\n");
}

// How the service ends a connected caller's session.
enum class Ending { ServiceSaysGoodbye, ServiceHangsUp };

struct GoodbyeCase {
    const char* name;
    const char* cfgMore;   // door.cfg lines after host, port and tls
    const char* boardLine; // row 13, "" when none
    const char* sysopLine; // row 15, "" when none
    Ending ending;
    const char* endLine;   // what the service sends to end it (ServiceSaysGoodbye)
    const char* notice;    // held on row 23 before the goodbye
};

const GoodbyeCase GOODBYE_CASES[] = {
    {"names from door.cfg", "bbsname=The Quiet Harbour\nsysop=Marguerite\n",
     "Returning you to The Quiet Harbour", "Thank your Sysop, Marguerite,", Ending::ServiceSaysGoodbye,
     "{\"event\":\"disconnected\",\"data\":{\"reason\":\"Wordwhirl is closing for the night.\"}}",
     "Wordwhirl is closing for the night."},
    {"a 31-letter Sysop shows 30", "sysop=ABCDEFGHIJKLMNOPQRSTUVWXYZabcde\n", "",
     "Thank your Sysop, ABCDEFGHIJKLMNOPQRSTUVWXYZabcd,", Ending::ServiceHangsUp, "", LOST_LINK.c_str()},
    {"no names", "", "", "", Ending::ServiceSaysGoodbye, "{\"event\":\"admin:kicked\"}",
     "You were disconnected."},
};

// Reads the box interior of a row: what sits between the frame's sides.
std::string boxInterior(const BbsHost& host, int row) {
    std::string inside = screenTextAt(&host.screen, row, 15, 51);
    size_t first = inside.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return inside.substr(first, inside.find_last_not_of(' ') - first + 1);
}

// The service ends the session once the door has said who is calling; the
// door holds the reason on row 23, then says goodbye.
void endSession(Door* door, FakeService* svc, Ending ending, const std::string& endLine,
                const std::string& notice) {
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    if (ending == Ending::ServiceHangsUp) fakeServiceDrop(svc);
    else ASSERT_TRUE(fakeServiceSend(svc, endLine));
    ASSERT_TRUE(bbsWaitRow(&door->host, NOTICE_ROW, notice)) << bbsRow(&door->host, NOTICE_ROW);
    ASSERT_TRUE(bbsWaitRow(&door->host, GOODBYE_SENDING_ROW, SENDING_BACK));
}

// One connected door per case; the cases run side by side, since the
// held notice and the goodbye's dots take about 6 s each.
void checkGoodbye(const GoodbyeCase& c) {
    SCOPED_TRACE(c.name);
    Service service;
    FakeService& svc = service.svc;
    Door door;
    startTelnet(&door, 5, svc.port, c.cfgMore);
    endSession(&door, &svc, c.ending, c.endLine, c.notice);
    if (testing::Test::HasFatalFailure()) return;
    // The disconnect command goes out whenever the link still stands.
    if (c.ending == Ending::ServiceSaysGoodbye) EXPECT_TRUE(fakeServiceWaitLine(&svc, DISCONNECT_LINE));
    EXPECT_TRUE(fakeServiceWaitClosed(&svc));
    EXPECT_EQ(bbsRow(&door.host, NOTICE_ROW), "") << "the goodbye starts on a clear screen";
    EXPECT_EQ(screenCharAt(&door.host.screen, 6, 14), 218);
    EXPECT_EQ(screenCharAt(&door.host.screen, 17, 66), 217);
    EXPECT_EQ(screenFgAt(&door.host.screen, 6, 14), 36);
    expectCentred(door.host, 8, "W O R D W H I R L", 33, true);
    expectCentred(door.host, 10, "Thanks for playing!", 37, true);
    EXPECT_EQ(boxInterior(door.host, 13), c.boardLine);
    EXPECT_EQ(boxInterior(door.host, 15), c.sysopLine);
    EXPECT_EQ(boxInterior(door.host, 16), c.sysopLine[0] ? "for adding Wordwhirl!" : "");
    if (c.sysopLine[0]) expectCentred(door.host, 15, c.sysopLine, 36, true);
    EXPECT_EQ(screenFgAt(&door.host.screen, 18, 40), 36);
    EXPECT_TRUE(bbsRow(&door.host, 18).find("wordwhirl") != std::string::npos) << bbsRow(&door.host, 18);

    EXPECT_EQ(bbsWaitExit(&door.host), 0);
    EXPECT_EQ(screenTextAt(&door.host.screen, 20, 30, 25), "Sending you back now ....");
    EXPECT_TRUE(screenCursorVisible(&door.host.screen));
    EXPECT_EQ(screenCursorRow(&door.host.screen), 22);
    EXPECT_EQ(screenCursorCol(&door.host.screen), 1);
}

TEST(StartupE2e, ConnectedSessionEndsWithDisconnectAndGoodbye) {
    std::vector<std::thread> runs;
    for (const GoodbyeCase& c : GOODBYE_CASES) runs.emplace_back(checkGoodbye, std::cref(c));
    for (std::thread& run : runs) run.join();
}

// A local caller whose screen pipe is gone before the door draws anything
// is a dead terminal like any other: the door still ends with code 0.
TEST(StartupE2e, ClosedStandardOutputIsADeadTerminalNotACrash) {
    Door door;
    bbsWriteDoorCfg(&door.host, netClosedPort());
    bbsStart(&door.host, {}, true);  // no drop file: the notice goes to stdout
    close(door.host.stdoutFd);
    door.host.stdoutFd = -1;
    // The notice may already sit in the pipe before it was closed; a key
    // moves the door on to its next screen, whose write finds the pipe gone.
    bbsSendKeys(&door.host, "x");
    EXPECT_EQ(bbsWaitExit(&door.host), 0);
}

}  // namespace
