// The real door chatting in the Lounge against a fake service: from the main
// menu into the Lounge, a chat line, a whisper and an emote exactly as the
// service receives them, and the /who and /code answers in the chat pane.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/bbs_host.h"
#include "support/fake_service.h"

namespace {

struct Door {
    BbsHost host;
    Door() { bbsHostOpen(&host, WW_DOOR_BINARY); }
    ~Door() { bbsHostClose(&host); }
};

struct Service {
    FakeService svc;
    Service() { fakeServiceStart(&svc); }
    ~Service() { fakeServiceStop(&svc); }
};

std::string emit(const std::string& name, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"data\":" + data + "}";
}

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("categories":["Animals"],"features":{"tester_feedback":false}}})";
const std::string ROSTER =
    R"({"event":"lobby:roster","data":{"players":[{"name":"Ace Writer"},{"name":"Bob"},{"name":"Cleo"}]}})";

// Rows 1 to 24 as the caller sees them, searched for text until it shows.
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

// The lines the service got after the first `skip`.
std::vector<std::string> linesAfter(FakeService* svc, size_t skip) {
    std::vector<std::string> all = fakeServiceLines(svc);
    return all.size() > skip ? std::vector<std::string>(all.begin() + (long)skip, all.end())
                             : std::vector<std::string>{};
}

TEST(ChatE2e, LoungeChatWhisperEmoteAndTheSystemLinesOfWhoAndCode) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    bbsWriteDoorCfg(host, svc->port, "bbsid=board-7\n");
    int handle = bbsOpenTelnet(host);
    bbsWriteFile(host, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, 3, "Ace"));
    bbsStart(host, {"DOOR32.SYS"}, false);

    ASSERT_TRUE(fakeServiceWaitLine(
        svc, R"({"cmd":"connect","bbsInstanceId":"board-7","localUserid":"42","alias":"Ace"})"));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_TRUE(waitOnScreen(host, "Welcome, Ace Writer!"));
    bbsSendKeys(host, "x");  // the guide
    ASSERT_TRUE(bbsWaitRow(host, 23, "[S] MAIN MENU"));
    bbsSendKeys(host, "s");  // the main menu
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("presence:zone", "\"welcome\"")));
    ASSERT_TRUE(waitOnScreen(host, "Back to the BBS"));

    // 1 then ENTER: the Lounge reports the zone and asks for the tables.
    size_t before = fakeServiceLines(svc).size();
    bbsSendKeys(host, "1\r");
    const std::string refresh = emit("lobby:refresh", "{}");
    ASSERT_TRUE(fakeServiceWaitLine(svc, refresh));
    EXPECT_EQ(linesAfter(svc, before), (std::vector<std::string>{emit("presence:zone", "\"lounge\""), refresh}));
    ASSERT_TRUE(fakeServiceSend(svc, ROSTER));

    // A chat line with a quote, a whisper and an emote, exactly as sent.
    struct Said {
        const char* typed;
        std::string received;
    } said[] = {
        {"hello \"all\"", emit("lobby:chat", R"("hello \"all\"")")},
        {"/Bob psst", emit("lobby:chat", R"("/Bob psst")")},
        {"/me waves", emit("lobby:emote", R"({"text":"waves"})")},
    };
    for (const Said& s : said) {
        before = fakeServiceLines(svc).size();
        bbsSendKeys(host, std::string(s.typed) + "\r");
        ASSERT_TRUE(fakeServiceWaitLine(svc, s.received)) << s.typed;
        EXPECT_EQ(linesAfter(svc, before), std::vector<std::string>{s.received}) << s.typed;
    }

    // /who and /code answer in the chat pane and send nothing.
    before = fakeServiceLines(svc).size();
    bbsSendKeys(host, "/who\r");
    EXPECT_TRUE(waitOnScreen(host, "3 players online right now."));
    bbsSendKeys(host, "/code\r");
    EXPECT_TRUE(waitOnScreen(host, "Share code: (none)"));
    EXPECT_EQ(linesAfter(svc, before), std::vector<std::string>{});
    EXPECT_EQ(bbsRow(host, 24).find("/code"), std::string::npos) << "the typed line is emptied";

    // /quit ends the visit: the door says goodbye and returns to the BBS.
    bbsSendKeys(host, "/quit\r");
    EXPECT_EQ(bbsWaitExit(host), 0);
}

}  // namespace
