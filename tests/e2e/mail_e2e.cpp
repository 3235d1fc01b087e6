// The real door reading announcements over several visits to one board: what
// one BBS user read and dismissed is remembered in the marker files beside
// the door for that user's next visit, and another user starts afresh. And
// the mailbox filled by the service's answer, one letter opened and read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "e2e_common.h"

namespace {

constexpr unsigned char UNREAD_MARK = 0xFE;

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("announcements":[{"id":7,"title":"Fresh tales","body":"Twelve new ones."},)"
    R"({"id":8,"title":"Server move","body":"Back in an hour."}],)"
    R"("features":{"tester_feedback":false}}})";

// How one announcement row of the list looks: unread ones green with a mark.
struct ListedRow {
    int row;
    const char* text;
    bool unread;
};

void expectListed(const BbsHost& host, const ListedRow& r, const char* visit) {
    EXPECT_EQ(screenTextAt(&host.screen, r.row, 8, (int)strlen(r.text)), r.text) << visit;
    EXPECT_EQ(screenFgAt(&host.screen, r.row, 8), r.unread ? 32 : 37) << visit << ": " << r.text;
    EXPECT_EQ(screenCharAt(&host.screen, r.row, 5), r.unread ? UNREAD_MARK : ' ') << visit << ": " << r.text;
}

const std::string MAIL_LIST = R"({"cmd":"emit","name":"mail:list","ackId":6,"data":{}})";
const std::string MAIL_REPLY =
    R"({"ackId":6,"data":{"ok":true,"mail":[)"
    R"({"id":31,"read":0,"sender_label":"The Team","subject":"You won","created_at":"2026-12-01T10:00:00Z",)"
    R"("body":"Your tale took first place.","reply_to":"team"},)"
    R"({"id":32,"read":1,"subject":"Old news","body":"x"}]}})";

// A fresh caller line and screen for the next visit to the same board.
void nextVisit(BbsHost* host) {
    for (int* fd : {&host->callerFd, &host->stdinFd, &host->stdoutFd}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    testScreenClose(&host->screen);
    host->screen = TestScreen{};
    testScreenOpen(&host->screen);
    host->rawSocket.clear();
    host->rawStdout.clear();
}

// One visit by BBS user `user`, from log-in to the main menu.
void visitMenu(BbsHost* host, FakeService* svc, int user) {
    bbsWriteDoorCfg(host, svc->port);
    int handle = bbsOpenTelnet(host);
    std::string drop = bbsDoor32(2, (unsigned)handle, 1, "Ace");
    drop.replace(drop.find("\r\n42\r\n"), 6, "\r\n" + std::to_string(user) + "\r\n");
    bbsWriteFile(host, "DOOR32.SYS", drop);
    bbsStart(host, {"DOOR32.SYS"}, false);
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_NO_FATAL_FAILURE(guideToMainMenu(host, "Welcome, Ace Writer!"));
}

void visitAnnouncements(BbsHost* host, FakeService* svc, int user) {
    ASSERT_NO_FATAL_FAILURE(visitMenu(host, svc, user));
    bbsSendKeys(host, "a\r");
    ASSERT_TRUE(bbsWaitRow(host, 4, "A N N O U N C E M E N T S"));
}

void leaveDoor(BbsHost* host) {
    bbsSendKeys(host, "\r");  // back to the menu
    ASSERT_TRUE(waitOnScreen(host, "Back to the BBS"));
    bbsSendKeys(host, "q\r");
    EXPECT_EQ(bbsWaitExit(host), 0);
}

TEST(MailE2e, AnnouncementsReadAndDismissedAreRememberedPerUserAcrossVisits) {
    Door board;
    BbsHost* host = &board.host;
    {
        // First visit of user 42: read the first, dismiss the second.
        Service service;
        ASSERT_NO_FATAL_FAILURE(visitAnnouncements(host, &service.svc, 42));
        expectListed(*host, {6, "[1] Fresh tales", true}, "first visit");
        expectListed(*host, {7, "[2] Server move", true}, "first visit");
        bbsSendKeys(host, "1\r");
        ASSERT_TRUE(waitOnScreen(host, "Twelve new ones."));
        bbsSendKeys(host, "\r");
        ASSERT_TRUE(bbsWaitRow(host, 4, "A N N O U N C E M E N T S"));
        bbsSendKeys(host, "2\r");
        ASSERT_TRUE(waitOnScreen(host, "Back in an hour."));
        bbsSendKeys(host, "d\r");
        ASSERT_TRUE(waitOnScreen(host, "Dismissed - you won't see that one again."));
        expectListed(*host, {6, "[1] Fresh tales", false}, "after dismissing");
        EXPECT_EQ(bbsRow(host, 7), "");
        leaveDoor(host);
    }
    EXPECT_NE(bbsReadFile(host, "WORDWHIRL.RD").find("42 7"), std::string::npos);
    EXPECT_NE(bbsReadFile(host, "WORDWHIRL.DIS").find("42 8"), std::string::npos);

    nextVisit(host);
    {
        // User 42 again: the read one stays read, the dismissed one is gone.
        Service service;
        ASSERT_NO_FATAL_FAILURE(visitAnnouncements(host, &service.svc, 42));
        expectListed(*host, {6, "[1] Fresh tales", false}, "second visit");
        EXPECT_EQ(bbsRow(host, 7), "");
        leaveDoor(host);
    }

    nextVisit(host);
    {
        // User 43 on the same board sees both, unread.
        Service service;
        ASSERT_NO_FATAL_FAILURE(visitAnnouncements(host, &service.svc, 43));
        expectListed(*host, {6, "[1] Fresh tales", true}, "other user");
        expectListed(*host, {7, "[2] Server move", true}, "other user");
        leaveDoor(host);
    }
}

TEST(MailE2e, MailboxWaitsForTheListThenOpensALetter) {
    Door board;
    BbsHost* host = &board.host;
    Service service;
    FakeService* svc = &service.svc;
    ASSERT_NO_FATAL_FAILURE(visitMenu(host, svc, 42));

    // The list is asked for on entry; until it comes the mailbox says so.
    size_t before = fakeServiceLines(svc).size();
    bbsSendKeys(host, "m\r");
    ASSERT_TRUE(waitOnScreen(host, "One moment - fetching your mail..."));
    std::vector<std::string> sentLines = fakeServiceLines(svc);
    EXPECT_NE(std::find(sentLines.begin() + (long)before, sentLines.end(), MAIL_LIST), sentLines.end());

    ASSERT_TRUE(fakeServiceSend(svc, MAIL_REPLY));
    ASSERT_TRUE(waitOnScreen(host, "[2] Old news"));
    expectListed(*host, {6, "[1] You won", true}, "mailbox");
    expectListed(*host, {7, "[2] Old news", false}, "mailbox");
    EXPECT_NE(bbsRow(host, 6).find("The Team"), std::string::npos);
    EXPECT_NE(bbsRow(host, 7).find("Wordwhirl"), std::string::npos) << "the sender when none is named";

    // Opening the first tells the service it was read and shows it whole.
    bbsSendKeys(host, "1\r");
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("mail:mark-read", R"({"id":31})")));
    ASSERT_TRUE(waitOnScreen(host, "Your tale took first place."));
    EXPECT_NE(bbsRow(host, 4).find("You won"), std::string::npos);
    EXPECT_NE(bbsRow(host, 5).find("from The Team   -   2026-12-01"), std::string::npos) << bbsRow(host, 5);
    EXPECT_EQ(screenTextAt(&host->screen, 18, 4, 17), "[R] Reply To This");

    bbsSendKeys(host, "\r");  // back to the mailbox, now read
    ASSERT_TRUE(bbsWaitRow(host, 4, "Y O U R   M A I L B O X"));
    ASSERT_TRUE(waitOnScreen(host, "[1] You won"));
    expectListed(*host, {6, "[1] You won", false}, "after reading");
    leaveDoor(host);
}

}  // namespace
