// The real door playing one whole round at a table against a fake service:
// the caller's turn to choose, the category and tale sent, the words checked
// and sent, the reveal with three players' words in their own colours, a
// laugh and "done reading", the standings and back to the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_common.h"

namespace {

constexpr int GOLD = 31, CYAN = 36, GREEN = 32;  // the three players' inks

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace"},"categories":["Animals","Space"]}})";
// The caller sits at Bea's table with Cal.
const std::string ROOM_WAITING =
    R"({"event":"room:state","data":{"code":"MOON123","name":"Story Night","state":"waiting",)"
    R"("players":[{"id":"p-bea","name":"Bea","ink":"cyan","isHost":true},)"
    R"({"id":"p-ace","name":"Ace","ink":"gold","source":"bbs"},{"id":"p-cal","name":"Cal","ink":"green"}]}})";

// Every character of a word in one colour, bright.
void expectWord(const BbsHost& host, int row, int col, const std::string& word, int fg) {
    for (int i = 0; i < (int)word.size(); i++) {
        EXPECT_EQ(screenFgAt(&host.screen, row, col + i), fg) << word << " at " << col + i;
        EXPECT_TRUE(screenBrightAt(&host.screen, row, col + i)) << word << " at " << col + i;
    }
    EXPECT_EQ(screenTextAt(&host.screen, row, col, (int)word.size()), word);
}

// Type a line and wait for the request it sends.
void typeLine(BbsHost* host, FakeService* svc, const std::string& line, const std::string& request) {
    bbsSendKeys(host, line + "\r");
    ASSERT_TRUE(fakeServiceWaitLine(svc, request)) << line << " should send " << request;
}

// Log in and go from the welcome screen through the guide to the main menu.
void logIn(Door* door, FakeService* svc) {
    BbsHost* host = &door->host;
    startTelnet(door, 3, svc->port, "bbsid=board-7\n", "Ace");
    ASSERT_TRUE(fakeServiceWaitLine(svc, ACE_CONNECT));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_TRUE(bbsWaitRow(host, 16, "Welcome, Ace!"));
    bbsSendKeys(host, "x");
    ASSERT_TRUE(bbsWaitRow(host, 23, "[ENTER] NEXT     [S] MAIN MENU"));
    bbsSendKeys(host, "s");
    ASSERT_TRUE(bbsWaitRow(host, 19, "Back to the BBS"));
}

// The reveal: each player's words in that player's colour, the same word
// by two players found at its two places, the first word current.
const std::string STORY = "A purple moon met a sticky cat and a purple yak.";
const std::string REVEAL = eventLine("game:story-reveal",
                                     R"({"title":"Moon Picnic","voteSeconds":60,"story":")" + STORY +
                                         R"(","words":[{"n":1,"value":"purple","authorId":"p-bea"},)"
                                         R"({"n":2,"value":"sticky","authorId":"p-ace"},)"
                                         R"({"n":3,"value":"cat","authorId":"p-cal"},)"
                                         R"({"n":4,"value":"purple","authorId":"p-cal"},)"
                                         R"({"n":5,"value":"yak","authorId":"p-ace"}]})");

void revealAndCheck(BbsHost* host, FakeService* svc) {
    ASSERT_TRUE(fakeServiceSend(svc, REVEAL));
    ASSERT_TRUE(bbsWaitRow(host, 6, STORY)) << bbsRow(host, 6);
    expectCentred(*host, 4, "Moon Picnic", 33, true);
    expectText(*host, 6, 7, "A ", 37, true);
    expectWord(*host, 6, 9, "purple", CYAN);
    expectWord(*host, 6, 27, "sticky", GOLD);
    expectWord(*host, 6, 34, "cat", GREEN);
    expectWord(*host, 6, 44, "purple", GREEN);
    expectWord(*host, 6, 51, "yak", GOLD);
    EXPECT_TRUE(screenUnderlineAt(&host->screen, 6, 9)) << "the first word is the current one";
    EXPECT_FALSE(screenUnderlineAt(&host->screen, 6, 44));
    expectText(*host, 18, 7, "purple", CYAN, true);
    expectText(*host, 18, 18, "Bea", CYAN, true);
    EXPECT_NE(bbsRow(host, 18).find("Time Left  "), std::string::npos) << bbsRow(host, 18);
}

