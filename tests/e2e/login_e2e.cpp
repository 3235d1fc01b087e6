// The real door logging a caller in against a fake service: the connect
// command, the authed event, the welcome screen, the guide, the main menu,
// the requests sent on the way, and the lost connection that ends it all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_common.h"

namespace {

// The alias carries quotes so the connect command shows them escaped.
const std::string ALIAS = "Tess \"Q\"";
const std::string CONNECT =
    R"({"cmd":"connect","bbsInstanceId":"board-7","localUserid":"42","alias":"Tess \"Q\""})";
const std::string MAIL_LIST = R"({"cmd":"emit","name":"mail:list","ackId":6,"data":{}})";
const std::string PRESENCE_WELCOME = R"({"cmd":"emit","name":"presence:zone","data":"welcome"})";

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,)"
    R"("you":{"name":"Ace Writer","greeting":"Hello {username}, pull up a chair!"},)"
    R"("categories":["Animals",{"name":"Space","kind":"holiday"}],)"
    R"("announcements":[{"id":7,"title":"Fresh tales","body":"Twelve new ones."}],)"
    R"("features":{"tester_feedback":false}}})";

TEST(LoginE2e, AuthedCallerGoesFromWelcomeThroughTheGuideToTheMenuAndOutWhenTheLinkDrops) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    prepareTelnet(&door, 3, svc->port, "bbsid=board-7\n", ALIAS);
    bbsStart(host, {"DOOR32.SYS"}, false);

    // The connect command is the first line; the welcome screen greets the
    // drop file's alias until the service names the caller.
    ASSERT_TRUE(fakeServiceWaitLine(svc, CONNECT));
    ASSERT_TRUE(bbsWaitRow(host, 16, "Welcome, " + ALIAS + "!"));
    EXPECT_EQ(fakeServiceLines(svc), std::vector<std::string>{CONNECT}) << "the welcome screen asks for nothing";
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));

    const std::string welcome = "Welcome, Ace Writer!";
    ASSERT_TRUE(bbsWaitRow(host, 16, welcome)) << bbsRow(host, 16);
    ASSERT_TRUE(fakeServiceWaitLine(svc, MAIL_LIST));
    expectCentred(*host, 16, welcome, 32, true);
    // The longer old name is wiped, not overwritten (stars keep to columns 3-13 and 66-76).
    int nameCol = centreCol(welcome), nameEnd = nameCol + (int)welcome.size();
    EXPECT_EQ(screenTextAt(&host->screen, 16, 14, 52),
              std::string(nameCol - 14, ' ') + welcome + std::string(66 - nameEnd, ' '));
    expectCentred(*host, 10, "The Story Party Game", 36, true);
    expectCentred(*host, 19, "Press any key to begin...", 36, false);
    expectText(*host, 23, 2, "Standard Connection", 37, false);  // tls=0
    expectText(*host, 23, 71, "v1.20.9", 34, false);

    // Any key opens the guide at its first page; nothing is sent for it.
    bbsSendKeys(host, "x");
    ASSERT_TRUE(bbsWaitRow(host, 23, "[ENTER] NEXT     [S] MAIN MENU"));
    expectCentred(*host, 5, "A   B R A N D   N E W   S T O R Y   E V E R Y   T I M E !", 37, true);
    expectText(*host, 2, 4, "W O R D W H I R L", 33, true);
    expectCentred(*host, 7, "Wordwhirl is a word game where you fill in the missing", 37, false);
    EXPECT_EQ(fakeServiceLines(svc), (std::vector<std::string>{CONNECT, MAIL_LIST}));

    // S (either case) leaves the guide for the main menu, reporting the zone.
    bbsSendKeys(host, "s");
    ASSERT_TRUE(fakeServiceWaitLine(svc, PRESENCE_WELCOME));
    ASSERT_TRUE(bbsWaitRow(host, 19, "Back to the BBS"));
    EXPECT_EQ(fakeServiceLines(svc), (std::vector<std::string>{CONNECT, MAIL_LIST, PRESENCE_WELCOME}));
    expectCentred(*host, 4, "Hello Ace Writer, pull up a chair!", 36, true);
    EXPECT_NE(bbsRow(host, 2).find("Ace Writer"), std::string::npos) << bbsRow(host, 2);
    expectText(*host, 8, 22, "[1]", 33, true);
    expectText(*host, 8, 26, "The Lounge - chat + find a game", 37, true);
    expectText(*host, 12, 26, "Mailbox ", 37, true);  // no letter counted yet
    expectText(*host, 13, 26, "Announcements (1 new)", 32, true);
    EXPECT_EQ(screenTextAt(&host->screen, 15, 19, 43), std::string(43, ' ')) << "no feedback entry";
    expectText(*host, 19, 22, "[Q]", 33, true);
    EXPECT_NE(bbsRow(host, 23).find("Type Your Choice And Press ENTER"), std::string::npos)
        << bbsRow(host, 23);
    EXPECT_EQ(screenTextAt(&host->screen, 24, 2, 1), ">");

    // The service hangs up: the caller is told, then sent back to the BBS.
    fakeServiceDrop(svc);
    ASSERT_TRUE(bbsWaitRow(host, 23, "Lost the connection to Wordwhirl.")) << bbsRow(host, 23);
    ASSERT_TRUE(bbsWaitRow(host, 10, "Thanks for playing!"));
    EXPECT_EQ(bbsWaitExit(host), 0);
    EXPECT_EQ(fakeServiceLines(svc), (std::vector<std::string>{CONNECT, MAIL_LIST, PRESENCE_WELCOME}));
}

}  // namespace
