#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "host/markers.h"
#include "host/nodelog.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/state.h"

namespace {

std::unique_ptr<ClientState> freshState() {
    return std::unique_ptr<ClientState>(new ClientState{});
}

// Each call reuses one document: a tree is only valid until the next parse.
const JsonNode* parse(const std::string& text) {
    static JsonDocument* doc = new JsonDocument;
    const JsonNode* root = jsonParse(doc, text.c_str());
    EXPECT_NE(root, nullptr) << text;
    return root;
}

std::string playerJson(int i) {
    return "{\"id\":\"p" + std::to_string(i) + "\",\"name\":\"P" + std::to_string(i) + "\"}";
}

std::string arrayOf(int n, std::string (*make)(int)) {
    std::string s = "[";
    for (int i = 0; i < n; i++) s += (i ? "," : "") + make(i);
    return s + "]";
}

}  // namespace

TEST(PlayerList, KeepsFirstFortyOrEmptiesWhenMissing) {
    auto s = freshState();
    applyPlayerList(s.get(), parse(arrayOf(45, playerJson)));
    EXPECT_EQ(s->playerCount, MAX_PLAYERS);
    EXPECT_STREQ(s->players[0].name, "P0");
    EXPECT_STREQ(s->players[39].id, "p39");
    EXPECT_EQ(s->contentDirty, 1);
    s->contentDirty = 0;
    applyPlayerList(s.get(), nullptr);
    EXPECT_EQ(s->playerCount, 0);
    EXPECT_EQ(s->contentDirty, 0);
    applyPlayerList(s.get(), parse(arrayOf(3, playerJson)));
    applyPlayerList(s.get(), parse("{\"name\":\"not a list\"}"));
    EXPECT_EQ(s->playerCount, 0);
}

TEST(PlayerList, ColourKeptWhenInkDisappearsNewPlayersByPosition) {
    auto s = freshState();
    applyPlayerList(s.get(), parse(R"([{"id":"a","name":"Ann","ink":"blue"},{"id":"b","name":"Bob"}])"));
    EXPECT_EQ(s->players[0].colour, 34);
    EXPECT_EQ(s->players[1].colour, 36);  // no ink, position 1
    applyPlayerList(s.get(), parse(R"([{"id":"c","name":"Cat"},{"id":"a","name":"Ann"},
        {"id":"d","name":"Dan","ink":"mauve"},{"id":"e","name":"Eve"},{"id":"f","name":"Fay"},
        {"id":"b","name":"Bob","ink":"gold"}])"));
    struct Want { const char* name; int32_t colour; } want[] = {
        {"Cat", 31}, {"Ann", 34}, {"Dan", 32}, {"Eve", 35}, {"Fay", 31}, {"Bob", 31},
    };
    ASSERT_EQ(s->playerCount, 6);
    for (int i = 0; i < 6; i++) {
        EXPECT_STREQ(s->players[i].name, want[i].name);
        EXPECT_EQ(s->players[i].colour, want[i].colour) << want[i].name;
    }
}

TEST(PlayerList, MatchingByIdOrByNameCarriesOldValues) {
    auto s = freshState();
    applyPlayerList(s.get(), parse(R"([
        {"name":"Ann","laughs":3,"source":"bbs","bbsNumber":7},
        {"name":"Bob","laughs":5},
        {"id":"1","name":"Sam","laughs":4,"source":"steam"},
        {"id":"9","name":"Kim","laughs":6}])"));
    applyPlayerList(s.get(), parse(R"([
        {"name":"Bob"},
        {"id":"x","name":"Ann"},
        {"id":"2","name":"Sam"},
        {"id":"9","name":"Kimberly","source":""}])"));
    struct Want { const char* name; int32_t laughs; const char* source; int32_t bbs; } want[] = {
        {"Bob", 5, "web", 0},       // no ids: matched by name
        {"Ann", 3, "bbs", 7},       // old id empty: matched by name
        {"Sam", 0, "web", 0},       // both ids, different: a new player
        {"Kimberly", 6, "", 0},     // same id under a new name; an empty source is kept
    };
    ASSERT_EQ(s->playerCount, 4);
    for (int i = 0; i < 4; i++) {
        const PlayerRecord& p = s->players[i];
        EXPECT_STREQ(p.name, want[i].name);
        EXPECT_EQ(p.laughs, want[i].laughs) << p.name;
        EXPECT_STREQ(p.source, want[i].source) << p.name;
        EXPECT_EQ(p.bbsNumber, want[i].bbs) << p.name;
    }
}