// Standings: Bea first with the most laughs; the caller's row is bright.
void resultsAndCheck(BbsHost* host, FakeService* svc) {
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:round-results",
                                               R"({"standings":[{"id":"p-bea","name":"Bea","laughs":5},)"
                                               R"({"id":"p-ace","name":"Ace","laughs":3},)"
                                               R"({"id":"p-cal","name":"Cal","laughs":1}]})")));
    ASSERT_TRUE(bbsWaitRow(host, 6, "Big Laughs!")) << bbsRow(host, 6);
    expectCentred(*host, 4, "Moon Picnic", 33, true);
    expectCentred(*host, 6, "Big Laughs!", 35, true);
    expectCentred(*host, 7, "Bea got the biggest laughs!", 37, true);
    expectText(*host, 12, 9, "Bea", CYAN, false);
    expectText(*host, 13, 9, "Ace", GOLD, true);
    expectText(*host, 14, 9, "Cal", GREEN, false);
    expectText(*host, 12, 69, "  5", 37, false);
    expectText(*host, 13, 69, "  3", 37, true);
    EXPECT_EQ(screenCharAt(&host->screen, 12, 6), 0xAF);
    EXPECT_EQ(screenCharAt(&host->screen, 12, 31), 0xDB);

}

TEST(RoundE2e, CallerChoosesTheTaleFillsTheWordsLaughsAndSeesTheScores) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    logIn(&door, svc);
    if (HasFatalFailure()) return;

    // Seated at the table, then it is the caller's turn to choose.
    ASSERT_TRUE(fakeServiceSend(svc, ROOM_WAITING));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Story Night"));
    expectText(*host, 9, 24, "Ace", GOLD, true);
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:category-pick", R"({"pickerId":"p-ace","pickSeconds":60,)"
                                                                     R"("categories":["Animals","Space"]})")));
    const std::string turn = "Your turn to choose the next tale. Take your time and talk it over.";
    ASSERT_TRUE(bbsWaitRow(host, 17, turn)) << bbsRow(host, 17);
    expectCentred(*host, 17, turn, 33, true);
    EXPECT_NE(bbsRow(host, 16).find("To Choose, Then It Passes On"), std::string::npos) << bbsRow(host, 16);
    EXPECT_NE(bbsRow(host, 23).find("[S]elect Next Tale"), std::string::npos) << bbsRow(host, 23);

    // S opens the category picker and tells the table; B is the second category.
    typeLine(host, svc, "s", emit("picker:choosing", "{}"));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Y O U R   T U R N   T O   C H O O S E"));
    expectText(*host, 7, 10, "[A] Animals", 37, true);
    expectText(*host, 8, 10, "[B] Space", 37, true);
    typeLine(host, svc, "b", R"({"cmd":"stories","category":"Space","offset":0})");
    ASSERT_TRUE(bbsWaitRow(host, 4, "P I C K   A   T A L E"));
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("stories", R"({"offset":0,"total":2,"items":[)"
                                                          R"({"id":77,"title":"Moon Picnic","blanks":5},)"
                                                          R"({"id":78,"title":"Rocket Chef","blanks":4}]})")));
    ASSERT_TRUE(bbsWaitRow(host, 7, "[1] Moon Picnic"));
    expectText(*host, 7, 12, "[1] Moon Picnic", 37, true);
    typeLine(host, svc, "1", emit("category:pick-story", R"({"storyId":77})"));
    ASSERT_TRUE(bbsWaitRow(host, 23, "Here we go...")) << bbsRow(host, 23);

    // Two words for the caller out of five in the tale.
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:prompts",
                                               R"({"template":{"title":"Moon Picnic","category":"Space"},)"
                                               R"("seconds":120,"totalBlanks":5,"blanks":[{"n":2,"type":"adjective"},)"
                                               R"({"n":5,"type":"animal","hint":"something with fur"}]})")));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 1 of 2   (the tale has 5 in all)")) << bbsRow(host, 4);
    expectCentred(*host, 5, "Space - Moon Picnic", 36, false);
    expectCentred(*host, 8, "Adjective", 33, true);
    typeLine(host, svc, "sticky", emitAck("word:check", 11, R"({"text":"sticky"})"));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":11,"data":{"ok":true,"blocked":false}})"));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 2 of 2")) << bbsRow(host, 4);
    expectCentred(*host, 8, "Animal", 33, true);
    // A refused word keeps the prompt; the next one is taken and all words go.
    typeLine(host, svc, "skunk", emitAck("word:check", 11, R"({"text":"skunk"})"));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":11,"data":{"ok":true,"blocked":true}})"));
    ASSERT_TRUE(bbsWaitRow(host, 23, "That word can't be used here - try another one.")) << bbsRow(host, 23);
    EXPECT_NE(bbsRow(host, 4).find("Your word 2 of 2"), std::string::npos);
    typeLine(host, svc, "yak", emitAck("word:check", 11, R"({"text":"yak"})"));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":11,"data":{"ok":true}})"));
    ASSERT_TRUE(fakeServiceWaitLine(svc, emitAck("submit:answers", 12, R"({"answers":{"2":"sticky","5":"yak"}})")));
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":12,"data":{"ok":true}})"));
    EXPECT_TRUE(bbsWaitRow(host, 9, "L O C K E D   I N !")) << "the answers reply locks the words in";

    revealAndCheck(host, svc);
    if (HasFatalFailure()) return;

    // SPACE laughs at Bea's word; the caller's own word cannot be laughed at.
    bbsSendKeys(host, " ");
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("vote:cast", R"({"blankN":1})")));
    ASSERT_TRUE(bbsWaitRow(host, 18, "you laughed")) << bbsRow(host, 18);
    bbsSendKeys(host, "\x1b[B");
    ASSERT_TRUE(bbsWaitRow(host, 18, "(yours)")) << bbsRow(host, 18);
    EXPECT_TRUE(screenUnderlineAt(&host->screen, 6, 27));
    bbsSendKeys(host, " ");
    ASSERT_TRUE(bbsWaitRow(host, 23, "That one's yours - you can't laugh at your own word.")) << bbsRow(host, 23);

    // ENTER: done reading. Laughs and readers arrive while the others read.
    bbsSendKeys(host, "\r");
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("vote:done", "{}")));
    ASSERT_TRUE(bbsWaitRow(host, 23, "Waiting for everyone to finish reading...")) << bbsRow(host, 23);
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:voter-done", R"({"pendingNames":["Cal"]})")));
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:word-tally", R"({"blankN":2,"laughs":3})")));

    resultsAndCheck(host, svc);
    if (HasFatalFailure()) return;

    // The rating prompt, the last warning, then ENTER: play again.
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("story:rate-prompt", R"({"storyId":77,"title":"Moon Picnic"})")));
    ASSERT_TRUE(bbsWaitRow(host, 23, "[1] Loved It")) << bbsRow(host, 23);
    typeLine(host, svc, "1", emit("story:rate", R"({"storyId":77,"rating":1})"));
    ASSERT_TRUE(bbsWaitRow(host, 23, "Thank you for your vote!")) << bbsRow(host, 23);
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:final-warning", R"({"seconds":20})")));
    bool warned = false;
    for (int row = 19; row <= 22 && !warned; row++)
        warned = bbsWaitRow(host, row, "Answer within 20 seconds", 2000);
    EXPECT_TRUE(warned) << "the last warning shows in the chat pane";
    bbsSendKeys(host, "\r");
    ASSERT_TRUE(fakeServiceWaitLine(svc, emit("room:back-to-room", "{}")));
    ASSERT_TRUE(bbsWaitRow(host, 23, "You're in. Waiting for everyone else...")) << bbsRow(host, 23);

    // The table waits for the next round: back at the table.
    ASSERT_TRUE(fakeServiceSend(svc, ROOM_WAITING));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Story Night"));

    fakeServiceDrop(svc);
    ASSERT_TRUE(bbsWaitRow(host, 10, "Thanks for playing!"));
    EXPECT_EQ(bbsWaitExit(host), 0);
}

