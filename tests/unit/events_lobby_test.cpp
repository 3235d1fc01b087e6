// Log-in, Lounge and table events fed as service lines through the dispatcher;
// the service is a socket pair so the requests the handlers send can be read back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "session/events.h"
#include "session/events_lobby.h"
#include "support/service_pair.h"

namespace {

struct EventsLobby : ServiceTest {
    void SetUp() override {
        ServiceTest::SetUp();
        state->categorySel = -1;
        state->rateGiven = 2;
    }

    const ChatLine& lastLine() const { return state->chatLog[state->chatCount - 1]; }
};

// ---- chat ----

struct ChatCase {  // lines: how many the event adds
    const char* event; const char* data; int32_t seated; int32_t lines;
    int32_t kind; const char* name; const char* text; const char* tag;
};

TEST_F(EventsLobby, ChatLinesTakeTheirKindNameAndTag) {
    const std::string longName(40, 'N');
    const std::string whisperOut = "{\"name\":\"" + longName + "\",\"text\":\"x\",\"whisper\":true,\"direction\":\"out\"}";
    const ChatCase cases[] = {
        {"lobby:chat", R"({"name":"Ann","text":"hi all"})", 0, 1, CHAT_SAID, "Ann", "hi all", ""},
        {"room:chat", R"({"who":"Ann","text":"from who"})", 1, 1, CHAT_SAID, "Ann", "from who", ""},
        {"room:chat", R"({"name":"Ann","who":"Zoe","text":"name wins"})", 1, 1, CHAT_SAID, "Ann", "name wins", ""},
        {"lobby:chat", R"({"name":"Ann","text":"dropped"})", 1, 0, 0, "", "", ""},
        {"room:chat", R"({"name":"Ann","text":"psst","whisper":true})", 0, 1, CHAT_PRIVATE, "",
         "Ann whispers to you: psst", ""},
        {"room:chat", R"({"name":"Ann","text":"psst","whisper":true,"direction":"sideways"})", 0, 1,
         CHAT_PRIVATE, "", "Ann whispers to you: psst", ""},
        {"lobby:chat", R"({"name":"Ann","text":"psst","whisper":true,"direction":"out"})", 0, 1,
         CHAT_PRIVATE, "", "You whisper to Ann: psst", ""},
        {"lobby:chat", whisperOut.c_str(), 0, 1, CHAT_PRIVATE, "",
         "You whisper to NNNNNNNNNNNNNNNNNNNNNNNNNNNN: x", ""},
        {"room:chat", R"({"name":"Ann","text":"you!","directedTo":"Bob"})", 1, 1, CHAT_DIRECTED, "Ann", "you!", ""},
        {"room:chat", R"({"name":"Ann","text":"cat!","directedTo":"Cat"})", 1, 1, CHAT_DIRECTED, "Ann", "cat!",
         "Cat"},
        {"room:chat", R"({"name":"Ann","text":"waves","kind":"emote"})", 1, 1, CHAT_ACTION, "", "waves", ""},
        {"room:chat", R"({"name":"Ann","text":"dances","kind":"action"})", 1, 1, CHAT_ACTION, "", "dances", ""},
        {"lobby:chat", R"({"name":"Ann","text":"rules","kind":"notice"})", 0, 1, CHAT_SYSTEM, "", "rules", ""},
        {"lobby:chat", R"({"name":"Ann","text":"sys","kind":"system"})", 0, 1, CHAT_SYSTEM, "", "sys", ""},
        {"lobby:chat", R"({"text":"nameless"})", 0, 1, CHAT_SYSTEM, "", "nameless", ""},
        {"lobby:emote", R"({"text":"Ann bows"})", 0, 1, CHAT_ACTION, "", "Ann bows", ""},
        {"lobby:emote", R"({"text":"Ann bows"})", 1, 0, 0, "", "", ""},
        {"room:emote", R"({"text":"Ann bows"})", 1, 1, CHAT_ACTION, "", "Ann bows", ""},
        {"lobby:notice", R"("Bare notice")", 1, 1, CHAT_SYSTEM, "", "Bare notice", ""},
        {"room:notice", R"({"message":"From message"})", 1, 1, CHAT_SYSTEM, "", "From message", ""},
        {"room:notice", R"({"text":"Text wins","message":"m"})", 1, 1, CHAT_SYSTEM, "", "Text wins", ""},
        {"lobby:notice", R"({"text":""})", 0, 0, 0, "", "", ""},
        {"admin:message", R"("Restart at noon")", 1, 1, CHAT_PRIVATE, "", "Restart at noon", ""},
        {"admin:message", R"({"message":"From the team"})", 0, 1, CHAT_PRIVATE, "", "From the team", ""},
        {"admin:message", R"("")", 0, 0, 0, "", "", ""},
        {"mod:notice", R"("Be kind")", 1, 1, CHAT_SYSTEM, "", "Be kind", ""},
    };
    for (const ChatCase& c : cases) {
        state->chatCount = 0;
        state->chatDirty = 0;
        state->inRoom = c.seated;
        copyText(state->myName, "Bob");
        feed(c.event, c.data);
        SCOPED_TRACE(std::string(c.event) + " " + c.data);
        ASSERT_EQ(state->chatCount, c.lines);
        EXPECT_EQ(state->chatDirty, c.lines);
        if (!c.lines) continue;
        EXPECT_EQ(lastLine().kind, c.kind);
        EXPECT_STREQ(lastLine().name, c.name);
        EXPECT_STREQ(lastLine().text, c.text);
        EXPECT_STREQ(lastLine().tag, c.tag);
    }
    EXPECT_EQ(sent(), "");
}

// ---- authed ----

struct GreetingCase { const char* data; const char* myName; const char* greeting; };

TEST_F(EventsLobby, AuthedPutsTheConfirmedNameIntoTheGreeting) {
    const std::string longGreeting = "{\"you\":{\"name\":\"Zed\",\"greeting\":\"" + std::string(150, 'g') +
                                     " {username}, hello\"}}";
    const std::string longCut = std::string(150, 'g') + " Zed, hel";  // 159 characters
    const GreetingCase cases[] = {
        {R"({"you":{"name":"Zed","greeting":"Welcome back, {username}!"}})", "Zed", "Welcome back, Zed!"},
        {R"({"you":{"name":"Zed","greeting":"{username} meets {username}"}})", "Zed", "Zed meets {username}"},
        {R"({"you":{"name":"Zed","greeting":"Plain hello"}})", "Zed", "Plain hello"},
        {R"({"you":{"greeting":"Hi {username}"}})", "Caller", "Hi Caller"},
        {R"({"you":"not an object"})", "Kept", ""},
        {R"({})", "Kept", ""},
        {longGreeting.c_str(), "Zed", longCut.c_str()},
    };
    for (const GreetingCase& c : cases) {
        copyText(state->caller.callerName, "Caller");
        copyText(state->myName, "Kept");
        copyText(state->greeting, "old greeting");
        feed("authed", c.data);
        SCOPED_TRACE(c.data);
        EXPECT_STREQ(state->myName, c.myName);
        EXPECT_STREQ(state->greeting, c.greeting);
        EXPECT_EQ(state->menuGreetingDirty, 1);
    }
}

TEST_F(EventsLobby, AuthedLoadsBoardFeaturesCategoriesAndAsksForMail) {
    state->storyCount = 7;
    state->categoriesFromPick = 1;
    state->testerFeedback = 0;
    std::string cats = "[\"Animals\",{\"name\":\"Winter\",\"kind\":\"holiday\"},{\"name\":\"\"},{\"kind\":\"x\"},"
                       "{\"name\":\"Limited edition category name!\",\"kind\":\"limited-long-kind\"}";
    for (int i = 0; i < 40; i++) cats += ",\"C" + std::to_string(i) + "\"";
    cats += "]";
    feed("authed", "{\"ok\":true,\"onlineTotal\":42.9,\"features\":{\"tester_feedback\":false,"
                   "\"feedback_label\":\"Tell us\"},\"bbs\":{\"board\":\"Night Owl\",\"sysop\":\"Sam\"},"
                   "\"categories\":" + cats + "}");
    EXPECT_EQ(sent(), "{\"cmd\":\"emit\",\"name\":\"mail:list\",\"ackId\":6,\"data\":{}}\n");
    EXPECT_EQ(state->testerFeedback, 0);
    EXPECT_STREQ(state->feedbackLabel, "Tell us");
    EXPECT_STREQ(state->boardName, "Night Owl");
    EXPECT_STREQ(state->sysopName, "Sam");
    ASSERT_EQ(state->categoryCount, MAX_CATEGORIES);
    EXPECT_EQ(state->categoryCount2, MAX_CATEGORIES);
    EXPECT_EQ(state->categoriesFromPick, 0);
    EXPECT_STREQ(state->categoryKinds[0], "normal");
    EXPECT_STREQ(state->categoryNames2[1], "Winter");
    EXPECT_STREQ(state->categoryKinds[1], "holiday");
    EXPECT_STREQ(state->categoryNames[2], "Limited edition category name!");
    EXPECT_STREQ(state->categoryKinds[2], "limited-lon");
    EXPECT_STREQ(state->categoryNames[31], "C28");  // empty names skipped, 32 kept
    EXPECT_EQ(state->storyCount, 0);
    EXPECT_EQ(state->onlineTotal, 42);
}

struct RefusalCase { const char* data; int32_t maintenance, barred, timedOut, mail; };  // mail: asks for it

TEST_F(EventsLobby, AuthedRefusalsStopBeforeTheRestOfTheMessage) {
    const RefusalCase cases[] = {
        {R"({"ok":false,"maintenance":true,"banned":true,"error":"Back soon","categories":["A"]})", 1, 0, 0, 0},
        {R"({"ok":false,"timedOut":true,"error":"Cool off","until":"tomorrow","reason":"spam","categories":["A"]})",
         0, 1, 1, 0},
        {R"({"ok":false,"banned":true,"error":"Gone","until":"","reason":"abuse","categories":["A"]})", 0, 1, 0, 0},
        {R"({"ok":false,"categories":["A"]})", 0, 0, 0, 0},  // no reason: loads, but no mailbox
        {R"({"ok":true,"maintenance":true,"categories":["A"]})", 0, 0, 0, 1},
    };
    for (const RefusalCase& c : cases) {
        state->maintenance = state->barred = state->barredTimedOut = 0;
        state->categoryCount = 0;
        state->fullRedraw = 0;
        feed("authed", c.data);
        SCOPED_TRACE(c.data);
        EXPECT_EQ(state->maintenance, c.maintenance);
        EXPECT_EQ(state->barred, c.barred);
        EXPECT_EQ(state->barredTimedOut, c.timedOut);
        bool refused = c.maintenance || c.barred;
        EXPECT_EQ(state->categoryCount, refused ? 0 : 1);
        EXPECT_EQ(state->fullRedraw, refused ? 0 : 1);
        EXPECT_EQ(state->mailRequested, c.mail);
        EXPECT_EQ(sent().empty(), !c.mail);
        state->mailRequested = 0;
    }
    EXPECT_STREQ(state->maintenanceText, "Back soon");
    EXPECT_STREQ(state->barredError, "Gone");
    EXPECT_STREQ(state->barredReason, "abuse");
}

// ---- story pages and actions ----

std::string storyItems(int first, int n) {
    std::string s = "[";
    for (int i = 0; i < n; i++)
        s += (i ? "," : "") + std::string("{\"title\":\"T") + std::to_string(first + i) + "\",\"id\":" +
             std::to_string(100 + first + i) + ",\"blanks\":" + std::to_string(3 + i % 4) + "}";
    return s + "]";
}

std::string storyPage(int offset, int total, int first, int n) {
    return "{\"offset\":" + std::to_string(offset) + ",\"total\":" + std::to_string(total) +
           ",\"items\":" + storyItems(first, n) + "}";
}

struct StoryCase {  // held before the page; count afterwards; the next-page request or ""
    int32_t held, sel, offset, total, items, count;
    const char* request;
};

TEST_F(EventsLobby, StoryPagesAppendAndAskForTheNextPage) {
    const StoryCase cases[] = {
        {0, 1, 0, 25, 10, 10, "{\"cmd\":\"stories\",\"category\":\"Kid's \\\"Best\\\"\",\"offset\":10}\n"},
        {10, 1, 10, 20, 10, 20, ""},    // reaches the total
        {10, 1, 20, 40, 10, 10, ""},    // stale page: ignored
        {10, 1, 0, 40, 5, 5, "{\"cmd\":\"stories\",\"category\":\"Kid's \\\"Best\\\"\",\"offset\":5}\n"},
        {0, -1, 0, 25, 10, 10, ""},     // no category chosen
        {0, 2, 0, 25, 10, 10, ""},      // index past the picker list
        {10, 1, 10, 25, 0, 10, ""},     // empty page
        {120, 1, 120, 200, 20, 128, ""},  // the browser holds 128
    };
    copyText(state->categoryNames[0], "Animals");
    copyText(state->categoryNames[1], "Kid's \"Best\"");
    state->categoryCount2 = 2;
    for (const StoryCase& c : cases) {
        state->storyCount = c.held;
        state->storyFirstShown = 3;
        state->storyLoading = 1;
        state->categorySel = c.sel;
        state->contentDirty = 0;
        feed("stories", storyPage(c.offset, c.total, c.held, c.items));
        SCOPED_TRACE(testing::Message() << "held " << c.held << " offset " << c.offset);
        EXPECT_EQ(state->storyCount, c.count);
        EXPECT_EQ(sent(), c.request);
        bool stale = c.offset != 0 && c.offset != c.held;
        EXPECT_EQ(state->contentDirty, stale ? 0 : 1);
        EXPECT_EQ(state->storyLoading, stale ? 1 : 0);
        EXPECT_EQ(state->storyFirstShown, c.offset == 0 ? 0 : 3);
    }
    EXPECT_STREQ(state->storyTitles[127], "T127");
    EXPECT_EQ(state->storyIds[127], 227);
    EXPECT_EQ(state->storyBlanks[127], 6);
}

TEST_F(EventsLobby, ActionsKeepNonEmptyStringNames) {
    std::string items = "[\"wave\",\"\",7,{\"x\":1},\"a-very-long-action-name-indeed\"";
    for (int i = 0; i < 70; i++) items += ",\"a" + std::to_string(i) + "\"";
    feed("actions", "{\"total\":73,\"items\":" + items + "]}");
    ASSERT_EQ(state->actionCount, MAX_ACTIONS);
    EXPECT_STREQ(state->actions[1], "a-very-long-action-");
    EXPECT_STREQ(state->actions[63], "a61");
}

// ---- Lounge lists ----

TEST_F(EventsLobby, TablesTakeSeatsAndDefaults) {
    feed("lobby:rooms", R"({"rooms":[{"code":"ABCDEFGHIJ","players":2,"max":6,"capacity":9,"locked":true,)"
                        R"("knockId":"k1","autoHost":true,"inGame":true},{"capacity":5},{}]})");
    ASSERT_EQ(state->tableCount, 3);
    const TableRecord& t = state->tables[0];
    EXPECT_STREQ(t.code, "ABCDEFG");
    EXPECT_STREQ(t.name, "Quick Match");
    EXPECT_EQ(t.players, 2);
    EXPECT_EQ(t.capacity, 6);
    EXPECT_EQ(t.locked + t.autoHost + t.inGame, 3);
    EXPECT_STREQ(t.knockId, "k1");
    EXPECT_EQ(state->tables[1].capacity, 5);
    EXPECT_EQ(state->tables[2].capacity, 4);
    EXPECT_EQ(state->contentDirty, 1);
    EXPECT_EQ(sent(), "");

    feed("lobby:rooms", R"([{"code":"BARE001","name":"Bare list"}])");
    ASSERT_EQ(state->tableCount, 1);
    EXPECT_STREQ(state->tables[0].name, "Bare list");
}

struct QuickSeatCase { const char* rooms; const char* join; };  // join null: the Lounge with the busy notice

TEST_F(EventsLobby, QuickSeatEndsWithTheFirstOpenTableOrTheLounge) {
    const QuickSeatCase cases[] = {
        {R"([{"code":"LOCKED1","players":1,"locked":true},{"code":"FULL001","players":4},)"
         R"({"code":"OPEN001","players":3},{"code":"OPEN002"}])",
         "{\"cmd\":\"emit\",\"name\":\"room:join\",\"ackId\":4,\"data\":{\"code\":\"OPEN001\"}}\n"},
        {R"([{"code":"LOCKED1","players":1,"locked":true},{"code":"FULL001","max":2,"players":2}])", nullptr},
        {"[]", nullptr},
    };
    for (const QuickSeatCase& c : cases) {
        state->screen = SCR_MAIN_MENU;
        state->quickSeatPending = 1;
        feed("lobby:rooms", std::string("{\"rooms\":") + c.rooms + "}");
        SCOPED_TRACE(c.rooms);
        EXPECT_EQ(state->quickSeatPending, 0);
        std::string out = sent();
        if (c.join) {
            EXPECT_EQ(out, c.join);
            EXPECT_STREQ(state->noticeText, "Pulling up a chair...");
            EXPECT_EQ(state->screen, SCR_MAIN_MENU);
        } else {
            EXPECT_EQ(state->screen, SCR_LOUNGE);
            EXPECT_STREQ(state->noticeText, QUICK_SEAT_BUSY);
            EXPECT_NE(out.find("\"name\":\"lobby:refresh\""), std::string::npos) << out;
            EXPECT_EQ(out.find("room:join"), std::string::npos) << out;
        }
        // The next list is an ordinary refresh again.
        feed("lobby:rooms", R"({"rooms":[{"code":"OPEN003"}]})");
        EXPECT_EQ(sent(), "");
    }
}

TEST_F(EventsLobby, RosterFillsPlayersOnlyInTheLounge) {
    feed("lobby:roster", R"({"players":[{"name":"Ann"},{"name":"Bob"}]})");
    EXPECT_EQ(state->playerCount, 2);
    EXPECT_EQ(state->playerCountSeen, 2);
    feed("lobby:roster", R"([{"name":"Cat"}])");
    EXPECT_EQ(state->playerCount, 1);
    EXPECT_STREQ(state->players[0].name, "Cat");
    state->inRoom = 1;
    feed("lobby:roster", R"([{"name":"Dan"},{"name":"Eve"}])");
    EXPECT_EQ(state->playerCount, 1);
    EXPECT_STREQ(state->players[0].name, "Cat");
}

// ---- table ----

TEST_F(EventsLobby, KnockAndInviteSetTheirPendingFields) {
    feed("room:knock", R"({"knockId":"knock-1"})");
    EXPECT_EQ(state->joinRequestPending, 1);
    EXPECT_STREQ(state->joinRequestName, "Somebody");
    EXPECT_STREQ(state->joinRequestKnockId, "knock-1");
    EXPECT_STREQ(lastLine().text, "Somebody is asking to join your table.");
    EXPECT_EQ(lastLine().kind, CHAT_SYSTEM);
    EXPECT_EQ(state->noticeDirty, 1);

    feed("room:knock", R"({"name":"A twenty-five char name!!","knockId":"k2"})");
    EXPECT_STREQ(state->joinRequestName, "A twenty-five char name!!");
    EXPECT_STREQ(lastLine().text, "A twenty-five char n is asking to join your table.");

    state->noticeDirty = 0;
    feed("lobby:invite", R"({"fromId":"u7","code":"ROOM1234X"})");
    EXPECT_EQ(state->invitePending, 1);
    EXPECT_STREQ(state->inviteFrom, "Somebody");
    EXPECT_STREQ(state->inviteTable, "their table");
    EXPECT_STREQ(state->inviteCode, "ROOM123");
    EXPECT_STREQ(state->inviteFromId, "u7");
    EXPECT_STREQ(lastLine().text, "Somebody is inviting you to \"their table\".");
    EXPECT_EQ(state->noticeDirty, 1);

    feed("lobby:invite", R"({"from":"Ann","roomName":"Ann's \"den\""})");
    EXPECT_STREQ(lastLine().text, "Ann is inviting you to \"Ann's \"den\"\".");
    EXPECT_EQ(sent(), "");
}

struct RemovalCase { const char* event; const char* data; const char* text; };

TEST_F(EventsLobby, RemovalFromTheTableClearsItAndShowsTheLounge) {
    const RemovalCase cases[] = {
        {"room:kicked", "{}", "The host removed you from the table."},
        {"room:timeout-removed", "{}", "You didn't respond in time, so you've been returned to the Lounge."},
        {"room:kicked", R"({"message":"Out you go."})", "Out you go."},
    };
    for (const RemovalCase& c : cases) {
        state->screen = SCR_SCORES;
        feed("room:state", R"({"code":"TBL0001","name":"Den","autoHost":true,"roundRobinPicking":true,)"
                           R"("startsInMs":5000,"players":[{"name":"Ann"},{"name":"Bob"}]})");
        state->isHost = 1;
        state->wordsDone = 1;
        state->wordDeadline = state->revealDeadline = state->scoresDeadline = 77;
        state->pickerMode = 3;
        state->pickTurn = state->pickTimerOn = 1;
        state->pickDeadline = 99;
        state->rateStoryId = 12;
        state->rateGiven = 1;
        copyText(state->rateTitle, "Rated");
        copyText(state->presetLine, "Playing:  X");
        copyText(state->pickerName, "Ann");
        copyText(state->returnPendingNames, "Bob");
        feed("room:knock", R"({"name":"Eve","knockId":"k9"})");
        state->revealWordCount = 5;
        state->revealCursor = 2;
        ASSERT_EQ(state->inRoom, 1);
        ASSERT_NE(state->startDeadline, 0u);
        sent();

        feed(c.event, c.data);
        SCOPED_TRACE(std::string(c.event) + " " + c.data);
        EXPECT_EQ(state->inRoom + state->isHost + state->roomAutoHost + state->roomRoundRobin + state->playerCount +
                      state->playerCountSeen + state->wordsDone + state->pickerMode + state->pickTurn +
                      state->pickTimerOn + state->rateStoryId + state->revealWordCount + state->revealCursor +
                      state->joinRequestPending,
                  0);
        EXPECT_EQ(state->startDeadline | state->wordDeadline | state->revealDeadline | state->scoresDeadline |
                      state->pickDeadline,
                  0u);
        EXPECT_EQ(std::string(state->roomCode) + state->roomName + state->rateTitle + state->presetLine +
                      state->pickerName + state->returnPendingNames + state->joinRequestKnockId,
                  "");
        EXPECT_EQ(state->rateGiven, 2);
        EXPECT_EQ(state->screen, SCR_LOUNGE);
        EXPECT_STREQ(state->noticeText, c.text);
        EXPECT_STREQ(lastLine().text, c.text);
        EXPECT_EQ(lastLine().kind, CHAT_SYSTEM);
        EXPECT_NE(sent().find("\"name\":\"lobby:refresh\""), std::string::npos);
    }
}

TEST_F(EventsLobby, UnknownAndNearMissNamesChangeNothing) {
    copyText(state->myName, "Bob");
    std::unique_ptr<ClientState> before{new ClientState{}};
    memcpy(before.get(), state.get(), sizeof(ClientState));
    const char* names[] = {"lobby:dance", "Room:chat", "room:chat ", "authed:", "", "stories2"};
    for (const char* name : names) {
        feed(name, R"({"name":"Ann","text":"hi","ok":true,"offset":0,"items":["a"]})");
        EXPECT_EQ(memcmp(before.get(), state.get(), sizeof(ClientState)), 0) << name;
    }
    EXPECT_EQ(sent(), "");
}

}  // namespace
