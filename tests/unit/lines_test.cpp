// Typed lines per screen: one line to handleLine, then the request lines the
// service read off a socketpair, the screen after and the notice.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/markers.h"
#include "host/nodelog.h"
#include "session/chat_commands.h"
#include "session/lines.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "support/service_pair.h"

namespace {

const std::string PRESENCE_LOUNGE = emit("presence:zone", quoted("lounge"));
const std::string PRESENCE_WELCOME = emit("presence:zone", quoted("welcome"));
const std::string PRESENCE_SOLO = emit("presence:zone", quoted("solo"));
const std::string LOBBY_REFRESH = emit("lobby:refresh", "{}");
const std::string MAIL_LIST = emitAck("mail:list", 6, "{}");

using Setup = void (*)(ClientState* s);
using Verify = void (*)(const ClientState* s);

struct LineCase {
    const char* what;
    int32_t screen;          // screen the line is typed on
    Setup setup;             // more state; may be null
    const char* line;
    std::vector<std::string> sent;
    int32_t screenAfter;
    const char* notice;      // the notice afterwards, "" = none
    Verify verify;           // further checks; may be null
};

void runCases(const std::vector<LineCase>& cases) {
    for (const LineCase& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " | line \"" + c.line + "\"");
        WiredState w;
        ClientState* s = w.state.get();
        s->running = 1;
        s->screen = c.screen;
        s->categorySel = -1;
        s->careSectionOpen = -1;
        if (c.setup) c.setup(s);
        handleLine(s, c.line);
        EXPECT_EQ(w.lines(), c.sent);
        EXPECT_EQ(s->screen, c.screenAfter);
        EXPECT_STREQ(s->noticeText, c.notice);
        if (c.verify) c.verify(s);
    }
}

void addTable(ClientState* s, const char* code, int32_t locked, const char* knockId) {
    TableRecord& t = s->tables[s->tableCount++];
    copyText(t.code, code);
    copyText(t.knockId, knockId);
    t.locked = locked;
    t.players = 1;
    t.capacity = 4;
}

void tables(ClientState* s, int32_t count) {
    for (int32_t i = 0; i < count; i++) {
        char code[8];
        formatText(code, "T%02d", i + 1);
        addTable(s, code, 0, "");
    }
}

void addPlayer(ClientState* s, const char* name, const char* id, int32_t isMe) {
    PlayerRecord& p = s->players[s->playerCount++];
    copyText(p.name, name);
    copyText(p.id, id);
    p.isMe = isMe;
}

void seated(ClientState* s) {
    s->inRoom = 1;
    copyText(s->roomCode, "ABC1234");
}

void seatedWithTwo(ClientState* s) {
    seated(s);
    addPlayer(s, "Me", "s1", 1);
    addPlayer(s, "Other", "s2", 0);
}

void hostWithTwo(ClientState* s) {
    seatedWithTwo(s);
    s->isHost = 1;
}

void myTimedTurn(ClientState* s, uint32_t msLeft) {
    seatedWithTwo(s);
    s->pickerMode = 3;
    s->pickTurn = 1;
    s->pickTimerOn = 1;
    s->pickDeadline = tickMs(&s->clock) + msLeft;
}

void twoCategories(ClientState* s) {
    copyText(s->categoryNames[0], "Animals");
    copyText(s->categoryNames[1], "Food");
    s->categoryCount2 = 2;
}

void twelveTales(ClientState* s) {
    twoCategories(s);
    s->categorySel = 1;
    for (int32_t i = 0; i < 12; i++) {
        s->storyIds[i] = 500 + i;
        formatText(s->storyTitles[i], "Tale %d", i + 1);
    }
    s->storyCount = 12;
    s->storyTotal = 12;
}

void talesLastPage(ClientState* s) {
    twelveTales(s);
    s->storyFirstShown = 9;
}

void ratable(ClientState* s) {
    seated(s);
    s->rateStoryId = 77;
}

void twoLetters(ClientState* s) {
    s->letters[0].id = 31;
    s->letters[1].id = 32;
    s->letters[1].read = 1;
    s->letterCount = 2;
}

void careSections(ClientState* s) {
    s->careLoaded = 1;
    s->careSectionKeys[0] = 'A';
    s->careSectionKeys[1] = 'B';
    s->careSectionKeys[2] = '1';
    s->careSectionCount = 3;
}

// ---------------------------------------------------------------------------

