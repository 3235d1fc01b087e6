#include <gtest/gtest.h>

#include "house_helpers.h"
#include "lobby.h"
#include "server.h"

TEST(HouseLobby, AuthedCarriesNameGreetingCategoriesAndCount) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    login(&h, 2, "ann");  // names are unique without regard to case
    login(&h, 3, "   ");
    Json a = lastEvent(&h, 1, "authed");
    EXPECT_TRUE(a["ok"]);
    EXPECT_EQ(a["you"]["name"], "Ann");
    EXPECT_NE(a["you"]["greeting"].get<std::string>().find("{username}"), std::string::npos);
    EXPECT_EQ(a["categories"][1], (Json{{"name", "Frost"}, {"kind", "holiday"}}));
    EXPECT_EQ(a["bbs"]["board"], "test-bbs");
    EXPECT_FALSE(a["announcements"].empty());
    EXPECT_EQ(a["onlineTotal"], 1);
    EXPECT_EQ(lastEvent(&h, 2, "authed")["you"]["name"], "ann 2");
    EXPECT_EQ(lastEvent(&h, 3, "authed")["you"]["name"], "Guest");
    EXPECT_EQ(lastEvent(&h, 1, "presence:total")["online"], 3);
    houseClose(&h, 2);
    EXPECT_EQ(lastEvent(&h, 1, "presence:total")["online"], 2);
    EXPECT_EQ(lastEvent(&h, 1, "lobby:roster")["players"].size(), 2u);
}

TEST(HouseLobby, ConnectWithAnUnescapedAliasStillLogsIn) {
    struct Case {
        std::string line;
        std::string name;
    };
    const Case cases[] = {
        {R"({"cmd":"connect","bbsInstanceId":"b\1","localUserid":"7","alias":"Big "Al""})", "Big \"Al\""},
        {"{\"cmd\":\"connect\",\"bbsInstanceId\":\"b\",\"localUserid\":\"7\",\"alias\":\"J\x81rgen\"}", "J?rgen"},
        {R"({"cmd":"connect","bbsInstanceId":"b","localUserid":"7","alias":"x\"})", "x\\"},
    };
    int session = 1;
    for (const Case& c : cases) {
        House h;
        startHouse(&h);
        houseOpen(&h, session);
        EXPECT_TRUE(houseLine(&h, session, c.line)) << c.line;
        EXPECT_EQ(lastEvent(&h, session, "authed")["you"]["name"], c.name) << c.line;
    }
    House h;
    startHouse(&h);
    houseOpen(&h, 1);
    EXPECT_FALSE(houseLine(&h, 1, R"({"cmd":"connect","alias":"no shape)"));
}

TEST(HouseLobby, ChatLinesReachTheRightPeople) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    login(&h, 2, "Bob");
    login(&h, 3, "Cy");
    emit(&h, 3, "room:create", {{"name", "Cy's"}}, 5);
    h.outbox.clear();
    struct Case {
        const char* typed;
        Json toAnn;   // what Ann sees (null: nothing)
        Json toBob;
    };
    const Case cases[] = {
        {"hello", {{"name", "Ann"}, {"text", "hello"}}, {{"name", "Ann"}, {"text", "hello"}}},
        {">bob look", {{"name", "Ann"}, {"text", "look"}, {"directedTo", "Bob"}}, {{"name", "Ann"}, {"text", "look"}, {"directedTo", "Bob"}}},
        {"/Bob psst", {{"name", "Bob"}, {"text", "psst"}, {"whisper", true}, {"direction", "out"}},
         {{"name", "Ann"}, {"text", "psst"}, {"whisper", true}, {"direction", "in"}}},
        {"hugs Bob", {{"name", "Ann"}, {"text", "Ann hugs Bob."}, {"kind", "action"}}, {{"name", "Ann"}, {"text", "Ann hugs Bob."}, {"kind", "action"}}},
        {">nobody hi", {{"name", "Ann"}, {"text", ">nobody hi"}}, {{"name", "Ann"}, {"text", ">nobody hi"}}},
    };
    for (const Case& c : cases) {
        h.outbox.clear();
        emit(&h, 1, "lobby:chat", c.typed);
        EXPECT_EQ(lastEvent(&h, 1, "lobby:chat"), c.toAnn) << c.typed;
        EXPECT_EQ(lastEvent(&h, 2, "lobby:chat"), c.toBob) << c.typed;
        EXPECT_TRUE(eventsTo(&h, 3, "lobby:chat").empty()) << c.typed;  // Cy sits at a table
    }
    h.outbox.clear();
    emit(&h, 1, "lobby:chat", "/Zed hi");
    EXPECT_TRUE(eventsTo(&h, 2, "lobby:chat").empty());
    EXPECT_EQ(lastEvent(&h, 1, "lobby:notice")["text"], "Nobody called Zed is here.");
    emit(&h, 1, "room:chat", "not seated");  // a room line from the Lounge goes nowhere
    EXPECT_TRUE(eventsTo(&h, 3, "room:chat").empty());
    emit(&h, 3, "room:emote", {{"text", "juggles"}});
    EXPECT_EQ(lastEvent(&h, 3, "room:emote")["text"], "Cy juggles");
}