// Somebody else's round, driven by the service's events alone: the table
// names the chooser, the screens follow the round in the players' colours,
// and a stopped round brings the caller back to the table with the reason.
TEST(RoundE2e, ScreensFollowAnotherPlayersRoundUntilItIsStopped) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    logIn(&door, svc);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(fakeServiceSend(svc, ROOM_WAITING));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Story Night"));
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:category-pick", R"({"pickerId":"p-bea","pickerName":"Bea"})")));
    ASSERT_TRUE(bbsWaitRow(host, 17, "Waiting for Bea to choose the next tale...")) << bbsRow(host, 17);
    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:category-spin", "{}")));
    ASSERT_TRUE(bbsWaitRow(host, 23, "Choosing a category...")) << bbsRow(host, 23);

    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:prompts", R"({"blanks":[{"n":1,"type":"player_name"}]})")));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 1 of 1")) << bbsRow(host, 4);
    expectCentred(*host, 8, "Name", 33, true);
    EXPECT_NE(bbsRow(host, 18).find("Time Left  1:"), std::string::npos) << "90 seconds: " << bbsRow(host, 18);

    revealAndCheck(host, svc);
    if (HasFatalFailure()) return;
    resultsAndCheck(host, svc);
    if (HasFatalFailure()) return;

    ASSERT_TRUE(fakeServiceSend(svc, eventLine("game:aborted", R"({"reason":"Not enough players left."})")));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Story Night"));
    ASSERT_TRUE(bbsWaitRow(host, 23, "Not enough players left.")) << bbsRow(host, 23);
    fakeServiceDrop(svc);
    EXPECT_EQ(bbsWaitExit(host), 0);
}

}  // namespace