TEST(LinesMainMenu, Choices) {
    runCases({
        {"lounge", SCR_MAIN_MENU, nullptr, "1", {PRESENCE_LOUNGE, LOBBY_REFRESH}, SCR_LOUNGE, "", nullptr},
        {"quick seat, no table free", SCR_MAIN_MENU, nullptr, "2", {LOBBY_REFRESH}, SCR_MAIN_MENU,
         "Finding you a table...", [](const ClientState* s) { EXPECT_EQ(s->quickSeatPending, 1); }},
        {"solo resets a stale picker", SCR_MAIN_MENU, [](ClientState* s) { s->pickerMode = 2; }, "3",
         {PRESENCE_SOLO}, SCR_CATEGORY_PICK, "", [](const ClientState* s) { EXPECT_EQ(s->pickerMode, 0); }},
        {"mailbox asks for the letters", SCR_MAIN_MENU, nullptr, "m", {MAIL_LIST}, SCR_MAILBOX, "",
         [](const ClientState* s) { EXPECT_EQ(s->mailRequested, 1); }},
        {"announcements", SCR_MAIN_MENU, nullptr, "A", {}, SCR_ANNOUNCEMENTS, "", nullptr},
        {"guide at its first page", SCR_MAIN_MENU, [](ClientState* s) { s->guidePage = 2; }, "h", {}, SCR_GUIDE, "",
         [](const ClientState* s) { EXPECT_EQ(s->guidePage, 0); }},
        {"story draft cleared", SCR_MAIN_MENU,
         [](ClientState* s) { s->storyLineCount = 5; copyText(s->storyTitle, "Old"); copyText(s->storyRating, "R"); },
         "s", {}, SCR_SUBMIT_INTRO, "",
         [](const ClientState* s) {
             EXPECT_EQ(s->storyLineCount, 0);
             EXPECT_STREQ(s->storyTitle, "");
             EXPECT_STREQ(s->storyRating, "PG");
         }},
        {"feedback open", SCR_MAIN_MENU,
         [](ClientState* s) { s->testerFeedback = 1; s->feedbackLineCount = 3; },
         "f", {}, SCR_FEEDBACK_WRITE, "", [](const ClientState* s) { EXPECT_EQ(s->feedbackLineCount, 0); }},
        {"feedback closed", SCR_MAIN_MENU, nullptr, "F", {}, SCR_MAIN_MENU, "Feedback isn't open on this board.",
         nullptr},
        {"care hub fetched once", SCR_MAIN_MENU, nullptr, "c", {emitAck("carehub:get", 10, "{}")}, SCR_CARE_HUB, "",
         nullptr},
        {"quick help", SCR_MAIN_MENU, nullptr, "?", {}, SCR_QUICK_HELP, "", nullptr},
        {"quit", SCR_MAIN_MENU, nullptr, "q", {}, SCR_MAIN_MENU, "",
         [](const ClientState* s) { EXPECT_EQ(s->running, 0); }},
        {"no chat on the menu", SCR_MAIN_MENU, [](ClientState* s) { s->testerFeedback = 1; }, "hello", {},
         SCR_MAIN_MENU, "Type 1, 2, 3, M, A, S, F, C, H or Q and press ENTER.", nullptr},
        {"two characters are no choice", SCR_MAIN_MENU, nullptr, "1 ", {}, SCR_MAIN_MENU,
         "Type 1, 2, 3, M, A, S, C, H or Q and press ENTER.", nullptr},
    });
}

