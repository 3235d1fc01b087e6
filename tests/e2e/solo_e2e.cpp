// The real door playing one whole solo tale against a fake service: the
// menu's solo choice, the category, the tale list fetched page by page and
// paged through, the tale chosen, the words checked and sent together, the
// finished tale scrolled with the keys, and back to the main menu.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e_common.h"

namespace {

const std::string CONNECT =
    R"({"cmd":"connect","bbsInstanceId":"board-7","localUserid":"42","alias":"Ace"})";
const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace"},"categories":["Animals","Space"]}})";
const std::string MAIL_LIST = R"({"cmd":"emit","name":"mail:list","ackId":6,"data":{}})";
const std::string PRESENCE_WELCOME = R"({"cmd":"emit","name":"presence:zone","data":"welcome"})";
const std::string PRESENCE_SOLO = R"({"cmd":"emit","name":"presence:zone","data":"solo"})";
const std::string STORIES_FIRST = R"({"cmd":"stories","category":"Space","offset":0})";
const std::string STORIES_REST = R"({"cmd":"stories","category":"Space","offset":9})";
const std::string SOLO_START = R"({"cmd":"emit","name":"solo:start","ackId":1,"data":{"templateId":110}})";
const std::string CHECK_STICKY = R"({"cmd":"emit","name":"word:check","ackId":11,"data":{"text":"sticky"}})";
const std::string CHECK_MOON = R"({"cmd":"emit","name":"word:check","ackId":11,"data":{"text":"moon"}})";
const std::string CHECK_HI =
    R"({"cmd":"emit","name":"word:check","ackId":11,"data":{"text":"said \"hi\""}})";
// The blank numbers come from the reply, not from the prompts' order.
const std::string SOLO_SUBMIT = R"({"cmd":"emit","name":"solo:submit","ackId":2,)"
                                R"("data":{"answers":{"2":"sticky","4":"moon","7":"said \"hi\""}}})";

// The first page holds nine tales of eleven; the door asks for the rest itself.
const std::string PAGE_ONE =
    R"({"event":"stories","data":{"offset":0,"total":11,"items":[)"
    R"({"id":101,"title":"Moon Picnic","blanks":5},{"id":102,"title":"Star Mail","blanks":1},)"
    R"({"id":103,"title":"Orbit Nap","blanks":2},{"id":104,"title":"Comet Chase","blanks":4},)"
    R"({"id":105,"title":"Mars Bakery","blanks":3},{"id":106,"title":"Space Zoo","blanks":6},)"
    R"({"id":107,"title":"Lost Satellite","blanks":2},{"id":108,"title":"Alien Prom","blanks":5},)"
    R"({"id":109,"title":"Gravity Gym","blanks":3}]}})";
const std::string PAGE_TWO =
    R"({"event":"stories","data":{"offset":9,"total":11,"items":[)"
    R"({"id":110,"title":"Rocket Chef","blanks":3},{"id":111,"title":"Comet Tea","blanks":1}]}})";

const std::string SOLO_READY =
    R"({"ackId":1,"data":{"ok":true,"blanks":[{"n":2,"type":"adjective"},)"
    R"({"n":4,"type":"noun","hint":"something in the sky"},{"n":7,"type":"short_phrase"}]}})";

// The finished tale: ten paragraphs, the first wider than the box, so it
// wraps into 20 display lines (a blank line between paragraphs).
const std::string TALE_TEXT =
    "Chef Ace fired up the sticky rocket and set a course for the moon, humming.\\n"
    "The moon was made of cheese.\\nA crater full of soup waited.\\n"
    "Ace said \\\"hi\\\" to a passing comet.\\nThe comet said nothing at all.\\n"
    "Ace served sticky moon pie.\\nNobody on the moon was hungry.\\n"
    "So Ace ate the whole pie alone.\\nThe rocket groaned on the way home.\\n"
    "And that was the end of the menu.";
