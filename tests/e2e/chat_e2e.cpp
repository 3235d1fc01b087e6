// The real door chatting in the Lounge against a fake service: from the main
// menu into the Lounge, a chat line, a whisper and an emote exactly as the
// service receives them, and the /who and /code answers in the chat pane.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_common.h"

namespace {

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("categories":["Animals"],"features":{"tester_feedback":false}}})";
const std::string ROSTER =
    R"({"event":"lobby:roster","data":{"players":[{"name":"Ace Writer"},{"name":"Bob"},{"name":"Cleo"}]}})";

TEST(ChatE2e, LoungeChatWhisperEmoteAndTheSystemLinesOfWhoAndCode) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    prepareTelnet(&door, 3, svc->port, "bbsid=board-7\n", "Ace");
    bbsStart(host, {"DOOR32.SYS"}, false);

    ASSERT_TRUE(fakeServiceWaitLine(svc, ACE_CONNECT));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_NO_FATAL_FAILURE(guideToMainMenu(host, "Welcome, Ace Writer!"));
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("presence:zone", "\"welcome\"")));

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