TEST(PlayerList, FieldsFromOneEntry) {
    auto s = freshState();
    copyText(s->myName, "Me");
    applyPlayerList(s.get(), parse(R"([
        {"id":"m","name":"Me","laughs":2.9,"isHost":true,"submitted":true},
        {"name":"Mel","laughs":-1.5,"ready":true},
        {"name":"","ready":false,"submitted":false},
        {"id":"0123456789012345678901234567890123456789AB","name":"A name far longer than thirty-one bytes"},
        {}])"));
    ASSERT_EQ(s->playerCount, 5);
    const PlayerRecord* p = s->players;
    EXPECT_EQ(p[0].laughs, 2);
    EXPECT_EQ(p[0].isHost + p[0].ready + p[0].isMe, 3);  // submitted counts as ready
    EXPECT_STREQ(p[0].source, "web");
    EXPECT_EQ(p[1].laughs, -1);
    EXPECT_EQ(p[1].ready, 1);
    EXPECT_EQ(p[1].isMe, 0);    // a prefix is not the caller
    EXPECT_EQ(p[2].ready, 0);
    EXPECT_EQ(p[2].isMe, 0);
    EXPECT_EQ(strlen(p[3].name), 31u);
    EXPECT_EQ(strlen(p[3].id), 39u);
    EXPECT_STREQ(p[4].name, "?");
    s->myName[0] = 0;
    applyPlayerList(s.get(), parse(R"([{"name":""}])"));
    EXPECT_EQ(s->players[0].isMe, 0);  // an empty name never matches an unknown caller
}

TEST(ChatLog, SixtyFifthLineDropsTheOldestAndFieldsAreCut) {
    auto s = freshState();
    for (int i = 0; i < 65; i++) {
        s->chatScroll = 5;
        appendChatLine(s.get(), "Ann", ("line " + std::to_string(i)).c_str(), CHAT_SAID, nullptr);
    }
    EXPECT_EQ(s->chatCount, MAX_CHAT_LINES);
    EXPECT_STREQ(s->chatLog[0].text, "line 1");
    EXPECT_STREQ(s->chatLog[63].text, "line 64");
    EXPECT_EQ(s->chatScroll, 0);
    EXPECT_EQ(s->chatDirty, 1);
    s = freshState();
    std::string longText(400, 'x'), longName(50, 'n');
    appendChatLine(s.get(), longName.c_str(), longText.c_str(), CHAT_DIRECTED, longName.c_str());
    appendSystemLine(s.get(), nullptr, nullptr, CHAT_SYSTEM);
    const ChatLine* c = s->chatLog;
    EXPECT_EQ(strlen(c[0].name), 31u);
    EXPECT_EQ(strlen(c[0].text), 255u);
    EXPECT_EQ(strlen(c[0].tag), 31u);
    EXPECT_EQ(c[0].kind, CHAT_DIRECTED);
    EXPECT_EQ(std::string(c[1].name) + c[1].text + c[1].tag, "");
    EXPECT_EQ(c[1].kind, CHAT_SYSTEM);
}

TEST(RoomState, StartDeadline) {
    struct Case { int32_t screen; const char* room; bool cleared; bool kept; } cases[] = {
        {SCR_TABLE, R"({"code":"ABC1234"})", true, false},
        {SCR_LOUNGE, R"({"code":"ABC1234"})", false, true},
        {SCR_REVEAL, R"({"startsInMs":-5})", false, true},
        {SCR_TABLE, R"({"startsInMs":5000})", false, false},
    };
    for (const Case& c : cases) {
        auto s = freshState();
        s->screen = c.screen;
        s->startDeadline = 1234;
        applyRoomState(s.get(), parse(c.room), 0);
        if (c.cleared) EXPECT_EQ(s->startDeadline, 0u) << c.room;
        if (c.kept) EXPECT_EQ(s->startDeadline, 1234u) << c.room;
        EXPECT_EQ(s->contentDirty, 1);
        EXPECT_EQ(s->inRoom, 1);
    }
    auto s = freshState();
    uint32_t before = tickMs(&s->clock);
    applyRoomState(s.get(), parse(R"({"startsInMs":5000.7})"), 0);
    EXPECT_FALSE(tickPassed(before + 4999, s->startDeadline));
    EXPECT_TRUE(tickPassed(tickMs(&s->clock) + 5000, s->startDeadline));
}