TEST(LinesLounge, CodesPagesAndTables) {
    runCases({
        {"share code cut to 7", SCR_LOUNGE, [](ClientState* s) { s->codeEntry = 1; }, "ABCDEFGHIJ",
         {emitAck("room:join", 4, "{\"code\":\"ABCDEFG\"}")}, SCR_LOUNGE, "Pulling up a chair...",
         [](const ClientState* s) { EXPECT_EQ(s->codeEntry, 0); }},
        {"a share code wins over a choice", SCR_LOUNGE, [](ClientState* s) { s->codeEntry = 1; }, "m",
         {emitAck("room:join", 4, "{\"code\":\"m\"}")}, SCR_LOUNGE, "Pulling up a chair...", nullptr},
        {"J asks for the code", SCR_LOUNGE, [](ClientState* s) { s->quickSeatPending = 1; }, "j", {}, SCR_LOUNGE,
         "Type the share code and press ENTER.",
         [](const ClientState* s) { EXPECT_EQ(s->codeEntry, 1); EXPECT_EQ(s->quickSeatPending, 0); }},
        {"0 is chat", SCR_LOUNGE, [](ClientState* s) { tables(s, 12); }, "0", {emit("lobby:chat", quoted("0"))},
         SCR_LOUNGE, "", nullptr},
        {"01 is chat", SCR_LOUNGE, [](ClientState* s) { tables(s, 12); }, "01", {emit("lobby:chat", quoted("01"))},
         SCR_LOUNGE, "", nullptr},
        {"10 is table ten", SCR_LOUNGE, [](ClientState* s) { tables(s, 12); }, "10",
         {emitAck("room:join", 4, "{\"code\":\"T10\"}")}, SCR_LOUNGE, "Pulling up a chair...", nullptr},
        {"no table 10 of 9", SCR_LOUNGE, [](ClientState* s) { tables(s, 9); }, "10", {}, SCR_LOUNGE,
         "There is no table with that number.", nullptr},
        {"a huge number is no table", SCR_LOUNGE, [](ClientState* s) { tables(s, 9); }, "99999999999999", {},
         SCR_LOUNGE, "There is no table with that number.", nullptr},
        {"locked table offers a knock", SCR_LOUNGE,
         [](ClientState* s) { tables(s, 1); addTable(s, "LOCKED1", 1, "k-2"); },
         "2", {}, SCR_LOUNGE, "", [](const ClientState* s) { EXPECT_EQ(s->knockPrompt, 2); }},
        {"locked without a knock id joins", SCR_LOUNGE, [](ClientState* s) { addTable(s, "LOCKED1", 1, ""); }, "1",
         {emitAck("room:join", 4, "{\"code\":\"LOCKED1\"}")}, SCR_LOUNGE, "Pulling up a chair...",
         [](const ClientState* s) { EXPECT_EQ(s->knockPrompt, 0); }},
        {"9 tables, 9 players: one page", SCR_LOUNGE,
         [](ClientState* s) { tables(s, 9); s->playerCount = 9; },
         ">", {}, SCR_LOUNGE, "That is the last page.", nullptr},
        {"10 tables: a second page", SCR_LOUNGE, [](ClientState* s) { tables(s, 10); }, ".", {}, SCR_LOUNGE, "",
         [](const ClientState* s) { EXPECT_EQ(s->loungePage, 1); EXPECT_EQ(s->fullRedraw, 1); }},
        {"17 players: three pages", SCR_LOUNGE,
         [](ClientState* s) { s->playerCount = 17; s->loungePage = 1; },
         ">", {}, SCR_LOUNGE, "", [](const ClientState* s) { EXPECT_EQ(s->loungePage, 2); }},
        {"first page", SCR_LOUNGE, nullptr, "<", {}, SCR_LOUNGE, "You are on the first page.", nullptr},
        {"page back", SCR_LOUNGE, [](ClientState* s) { s->loungePage = 2; }, ",", {}, SCR_LOUNGE, "",
         [](const ClientState* s) { EXPECT_EQ(s->loungePage, 1); }},
        {"quick seat finds a free table", SCR_LOUNGE,
         [](ClientState* s) { addTable(s, "FULL", 0, ""); s->tables[0].players = 4; addTable(s, "FREE", 0, ""); },
         "Q", {emitAck("room:join", 4, "{\"code\":\"FREE\"}")}, SCR_LOUNGE, "Pulling up a chair...", nullptr},
        {"main menu", SCR_LOUNGE, nullptr, "m", {PRESENCE_WELCOME}, SCR_MAIN_MENU, "", nullptr},
        {"solo", SCR_LOUNGE, nullptr, "s", {PRESENCE_SOLO}, SCR_CATEGORY_PICK, "", nullptr},
        {"create a table", SCR_LOUNGE,
         [](ClientState* s) { copyText(s->createName, "Old"); s->createStage = 2; },
         "c", {}, SCR_CREATE_TABLE, "",
         [](const ClientState* s) { EXPECT_STREQ(s->createName, ""); EXPECT_EQ(s->createStage, 0); }},
        {"chat, escaped", SCR_LOUNGE, nullptr, "say \"hi\"", {emit("lobby:chat", quoted("say \\\"hi\\\""))},
         SCR_LOUNGE, "", nullptr},
    });
}

TEST(LinesCreateTable, Stages) {
    runCases({
        {"name cut to 31", SCR_CREATE_TABLE, nullptr, "A table name that is far too long to keep", {},
         SCR_CREATE_TABLE, "",
         [](const ClientState* s) {
             EXPECT_STREQ(s->createName, "A table name that is far too lo");
             EXPECT_EQ(s->createStage, 1);
         }},
        {"locked", SCR_CREATE_TABLE, [](ClientState* s) { s->createStage = 1; }, "y", {}, SCR_CREATE_TABLE, "",
         [](const ClientState* s) { EXPECT_EQ(s->createLocked, 1); EXPECT_EQ(s->createStage, 2); }},
        {"neither Y nor N", SCR_CREATE_TABLE, [](ClientState* s) { s->createStage = 1; }, "x", {}, SCR_CREATE_TABLE,
         "Type Y or N and press ENTER.", [](const ClientState* s) { EXPECT_EQ(s->createStage, 1); }},
        {"longer line is chat", SCR_CREATE_TABLE, [](ClientState* s) { s->createStage = 2; }, "yes",
         {emit("lobby:chat", quoted("yes"))}, SCR_CREATE_TABLE, "", nullptr},
        {"take turns opens the picker", SCR_CREATE_TABLE,
         [](ClientState* s) { s->createStage = 2; copyText(s->pickCategory, "Old"); s->pickStoryId = 9; },
         "N", {}, SCR_CATEGORY_PICK, "",
         [](const ClientState* s) {
             EXPECT_EQ(s->createRoundRobin, 0);
             EXPECT_EQ(s->pickerMode, 2);
             EXPECT_STREQ(s->pickCategory, "");
             EXPECT_EQ(s->pickStoryId, 0);
         }},
    });
}

