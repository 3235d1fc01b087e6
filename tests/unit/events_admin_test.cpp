// Staff and service events fed as real service lines through the dispatcher:
// the chat log, the notice line, the run flag and the requests they send.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "session/events.h"
#include "state/state.h"
#include "support/service_pair.h"

namespace {

struct EventsAdmin : ServiceTest {};

TEST_F(EventsAdmin, StaffEventsLeaveTheirLines) {
    const std::string longReason(200, 'r');
    const std::string longTitle(120, 't');
    const std::string mark = "\xFB";
    struct Case {
        const char* event;
        std::string data;
        int32_t lines;       // chat lines afterwards, from 3 before
        std::string last;    // the newest line, when one was added
        std::string notice;  // expected notice line
        std::string requests;
    } cases[] = {
        {"chat:cleared", "{}", 1, "The chat was cleared by staff.", "", ""},
        {"mod:timeout", R"({"reason":"Flooding"})", 4, "You've been timed out: Flooding",
         "You've been timed out: Flooding", ""},
        {"mod:timeout", "{\"reason\":\"" + longReason + "\"}", 4, "You've been timed out: " + longReason.substr(0, 180),
         "You've been timed out: " + longReason.substr(0, 180), ""},
        {"mod:timeout", R"({"reason":""})", 4, "You've been timed out by a member of staff.",
         "You've been timed out by a member of staff.", ""},
        {"admin:shutdown-scheduled", R"({"message":"Down at 10 for an upgrade."})", 4, "Down at 10 for an upgrade.",
         "", ""},
        {"admin:shutdown-scheduled", "{}", 4, "Wordwhirl is going down for maintenance shortly.", "", ""},
        {"admin:shutdown-cancelled", R"({"message":"ignored"})", 4, "The maintenance has been called off - carry on!",
         "", ""},
        {"achievement:earned", R"({"title":"Wordsmith","name":"ws"})", 4, mark + "  You earned: Wordsmith", "", ""},
        {"achievement:earned", R"({"name":"First Laugh"})", 4, mark + "  You earned: First Laugh", "", ""},
        {"achievement:earned", "{\"title\":\"" + longTitle + "\"}", 4, mark + "  You earned: " + longTitle.substr(0, 90),
         "", ""},
        {"achievement:earned", R"({"title":""})", 3, "", "", ""},
        {"mail:new", "{}", 4, "New mail - press [M] on the main menu to read it.", "",
         "{\"cmd\":\"emit\",\"name\":\"mail:list\",\"ackId\":6,\"data\":{}}\n"},
        {"admin:message", R"({"text":""})", 3, "", "", ""},
    };
    for (const Case& c : cases) {
        state->chatCount = 0;
        state->mailRequested = 0;
        setNotice(state.get(), nullptr);
        for (int i = 0; i < 3; i++) appendSystemLine(state.get(), "Ann", "hello", CHAT_SAID);
        state->chatDirty = 0;
        state->chatScroll = 2;
        feed(c.event, c.data);
        std::string what = std::string(c.event) + " " + c.data.substr(0, 40);
        EXPECT_EQ(state->chatCount, c.lines) << what;
        EXPECT_STREQ(state->noticeText, c.notice.c_str()) << what;
        EXPECT_EQ(sent(), c.requests) << what;
        EXPECT_EQ(state->mailRequested, c.requests.empty() ? 0 : 1) << what;
        if (c.last.empty()) continue;
        const ChatLine& line = state->chatLog[state->chatCount - 1];
        EXPECT_EQ(std::string(line.text), c.last) << what;
        EXPECT_EQ(line.kind, CHAT_SYSTEM) << what;
        EXPECT_STREQ(line.name, "") << what;
        EXPECT_EQ(state->chatDirty, 1) << what;
        EXPECT_EQ(state->chatScroll, 0) << what;
    }
}

TEST_F(EventsAdmin, EndOfVisitLeavesTheReasonOnTheNoticeLine) {
    struct Case { const char* event; const char* data; const char* notice; } cases[] = {
        {"disconnected", "{}", "You were disconnected."},
        {"disconnected", R"({"reason":"Server restarting."})", "Server restarting."},
        {"admin:kicked", R"({"reason":"Removed by staff."})", "Removed by staff."},
        {"admin:kicked", R"({"reason":7})", "You were disconnected."},
    };
    for (const Case& c : cases) {
        state->running = 1;
        feed(c.event, c.data);
        EXPECT_EQ(state->running, 0) << c.event << c.data;
        EXPECT_STREQ(state->noticeText, c.notice) << c.event << c.data;
    }
    EXPECT_EQ(sent(), "") << "the exit sequence, not the handler, says goodbye to the service";
}

}  // namespace