const std::string SOLO_DONE =
    R"({"ackId":2,"data":{"ok":true,"title":"Rocket Chef Returns","text":")" + TALE_TEXT + R"("}})";

// A story row of the solo box: the text at column 8, blanks to the box edge.
void expectStoryRow(const BbsHost& host, int row, const std::string& text) {
    EXPECT_EQ(screenTextAt(&host.screen, row, 8, 62), text + std::string(62 - text.size(), ' ')) << "row " << row;
    if (!text.empty()) {
        EXPECT_EQ(screenFgAt(&host.screen, row, 8), 37) << "row " << row;
        EXPECT_TRUE(screenBrightAt(&host.screen, row, 8)) << "row " << row;
    }
}

void typeLine(BbsHost* host, FakeService* svc, const std::string& line, const std::string& request) {
    bbsSendKeys(host, line + "\r");
    ASSERT_TRUE(fakeServiceWaitLine(svc, request)) << line << " should send " << request;
}

// Count of received lines equal to line.
int countLines(FakeService* svc, const std::string& line) {
    int n = 0;
    for (const std::string& l : fakeServiceLines(svc)) n += l == line;
    return n;
}

// Wait until line has been received n times; false after about 20 s.
bool waitCount(FakeService* svc, const std::string& line, int n) {
    for (int waited = 0; waited < 20000; waited += 20) {
        if (countLines(svc, line) >= n) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void logIn(Door* door, FakeService* svc) {
    BbsHost* host = &door->host;
    startTelnet(door, 3, svc->port, "bbsid=board-7\n", "Ace");
    ASSERT_TRUE(fakeServiceWaitLine(svc, CONNECT));
    ASSERT_TRUE(fakeServiceSend(svc, AUTHED));
    ASSERT_TRUE(bbsWaitRow(host, 16, "Welcome, Ace!"));
    bbsSendKeys(host, "x");
    ASSERT_TRUE(bbsWaitRow(host, 23, "[ENTER] NEXT     [S] MAIN MENU"));
    bbsSendKeys(host, "s");
    ASSERT_TRUE(bbsWaitRow(host, 19, "Back to the BBS"));
    ASSERT_TRUE(fakeServiceWaitLine(svc, PRESENCE_WELCOME));
}

// Menu choice 3, category B, and the tale list in two pages: the second page
// is asked for without a key, N waits for it, then shows tales 10 and 11.
void pickRocketChef(BbsHost* host, FakeService* svc) {
    typeLine(host, svc, "3", PRESENCE_SOLO);
    ASSERT_TRUE(bbsWaitRow(host, 4, "C H O O S E   A   C A T E G O R Y"));
    expectText(*host, 7, 10, "[A] Animals", 37, true);
    expectText(*host, 8, 10, "[B] Space", 37, true);
    EXPECT_NE(bbsRow(host, 23).find("Pick A Category   [M] Main Menu"), std::string::npos) << bbsRow(host, 23);
    typeLine(host, svc, "b", STORIES_FIRST);
    ASSERT_TRUE(bbsWaitRow(host, 4, "P I C K   A   T A L E"));
    ASSERT_TRUE(bbsWaitRow(host, 9, "One moment - getting the tales..."));

    ASSERT_TRUE(fakeServiceSend(svc, PAGE_ONE));
    ASSERT_TRUE(fakeServiceWaitLine(svc, STORIES_REST)) << "the rest of the list is asked for at once";
    ASSERT_TRUE(bbsWaitRow(host, 7, "[1] Moon Picnic")) << bbsRow(host, 7);
    expectText(*host, 7, 12, "[1] Moon Picnic", 37, true);
    expectText(*host, 7, 70, " 5 blanks", 36, false);
    expectText(*host, 8, 70, " 1 blank ", 36, false);
    expectText(*host, 15, 12, "[9] Gravity Gym", 37, true);
    expectText(*host, 17, 12, "Showing 1-9 of 11", 36, false);
    expectCentred(*host, 5, "Space", 36, false);
    EXPECT_NE(bbsRow(host, 23).find("Type A Number   [N] Next   [P] Previous   [B] Back To Categories"),
              std::string::npos) << bbsRow(host, 23);
    bbsSendKeys(host, "n\r");
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "One moment - still fetching the rest.")) << bbsRow(host, NOTICE_ROW);

    // With eleven tales the numbers take two digits.
    ASSERT_TRUE(fakeServiceSend(svc, PAGE_TWO));
    ASSERT_TRUE(bbsWaitRow(host, 7, "[ 1] Moon Picnic")) << bbsRow(host, 7);
    bbsSendKeys(host, "n\r");
    ASSERT_TRUE(bbsWaitRow(host, 7, "[10] Rocket Chef")) << bbsRow(host, 7);
    expectText(*host, 7, 12, "[10] Rocket Chef", 37, true);
    expectText(*host, 8, 12, "[11] Comet Tea", 37, true);
    expectText(*host, 7, 70, " 3 blanks", 36, false);
    EXPECT_EQ(bbsRow(host, 9), "") << "only two tales on the last page";
    expectText(*host, 17, 12, "Showing 10-11 of 11", 36, false);
    bbsSendKeys(host, "n\r");
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "That's the last of them - [P] goes back.")) << bbsRow(host, NOTICE_ROW);
    EXPECT_EQ(countLines(svc, STORIES_REST), 1) << "a full list is not asked for again";

    typeLine(host, svc, "10", SOLO_START);
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "Fetching your story...")) << bbsRow(host, NOTICE_ROW);
}