TEST(LinesTable, CommandsAndRatings) {
    const std::string leave = emit("room:leave", "{}");
    runCases({
        {"leave", SCR_TABLE, seatedWithTwo, "l", {leave, PRESENCE_LOUNGE, LOBBY_REFRESH}, SCR_LOUNGE, "",
         [](const ClientState* s) { EXPECT_EQ(s->inRoom, 0); }},
        {"leave from the scores", SCR_SCORES, seated, "L", {leave, PRESENCE_LOUNGE, LOBBY_REFRESH}, SCR_LOUNGE, "",
         nullptr},
        {"turn, nobody to play with", SCR_TABLE,
         [](ClientState* s) { seated(s); s->pickTurn = 1; s->playerCount = 1; },
         "s", {}, SCR_TABLE, "There is nobody here to play with yet.", nullptr},
        {"turn taken with the timer", SCR_TABLE, [](ClientState* s) { myTimedTurn(s, 5000); }, "S",
         {emit("picker:choosing", "{}")}, SCR_CATEGORY_PICK, "Choose what everyone plays.",
         [](const ClientState* s) {
             EXPECT_EQ(s->pickTurn, 0);
             EXPECT_GT((int32_t)(s->pickDeadline - tickMs(&s->clock)), 80000);
         }},
        {"not my turn, not host: chat", SCR_TABLE, seatedWithTwo, "s", {emit("room:chat", quoted("s"))}, SCR_TABLE,
         "", nullptr},
        {"host, somebody else choosing", SCR_TABLE,
         [](ClientState* s) { hostWithTwo(s); copyText(s->pickerName, "Other"); },
         "S", {}, SCR_TABLE, "Waiting on somebody else to choose the next tale.", nullptr},
        {"host, not seated", SCR_TABLE, [](ClientState* s) { s->isHost = 1; }, "S", {}, SCR_TABLE,
         "You're not at a table any more - pick one from the Lounge.", nullptr},
        {"host starts", SCR_TABLE, hostWithTwo, "S", {emit("room:start-now", "{}")}, SCR_TABLE,
         "Starting the game...", nullptr},
        {"host alone", SCR_TABLE,
         [](ClientState* s) { seated(s); s->isHost = 1; s->playerCount = 1; },
         "S", {}, SCR_TABLE, "You need one more player before you can start.", nullptr},
        {"wait in the last half minute", SCR_TABLE, [](ClientState* s) { myTimedTurn(s, 20500); }, "w",
         {emit("picker:wait", "{}")}, SCR_TABLE, "Not ready yet - the table has been told, and you have more time.",
         nullptr},
        {"wait too early is chat", SCR_TABLE, [](ClientState* s) { myTimedTurn(s, 60000); }, "W",
         {emit("room:chat", quoted("W"))}, SCR_TABLE, "", nullptr},
        {"wait after the deadline is chat", SCR_TABLE,
         [](ClientState* s) { myTimedTurn(s, 0); s->pickDeadline = tickMs(&s->clock) - 2000; },
         "W", {emit("room:chat", quoted("W"))}, SCR_TABLE, "", nullptr},
        {"host changes the tale", SCR_TABLE, hostWithTwo, "c", {}, SCR_CATEGORY_PICK, "",
         [](const ClientState* s) { EXPECT_EQ(s->pickerMode, 1); }},
        {"player's C is chat", SCR_TABLE, seatedWithTwo, "C", {emit("room:chat", quoted("C"))}, SCR_TABLE, "",
         nullptr},
        {"S on the reveal is chat", SCR_REVEAL, hostWithTwo, "S", {emit("room:chat", quoted("S"))}, SCR_REVEAL, "",
         nullptr},
        {"rate 1", SCR_SCORES, ratable, "1", {emit("story:rate", "{\"storyId\":77,\"rating\":1}")}, SCR_SCORES, "",
         [](const ClientState* s) { EXPECT_EQ(s->rateGiven, 1); }},
        {"rate 3", SCR_SCORES, ratable, "3", {emit("story:rate", "{\"storyId\":77,\"rating\":-1}")}, SCR_SCORES, "",
         [](const ClientState* s) { EXPECT_EQ(s->rateGiven, -1); }},
        {"no tale to rate: chat", SCR_SCORES, seated, "2", {emit("room:chat", quoted("2"))}, SCR_SCORES, "",
         nullptr},
    });
}

TEST(LinesWordEntry, WordsAndWaitingChat) {
    runCases({
        {"/quit while waiting is chat", SCR_WORD_ENTRY,
         [](ClientState* s) { seated(s); s->wordsDone = 1; },
         "/quit", {emit("room:chat", quoted("/quit"))}, SCR_WORD_ENTRY, "",
         [](const ClientState* s) { EXPECT_EQ(s->running, 1); }},
        {"a word is checked", SCR_WORD_ENTRY, [](ClientState* s) { s->promptCount = 2; }, "purple",
         {emitAck("word:check", 11, "{\"text\":\"purple\"}")}, SCR_WORD_ENTRY, "",
         [](const ClientState* s) { EXPECT_STREQ(s->pendingWord, "purple"); EXPECT_EQ(s->wordCheckPending, 1); }},
        {"a slash word is a word", SCR_WORD_ENTRY, [](ClientState* s) { s->promptCount = 1; }, "/quit",
         {emitAck("word:check", 11, "{\"text\":\"/quit\"}")}, SCR_WORD_ENTRY, "",
         [](const ClientState* s) { EXPECT_EQ(s->running, 1); }},
        {"check outstanding: dropped", SCR_WORD_ENTRY,
         [](ClientState* s) { s->promptCount = 2; s->wordCheckPending = 1; copyText(s->pendingWord, "first"); },
         "second", {}, SCR_WORD_ENTRY, "", [](const ClientState* s) { EXPECT_STREQ(s->pendingWord, "first"); }},
        {"no prompts: dropped", SCR_WORD_ENTRY, nullptr, "word", {}, SCR_WORD_ENTRY, "", nullptr},
    });
}