TEST(RoomState, WhichScreenFollows) {
    struct Case {
        int32_t screen; const char* state; int32_t mayShow; int32_t pickerMode; int32_t want;
    } cases[] = {
        {SCR_SCORES, "waiting", 0, 0, SCR_TABLE},
        {SCR_SCORES, "results", 1, 0, SCR_SCORES},
        {SCR_LOUNGE, "waiting", 1, 0, SCR_TABLE},
        {SCR_MAIN_MENU, "collecting", 1, 0, SCR_TABLE},
        {SCR_LOUNGE, "waiting", 0, 0, SCR_LOUNGE},
        {SCR_MAIN_MENU, "waiting", 1, 1, SCR_MAIN_MENU},
        {SCR_WORD_ENTRY, "waiting", 1, 0, SCR_WORD_ENTRY},
        {SCR_REVEAL, "waiting", 1, 0, SCR_REVEAL},
        {SCR_CATEGORY_PICK, "waiting", 1, 0, SCR_CATEGORY_PICK},
        {SCR_TALE_PICK, "waiting", 1, 0, SCR_TALE_PICK},
        {SCR_CREATE_TABLE, "waiting", 1, 0, SCR_CREATE_TABLE},
        {SCR_TABLE, "waiting", 1, 0, SCR_TABLE},  // a snapshot at the table keeps the typed line
    };
    for (const Case& c : cases) {
        auto s = freshState();
        s->screen = c.screen;
        s->pickerMode = c.pickerMode;
        copyText(s->inputLine, "hello");
        s->inputLen = 5;
        copyText(s->noticeText, "a notice");
        std::string room = std::string("{\"state\":\"") + c.state + "\"}";
        applyRoomState(s.get(), parse(room), c.mayShow);
        bool moved = c.screen != c.want;
        EXPECT_EQ(s->screen, c.want) << c.screen << " " << c.state;
        EXPECT_EQ(s->fullRedraw, moved ? 1 : 0) << c.screen;
        EXPECT_EQ(s->inputLen, moved ? 0 : 5) << c.screen;
        EXPECT_STREQ(s->inputLine, moved ? "" : "hello");
        EXPECT_STREQ(s->noticeText, moved ? "" : "a notice");
    }
}

TEST(RoomState, TableFieldsAndRoundTitle) {
    auto s = freshState();
    copyText(s->roomName, "Old Name");
    applyRoomState(s.get(), parse(R"({"code":"ABCDEFGHIJ","locked":true,"autoHost":1,
        "roundRobinPicking":true,"name":"","state":"voting",
        "template":{"title":"The Tale","category":"Spooky"},
        "players":[{"name":"A"},{"name":"B"}]})"), 0);
    EXPECT_STREQ(s->roomCode, "ABCDEFG");
    EXPECT_STREQ(s->roomName, "Old Name");  // an empty name keeps the old one
    EXPECT_EQ(s->roomLocked + s->roomAutoHost + s->roomRoundRobin, 3);
    EXPECT_EQ(s->playerCountSeen, 2);
    EXPECT_STREQ(s->roundTitle, "The Tale");
    EXPECT_STREQ(s->roundCategory, "Spooky");
    applyRoomState(s.get(), parse(R"({"state":"results","template":{"category":"Silly"}})"), 0);
    EXPECT_STREQ(s->roundTitle, "The Tale");  // member missing: kept
    EXPECT_STREQ(s->roundCategory, "Silly");
    EXPECT_EQ(s->playerCount, 2);              // no "players": list untouched
    applyRoomState(s.get(), parse(R"({"state":"waiting","template":{"title":"X"}})"), 0);
    EXPECT_EQ(std::string(s->roundTitle) + s->roundCategory, "");
}

TEST(RoomState, ReturnPendingNamesFromPlayersHeldBefore) {
    struct Case { const char* pending; const char* want; } cases[] = {
        {R"(["b"])", "Ann, Cat"},
        {R"(["a","b","c"])", ""},
        {R"(["zz"])", "Ann, Bob, Cat"},
        {R"([])", ""},
        {R"("b")", ""},
    };
    for (const Case& c : cases) {
        auto s = freshState();
        applyPlayerList(s.get(), parse(R"([{"id":"a","name":"Ann"},{"id":"b","name":"Bob"},{"id":"c","name":"Cat"}])"));
        copyText(s->returnPendingNames, "stale");
        std::string room = std::string(R"({"players":[{"id":"z","name":"Zed"}],"roomReturnPending":)") +
                           c.pending + "}";
        applyRoomState(s.get(), parse(room), 0);
        EXPECT_STREQ(s->returnPendingNames, c.want) << c.pending;
        EXPECT_EQ(s->playerCount, 1);
    }
    auto s = freshState();
    applyRoomState(s.get(), parse(R"({"roomReturnPending":["x"]})"), 0);
    EXPECT_STREQ(s->returnPendingNames, "");  // nobody held yet
}

TEST(RoomState, ReturnPendingNamesStopPastTheLimit) {
    auto s = freshState();
    std::string list = "[";
    for (int i = 0; i < 12; i++)
        list += std::string(i ? "," : "") + "{\"id\":\"i" + std::to_string(i) + "\",\"name\":\"" +
                std::string(30, (char)('A' + i)) + "-cut\"}";
    applyPlayerList(s.get(), parse(list + "]"));
    applyRoomState(s.get(), parse(R"({"roomReturnPending":["none"]})"), 0);
    // Seven names of 30 characters with their separators: 7 * 30 + 6 * 2.
    std::string want;
    for (int i = 0; i < 7; i++) want += (i ? ", " : "") + std::string(30, (char)('A' + i));
    EXPECT_EQ(std::string(s->returnPendingNames), want);
}