// Three words, each checked on its own; the last sends all three at once.
void fillTheWords(BbsHost* host, FakeService* svc) {
    ASSERT_TRUE(fakeServiceSend(svc, SOLO_READY));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 1 of 3")) << bbsRow(host, 4);
    expectCentred(*host, 4, "Your word 1 of 3", 36, false);
    expectCentred(*host, 5, "Rocket Chef", 36, false);
    expectCentred(*host, 8, "Adjective", 33, true);
    expectCentred(*host, 9, "a describing word (like silly, huge, sparkly)", 36, false);
    EXPECT_NE(bbsRow(host, 23).find("Type Your Word And Press ENTER   [ESC] Main Menu"), std::string::npos)
        << bbsRow(host, 23);
    typeLine(host, svc, "sticky", CHECK_STICKY);
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":11,"data":{"ok":true,"blocked":false}})"));

    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 2 of 3")) << bbsRow(host, 4);
    expectCentred(*host, 8, "Noun", 33, true);
    expectCentred(*host, 9, "a person, place, or thing", 36, false);
    expectCentred(*host, 10, "something in the sky", 37, false);
    typeLine(host, svc, "moon", CHECK_MOON);
    // A check the service cannot make lets the word through.
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":11,"data":{"ok":false}})"));

    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 3 of 3")) << bbsRow(host, 4);
    expectCentred(*host, 8, "Short Phrase", 33, true);
    typeLine(host, svc, "said \"hi\"", CHECK_HI);
    EXPECT_EQ(countLines(svc, SOLO_SUBMIT), 0) << "nothing goes before the last check is answered";
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":11,"data":{"ok":true}})"));
    ASSERT_TRUE(fakeServiceWaitLine(svc, SOLO_SUBMIT));
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "Weaving your tale...")) << bbsRow(host, NOTICE_ROW);
}

// The finished tale: 14 of its 20 display lines at a time; DOWN, SPACE
// (held at the last page) and UP move them; the end banner only at the end.
void readTheTale(BbsHost* host, FakeService* svc) {
    ASSERT_TRUE(fakeServiceSend(svc, SOLO_DONE));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Rocket Chef Returns")) << bbsRow(host, 4);
    expectCentred(*host, 4, "Rocket Chef Returns", 33, true);
    expectStoryRow(*host, 6, "Chef Ace fired up the sticky rocket and set a course for the");
    expectStoryRow(*host, 7, "moon, humming.");
    expectStoryRow(*host, 8, "");
    expectStoryRow(*host, 9, "The moon was made of cheese.");
    expectStoryRow(*host, 13, "Ace said \"hi\" to a passing comet.");
    // The box reaches row 22: its last rows are the tale's, not a chat pane's.
    expectStoryRow(*host, 19, "Nobody on the moon was hungry.");
    EXPECT_EQ(bbsRow(host, 22).find("T H E   E N D"), std::string::npos) << "the end is not on screen yet";
    EXPECT_EQ(screenCharAt(&host->screen, 5, 5), 0xDA) << "box corner";
    EXPECT_EQ(screenFgAt(&host->screen, 5, 5), 36);
    EXPECT_EQ(screenCharAt(&host->screen, 22, 5), 0xC0) << "box corner";
    EXPECT_EQ(screenCharAt(&host->screen, 22, 75), 0xD9) << "box corner";
    EXPECT_NE(bbsRow(host, 23).find("[Up/Down] Read   [SPACE] Page   [P] Play Again   [M] Main Menu"),
              std::string::npos) << bbsRow(host, 23);

    bbsSendKeys(host, "\x1b[B");  // DOWN: one line on
    ASSERT_TRUE(bbsWaitRow(host, 6, "moon, humming.")) << bbsRow(host, 6);
    expectStoryRow(*host, 6, "moon, humming.");
    expectStoryRow(*host, 8, "The moon was made of cheese.");
    expectStoryRow(*host, 18, "Nobody on the moon was hungry.");

    bbsSendKeys(host, " ");  // SPACE: ten on, held at the last 14 lines
    ASSERT_TRUE(bbsWaitRow(host, 19, "And that was the end of the menu.")) << bbsRow(host, 19);
    expectStoryRow(*host, 6, "");
    expectStoryRow(*host, 7, "Ace said \"hi\" to a passing comet.");
    expectStoryRow(*host, 19, "And that was the end of the menu.");
    expectText(*host, 22, 31, "  T H E   E N D  ", 33, true);
    expectText(*host, 22, 19, "=-", 35, true);

    bbsSendKeys(host, "\x1b[A");  // UP: one back from the held bottom, not from 11
    ASSERT_TRUE(bbsWaitRow(host, 6, "A crater full of soup waited.")) << bbsRow(host, 6);
    expectStoryRow(*host, 6, "A crater full of soup waited.");
    expectStoryRow(*host, 19, "");
    EXPECT_EQ(bbsRow(host, 22).find("T H E   E N D"), std::string::npos) << bbsRow(host, 22);
    (void)svc;
}