TEST(LinesPickers, CategoriesSurpriseAndTales) {
    runCases({
        {"category fetches its tales", SCR_CATEGORY_PICK,
         [](ClientState* s) { twoCategories(s); s->storyCount = 40; s->storyFirstShown = 27; },
         "b", {"{\"cmd\":\"stories\",\"category\":\"Food\",\"offset\":0}", PRESENCE_SOLO}, SCR_TALE_PICK, "",
         [](const ClientState* s) {
             EXPECT_EQ(s->categorySel, 1);
             EXPECT_EQ(s->storyLoading, 1);
             EXPECT_EQ(s->storyCount, 0);
             EXPECT_EQ(s->storyFirstShown, 0);
         }},
        {"letter beyond the list", SCR_CATEGORY_PICK, twoCategories, "c", {}, SCR_CATEGORY_PICK,
         "Pick one of the letters listed.", nullptr},
        {"two letters", SCR_CATEGORY_PICK, twoCategories, "ab", {}, SCR_CATEGORY_PICK,
         "Pick one of the letters listed.", nullptr},
        {"no surprise when solo", SCR_CATEGORY_PICK, twoCategories, "*", {}, SCR_CATEGORY_PICK,
         "Pick one of the letters listed.", nullptr},
        {"M backs out of a solo pick", SCR_CATEGORY_PICK, twoCategories, "m", {PRESENCE_WELCOME}, SCR_MAIN_MENU, "",
         nullptr},
        {"surprise for the table", SCR_CATEGORY_PICK,
         [](ClientState* s) { hostWithTwo(s); s->pickerMode = 1; },
         "*", {emit("room:update-preset", "{\"category\":\"\",\"storyId\":0}")}, SCR_TABLE,
         "Your table will play that one.",
         [](const ClientState* s) { EXPECT_STREQ(s->presetLine, "Playing:  Surprise Me"); }},
        {"surprise from the tale list", SCR_TALE_PICK,
         [](ClientState* s) { seatedWithTwo(s); s->pickerMode = 3; },
         "*", {emit("category:pick", "{}")}, SCR_TABLE, "Here we go...", nullptr},
        {"self-hosted table picks the category at once", SCR_CATEGORY_PICK,
         [](ClientState* s) { seatedWithTwo(s); twoCategories(s); s->pickerMode = 3; s->roomAutoHost = 1; },
         "A", {emit("category:pick", "{\"category\":\"Animals\"}")}, SCR_TABLE, "Here we go...", nullptr},
        {"solo tale 12", SCR_TALE_PICK, twelveTales, "12", {emitAck("solo:start", 1, "{\"templateId\":511}")},
         SCR_TALE_PICK, "Fetching your story...",
         [](const ClientState* s) { EXPECT_STREQ(s->roundTitle, "Tale 12"); }},
        {"table tale", SCR_TALE_PICK,
         [](ClientState* s) { twelveTales(s); hostWithTwo(s); s->pickerMode = 1; },
         "2", {emit("room:update-preset", "{\"category\":\"Food\",\"storyId\":501}")}, SCR_TABLE,
         "Your table will play that one.", nullptr},
        {"no tale 13", SCR_TALE_PICK, twelveTales, "13", {}, SCR_TALE_PICK, "There is no tale with that number.",
         nullptr},
        {"tale 13 still coming", SCR_TALE_PICK,
         [](ClientState* s) { twelveTales(s); s->storyTotal = 20; },
         "13", {}, SCR_TALE_PICK, "One moment - still fetching the rest of them.", nullptr},
        {"digits then letters", SCR_TALE_PICK, twelveTales, "1a", {}, SCR_TALE_PICK,
         "Type the number beside the tale, then ENTER.", nullptr},
        {"0 is no number", SCR_TALE_PICK, twelveTales, "0", {}, SCR_TALE_PICK, "Pick one of the numbers listed.",
         nullptr},
        {"next page", SCR_TALE_PICK, twelveTales, "n", {}, SCR_TALE_PICK, "",
         [](const ClientState* s) { EXPECT_EQ(s->storyFirstShown, 9); }},
        {"last page", SCR_TALE_PICK, talesLastPage, "N", {}, SCR_TALE_PICK,
         "That's the last of them - [P] goes back.", nullptr},
        {"more on the way", SCR_TALE_PICK,
         [](ClientState* s) { talesLastPage(s); s->storyTotal = 30; },
         "N", {}, SCR_TALE_PICK, "One moment - still fetching the rest.", nullptr},
        {"at the start", SCR_TALE_PICK, twelveTales, "p", {}, SCR_TALE_PICK, "You're at the start - [N] goes on.",
         nullptr},
        {"page back, not below 0", SCR_TALE_PICK,
         [](ClientState* s) { twelveTales(s); s->storyFirstShown = 5; },
         "P", {}, SCR_TALE_PICK, "", [](const ClientState* s) { EXPECT_EQ(s->storyFirstShown, 0); }},
        {"back to the categories", SCR_TALE_PICK, twelveTales, "b", {PRESENCE_SOLO}, SCR_CATEGORY_PICK, "",
         nullptr},
        {"solo tale: pick again", SCR_SOLO_TALE, nullptr, "p", {PRESENCE_SOLO}, SCR_CATEGORY_PICK, "", nullptr},
        {"solo tale: menu", SCR_SOLO_TALE, nullptr, "M", {PRESENCE_WELCOME}, SCR_MAIN_MENU, "", nullptr},
        {"solo tale: chat", SCR_SOLO_TALE, nullptr, "ha", {emit("lobby:chat", quoted("ha"))}, SCR_SOLO_TALE, "",
         nullptr},
    });
}