struct Announcements : ::testing::Test {
    std::string dis = exePath("WORDWHIRL.DIS").text;
    std::string rd = exePath("WORDWHIRL.RD").text;
    void SetUp() override {
        unlink(dis.c_str());
        unlink(rd.c_str());
    }
    void TearDown() override {
        unlink(dis.c_str());
        unlink(rd.c_str());
    }
};

TEST_F(Announcements, DismissedDoNotCountTowardsTen) {
    auto s = freshState();
    s->caller.userRecord = 5;
    markerAdd(dis.c_str(), 5, 2);
    markerAdd(dis.c_str(), 6, 4);   // another caller's dismissal
    markerAdd(rd.c_str(), 5, 3);
    std::string list = "{\"announcements\":[";
    for (int id = 1; id <= 12; id++)
        list += std::string(id > 1 ? "," : "") + "{\"id\":" + std::to_string(id) + ",\"body\":\"b\"}";
    applyAnnouncements(s.get(), parse(list + "]}"));
    ASSERT_EQ(s->announcementCount, MAX_ANNOUNCEMENTS);
    EXPECT_EQ(s->announcements[0].id, 1);
    // 2 dismissed by this caller; 3 read; 4 dismissed only by another caller.
    struct { int i; int32_t id; int32_t read; } want[] = {{1, 3, 1}, {2, 4, 0}, {9, 11, 0}};
    for (auto& w : want) {
        EXPECT_EQ(s->announcements[w.i].id, w.id) << w.i;
        EXPECT_EQ(s->announcements[w.i].read, w.read) << w.i;
    }
    EXPECT_STREQ(s->announcements[0].title, "(untitled)");
    EXPECT_STREQ(s->announcements[0].body, "b");
}

TEST_F(Announcements, MissingDataEmpties) {
    auto s = freshState();
    applyAnnouncements(s.get(), parse(R"({"announcements":[{"id":1,"title":"T"}]})"));
    EXPECT_EQ(s->announcementCount, 1);
    EXPECT_STREQ(s->announcements[0].title, "T");
    applyAnnouncements(s.get(), parse(R"({"other":[]})"));
    EXPECT_EQ(s->announcementCount, 0);
    s->announcementCount = 3;
    applyAnnouncements(s.get(), nullptr);
    EXPECT_EQ(s->announcementCount, 0);
}

TEST(Notice, SetAndClear) {
    auto s = freshState();
    std::string longText(300, 'n');
    setNotice(s.get(), longText.c_str());
    EXPECT_EQ(strlen(s->noticeText), 255u);
    EXPECT_NE(s->noticeTick, 0u);
    EXPECT_EQ(s->noticeDirty, 1);
    s->noticeDirty = 0;
    setNotice(s.get(), nullptr);
    EXPECT_STREQ(s->noticeText, "");
    EXPECT_EQ(s->noticeTick, 0u);
    EXPECT_EQ(s->noticeDirty, 0);
}

TEST(TypedLine, KeysAndLimits) {
    auto s = freshState();
    struct Case { int32_t key; int32_t result; int32_t len; int32_t dirty; } cases[] = {
        {KEY_ENTER, 0, 0, 0},        // empty line: nothing to send
        {KEY_BACKSPACE, 0, 0, 0},    // nothing to remove
        {'h', 0, 1, 1}, {'~', 0, 2, 1}, {' ', 0, 3, 1},
        {127, 0, 3, 0}, {200, 0, 3, 0}, {9, 0, 3, 0}, {KEY_UP, 0, 3, 0}, {KEY_ESC, 0, 3, 0},
        {KEY_BACKSPACE, 0, 2, 1},
        {KEY_ENTER, 1, 2, 0},        // the line stays for the caller to clear
    };
    for (const Case& c : cases) {
        s->inputDirty = 0;
        EXPECT_EQ(editInputLine(s.get(), c.key), c.result) << c.key;
        EXPECT_EQ(s->inputLen, c.len) << c.key;
        EXPECT_EQ((int32_t)strlen(s->inputLine), c.len) << c.key;
        EXPECT_EQ(s->inputDirty, c.dirty) << c.key;
    }
    EXPECT_STREQ(s->inputLine, "h~");
    for (int i = 0; i < 252; i++) editInputLine(s.get(), 'x');
    EXPECT_EQ(s->inputLen, 254);
    s->inputDirty = 0;
    editInputLine(s.get(), 'y');   // the 255th character
    EXPECT_EQ(s->inputLen, 254);
    EXPECT_EQ(s->inputDirty, 0);
    EXPECT_EQ(s->inputLine[253], 'x');
    EXPECT_EQ(s->inputLine[254], 0);
}