TEST(SoloE2e, CallerPicksATaleFillsItsWordsReadsItAndGoesBackToTheMenu) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    logIn(&door, svc);
    if (HasFatalFailure()) return;
    pickRocketChef(host, svc);
    if (HasFatalFailure()) return;
    fillTheWords(host, svc);
    if (HasFatalFailure()) return;
    readTheTale(host, svc);
    if (HasFatalFailure()) return;

    bbsSendKeys(host, "m\r");
    ASSERT_TRUE(bbsWaitRow(host, 19, "Back to the BBS"));
    ASSERT_TRUE(waitCount(svc, PRESENCE_WELCOME, 2)) << "the menu reports the zone again";
    const std::vector<std::string> expected = {
        CONNECT,       MAIL_LIST,    PRESENCE_WELCOME,                               // logged in, at the menu
        PRESENCE_SOLO, STORIES_FIRST, PRESENCE_SOLO, STORIES_REST,                  // the pickers
        SOLO_START,    PRESENCE_SOLO, CHECK_STICKY,  CHECK_MOON, CHECK_HI, SOLO_SUBMIT,  // the words
        PRESENCE_SOLO, PRESENCE_WELCOME,                                             // the tale, the menu
    };
    EXPECT_EQ(fakeServiceLines(svc), expected);

    fakeServiceDrop(svc);
    ASSERT_TRUE(bbsWaitRow(host, 10, "Thanks for playing!"));
    EXPECT_EQ(bbsWaitExit(host), 0);
}

}  // namespace

