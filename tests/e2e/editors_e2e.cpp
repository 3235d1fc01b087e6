// The real door filling its editors against a fake service: a story written,
// read back, given a category and a rating, an e-mail address refused and
// then taken, the terms agreed to; a reply to a letter; a report of a player
// from the Lounge and of the tale from the reveal. Each ends in the exact request line the service receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_common.h"

namespace {

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("categories":["Animals",{"name":"Space","kind":"holiday"}],"features":{"tester_feedback":false}}})";

// Logged in, past the welcome screen and the guide, on the main menu.
void toMainMenu(Door* door, FakeService* svc) {
    BbsHost* host = &door->host;
    startTelnet(door, 3, svc->port, "bbsid=board-7\n", "Ace");
    ASSERT_TRUE(fakeServiceWaitFirstLine(svc));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_NO_FATAL_FAILURE(guideToMainMenu(host, "Welcome, Ace Writer!"));
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("presence:zone", "\"welcome\"")));
}

// One step: keys typed, then the text the next screen shows.
struct Step {
    const char* keys;
    const char* shows;
};

void typeSteps(BbsHost* host, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        bbsSendKeys(host, step.keys);
        ASSERT_TRUE(waitOnScreen(host, step.shows)) << "after typing " << step.keys;
    }
}

TEST(EditorsE2e, StoryWrittenReviewedCategorisedRatedAndAgreedToIsSubmittedAsTyped) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    ASSERT_NO_FATAL_FAILURE(toMainMenu(&door, svc));
    size_t before = fakeServiceLines(svc).size();

    const std::vector<Step> steps = {
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
    ASSERT_NO_FATAL_FAILURE(typeSteps(host, steps));
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

    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":7,"data":{"ok":true}})"));
    ASSERT_TRUE(waitOnScreen(host, "S E N T   -   T H A N K   Y O U !"));
}

TEST(EditorsE2e, ReplyToALetterWrittenReadBackAndSent) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    ASSERT_NO_FATAL_FAILURE(toMainMenu(&door, svc));
    size_t before = fakeServiceLines(svc).size();

    bbsSendKeys(host, "M\r");
    ASSERT_TRUE(waitLinesAfter(svc, before, 1));
    EXPECT_EQ(linesAfter(svc, before), std::vector<std::string>{emitAck("mail:list", 6, "{}")});
    ASSERT_TRUE(fakeServiceSend(
        svc, R"({"ackId":6,"data":{"ok":true,"mail":[{"id":11,"sender_label":"Staff","subject":"Your story",)"
             R"("body":"We liked it.","reply_to":"staff@example.org"}]}})"));
    bbsSendKeys(host, "1\r");
    ASSERT_TRUE(waitLinesAfter(svc, before, 2));
    EXPECT_EQ(linesAfter(svc, before).back(), emit("mail:mark-read", R"({"id":11})"));

    const std::vector<Step> steps = {
        {"R", "Replying to \"Your story\" from Staff."},
        {"Thank you!\r", "Thank you!"},
        {"See you \"soon\"\r", "See you \"soon\""},
        {"\r", "Nothing has been sent yet."},
        {"send\r", "Type S, C or D and press ENTER."},
        {"c\r", "C H A N G E   Y O U R   R E P L Y"},
        {"2\r", "Line 2 is marked above. Type the new version below."},
        {"Bye\r", "Changed."},
        {"0\r", "Type a line at a time. Press ENTER on an empty line when you are done."},
        {"\r", "Nothing has been sent yet."},
        {"s\r", "Sending..."},
    };
    ASSERT_NO_FATAL_FAILURE(typeSteps(host, steps));
    const std::string reply = emitAck("mail:reply", 13, R"({"id":11,"text":"Thank you!\nBye"})");
    ASSERT_TRUE(fakeServiceWaitLine(svc, reply));
    EXPECT_EQ(linesAfter(svc, before).back(), reply);
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":13,"data":{"ok":true}})"));
    ASSERT_TRUE(waitOnScreen(host, "has been removed from this message."));
}