TEST(HouseLobby, ActionsListMatchesTheActionWords) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    houseLine(&h, 1, R"({"cmd":"actions","offset":0})");
    Json actions = lastEvent(&h, 1, "actions");
    ASSERT_GT(actions["total"], 0);
    EXPECT_EQ(actions["items"].size(), actions["total"].get<size_t>());
    for (const Json& word : actions["items"]) EXPECT_FALSE(actionLine("Ann", word.get<std::string>()).empty()) << word;
    EXPECT_EQ(actionLine("Ann", "wave"), "");
}

TEST(HouseLobby, SoloRoundAndWordCheck) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    emit(&h, 1, "solo:submit", {{"answers", Json::object()}}, 2);  // nothing started yet
    EXPECT_FALSE(repliesTo(&h, 1, 2).at(0)["ok"]);
    emit(&h, 1, "solo:start", {{"templateId", 99}}, 1);
    EXPECT_FALSE(repliesTo(&h, 1, 1).at(0)["ok"]);
    emit(&h, 1, "solo:start", {{"templateId", 2}}, 1);
    Json start = repliesTo(&h, 1, 1).at(1);
    ASSERT_EQ(start["blanks"].size(), 3u);
    EXPECT_EQ(start["blanks"][0]["hint"], "any");
    emit(&h, 1, "solo:submit", {{"answers", {{"1", "Rex"}, {"2", "hat"}}}}, 2);
    EXPECT_EQ(repliesTo(&h, 1, 2).at(1)["blankN"], 3);
    emit(&h, 1, "solo:submit", {{"answers", {{"1", " Rex "}, {"2", "hat"}, {"3", "ten"}}}}, 2);
    EXPECT_EQ(repliesTo(&h, 1, 2).at(2)["text"], "A cat named Rex slept on hat for ten days.");
    emit(&h, 1, "word:check", {{"text", "Stupid!"}}, 11);
    emit(&h, 1, "word:check", {{"text", "stupendous"}}, 11);
    EXPECT_TRUE(repliesTo(&h, 1, 11).at(0)["blocked"]);
    EXPECT_FALSE(repliesTo(&h, 1, 11).at(1)["blocked"]);
}

TEST(HouseLobby, MailboxWelcomeReplyAndDelete) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    emit(&h, 1, "mail:list", Json::object(), 6);
    Json mail = repliesTo(&h, 1, 6).at(0)["mail"];
    ASSERT_EQ(mail.size(), 1u);
    EXPECT_EQ(mail[0]["read"], 0);
    EXPECT_EQ(mail[0]["reply_to"], "house");
    int id = mail[0]["id"];
    emit(&h, 1, "mail:mark-read", {{"id", id}});
    emit(&h, 1, "mail:reply", {{"id", id}, {"text", "Thanks!"}}, 13);
    EXPECT_TRUE(repliesTo(&h, 1, 13).at(0)["ok"]);
    EXPECT_FALSE(lastEvent(&h, 1, "mail:new").is_null());
    emit(&h, 1, "mail:list", Json::object(), 6);
    mail = repliesTo(&h, 1, 6).at(1)["mail"];
    ASSERT_EQ(mail.size(), 2u);
    EXPECT_EQ(mail[1]["read"], 1);
    EXPECT_TRUE(mail[1].contains("replied_at"));
    emit(&h, 1, "mail:reply", {{"id", mail[0]["id"]}, {"text", "again"}}, 13);  // the thank-you takes no reply
    EXPECT_FALSE(repliesTo(&h, 1, 13).at(1)["ok"]);
    emit(&h, 1, "mail:delete", {{"id", id}});
    emit(&h, 1, "mail:list", Json::object(), 6);
    EXPECT_EQ(repliesTo(&h, 1, 6).at(2)["mail"].size(), 1u);
    emit(&h, 1, "carehub:get", Json::object(), 10);
    Json hub = repliesTo(&h, 1, 10).at(0)["hub"];
    EXPECT_FALSE(hub["intro"].get<std::string>().empty());
    EXPECT_TRUE(hub["sections"][0]["urgent"]);
    EXPECT_EQ(hub["sections"].size(), 3u);
}

