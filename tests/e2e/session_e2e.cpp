// The real door in session with a fake game service: the connect command as
// it leaves, lines arriving together or in pieces, replies kept apart from
// events, and the ways the service or the BBS clock end the session.
// Until handlers with visible effects exist, the events that end the visit
// (and show their reason) are what makes a handled line visible.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_common.h"

namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point t) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Still running? Asked without reaping, so bbsWaitExit still gets the code.
bool doorRunning(BbsHost* host) {
    bbsPump(host);
    siginfo_t info{};
    return host->pid > 0 && waitid(P_PID, (id_t)host->pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

bool hasLine(FakeService* svc, const std::string& line) {
    for (const std::string& got : fakeServiceLines(svc))
        if (got == line) return true;
    return false;
}

// Row 23 shows notice, then the goodbye follows once its hold is over; the
// door ends with code 0. Returns the milliseconds the notice was seen for.
long expectNoticeThenGoodbye(Door* door, const std::string& notice, int noticeWaitMs = BBS_WAIT_MS) {
    if (!bbsWaitRow(&door->host, NOTICE_ROW, notice, noticeWaitMs)) {
        ADD_FAILURE() << "no \"" << notice << "\" on row 23: " << bbsRow(&door->host, NOTICE_ROW);
        return 0;
    }
    Clock::time_point shown = Clock::now();
    EXPECT_TRUE(bbsWaitRow(&door->host, GOODBYE_SENDING_ROW, SENDING_BACK));
    long held = msSince(shown);
    EXPECT_EQ(bbsWaitExit(&door->host), 0);
    return held;
}

// The alias and board id go out escaped; a reply that also names an event
// ends nothing; a plain event then ends the visit with its reason.
void connectLineAndReplyKeptFromEvents() {
    SCOPED_TRACE("connect line, reply with an event name");
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    startTelnet(&door, 3, svc->port, "bbsid=harbour-7\n", "Jo \"Q\" Smith");
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    EXPECT_EQ(fakeServiceLines(svc)[0],
              "{\"cmd\":\"connect\",\"bbsInstanceId\":\"harbour-7\",\"localUserid\":\"42\","
              "\"alias\":\"Jo \\\"Q\\\" Smith\"}");

    ASSERT_TRUE(fakeServiceSend(svc, "{\"ackId\":1,\"event\":\"disconnected\",\"data\":{\"reason\":\"Only a reply.\"}}"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(doorRunning(&door.host)) << "a reply must not end the session";
    EXPECT_FALSE(hasLine(svc, DISCONNECT_LINE));
    EXPECT_EQ(door.host.rawSocket.find("Only a reply."), std::string::npos);

    ASSERT_TRUE(fakeServiceSend(svc, "{\"event\":\"disconnected\",\"data\":{\"reason\":\"Now it ends.\"}}"));
    expectNoticeThenGoodbye(&door, "Now it ends.");
    EXPECT_TRUE(fakeServiceWaitLine(svc, DISCONNECT_LINE));
    EXPECT_EQ(door.host.rawSocket.find("Only a reply."), std::string::npos);
}

// The lines of one write are all read in the same pass: the first reason
// is replaced before anything is drawn, and the lines between are skipped.
void linesOfOneWrite() {
    SCOPED_TRACE("lines in one write");
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    startTelnet(&door, 4, svc->port);
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    ASSERT_TRUE(fakeServiceSendRaw(svc,
        "{\"event\":\"admin:kicked\",\"data\":{\"reason\":\"First of four.\"}}\n"
        "not json at all\n"
        "{\"event\":\"no:such-event\",\"data\":{}}\n"
        "{\"event\":\"disconnected\",\"data\":{\"reason\":\"Last of four.\"}}\n"));
    expectNoticeThenGoodbye(&door, "Last of four.");
    EXPECT_EQ(door.host.rawSocket.find("First of four."), std::string::npos);
    EXPECT_TRUE(fakeServiceWaitLine(svc, DISCONNECT_LINE));
}

// Half a line is no line: it waits for the rest, which may come much later.
void lineSplitOverTwoWrites() {
    SCOPED_TRACE("one line in two writes");
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    startTelnet(&door, 7, svc->port);
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    ASSERT_TRUE(fakeServiceSendRaw(svc, "{\"event\":\"disconnected\",\"data\":{\"reas"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(doorRunning(&door.host));
    ASSERT_TRUE(fakeServiceSendRaw(svc, "on\":\"Split in two.\"}}\n"));
    expectNoticeThenGoodbye(&door, "Split in two.");
}

// The service goes away: the lost link is shown for a while, then goodbye.
void serviceHangsUp() {
    SCOPED_TRACE("service hangs up");
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    startTelnet(&door, 5, svc->port);
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    fakeServiceDrop(svc);
    long held = expectNoticeThenGoodbye(&door, LOST_LINK);
    EXPECT_GE(held, 1500) << "the notice must stay long enough to read";
    EXPECT_EQ(screenFgAt(&door.host.screen, GOODBYE_SENDING_ROW, centreCol(SENDING_BACK)), 37);
}

// One minute on the BBS: the time-up notice comes at the first timer run
// after 60 s, not before; then the goodbye with the disconnect command.
void bbsTimeRunsOut() {
    SCOPED_TRACE("one minute left");
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    Clock::time_point started = Clock::now();
    startTelnet(&door, 6, svc->port, "", "Tester", 1);
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    const std::string timeUp = "Your time on the BBS is up - thanks for playing!";
    ASSERT_TRUE(bbsWaitRow(&door.host, NOTICE_ROW, timeUp, 90000)) << bbsRow(&door.host, NOTICE_ROW);
    EXPECT_GE(msSince(started), 60000);
    EXPECT_FALSE(hasLine(svc, DISCONNECT_LINE)) << "the session ran until then";
    long held = expectNoticeThenGoodbye(&door, timeUp);
    EXPECT_GE(held, 1500);
    EXPECT_TRUE(fakeServiceWaitLine(svc, DISCONNECT_LINE));
}

// Each case is its own door and service; they run side by side, the minute
// of the time-up case covering the rest.
TEST(SessionE2e, ServiceLinesAndSessionEndings) {
    void (*cases[])() = {bbsTimeRunsOut, connectLineAndReplyKeptFromEvents, linesOfOneWrite,
                         lineSplitOverTwoWrites, serviceHangsUp};
    std::vector<std::thread> runs;
    for (auto run : cases) runs.emplace_back(run);
    for (std::thread& run : runs) run.join();
}

}  // namespace
