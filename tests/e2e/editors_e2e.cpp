// The real door walking a caller through the story submission against a fake
// service: a story written, read back, given a category and a rating, an
// e-mail address refused and then taken, the terms agreed to, and the exact
// "submission:submit" line the service receives.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e_common.h"

namespace {

std::string emit(const std::string& name, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"data\":" + data + "}";
}

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("categories":["Animals",{"name":"Space","kind":"holiday"}],"features":{"tester_feedback":false}}})";

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

std::string emitAck(const std::string& name, int ack, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"ackId\":" + std::to_string(ack) +
           ",\"data\":" + data + "}";
}

std::vector<std::string> linesAfter(FakeService* svc, size_t skip) {
    std::vector<std::string> all = fakeServiceLines(svc);
    return all.size() > skip ? std::vector<std::string>(all.begin() + (long)skip, all.end())
                             : std::vector<std::string>{};
}

// Logged in, past the welcome screen and the guide, on the main menu.
void toMainMenu(Door* door, FakeService* svc) {
    BbsHost* host = &door->host;
    startTelnet(door, 3, svc->port, "bbsid=board-7\n", "Ace");
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_TRUE(waitOnScreen(host, "Welcome, Ace Writer!"));
    bbsSendKeys(host, "x");
    ASSERT_TRUE(bbsWaitRow(host, 23, "[S] MAIN MENU"));
    bbsSendKeys(host, "s");
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("presence:zone", "\"welcome\"")));
    ASSERT_TRUE(waitOnScreen(host, "Back to the BBS"));
}

// One step: keys typed, then the text the next screen shows.
struct Step {
    const char* keys;
    const char* shows;
};

TEST(EditorsE2e, StoryWrittenReviewedCategorisedRatedAndAgreedToIsSubmittedAsTyped) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    toMainMenu(&door, svc);
    size_t before = fakeServiceLines(svc).size();

    const Step steps[] = {
        {"S\r", "S U B M I T   A   S T O R Y"},
        {"\r", "W H A T   I S   I T   C A L L E D ?"},
        {"A \"Cat\" Tale\r", "A \"Cat\" Tale"},
        {"The {adjective} cat ate {food: something odd}.\r", "ate {food: something odd}."},
        {"Then it {verb:past tense} {}!\r", "Then it {verb:past tense} {}!"},
        {"\r", "3 gaps found:"},
        {"S\r", "W H E R E   D O E S   I T   B E L O N G ?"},
        {"z\r", "Pick one of the letters listed."},
        {"b\r", "H O W   S H O U L D   W E   R A T E   I T ?"},
        {"4\r", "H O W   D O   W E   R E A C H   Y O U ?"},
        {"not an address\r", "That doesn't look like an email address - or leave it blank."},
        {"ace@board.example\r", "S T O R Y   S U B M I S S I O N   T E R M S"},
        {"I agree\r", "Sending your story..."},
    };
    for (const Step& step : steps) {
        bbsSendKeys(host, step.keys);
        ASSERT_TRUE(waitOnScreen(host, step.shows)) << "after typing " << step.keys;
    }
    const std::string expected =
        emitAck("submission:submit", 7,
             R"({"title":"A \"Cat\" Tale","storyText":"The {1} cat ate {2}.\nThen it {3} {}!",)"
             R"("blanks":[{"n":1,"type":"adjective","hint":""},{"n":2,"type":"food","hint":"something odd"},)"
             R"({"n":3,"type":"verb","hint":"past tense"}],)"
             R"("category":"Space","requestedCategory":"","rating":"R","email":"ace@board.example",)"
             R"("agreedToTerms":true,"termsMethod":"typed-i-agree"})");
    ASSERT_TRUE(fakeServiceWaitLine(svc, expected));
    // The categories were held from the log-in, so the whole walk sent only the story.
    EXPECT_EQ(linesAfter(svc, before), std::vector<std::string>{expected});
}

}  // namespace