namespace {

const std::string ANIMALS_FIRST = R"({"cmd":"stories","category":"Animals","offset":0})";
const std::string ZOO_START = R"({"cmd":"emit","name":"solo:start","ackId":1,"data":{"templateId":301}})";
const std::string CHECK_OTTER = R"({"cmd":"emit","name":"word:check","ackId":11,"data":{"text":"otter"}})";
const std::string CHECK_HAT = R"({"cmd":"emit","name":"word:check","ackId":11,"data":{"text":"hat"}})";
const std::string CHECK_SOCK = R"({"cmd":"emit","name":"word:check","ackId":11,"data":{"text":"sock"}})";
const std::string ANSWERS_HAT = R"({"cmd":"emit","name":"solo:submit","ackId":2,)"
                                R"("data":{"answers":{"1":"otter","2":"hat"}}})";
const std::string ANSWERS_SOCK = R"({"cmd":"emit","name":"solo:submit","ackId":2,)"
                                 R"("data":{"answers":{"1":"otter","2":"sock"}}})";
const std::string ACCEPT = R"({"ackId":11,"data":{"ok":true}})";

// The service refuses to open the tale once, then opens it with blanks that
// carry no numbers; it turns the second word down when the answers arrive,
// the caller gives another, and the tale keeps the title it was picked by.
// P plays again; ESC backs out of the category list to the menu.
TEST(SoloE2e, RefusedStartAndRefusedWordThenPlayAgainAndBackOut) {
    Service service;
    FakeService* svc = &service.svc;
    Door door;
    BbsHost* host = &door.host;
    logIn(&door, svc);
    if (HasFatalFailure()) return;

    typeLine(host, svc, "3", PRESENCE_SOLO);
    ASSERT_TRUE(bbsWaitRow(host, 4, "C H O O S E   A   C A T E G O R Y"));
    typeLine(host, svc, "a", ANIMALS_FIRST);
    ASSERT_TRUE(fakeServiceSend(svc, R"({"event":"stories","data":{"offset":0,"total":1,"items":[)"
                                     R"({"id":301,"title":"Zoo Day","blanks":2}]}})"));
    ASSERT_TRUE(bbsWaitRow(host, 7, "[1] Zoo Day")) << bbsRow(host, 7);
    EXPECT_EQ(bbsRow(host, 17), "") << "one tale of one: no range line";
    EXPECT_NE(bbsRow(host, 23).find("Pick A Tale   [B] Back To Categories"), std::string::npos) << bbsRow(host, 23);
    typeLine(host, svc, "1", ZOO_START);
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":1,"data":{"ok":false}})"));
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "Could not open that story.")) << bbsRow(host, NOTICE_ROW);
    EXPECT_NE(bbsRow(host, 4).find("P I C K   A   T A L E"), std::string::npos) << "still on the tale list";

    bbsSendKeys(host, "1\r");
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "Fetching your story...")) << bbsRow(host, NOTICE_ROW);
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":1,"data":{"ok":true,"blanks":[{"type":"animal"},{"type":"clothing_item"}]}})"));
    ASSERT_TRUE(bbsWaitRow(host, 4, "Your word 1 of 2")) << bbsRow(host, 4);
    expectCentred(*host, 5, "Zoo Day", 36, false);
    typeLine(host, svc, "otter", CHECK_OTTER);
    ASSERT_TRUE(fakeServiceSend(svc, ACCEPT));
    ASSERT_TRUE(bbsWaitRow(host, 8, "Clothing Item")) << bbsRow(host, 8);
    typeLine(host, svc, "hat", CHECK_HAT);
    ASSERT_TRUE(fakeServiceSend(svc, ACCEPT));
    ASSERT_TRUE(fakeServiceWaitLine(svc, ANSWERS_HAT));

    // The second word goes back with the service's words.
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":2,"data":{"ok":false,"blankN":2,"error":"Hats are sold out."}})"));
    ASSERT_TRUE(bbsWaitRow(host, NOTICE_ROW, "Hats are sold out.")) << bbsRow(host, NOTICE_ROW);
    EXPECT_NE(bbsRow(host, 4).find("Your word 2 of 2"), std::string::npos) << bbsRow(host, 4);
    expectCentred(*host, 8, "Clothing Item", 33, true);
    typeLine(host, svc, "sock", CHECK_SOCK);
    ASSERT_TRUE(fakeServiceSend(svc, ACCEPT));
    ASSERT_TRUE(fakeServiceWaitLine(svc, ANSWERS_SOCK));

    // No title in the reply: the tale keeps the one it was picked by. One
    // line: the end banner three rows below it.
    ASSERT_TRUE(fakeServiceSend(svc, R"({"ackId":2,"data":{"ok":true,"text":"An otter wore a sock."}})"));
    ASSERT_TRUE(bbsWaitRow(host, 6, "An otter wore a sock.")) << bbsRow(host, 6);
    expectCentred(*host, 4, "Zoo Day", 33, true);
    expectText(*host, 9, 31, "  T H E   E N D  ", 33, true);
    // Nothing to scroll: DOWN leaves the tale where it is.
    bbsSendKeys(host, "\x1b[Bp");
    ASSERT_TRUE(bbsWaitRow(host, 24, "> p")) << bbsRow(host, 24);
    expectText(*host, 6, 8, "An otter wore a sock.", 37, true);
    expectText(*host, 9, 31, "  T H E   E N D  ", 33, true);
    bbsSendKeys(host, "\r");
    ASSERT_TRUE(bbsWaitRow(host, 4, "C H O O S E   A   C A T E G O R Y")) << bbsRow(host, 4);
    bbsSendKeys(host, "\x1b");
    ASSERT_TRUE(bbsWaitRow(host, 19, "Back to the BBS"));

    const std::vector<std::string> expected = {
        CONNECT,       MAIL_LIST,   PRESENCE_WELCOME,                            // logged in, at the menu
        PRESENCE_SOLO, ANIMALS_FIRST, PRESENCE_SOLO, ZOO_START, ZOO_START,       // refused, then opened
        PRESENCE_SOLO, CHECK_OTTER, CHECK_HAT,     ANSWERS_HAT,                  // the words
        CHECK_SOCK,    ANSWERS_SOCK,                                             // the word put right
        PRESENCE_SOLO, PRESENCE_SOLO, PRESENCE_WELCOME,                          // tale, again, menu
    };
    ASSERT_TRUE(waitCount(svc, PRESENCE_WELCOME, 2));
    EXPECT_EQ(fakeServiceLines(svc), expected);
    fakeServiceDrop(svc);
    EXPECT_EQ(bbsWaitExit(host), 0);
}

}  // namespace
