// The Lounge side of the house as one table of steps: log-in and unique
// names, chat routing, the solo game and word check, mail, the care hub,
// refreshes from the different zones, lines that are bad or of the wrong
// shape, and the shipped story library.
#include <set>

#include "house_helpers.h"
#include "lobby.h"
#include "tales.h"

namespace {

std::string times(const std::string& text, int n) {
    std::string out;
    while (n-- > 0) out += text;
    return out;
}

// Callers: Ann, Bob and Cy; a fourth "ann" and a blank fifth.
const std::vector<TestHouse::Step> STEPS = {
    {1, "login Ann", 1, "authed", R"({"ok":true,"you":{"name":"Ann"},"bbs":{},"onlineTotal":1,)"
                                  R"("categories":[{"name":"Pets","kind":"normal"},{"name":"Frost","kind":"holiday"}]})"},
    {2, "login Bob", 1, "presence:total", R"({"online":2})"},
    {3, "login Cy", 3, "authed", R"({"ok":true,"onlineTotal":3})"},
    {4, "login ann", 4, "authed", R"({"you":{"name":"ann 2"}})"},  // unique without regard to case
    {5, "login    ", 5, "authed", R"({"you":{"name":"Guest"}})"},
    {5, "close", 1, "presence:total", R"({"online":4})"},
    {0, "", 1, "lobby:roster", R"({"players":[{},{},{},{}]})"},
    // Chat: Cy sits at a table and hears none of the Lounge.
    {3, "room:create#5 {\"name\":\"Cy's\"}", 3, "#5", R"({"ok":true})"},
    {1, "lobby:chat \"hello\"", 2, "lobby:chat", R"({"name":"Ann","text":"hello"})"},
    {0, "", 3, "lobby:chat", "null"},
    {1, "lobby:chat \">bob look\"", 2, "lobby:chat", R"({"name":"Ann","text":"look","directedTo":"Bob"})"},
    {1, "lobby:chat \"/Bob psst\"", 2, "lobby:chat", R"({"name":"Ann","text":"psst","whisper":true,"direction":"in"})"},
    {0, "", 1, "lobby:chat", R"({"name":"Bob","text":"psst","whisper":true,"direction":"out"})"},
    {0, "", 4, "lobby:chat", "null"},
    {1, "lobby:chat \"hugs Bob\"", 2, "lobby:chat", R"({"name":"Ann","text":"Ann hugs Bob.","kind":"action"})"},
    {1, "lobby:chat \"/Zed hi\"", 1, "lobby:notice", R"({"text":"Nobody called Zed is here."})"},
    {1, "room:chat \"not seated\"", 3, "room:chat", "null"},
    {3, "room:emote {\"text\":\"juggles\"}", 3, "room:emote", R"({"text":"Cy juggles"})"},
    {2, "lobby:chat \"still here \xc4\xb0\"", 1, "lobby:chat", R"({"text":"still here \u0130"})"},  // UTF-8 kept
    {2, "~{\"cmd\":\"emit\",\"name\":\"lobby:chat\",\"data\":\"caf\xc3 \xe2\x82 \xed\xa0\x80!\"}", 1, "lobby:chat", R"({"text":"caf\ufffd \ufffd \ufffd!"})"},
    // Actions by base word or listed form, a typed name found as for
    // whispers; a secret one reaches its target alone.
    {1, "lobby:chat \"wave Bo\"", 2, "lobby:chat", R"({"name":"Ann","text":"Ann waves at Bob.","kind":"action"})"},
    {1, "lobby:chat \"highfive bob SECRETLY\"", 2, "lobby:chat", R"({"text":"(secretly) Ann high-fives Bob.","kind":"action"})"},
    {0, "", 1, "lobby:chat", R"({"text":"(secretly) Ann high-fives Bob."})"},
    {0, "", 4, "lobby:chat", "null"},
    {1, "lobby:chat \"wave Bob and run\"", 4, "lobby:chat", R"({"text":"wave Bob and run"})"},
    {1, "lobby:chat \"wave Zed secretly\"", 1, "lobby:notice", R"({"text":"Nobody called Zed is here."})"},
    {1, "lobby:chat \"/help\"", 1, "lobby:notice", "{}"},
    // Bob ignores Ann (by prefix): none of her lines, whispers, actions,
    // emotes or invitations reach him, across visits, until he lets her through.
    {2, "lobby:chat \"/ignore an\"", 2, "lobby:notice", R"({"text":"You are ignoring Ann: you won't see their messages. /unignore Ann lets them through."})"},
    {2, "lobby:chat \"/ignore Cy\"", 2, "lobby:notice", "{}"},
    {1, "lobby:chat \"hello again\"", 2, "lobby:chat", "null"},
    {0, "", 4, "lobby:chat", R"({"text":"hello again"})"},
    {1, "lobby:chat \"/Bob psst\"", 2, "lobby:chat", "null"},
    {0, "", 1, "lobby:chat", R"({"text":"psst","direction":"out"})"},
    {1, "lobby:chat \"wave Bob secretly\"", 2, "lobby:chat", "null"},
    {1, "lobby:emote {\"text\":\"juggles\"}", 2, "lobby:emote", "null"},
    {3, "room:invite {\"targetName\":\"Bob\"}", 2, "lobby:invite", "null"},
    {0, "", 3, "room:notice", R"({"text":"Invitation sent to Bob."})"},
    {2, "close", 2, "", "true"},
    {2, "login Bob", 2, "authed", "{}"},
    {1, "lobby:chat \"back?\"", 2, "lobby:chat", "null"},
    {2, "lobby:chat \"/ignore\"", 2, "lobby:notice", R"({"text":"You are ignoring: Ann, Cy."})"},
    {2, "lobby:chat \"/unignore a\"", 2, "lobby:notice", R"({"text":"Ann's messages come through again."})"},
    {2, "lobby:chat \"/unignore a\"", 2, "lobby:notice", R"({"text":"You are not ignoring anybody called a."})"},
    {1, "lobby:chat \"hi Bob\"", 2, "lobby:chat", R"({"text":"hi Bob"})"},
    // Solo and the word check.
    {1, "solo:start#1 {\"templateId\":2}", 1, "#1", R"({"ok":true,"blanks":[{"hint":"any"},{},{}]})"},
    {1, "solo:submit#2 {\"answers\":{\"1\":\"Rex\",\"2\":\"hat\"}}", 1, "#2", R"({"ok":false,"blankN":3})"},
    {1, "solo:submit#2 {\"answers\":{\"1\":\" Rex \",\"2\":\"hat\",\"3\":\"ten\"}}", 1, "#2",
     R"({"ok":true,"text":"A cat named Rex slept on hat for ten days.","words":[{"authorId":"s1"},{"authorId":"s1"},{"authorId":"s1"}]})"},
    {1, "word:check#11 {\"text\":\"Stupid!\"}", 1, "#11", R"({"blocked":true})"},
    {1, "word:check#11 {\"text\":\"stupendous\"}", 1, "#11", R"({"blocked":false})"},
    // Mail: the welcome letter takes a reply, the thank-you for it does not.
    {1, "mail:list#6 {}", 1, "#6", R"({"ok":true,"mail":[{"id":1,"read":0,"reply_to":"house"}]})"},
    {1, "mail:mark-read {\"id\":1}", 1, "", "true"},
    {1, "mail:reply#13 {\"id\":1,\"text\":\"Thanks!\"}", 1, "#13", R"({"ok":true})"},
    {0, "", 1, "mail:new", "{}"},
    {1, "mail:list#6 {}", 1, "#6", R"({"mail":[{"id":2,"read":0},{"id":1,"read":1}]})"},
    {1, "mail:reply#13 {\"id\":2,\"text\":\"again\"}", 1, "#13", R"({"ok":false})"},
    {1, "mail:delete {\"id\":1}", 1, "", "true"},
    {1, "mail:list#6 {}", 1, "#6", R"({"mail":[{"id":2}]})"},
    {1, "carehub:get#10 {}", 1, "#10", R"({"ok":true,"hub":{"sections":[{"urgent":true},{},{}]}})"},
    // A refresh from outside the Lounge and the tables brings the categories
    // again (the door's submission asks so), the tables after them.
    {1, "presence:zone \"welcome\"", 1, "", "true"},
    {1, "lobby:refresh {}", 1, "authed", R"({"you":{"name":"Ann"},"categories":[{},{}]})"},
    {0, "", 1, "lobby:rooms", R"({"rooms":[{},{}]})"},
    {1, "presence:zone \"lounge\"", 1, "", "true"},
    {1, "lobby:refresh {}", 1, "authed", "null"},
    // Bad lines are dropped; wrong types reach handlers, which take their defaults.
    {1, "~not json", 1, "", "false"},
    {1, "[1,2]", 1, "", "false"},
    {1, "{\"cmd\":\"fly\"}", 1, "", "false"},
    {1, "{\"cmd\":\"emit\",\"name\":\"room:create\",\"ackId\":5,\"data\":\"text\"}", 1, "", "false"},
    {1, "lobby:chat {\"text\":\"hi\"}", 1, "", "false"},
    {1, "room:join#4 {\"code\":5}", 1, "#4", R"({"ok":false})"},
    {1, "submit:answers {\"answers\":[1,2]}", 1, "", "true"},
    {1, "{\"cmd\":\"stories\",\"category\":[],\"offset\":\"ten\"}", 1, "stories", R"({"total":0})"},
    {6, "~{\"cmd\":\"emit\",\"name\":\"lobby:refresh\"}", 6, "", "false"},  // before log-in
    // A door's alias reaches the connect line as typed: quotes and high bytes unescaped.
    {7, R"~({"cmd":"connect","bbsInstanceId":"b\1","localUserid":"7","alias":"Big "Al""})~", 7, "authed", R"({"you":{"name":"Big \"Al\""}})"},
    {8, "{\"cmd\":\"connect\",\"bbsInstanceId\":\"b\",\"localUserid\":\"8\",\"alias\":\"J\x81rgen\"}", 8, "authed", R"({"you":{"name":"J\ufffdrgen"}})"},
    {11, "login " + times("\xc3\xa9", 30), 11, "authed", R"({"you":{"name":")" + times("\xc3\xa9", 27) + "\"}}"},  // cut by characters
    {9, R"({"cmd":"connect","bbsInstanceId":"b","localUserid":"9","alias":"x\"})", 9, "authed", R"({"you":{"name":"x\\"}})"},
    {10, R"({"cmd":"connect","alias":"no shape)", 10, "", "false"},
    {1, "~{\"cmd\":\"actions\",\"offset\":0}", 1, "", "true"},
};