TEST(LinesMail, OpenAndDelete) {
    runCases({
        {"open a read letter, unread 1", SCR_MAILBOX,
         [](ClientState* s) { twoLetters(s); s->unreadCount = 1; s->readScroll = 4; },
         "2", {emit("mail:mark-read", "{\"id\":32}")}, SCR_LETTER, "",
         [](const ClientState* s) {
             EXPECT_EQ(s->unreadCount, 0);
             EXPECT_EQ(s->letterOpen, 1);
             EXPECT_EQ(s->readScroll, 0);
         }},
        {"unread never below 0", SCR_MAILBOX, twoLetters, "1", {emit("mail:mark-read", "{\"id\":31}")}, SCR_LETTER,
         "",
         [](const ClientState* s) { EXPECT_EQ(s->unreadCount, 0); EXPECT_EQ(s->letters[0].read, 1); }},
        {"no letter 3", SCR_MAILBOX, twoLetters, "3", {}, SCR_MAILBOX, "There is no letter with that number.",
         nullptr},
        {"D in the list", SCR_MAILBOX, twoLetters, "d", {}, SCR_MAILBOX,
         "Open a letter first, then press D to delete it.", nullptr},
        {"other lines ignored", SCR_MAILBOX, twoLetters, "hello", {}, SCR_MAILBOX, "", nullptr},
        {"delete the open letter", SCR_LETTER,
         [](ClientState* s) { twoLetters(s); s->letterOpen = 0; },
         "D", {emit("mail:delete", "{\"id\":31}"), MAIL_LIST}, SCR_MAILBOX, "Deleted.",
         [](const ClientState* s) {
             EXPECT_EQ(s->letterCount, 1);
             EXPECT_EQ(s->letters[0].id, 32);
             EXPECT_EQ(s->mailRequested, 1);
         }},
        {"no open letter: back and ask again", SCR_LETTER,
         [](ClientState* s) { twoLetters(s); s->letterOpen = 5; },
         "d", {MAIL_LIST}, SCR_MAILBOX, "", [](const ClientState* s) { EXPECT_EQ(s->letterCount, 2); }},
        {"a letter's other lines are chat", SCR_LETTER, twoLetters, "thanks", {emit("lobby:chat", quoted("thanks"))},
         SCR_LETTER, "", nullptr},
    });
}