// The report dialogue with its four stages; the caller stands first in the
// list, and number 1 still names the first other player.
TEST(EditorsE2e, PlayerReportedFromTheLounge) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    ASSERT_NO_FATAL_FAILURE(toMainMenu(&door, svc));
    bbsSendKeys(host, "1\r");
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("lobby:refresh", "{}")));
    ASSERT_TRUE(fakeServiceSend(
        svc, R"({"event":"lobby:roster","data":{"players":[{"name":"Ace Writer","id":"s-ace"},)"
             R"({"name":"Bob","id":"s-bob"},{"name":"Cleo","id":"s-cleo"}]}})"));
    size_t before = fakeServiceLines(svc).size();

    const std::vector<Step> steps = {
        {"/report\r", "M A K E   A   R E P O R T"},
        {"3\r", "Type 1 for the tale, or 2 for a person."},
        {"2\r", "[2] Cleo"},
        {"2\r", "What is wrong? Type the number."},
        {"9\r", "Type a number from the list."},
        {"4\r", "Reason: Cheating"},
        {"Peeked at my words\r", "Peeked at my words"},
        {"\r", "Sending..."},
    };
    ASSERT_NO_FATAL_FAILURE(typeSteps(host, steps));
    const std::string report = emitAck(
        "report:player", 9, R"({"targetSocketId":"s-cleo","reason":"cheating","note":"Peeked at my words"})");
    ASSERT_TRUE(fakeServiceWaitLine(svc, report));
    EXPECT_EQ(linesAfter(svc, before), (std::vector<std::string>{emit("report:begin", "{}"), report}));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":9,"data":{"ok":true}})"));
    ASSERT_TRUE(waitOnScreen(host, "Thank you - a real person will look at that."));
}

// A report asked for on the reveal waits for the round to end; the first key
// on the scores leaves the table and opens it, and the tale is reported.
TEST(EditorsE2e, TaleReportedFromTheRevealOnceTheRoundIsOver) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    ASSERT_NO_FATAL_FAILURE(toMainMenu(&door, svc));
    ASSERT_TRUE(fakeServiceSend(
        svc, R"({"event":"room:state","data":{"code":"MOON123","name":"Story Night","state":"waiting",)"
             R"("players":[{"id":"p-bea","name":"Bea","isHost":true},{"id":"p-ace","name":"Ace Writer"}]}})"));
    ASSERT_TRUE(waitOnScreen(host, "Story Night"));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"event":"game:prompts","data":{"blanks":[{"n":1,"type":"noun"}]}})"));
    ASSERT_TRUE(waitOnScreen(host, "Your word 1 of 1"));
    ASSERT_TRUE(fakeServiceSend(
        svc, R"({"event":"game:story-reveal","data":{"title":"Moon Picnic","voteSeconds":60,)"
             R"("story":"A moon met a yak.","words":[{"n":1,"value":"yak","authorId":"p-bea"}]}})"));
    ASSERT_TRUE(waitOnScreen(host, "A moon met a yak."));
    size_t before = fakeServiceLines(svc).size();

    bbsSendKeys(host, "/report\r");
    ASSERT_TRUE(waitOnScreen(host, "Noted. Your report will open when this game is done."));
    ASSERT_TRUE(fakeServiceSend(
        svc, R"({"event":"game:round-results","data":{"standings":[{"id":"p-bea","name":"Bea","laughs":1}]}})"));
    ASSERT_TRUE(waitOnScreen(host, "Bea got the biggest laughs!"));

    const std::vector<Step> steps = {
        {"x", "M A K E   A   R E P O R T"},
        {"1\r", "R E P O R T   T H I S   T A L E"},
        {"3\r", "Reason: Poor quality"},
        {"Too short\r", "Too short"},
        {"\r", "Sending..."},
    };
    ASSERT_NO_FATAL_FAILURE(typeSteps(host, steps));
    EXPECT_TRUE(waitOnScreen(host, "Moon Picnic")) << "the tale is named";
    const std::string report =
        emitAck("report:story", 9, R"({"templateId":0,"reason":"low-quality","note":"Too short"})");
    ASSERT_TRUE(fakeServiceWaitLine(svc, report));
    EXPECT_EQ(linesAfter(svc, before),
              (std::vector<std::string>{emit("report:begin", "{}"), emit("room:leave", "{}"), report}));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":9,"data":{"ok":true}})"));
    ASSERT_TRUE(waitOnScreen(host, "Thank you - a real person will look at that."));
}

}  // namespace
