// The real door meeting the service's verdicts: a log-in refused for
// maintenance or by a ban shows its screen until a key, then the goodbye;
// a visit the service ends shows its reason before the goodbye.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e_common.h"

namespace {

const std::string CONNECT =
    R"({"cmd":"connect","bbsInstanceId":"board-9","localUserid":"42","alias":"Tester"})";

// A door started for caller Tester with the given extra door.cfg lines,
// connected and greeted by the welcome screen.
void startDoor(Door* door, FakeService* svc, const std::string& cfg = "") {
    prepareTelnet(door, 1, svc->port, "bbsid=board-9\n" + cfg);
    bbsStart(&door->host, {"DOOR32.SYS"}, false);
    ASSERT_TRUE(fakeServiceWaitLine(svc, CONNECT));
    ASSERT_TRUE(bbsWaitRow(&door->host, 16, "Welcome, Tester!"));
}

// The verdict screen stays until a key; the key brings the goodbye, the
// disconnect command and exit code 0.
void pressKeyToLeave(BbsHost* host, FakeService* svc, int keyRow, const std::string& keyText) {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    bbsPump(host);
    EXPECT_NE(bbsRow(host, keyRow).find(keyText), std::string::npos) << "still waiting: " << bbsRow(host, keyRow);
    bbsSendKeys(host, "x");
    ASSERT_TRUE(bbsWaitRow(host, 10, "Thanks for playing!"));
    EXPECT_EQ(bbsWaitExit(host), 0);
    EXPECT_TRUE(fakeServiceWaitLine(svc, DISCONNECT_LINE));
    // Refused at the door: the mailbox and the zones are never asked for.
    EXPECT_EQ(fakeServiceLines(svc), (std::vector<std::string>{CONNECT, DISCONNECT_LINE}));
}

TEST(AdminE2e, MaintenanceRefusalShowsTheClosedScreenUntilAKey) {
    Service service;
    Door door;
    startDoor(&door, &service.svc);
    ASSERT_TRUE(fakeServiceSend(&service.svc,
                                R"({"event":"authed","data":{"ok":false,"maintenance":true,"banned":true,)"
                                R"("error":"Upgrading the story engine.","categories":["Animals"]}})"));
    ASSERT_TRUE(bbsWaitRow(&door.host, 6, "B A C K   S H O R T L Y")) << bbsRow(&door.host, 6);
    EXPECT_NE(bbsRow(&door.host, 9).find("Upgrading the story engine."), std::string::npos) << bbsRow(&door.host, 9);
    EXPECT_EQ(bbsRow(&door.host, 16).find("Welcome"), std::string::npos) << "the closed screen replaced the welcome";
    pressKeyToLeave(&door.host, &service.svc, 21, "Press any key to return to the BBS.");
}

TEST(AdminE2e, BanWithAReasonShowsTheBarScreenUntilAKey) {
    Service service;
    Door door;
    startDoor(&door, &service.svc, "bbsname=Night Owl BBS\n");
    ASSERT_TRUE(fakeServiceSend(&service.svc, R"({"event":"authed","data":{"ok":false,"banned":true,)"
                                              R"("reason":"Abusive chat in the Lounge"}})"));
    ASSERT_TRUE(bbsWaitRow(&door.host, 5, "B A N N E D")) << bbsRow(&door.host, 5);
    EXPECT_NE(bbsRow(&door.host, 7).find("You are banned from Wordwhirl."), std::string::npos);
    EXPECT_NE(bbsRow(&door.host, 9).find("Reason: Abusive chat in the Lounge"), std::string::npos)
        << bbsRow(&door.host, 9);
    pressKeyToLeave(&door.host, &service.svc, 22, "Press any key to return to Night Owl BBS.");
}

TEST(AdminE2e, DisconnectedShowsItsReasonEvenWhenTheServiceHangsUpAtOnce) {
    Service service;
    Door door;
    BbsHost* host = &door.host;
    startDoor(&door, &service.svc);
    const std::string reason = "Wordwhirl is restarting - back in a minute.";
    ASSERT_TRUE(fakeServiceSend(&service.svc, R"({"event":"disconnected","data":{"reason":")" + reason + "\"}}"));
    fakeServiceDrop(&service.svc);
    ASSERT_TRUE(bbsWaitRow(host, 23, reason)) << bbsRow(host, 23);
    ASSERT_TRUE(bbsWaitRow(host, 10, "Thanks for playing!"));
    EXPECT_EQ(bbsWaitExit(host), 0);
    EXPECT_EQ(host->rawSocket.find("Lost the connection"), std::string::npos)
        << "the service's reason is not replaced by the lost-link words";
}

}  // namespace