// The marker files live beside the test binary; each test removes them.
struct LinesAnnouncements : ::testing::Test {
    std::string readPath, dismissedPath;
    void SetUp() override {
        readPath = exePath(MARKER_READ_FILE).text;
        dismissedPath = exePath(MARKER_DISMISSED_FILE).text;
        unlink(readPath.c_str());
        unlink(dismissedPath.c_str());
    }
    void TearDown() override {
        unlink(readPath.c_str());
        unlink(dismissedPath.c_str());
    }
    static std::string slurp(const std::string& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};

void twoAnnouncements(ClientState* s) {
    s->caller.userRecord = 77;
    s->announcements[0].id = 5;
    s->announcements[1].id = 6;
    s->announcementCount = 2;
}

TEST_F(LinesAnnouncements, ReadAndDismissRecordTheMarkers) {
    runCases({
        {"open", SCR_ANNOUNCEMENTS, twoAnnouncements, "2", {}, SCR_ANNOUNCEMENT, "",
         [](const ClientState* s) { EXPECT_EQ(s->announcementOpen, 1); EXPECT_EQ(s->announcements[1].read, 1); }},
        {"no such announcement", SCR_ANNOUNCEMENTS, twoAnnouncements, "3", {}, SCR_ANNOUNCEMENTS,
         "There is no announcement with that number.", nullptr},
        {"chat ignored in the list", SCR_ANNOUNCEMENTS, twoAnnouncements, "hi", {}, SCR_ANNOUNCEMENTS, "", nullptr},
    });
    EXPECT_EQ(slurp(readPath), "77 6\n");
    EXPECT_EQ(slurp(dismissedPath), "");

    runCases({
        {"dismiss", SCR_ANNOUNCEMENT,
         [](ClientState* s) { twoAnnouncements(s); s->announcementOpen = 0; },
         "d", {}, SCR_ANNOUNCEMENTS, "Dismissed - you won't see that one again.",
         [](const ClientState* s) { EXPECT_EQ(s->announcementCount, 1); EXPECT_EQ(s->announcements[0].id, 6); }},
        {"dismiss with nothing open", SCR_ANNOUNCEMENT,
         [](ClientState* s) { twoAnnouncements(s); s->announcementOpen = 2; },
         "D", {}, SCR_ANNOUNCEMENTS, "", [](const ClientState* s) { EXPECT_EQ(s->announcementCount, 2); }},
    });
    EXPECT_EQ(slurp(dismissedPath), "77 5\n");
}

TEST(LinesCareHub, SectionKeys) {
    const char* hubHint = "Press one of the letters above, or [M] for the main menu.";
    const char* topicHint = "Press a letter for another list, [B] to go back, or [M] for the main menu.";
    runCases({
        {"a digit key", SCR_CARE_TOPIC,
         [](ClientState* s) { careSections(s); s->careSectionOpen = 0; s->careSectionScroll = 9; },
         "1", {}, SCR_CARE_TOPIC, "",
         [](const ClientState* s) { EXPECT_EQ(s->careSectionOpen, 2); EXPECT_EQ(s->careSectionScroll, 0); }},
        {"no such key", SCR_CARE_HUB, careSections, "z", {}, SCR_CARE_HUB, hubHint, nullptr},
        {"two characters", SCR_CARE_TOPIC, careSections, "ab", {}, SCR_CARE_TOPIC, topicHint, nullptr},
        {"not loaded", SCR_CARE_HUB,
         [](ClientState* s) { careSections(s); s->careLoaded = 0; },
         "a", {}, SCR_CARE_HUB, hubHint, nullptr},
        {"B on the hub is section B", SCR_CARE_HUB, careSections, "b", {}, SCR_CARE_TOPIC, "",
         [](const ClientState* s) { EXPECT_EQ(s->careSectionOpen, 1); }},
        {"B goes back from a topic", SCR_CARE_TOPIC,
         [](ClientState* s) { careSections(s); s->careSectionOpen = 0; },
         "b", {}, SCR_CARE_HUB, "", [](const ClientState* s) { EXPECT_EQ(s->careSectionOpen, -1); }},
        {"B fetches what is missing", SCR_CARE_TOPIC, nullptr, "B", {emitAck("carehub:get", 10, "{}")}, SCR_CARE_HUB,
         "", nullptr},
        {"menu", SCR_CARE_TOPIC, careSections, "m", {PRESENCE_WELCOME}, SCR_MAIN_MENU, "", nullptr},
    });
}

TEST(LinesOtherScreens, EditorsKeepTheirLinesAndTheRestIsChat) {
    runCases({
        {"story writing is never chat", SCR_STORY_WRITE, nullptr, "Once upon a time", {}, SCR_STORY_WRITE, "",
         nullptr},
        {"report dialogue is never chat", SCR_REPORT, seated, "/quit", {}, SCR_REPORT,
         "Type a number from the list.", [](const ClientState* s) { EXPECT_EQ(s->running, 1); }},
        {"quick help chats", SCR_QUICK_HELP, nullptr, "hi", {emit("lobby:chat", quoted("hi"))}, SCR_QUICK_HELP, "",
         nullptr},
        {"actions list chats at the table", SCR_ACTIONS, seated, "dance", {emit("room:chat", quoted("dance"))},
         SCR_ACTIONS, "", nullptr},
    });
}

// ---------------------------------------------------------------------------
// Chat commands, typed in the Lounge (not seated) or at the table.

TEST(LinesChat, CommandsInOrder) {
    runCases({
        {"/quit", SCR_LOUNGE, nullptr, "/QUIT", {}, SCR_LOUNGE, "",
         [](const ClientState* s) { EXPECT_EQ(s->running, 0); }},
        {"/me in the Lounge", SCR_LOUNGE, nullptr, "/me waves", {emit("lobby:emote", "{\"text\":\"waves\"}")},
         SCR_LOUNGE, "", nullptr},
        {"/me at the table, no text", SCR_TABLE, seated, "/me", {emit("room:emote", "{\"text\":\"\"}")}, SCR_TABLE,
         "", nullptr},
        {"/feedback closed", SCR_LOUNGE, nullptr, "/feedback", {}, SCR_LOUNGE, "Feedback is closed right now.",
         nullptr},
        {"/feedback open", SCR_LOUNGE, [](ClientState* s) { s->testerFeedback = 1; }, "/Feedback", {},
         SCR_FEEDBACK_WRITE, "", nullptr},
        {"/solo", SCR_LOUNGE, nullptr, "/solo", {PRESENCE_SOLO}, SCR_CATEGORY_PICK, "", nullptr},
        {"/actions", SCR_TABLE,
         [](ClientState* s) { seated(s); s->actionCount = 12; },
         "/actions", {"{\"cmd\":\"actions\",\"offset\":0}"}, SCR_ACTIONS, "",
         [](const ClientState* s) { EXPECT_EQ(s->actionCount, 0); }},
        {"/start", SCR_TABLE, seated, "/start", {emit("host:start", "{}")}, SCR_TABLE, "", nullptr},
        {"/lock an unlocked table", SCR_TABLE, seated, "/lock", {emit("room:set-lock", "{\"on\":true}")}, SCR_TABLE,
         "", nullptr},
        {"/newcode", SCR_TABLE, seated, "/newcode", {emit("room:regenerate-code", "{}")}, SCR_TABLE, "", nullptr},
        {"/page ON", SCR_LOUNGE, nullptr, "/page ON", {emit("player:set-pages", "{\"on\":true}")}, SCR_LOUNGE, "",
         nullptr},
        {"/page offline", SCR_LOUNGE, nullptr, "/page offline", {emit("player:set-pages", "{\"on\":false}")},
         SCR_LOUNGE, "", nullptr},
        {"/page alone", SCR_LOUNGE, nullptr, "/page", {}, SCR_LOUNGE,
         "Type /page on to allow invites, or /page off to block them.", nullptr},
        {"/kick without a name is chat", SCR_TABLE, seated, "/kick", {emit("room:chat", quoted("/kick"))}, SCR_TABLE,
         "", nullptr},
        {"/kick a name", SCR_TABLE, seated, "/kick  Bob", {emit("host:kick", "{\"name\":\"Bob\"}")}, SCR_TABLE, "",
         nullptr},
        {"/invite without a name", SCR_LOUNGE, nullptr, "/invite ", {}, SCR_LOUNGE,
         "Who did you want to invite? Try /invite Bob", nullptr},
        {"/invite a name", SCR_TABLE, seated, "/invite Bob", {emit("room:invite", "{\"targetName\":\"Bob\"}")},
         SCR_TABLE, "", nullptr},
        {"/code", SCR_TABLE, seated, "/code", {}, SCR_TABLE, "",
         [](const ClientState* s) {
             ASSERT_EQ(s->chatCount, 1);
             EXPECT_STREQ(s->chatLog[0].text, "Share code: ABC1234");
             EXPECT_STREQ(s->chatLog[0].name, "");
             EXPECT_EQ(s->chatLog[0].kind, CHAT_SYSTEM);
         }},
        {"/code with no table", SCR_LOUNGE, nullptr, "/code", {}, SCR_LOUNGE, "",
         [](const ClientState* s) { EXPECT_STREQ(s->chatLog[0].text, "Share code: (none)"); }},
        {"/leave", SCR_TABLE, seated, "/leave", {emit("room:leave", "{}"), PRESENCE_LOUNGE, LOBBY_REFRESH},
         SCR_LOUNGE, "", nullptr},
        {"/who", SCR_LOUNGE, [](ClientState* s) { s->playerCountSeen = 14; }, "/who", {}, SCR_LOUNGE, "",
         [](const ClientState* s) { EXPECT_STREQ(s->chatLog[0].text, "14 players online right now."); }},
        {"a whisper is chat", SCR_LOUNGE, nullptr, "/Bob hello", {emit("lobby:chat", quoted("/Bob hello"))},
         SCR_LOUNGE, "", nullptr},
    });
}

void rosterWithMeFirst(ClientState* s) {
    addPlayer(s, "Bobcat", "s-me", 1);  // the caller: never reported
    addPlayer(s, "Alice", "s-a", 0);
    addPlayer(s, "bOrIs", "s-b", 0);
    addPlayer(s, "Bob", "s-c", 0);
}

TEST(LinesChat, Report) {
    runCases({
        {"/report bo: first other player by prefix", SCR_LOUNGE, rosterWithMeFirst, "/report bo",
         {emit("report:begin", "{}")}, SCR_REPORT, "",
         [](const ClientState* s) {
             EXPECT_STREQ(s->reportTargetName, "bOrIs");
             EXPECT_STREQ(s->reportTargetId, "s-b");
             EXPECT_EQ(s->reportStage, 0);
             EXPECT_EQ(s->reportIsTale, 0);
         }},
        {"/report with nobody by that name", SCR_LOUNGE, rosterWithMeFirst, "/report Bobcat", {}, SCR_LOUNGE,
         "Nobody here by that name.", nullptr},
        {"/report without a name", SCR_LOUNGE,
         [](ClientState* s) { copyText(s->reportTargetName, "Old"); s->reportIsTale = 1; s->reportLineCount = 4; },
         "/report", {emit("report:begin", "{}")}, SCR_REPORT, "",
         [](const ClientState* s) {
             EXPECT_STREQ(s->reportTargetName, "");
             EXPECT_EQ(s->reportIsTale, 0);
             EXPECT_EQ(s->reportLineCount, 0);
             EXPECT_EQ(s->reportStage, 2);
         }},
        {"/report while seated asks to leave first", SCR_TABLE,
         [](ClientState* s) { seated(s); rosterWithMeFirst(s); },
         "/report al", {emit("report:begin", "{}")}, SCR_TABLE, "",
         [](const ClientState* s) { EXPECT_EQ(s->leaveReportPrompt, 1); EXPECT_STREQ(s->reportTargetName, "Alice"); }},
    });
}

TEST(LinesChat, MatchCommand) {
    struct Case {
        const char* line;
        const char* command;
        bool match;
        const char* rest;
    } cases[] = {
        {"/quit", "/quit", true, ""},       {"/QUIT", "/quit", true, ""},
        {"/quitting", "/quit", false, ""},  {"/qui", "/quit", false, ""},
        {"/me   waves  ", "/me", true, "waves  "}, {"/me", "/me", true, ""},
        {"me", "/me", false, ""},           {"/page on", "/page", true, "on"},
    };
    for (const Case& c : cases) {
        const char* rest = "untouched";
        EXPECT_EQ(matchCommand(c.line, c.command, &rest), c.match) << c.line;
        if (c.match) EXPECT_STREQ(rest, c.rest) << c.line;
        EXPECT_EQ(matchCommand(c.line, c.command, nullptr), c.match) << c.line;
    }
}

}  // namespace
