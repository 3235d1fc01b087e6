// Main loop passes with the caller's terminal on one socket pair (read by a
// test screen) and the game service on another (the test plays the service).
// Time moves with tickMoveBase, so minutes pass without sleeping.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "door/mainloop.h"
#include "host/nodelog.h"
#include "session/keys.h"
#include "session/requests.h"
#include "net/connection.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "support/door_fixture.h"
#include "support/screen_emulator.h"
#include "support/service_pair.h"

namespace {

struct LoopTest : DoorScreenTest {
    int service = -1;  // the service's end of the link

    void SetUp() override {
        DoorScreenTest::SetUp();
        service = serviceWire(cs.get());
        ASSERT_GE(service, 0);
        // The loop polls the link, so its end must not block either.
        fcntl(cs->conn.socket, F_SETFL, fcntl(cs->conn.socket, F_GETFL) | O_NONBLOCK);
        cs->running = 1;
        cs->doorStartTick = tickMs();
        cs->lastInputTick = tickMs();
        cs->caller.timeLeftSecs = 3600;
        cs->screen = SCR_MAIN_MENU;
    }
    void TearDown() override {
        serverClose(&cs->conn);
        if (service >= 0) close(service);
        DoorScreenTest::TearDown();
    }

    void serviceSends(const std::string& text) {
        ASSERT_EQ(write(service, text.data(), text.size()), (ssize_t)text.size());
    }
    // Everything the door sent to the service since the last call.
    std::string serviceGot() { return serviceRead(service); }
    std::string row(int r) {
        screenPump(&ts);
        return screenRowUtf8(&ts, r);
    }
    // A round with prompts so word:check replies show whether they were handled.
    void twoPrompts() {
        cs->promptCount = 2;
        cs->blankIds[0] = 7;
        cs->blankIds[1] = 9;
        copyText(cs->pendingWord, "llama");
    }
};

TEST_F(LoopTest, ConnectCommandEscapesAndCutsWithoutSplittingPairs) {
    auto pairs = [](const char* pair, int n) {
        std::string out;
        while (n--) out += pair;
        return out;
    };
    struct Case { std::string id, alias, wantId, wantAlias; } cases[] = {
        {"board-1", "Jo \"Q\" Smith", "board-1", "Jo \\\"Q\\\" Smith"},
        {"b", std::string(20, '"'), "b", pairs("\\\"", 15)},     // 40 escaped, 15 whole pairs kept
        {std::string(63, '\\'), "x\ty", pairs("\\", 60), "x y"},  // 126 escaped, 30 pairs kept
        {"", std::string(31, 'a'), "", std::string(30, 'a')},
    };
    for (const Case& c : cases) {
        copyText(cs->cfg.bbsId, c.id.c_str());
        copyText(cs->caller.callerName, c.alias.c_str());
        cs->caller.userRecord = 42;
        char line[CONNECT_LINE_BYTES];
        formatConnectCommand(cs.get(), line, CONNECT_LINE_BYTES);
        EXPECT_EQ(std::string(line), "{\"cmd\":\"connect\",\"bbsInstanceId\":\"" + c.wantId +
                                         "\",\"localUserid\":\"42\",\"alias\":\"" + c.wantAlias + "\"}")
            << c.alias;
    }
}

TEST_F(LoopTest, StartSendsConnectLineAndOpensWelcome) {
    copyText(cs->cfg.bbsId, "bbs-9");
    copyText(cs->caller.callerName, "Ann \"Ace\"");
    cs->caller.userRecord = 7;
    cs->render.welcomeDrawn = 1;
    mainLoopStart(cs.get());
    EXPECT_EQ(serviceGot(),
              "{\"cmd\":\"connect\",\"bbsInstanceId\":\"bbs-9\",\"localUserid\":\"7\","
              "\"alias\":\"Ann \\\"Ace\\\"\"}\n");
    EXPECT_EQ(cs->screen, SCR_WELCOME);
    EXPECT_EQ(cs->fullRedraw, 1);
    EXPECT_EQ(cs->render.welcomeDrawn, 0);
}

// Routing of single lines: replies by number, events by name, the rest dropped.
TEST_F(LoopTest, RoutesRepliesAndEvents) {
    struct Case {
        const char* line;
        int promptIndex;   // 1 when the word check reply was handled as accepted
        int running;
        const char* notice;
    } cases[] = {
        {"{\"ackId\":11,\"data\":{\"ok\":true}}", 1, 1, ""},
        {"{\"ackId\":11.9,\"data\":{\"ok\":true}}", 1, 1, ""},
        {"{\"event\":\"disconnected\",\"ackId\":11,\"data\":{\"ok\":false}}", 1, 1, ""},
        // No data: the whole message is the reply's data, so "blocked" is seen.
        {"{\"ackId\":11,\"ok\":true,\"blocked\":true}", 0, 1,
         "That word can't be used here - try another one."},
        {"{\"ackId\":8,\"data\":{}}", 0, 1, ""},
        {"{\"ackId\":-11,\"data\":{}}", 0, 1, ""},
        {"{\"ackId\":14,\"data\":{}}", 0, 1, ""},
        {"{\"ackId\":\"11\",\"data\":{}}", 0, 1, ""},
        {"{\"event\":\"disconnected\"}", 0, 0, "You were disconnected."},
        {"{\"event\":\"admin:kicked\",\"data\":{\"reason\":\"Bye\"}}", 0, 0, "Bye"},
        {"{\"event\":\"Disconnected\"}", 0, 1, ""},
        {"{\"event\":\"\",\"data\":{}}", 0, 1, ""},
        {"{\"event\":\"disconnected\"", 0, 1, ""},
        {"not json", 0, 1, ""},
    };
    for (const Case& c : cases) {
        cs->promptIndex = 0;
        cs->running = 1;
        setNotice(cs.get(), nullptr);
        twoPrompts();
        cs->wordCheckPending = 1;
        routeServerLine(cs.get(), c.line);
        EXPECT_EQ(cs->promptIndex, c.promptIndex) << c.line;
        EXPECT_EQ(cs->running, c.running) << c.line;
        EXPECT_STREQ(cs->noticeText, c.notice) << c.line;
    }
}

TEST_F(LoopTest, LinesOfOneReadAreAllHandledInOnePass) {
    twoPrompts();
    serviceSends("{\"ackId\":11,\"data\":{\"ok\":true}}\nnot json\n"
                 "{\"ackId\":11,\"data\":{\"ok\":true}}\n");
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    EXPECT_EQ(cs->promptIndex, 2);
    EXPECT_EQ(serviceGot(),
              "{\"cmd\":\"emit\",\"name\":\"solo:submit\",\"ackId\":2,"
              "\"data\":{\"answers\":{\"7\":\"llama\",\"9\":\"llama\"}}}\n");
}

TEST_F(LoopTest, BbsTimeUpShowsNoticeThenEnds) {
    cs->caller.timeLeftSecs = 60;
    cs->doorStartTick = tickMs();
    tickMoveBase(59000);
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    EXPECT_EQ(row(23).find("time on the BBS"), std::string::npos);
    tickMoveBase(1000);
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    EXPECT_NE(row(23).find("Your time on the BBS is up - thanks for playing!"), std::string::npos);
    EXPECT_EQ(cs->running, 1);
    EXPECT_EQ(mainLoopPass(cs.get()), 1);  // still held
    tickMoveBase(TIME_UP_HOLD_MS);
    EXPECT_EQ(mainLoopPass(cs.get()), 0);
    EXPECT_EQ(cs->running, 0);
}

TEST_F(LoopTest, IdleWarningOnceUntilAKeyThenIdleScreen) {
    auto warnings = [&] {
        int n = 0;
        for (int i = 0; i < cs->chatCount; i++)
            if (std::string(cs->chatLog[i].text).rfind("Still there?", 0) == 0) n++;
        return n;
    };
    tickMoveBase(IDLE_WARN_MS - 1000);
    mainLoopPass(cs.get());
    EXPECT_EQ(warnings(), 0);
    tickMoveBase(1000);
    mainLoopPass(cs.get());
    EXPECT_EQ(warnings(), 1);
    EXPECT_EQ(cs->chatLog[cs->chatCount - 1].kind, CHAT_SYSTEM);
    tickMoveBase(TIMER_PERIOD_MS);
    mainLoopPass(cs.get());
    EXPECT_EQ(warnings(), 1);

    // A key at 29:59 resets the clock and the warning.
    tickMoveBase(IDLE_LEAVE_MS - IDLE_WARN_MS - 1000 - TIMER_PERIOD_MS);
    screenSendKeys(&ts, "x");
    mainLoopPass(cs.get());
    EXPECT_EQ(cs->idleWarned, 0);
    tickMoveBase(IDLE_WARN_MS);
    mainLoopPass(cs.get());
    EXPECT_EQ(warnings(), 2);

    tickMoveBase(IDLE_LEAVE_MS - IDLE_WARN_MS);
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    EXPECT_NE(row(10).find("Y O U ' V E   B E E N   A W A Y   A W H I L E"), std::string::npos);
    EXPECT_NE(row(12).find("Nothing has been touched here for half an hour,"), std::string::npos);
    tickMoveBase(IDLE_HOLD_MS - 500);  // real time runs on a little between passes
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    tickMoveBase(500);
    EXPECT_EQ(mainLoopPass(cs.get()), 0);
}

TEST_F(LoopTest, LostConnectionNoticeIsDrawnAndHeldAndKeysWait) {
    screenSendKeys(&ts, "ab");
    close(service);
    service = -1;
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    EXPECT_NE(row(23).find("Lost the connection to Wordwhirl."), std::string::npos);
    EXPECT_EQ(cs->inputLen, 0);  // the waiting keys were not read
    tickMoveBase(LOST_LINK_HOLD_MS);
    EXPECT_EQ(mainLoopPass(cs.get()), 0);
    EXPECT_EQ(cs->running, 0);
}

TEST_F(LoopTest, LostConnectionNoticeShowsOnTheWelcomeScreenToo) {
    cs->screen = SCR_WELCOME;
    close(service);
    service = -1;
    mainLoopPass(cs.get());
    EXPECT_NE(row(23).find("Lost the connection to Wordwhirl."), std::string::npos);
}

// The service says why it ends the visit and hangs up at once: the caller
// reads its reason, not the lost link, before the goodbye.
TEST_F(LoopTest, ServiceReasonForEndingTheVisitIsHeldBeforeALostLink) {
    cs->screen = SCR_WELCOME;
    serviceSends("{\"event\":\"admin:kicked\",\"data\":{\"reason\":\"Kicked by staff.\"}}\n");
    close(service);
    service = -1;
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    EXPECT_EQ(row(23).find("Lost the connection"), std::string::npos);
    EXPECT_NE(row(23).find("Kicked by staff."), std::string::npos);
    EXPECT_EQ(cs->running, 0);
    tickMoveBase(VISIT_ENDED_HOLD_MS - 500);
    EXPECT_EQ(mainLoopPass(cs.get()), 1);
    tickMoveBase(500);
    EXPECT_EQ(mainLoopPass(cs.get()), 0);
}

TEST_F(LoopTest, VerdictScreensDropEarlyKeysAndWaitForOne) {
    struct Case { int maintenance; const char* text; int row; } cases[] = {
        {1, "B A C K   S H O R T L Y", 6},
        {0, "B A N N E D", 5},
    };
    for (const Case& c : cases) {
        cs->running = 1;
        cs->verdictWait = 0;
        cs->maintenance = c.maintenance;
        cs->barred = 1;
        serviceSends("{\"ackId\":11,\"data\":{\"ok\":true}}\n");  // read before the verdict
        screenSendKeys(&ts, "q");
        usleep(20000);
        EXPECT_EQ(mainLoopPass(cs.get()), 1);
        EXPECT_NE(row(c.row).find(c.text), std::string::npos) << c.text;
        EXPECT_EQ(mainLoopPass(cs.get()), 1) << "the early key must not count";
        screenSendKeys(&ts, "k");
        usleep(20000);
        EXPECT_EQ(mainLoopPass(cs.get()), 0);
        EXPECT_EQ(cs->running, 0);
    }
}

TEST_F(LoopTest, GuideFramesLoopOnlyOnTheFirstPage) {
    struct Case { int page, frame, want; } cases[] = {{0, 49, 50}, {0, 50, 0}, {1, 50, 51}};
    cs->screen = SCR_GUIDE;
    for (const Case& c : cases) {
        cs->guidePage = c.page;
        cs->guideFrame = c.frame;
        uiTick(cs.get());
        EXPECT_EQ(cs->guideFrame, c.want) << c.page << "/" << c.frame;
    }
}

TEST_F(LoopTest, NoticeExpiresAfterTwentyFiveSeconds) {
    setNotice(cs.get(), "Hello");
    tickMoveBase(NOTICE_LIFE_MS);
    uiTick(cs.get());
    EXPECT_STREQ(cs->noticeText, "Hello");
    tickMoveBase(1);
    cs->noticeDirty = 0;
    uiTick(cs.get());
    EXPECT_STREQ(cs->noticeText, "");
    EXPECT_EQ(cs->noticeTick, 0u);
    EXPECT_EQ(cs->noticeDirty, 1);
}

TEST_F(LoopTest, CountdownAndShuffleTicks) {
    cs->screen = SCR_TABLE;
    cs->roomAutoHost = 1;
    cs->playerCount = 2;
    cs->wordDeadline = 5;
    int countdowns = 0, shuffles = 0;
    for (int i = 0; i < 8; i++) {
        cs->countdownDirty = 0;
        uiTick(cs.get());
        countdowns += cs->countdownDirty;
    }
    shuffles = cs->shuffleFrame;
    EXPECT_EQ(countdowns, 2);
    EXPECT_EQ(shuffles, 4);
    cs->startDeadline = 9;  // a starting round shows only its countdown
    for (int i = 0; i < 8; i++) uiTick(cs.get());
    EXPECT_EQ(cs->shuffleFrame, shuffles);
}

TEST_F(LoopTest, UnansweredWordCheckTakesTheWord) {
    twoPrompts();
    cs->screen = SCR_WORD_ENTRY;
    cs->wordCheckPending = 1;
    cs->wordCheckTick = tickMs();
    tickMoveBase(WORD_CHECK_LIMIT_MS);
    uiTick(cs.get());
    EXPECT_EQ(cs->wordCheckPending, 1);
    tickMoveBase(1);
    uiTick(cs.get());
    EXPECT_EQ(cs->wordCheckPending, 0);
    EXPECT_STREQ(cs->answers[0], "llama");
    EXPECT_EQ(cs->promptIndex, 1);
}

TEST_F(LoopTest, EnterScreenResets) {
    cs->categoriesFromPick = 1;
    cs->categoryCount = 2;
    copyText(cs->categoryNames2[1], "Spooky");
    cs->wordDeadline = cs->pickDeadline = 99;
    enterScreen(cs.get(), SCR_TALE_PICK);
    EXPECT_STREQ(cs->categoryNames[1], "Spooky");
    EXPECT_EQ(cs->categoryCount2, 2);
    EXPECT_EQ(cs->categoriesFromPick, 0);
    enterScreen(cs.get(), SCR_GUIDE);
    EXPECT_EQ(cs->render.guideFrameShown, -1);
    EXPECT_EQ(cs->wordDeadline + cs->pickDeadline, 0u);
    enterScreen(cs.get(), SCR_SUBMIT_INTRO);
    EXPECT_STREQ(cs->storyRating, "PG");
}

TEST_F(LoopTest, KeysClearNoticeOpenGuideAndType) {
    cs->screen = SCR_WELCOME;
    setNotice(cs.get(), "hi");
    keyDispatch(cs.get(), 'z');
    EXPECT_STREQ(cs->noticeText, "");
    EXPECT_EQ(cs->screen, SCR_GUIDE);
    EXPECT_EQ(cs->inputLen, 0);
    for (int page = 1; page <= GUIDE_LAST_PAGE; page++) {
        keyDispatch(cs.get(), KEY_ENTER);
        EXPECT_EQ(cs->guidePage, page);
    }
    keyDispatch(cs.get(), ' ');
    EXPECT_EQ(cs->screen, SCR_MAIN_MENU);
    EXPECT_EQ(serviceGot(), "{\"cmd\":\"emit\",\"name\":\"presence:zone\",\"data\":\"welcome\"}\n");
    for (int key : {(int)'h', (int)'i', (int)'!', (int)KEY_BACKSPACE, (int)KEY_UP}) keyDispatch(cs.get(), key);
    EXPECT_STREQ(cs->inputLine, "hi");
    keyDispatch(cs.get(), KEY_ENTER);
    EXPECT_EQ(cs->inputLen, 0);
}

}  // namespace