TEST(HouseRobustness, BadLinesAreDroppedAndTheHouseCarriesOn) {
    House h;
    startHouse(&h);
    houseOpen(&h, 1);
    EXPECT_FALSE(houseLine(&h, 1, R"({"cmd":"emit","name":"lobby:refresh"})"));  // before log-in
    login(&h, 1, "Ann");
    login(&h, 2, "Bob");
    const char* bad[] = {
        "not json", "[1,2]", R"({"cmd":"fly"})", R"({"cmd":"emit","name":"no:such"})", R"({"cmd":5})",
        R"({"cmd":"emit","name":"room:create","ackId":5,"data":"text"})",
        R"({"cmd":"emit","name":"lobby:chat","data":{"text":"hi"}})",
    };
    for (const char* line : bad) EXPECT_FALSE(houseLine(&h, 1, line)) << line;
    // Wrong types reach handlers, which take their defaults.
    const Json wrong[] = {
        {{"cmd", "emit"}, {"name", "room:join"}, {"ackId", 4}, {"data", {{"code", 5}}}},
        {{"cmd", "emit"}, {"name", "vote:cast"}, {"data", {{"blankN", "x"}}}},
        {{"cmd", "emit"}, {"name", "submit:answers"}, {"data", {{"answers", {1, 2}}}}},
        {{"cmd", "emit"}, {"name", "mail:mark-read"}, {"data", {{"id", 1e300}}}},
        {{"cmd", "stories"}, {"category", Json::array()}, {"offset", "ten"}},
    };
    for (const Json& line : wrong) houseLine(&h, 1, line.dump());
    EXPECT_FALSE(repliesTo(&h, 1, 4).at(0)["ok"]);
    EXPECT_EQ(h.sessions[1].roomId, 0);
    h.outbox.clear();
    emit(&h, 2, "lobby:chat", "still here \xc4\xb0");  // bytes above 127 arrive as '?'
    EXPECT_EQ(lastEvent(&h, 1, "lobby:chat")["text"], "still here ??");
}

TEST(HouseRobustness, OverLongLinesAreCutOutOfTheStream) {
    Conn c{-1, "", "", false};
    int dropped = 0;
    c.in = "one\r\ntwo\n\npart";
    EXPECT_EQ(serverTakeLines(&c, &dropped), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(c.in, "part");
    c.in = std::string(SERVER_LINE_MAX + 10, 'x');
    EXPECT_TRUE(serverTakeLines(&c, &dropped).empty());
    EXPECT_EQ(dropped, 1);
    c.in = "still the long line\nnext\n";  // its tail arrives later
    EXPECT_EQ(serverTakeLines(&c, &dropped), (std::vector<std::string>{"next"}));
    EXPECT_EQ(dropped, 1);
    c.in = std::string(SERVER_LINE_MAX + 1, 'y') + "\nafter\n";
    EXPECT_EQ(serverTakeLines(&c, &dropped), (std::vector<std::string>{"after"}));
    EXPECT_EQ(dropped, 2);
}

// The submission's category step asks with lobby:refresh when the door holds
// no categories; only authed brings them outside a table's pick, so callers
// asking from outside the Lounge get it again. In the Lounge or at a table
// the tables alone come back.
TEST(HouseLobby, RefreshFromOutsideTheLoungeBringsTheCategories) {
    House h;
    startHouse(&h);
    login(&h, 1, "Ann");
    struct Case {
        const char* zone;
        bool seated;
        bool authed;
    };
    const Case cases[] = {{"welcome", false, true}, {"lounge", false, false}, {"room", true, false}};
    for (const Case& c : cases) {
        emit(&h, 1, "presence:zone", c.zone);
        if (c.seated) emit(&h, 1, "room:create", {{"name", "Den"}}, 5);
        h.outbox.clear();
        emit(&h, 1, "lobby:refresh", Json::object());
        Json authed = lastEvent(&h, 1, "authed");
        EXPECT_EQ(!authed.is_null(), c.authed) << c.zone;
        if (c.authed) {
            EXPECT_EQ(authed["categories"].size(), 2u);
            EXPECT_EQ(authed["you"]["name"], "Ann");
            EXPECT_EQ(Json::parse(h.outbox.back().line)["event"], "lobby:roster") << "the tables follow";
        }
        EXPECT_FALSE(lastEvent(&h, 1, "lobby:rooms").is_null()) << c.zone;
    }
}
