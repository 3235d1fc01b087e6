#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "door/startup.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"

namespace {

TEST(DoorDropPath, LastPathOrGluedFlagWins) {
    struct Case {
        std::vector<std::string> args;
        std::string want;
    } cases[] = {
        {{}, "DOOR32.SYS"},
        {{"C:/BBS/NODE5/DOOR32.SYS"}, "C:/BBS/NODE5/DOOR32.SYS"},
        {{"-Dnode1/door.sys"}, "node1/door.sys"},
        {{"-dnode2/DORINFO1.DEF"}, "node2/DORINFO1.DEF"},
        {{"-D", "node3/DOOR32.SYS"}, "node3/DOOR32.SYS"},   // the bare flag, then a path
        {{"first.sys", "second.sys"}, "second.sys"},
        {{"-Dfirst.sys", "second.sys"}, "second.sys"},
        {{"first.sys", "-dsecond.sys"}, "second.sys"},
        {{"path.sys", "-D"}, "DOOR32.SYS"},                 // a bare -D last empties it
        {{"-x", "-N5", "-", "--Dno", "path.sys", "-quiet"}, "path.sys"},
        {{""}, "DOOR32.SYS"},
    };
    for (Case& c : cases) {
        std::vector<char*> argv{const_cast<char*>("wordwhirl")};
        for (std::string& arg : c.args) argv.push_back(arg.data());
        EXPECT_STREQ(doorDropPath((int)argv.size(), argv.data()), c.want.c_str())
            << testing::PrintToString(c.args);
    }
}

// A door state whose terminal is a telnet socket read by a test screen.
struct StartupScreenTest : DoorScreenTest {
    static std::string trimmed(const std::string& text) {
        size_t first = text.find_first_not_of(' ');
        return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
    }
    std::string row(int r) {
        screenPump(&ts);
        return trimmed(screenRowText(&ts, r));
    }
    // Between the goodbye box's sides (columns 14 and 66).
    std::string insideBox(int r) {
        screenPump(&ts);
        return trimmed(screenTextAt(&ts, r, 15, 51));
    }
};

// Any status the table does not name reads as "not found", not as garbage.
TEST_F(StartupScreenTest, DropNoticeForAnUnlistedStatusIsTheNotFoundOne) {
    for (int32_t status : {1, 5, -1}) {
        cs->caller.dropStatus = status;
        drawDropNotice(cs.get());
        EXPECT_EQ(row(7), "Your board's drop file could not be found.") << status;
        EXPECT_EQ(row(13), "or put a copy of DOOR32.SYS beside WORDWHIRL.EXE.") << status;
    }
    cs->caller.dropStatus = 3;
    drawDropNotice(cs.get());
    EXPECT_EQ(row(7), "Your board's drop file is not in a layout we know.");
}

// The service's names, once it has sent them, beat door.cfg's.
TEST_F(StartupScreenTest, GoodbyePrefersTheServiceNamesOverDoorCfg) {
    struct Case {
        const char *boardName, *cfgBbsName, *sysopName, *cfgSysop;
        std::string boardRow, sysopRow;
    } cases[] = {
        {"Live Board", "Cfg Board", "LiveOp", "CfgOp", "Returning you to Live Board", "Thank your Sysop, LiveOp,"},
        {"", "Cfg Board", "", "CfgOp", "Returning you to Cfg Board", "Thank your Sysop, CfgOp,"},
        {"Live Board", "", "", "", "Returning you to Live Board", ""},
        {"", "", "LiveOp", "", "", "Thank your Sysop, LiveOp,"},
        // The longest names the fields hold: the board whole, the Sysop cut to 30.
        {"", "B123456789012345678901234567890", "", "S123456789012345678901234567890",
         "Returning you to B123456789012345678901234567890", "Thank your Sysop, S12345678901234567890123456789,"},
    };
    for (const Case& c : cases) {
        copyText(cs->boardName, c.boardName);
        copyText(cs->cfg.bbsName, c.cfgBbsName);
        copyText(cs->sysopName, c.sysopName);
        copyText(cs->cfg.sysop, c.cfgSysop);
        drawGoodbye(cs.get());
        EXPECT_EQ(insideBox(13), c.boardRow);
        EXPECT_EQ(insideBox(15), c.sysopRow);
        EXPECT_EQ(insideBox(16), c.sysopRow.empty() ? "" : "for adding Wordwhirl!");
    }
}

TEST_F(StartupScreenTest, WaitForKeyEndsOnAKeyAndOnAHangUp) {
    screenSendKeys(&ts, "k");
    doorWaitKey(cs.get());  // returns: would hang the test otherwise
    EXPECT_EQ(termReadKey(&cs->term, tickMs(&cs->clock)), KEY_NONE) << "the key was taken by the wait";
    close(ts.peerFd);
    ts.peerFd = -1;
    doorWaitKey(cs.get());
    EXPECT_FALSE(termAlive(&cs->term));
}

}  // namespace