TEST(HouseLobby, TheLoungeStepByStep) {
    TestHouse t;
    t.run({STEPS[0]});
    Json authed = t.last(1, "authed");
    EXPECT_TRUE(authed["bbs"].empty()) << "no names given: the door keeps its own";
    EXPECT_NE(authed["you"]["greeting"].get<std::string>().find("{username}"), std::string::npos);
    EXPECT_FALSE(authed["announcements"].empty());
    t.run({STEPS.begin() + 1, STEPS.end()});
    Json words = t.last(1, "actions")["items"];
    EXPECT_FALSE(words.empty());
    for (const Json& word : words) EXPECT_NE(actionLine("Ann", actionWords(word), ""), "") << word;
    t.h.names = {"", "Sam"};
    t.h.boards["own"] = {"Own BBS", ""};
    t.run({{12, "login Al", 12, "authed", R"({"bbs":{"sysop":"Sam"}})"},
           {13, R"({"cmd":"connect","bbsInstanceId":"own","localUserid":"1","alias":"Di"})", 13, "authed", R"({"bbs":{"board":"Own BBS"}})"}});
    EXPECT_FALSE(t.last(12, "authed")["bbs"].contains("board"));
    EXPECT_FALSE(t.last(13, "authed")["bbs"].contains("sysop"));
}

}  // namespace

// The library the Lounge lists stories from, as shipped: every tale loads
// with a sensible number of gaps, every category has tales, every kind of
// category is there.
TEST(HouseTales, ShippedLibraryIsComplete) {
    Library lib;
    std::string log;
    ASSERT_TRUE(talesLoadFile(WW_TALES_FILE, &lib, &log)) << log;
    EXPECT_EQ(log, "");
    EXPECT_GE(lib.tales.size(), 30u);
    std::set<std::string> kinds;
    for (const Category& c : lib.categories) {
        kinds.insert(c.kind);
        EXPECT_FALSE(talesOfCategory(lib, c.name).empty()) << c.name;
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"normal", "holiday", "limited"}));
    for (const Tale& t : lib.tales) {
        EXPECT_TRUE(t.blanks.size() >= 8 && t.blanks.size() <= 16) << t.title;
        EXPECT_EQ(taleFill(t, {}).find('{'), std::string::npos) << t.title;
    }
}
