// The real door reading announcements over several visits to one board: what
// one BBS user read and dismissed is remembered in the marker files beside
// the door for that user's next visit, and another user starts afresh.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "support/bbs_host.h"
#include "support/fake_service.h"

namespace {

constexpr unsigned char UNREAD_MARK = 0xFE;

struct Board {
    BbsHost host;
    Board() { bbsHostOpen(&host, WW_DOOR_BINARY); }
    ~Board() { bbsHostClose(&host); }
};

struct Service {
    FakeService svc;
    Service() { fakeServiceStart(&svc); }
    ~Service() { fakeServiceStop(&svc); }
};

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("announcements":[{"id":7,"title":"Fresh tales","body":"Twelve new ones."},)"
    R"({"id":8,"title":"Server move","body":"Back in an hour."}],)"
    R"("features":{"tester_feedback":false}}})";

bool waitOnScreen(BbsHost* host, const std::string& text, int timeoutMs = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bbsPump(host);
        for (int row = 1; row <= 24; row++)
            if (bbsRow(host, row).find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

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

// One visit by BBS user `user`, from log-in to the announcements list.
void visitAnnouncements(BbsHost* host, FakeService* svc, int user) {
    bbsWriteDoorCfg(host, svc->port);
    int handle = bbsOpenTelnet(host);
    std::string drop = bbsDoor32(2, (unsigned)handle, 1, "Ace");
    drop.replace(drop.find("\r\n42\r\n"), 6, "\r\n" + std::to_string(user) + "\r\n");
    bbsWriteFile(host, "DOOR32.SYS", drop);
    bbsStart(host, {"DOOR32.SYS"}, false);
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_TRUE(waitOnScreen(host, "Welcome, Ace Writer!"));
    bbsSendKeys(host, "x");  // the guide
    ASSERT_TRUE(bbsWaitRow(host, 23, "[S] MAIN MENU"));
    bbsSendKeys(host, "s");
    ASSERT_TRUE(waitOnScreen(host, "Back to the BBS"));
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
    Board board;
    BbsHost* host = &board.host;
    {
        // First visit of user 42: read the first, dismiss the second.
        Service service;
        visitAnnouncements(host, &service.svc, 42);
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
        visitAnnouncements(host, &service.svc, 42);
        expectListed(*host, {6, "[1] Fresh tales", false}, "second visit");
        EXPECT_EQ(bbsRow(host, 7), "");
        leaveDoor(host);
    }

    nextVisit(host);
    {
        // User 43 on the same board sees both, unread.
        Service service;
        visitAnnouncements(host, &service.svc, 43);
        expectListed(*host, {6, "[1] Fresh tales", true}, "other user");
        expectListed(*host, {7, "[2] Server move", true}, "other user");
        leaveDoor(host);
    }
}

}  // namespace
