// The door's protocol contract, row by row: a starting situation reached
// through service lines and keys, then one more service line or keys, and
// out the exact request lines the door sent and texts the caller sees on the
// 80x24 screen. Everything goes through real main-loop passes, so the rows
// hold whatever the state looks like inside.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "door/mainloop.h"
#include "net/connection.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "session/requests.h"
#include "support/door_fixture.h"
#include "support/service_pair.h"

namespace {

using Lines = std::vector<std::string>;

struct Row {
    const char* name;
    int32_t screen;  // entered before the steps; -1 = stay on the menu
    Lines given;     // the situation: service lines ('{') or typed keys
    Lines when;      // the same, the step under test
    Lines sent;      // "name data", "name#ack data" or a raw line
    Lines seen;      // texts on screen; a leading '!' means absent
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

// Keys: "\r" ends a line, "\x1b" alone is ESC (the pass waits it out).
const std::string ESC = "\x1b", ENTER = "\r", UP = "\x1b[A", DOWN = "\x1b[B", PGUP = "\x1b[5~", PGDN = "\x1b[6~";

std::string ev(const std::string& name, const std::string& data) { return eventLine(name, data); }
std::string re(int ack, const std::string& data) { return replyLine(ack, data); }

std::string expand(const std::string& shorthand) {
    if (shorthand[0] == '{') return shorthand;
    size_t sp = shorthand.find(' ');
    std::string head = shorthand.substr(0, sp), data = sp == std::string::npos ? "{}" : shorthand.substr(sp + 1);
    size_t hash = head.find('#');
    if (hash == std::string::npos) return emit(head, data);
    return emitAck(head.substr(0, hash), std::stoi(head.substr(hash + 1)), data);
}

struct Contract : DoorScreenTest {
    int service = -1;

    void SetUp() override {
        DoorScreenTest::SetUp();
        service = serviceWire(cs.get());
        ASSERT_GE(service, 0);
        fcntl(cs->conn.socket, F_SETFL, fcntl(cs->conn.socket, F_GETFL) | O_NONBLOCK);
        cs->timers.running = 1;
        cs->timers.doorStartTick = tickMs(&cs->clock);
        cs->timers.lastInputTick = tickMs(&cs->clock);
        cs->caller.timeLeftSecs = 3600;
        cs->caller.userRecord = 77;
        unlink(exePath("WORDWHIRL.RD").text);
        unlink(exePath("WORDWHIRL.DIS").text);
        copyText(cs->caller.callerName, "Ann");
    }
    void TearDown() override {
        serverClose(&cs->conn);
        close(service);
        DoorScreenTest::TearDown();
    }
    void pass() {
        mainLoopPass(cs.get());
        tickMoveBase(&cs->clock, 300);  // timers due, a lone ESC is a key
        mainLoopPass(cs.get());
    }
    void step(const std::string& s) {
        if (s[0] == '~') tickMoveBase(&cs->clock, std::stoul(s.substr(1)) * 1000);  // "~N": N s pass
        if (s[0] == '{') {
            std::string line = s + "\n";
            ASSERT_EQ(write(service, line.data(), line.size()), (ssize_t)line.size());
        } else if (s[0] != '~') {
            screenSendKeys(&ts, s);
        }
        pass();
    }
    std::string grid() {
        screenPump(&ts);
        std::string all;
        for (int r = 1; r <= TEST_ROWS; r++) all += screenRowUtf8(&ts, r) + "\n";
        return all;
    }
    void run(const Row& row) {
        SCOPED_TRACE(row.name);
        enterScreen(cs.get(), row.screen < 0 ? SCR_MAIN_MENU : row.screen);
        pass();
        for (const std::string& s : row.given) step(s);
        serviceRead(service);
        for (const std::string& s : row.when) step(s);
        Lines want;
        for (const std::string& s : row.sent) want.push_back(expand(s));
        EXPECT_EQ(serviceReadLines(service), want);
        std::string shown = grid();
        for (const std::string& text : row.seen) {
            bool absent = text[0] == '!';
            EXPECT_EQ(shown.find(absent ? text.substr(1) : text) == std::string::npos, absent)
                << (absent ? "drawn: " : "missing: ") << text << "\n" << shown;
        }
    }
};

// Log-in and a seat, as the service says them.
const std::string AUTH = ev("authed", R"({"ok":true,"you":{"name":"Ann","greeting":"Hi {username}, {username}!"},)"
    R"("features":{"tester_feedback":true},"bbs":{"board":"Tiny BBS","sysop":"Syd"},)"
    R"("categories":["Animals",{"name":"Space","kind":"holiday"}],"onlineTotal":5,)"
    R"("announcements":[{"id":3,"title":"News","body":"Hello all"}]})");
const std::string SEATED = ev("room:state", R"({"code":"ABC1234","name":"Den","players":[)"
    R"({"id":"p1","name":"Ann","isHost":true},{"id":"p2","name":"Bob","source":"bbs","bbsNumber":4}]})");
const std::string HOSTING = re(ACK_ROOM_CREATE, R"({"ok":true,"room":{"code":"ABC1234","name":"Den","players":[)"
    R"({"id":"p1","name":"Ann","isHost":true},{"id":"p2","name":"Bob"}]}})");
const std::string ROOMS = ev("lobby:rooms", R"({"rooms":[{"code":"OPEN111","name":"Open","players":1,"max":4},)"
    R"({"code":"LOCK222","name":"Shut","players":2,"locked":true,"knockId":"k2"},)"
    R"({"code":"FULL333","name":"Full","players":4,"max":4}]})");
const std::string PROMPTS = ev("game:prompts", R"({"template":{"title":"Zoo Day","category":"Animals"},)"
    R"("blanks":[{"n":7,"type":"noun","hint":"a thing"},{"n":9,"type":"verb"}],"seconds":90})");
// The same with 2 s to write: each step below moves the clock 300 ms.
const std::string PROMPTS_2S = ev("game:prompts", R"({"blanks":[{"n":7,"type":"noun"},{"n":9,"type":"verb"}],"seconds":2})");
const std::string CHECKED = re(11, R"({"ok":true})");
const std::string LETTER = re(ACK_MAIL_LIST, R"({"mail":[{"id":5,"reply_to":"x","body":"line one\nline two"}]})");
const std::string TALE = "s\r", STORY = "A {noun} ran.\r";  // the menu's S, then a line with one gap
const std::string SENT_TALE = "submission:submit#7 {\"title\":\"T\",\"storyText\":\"";
const std::string PICK = ev("game:category-pick", R"({"pickerId":"p1","categories":["Sea","Sky"],"pickSeconds":20})");
const std::string ALONE = re(ACK_ROOM_CREATE, R"({"ok":true,"room":{"name":"Den","players":[{"id":"p1","name":"Ann","isHost":true}]}})");
const std::string QUICK = ev("room:state", R"({"autoHost":true,"players":[{"id":"p1","name":"Ann"},{"id":"p2","name":"Bob"}]})");
const std::string TALES = [] {  // 10 of 12 tales held: a second page, and more to come
    std::string items;
    for (int i = 1; i <= 10; i++) items += (i > 1 ? "," : "") + std::string(R"({"id":)") + std::to_string(i) + R"(,"title":"Tale)" + std::to_string(i) + "\"}";
    return ev("stories", R"({"offset":0,"total":12,"items":[)" + items + "]}");
}();
const std::string TABLES = [] {  // 12 tables: two Lounge pages
    std::string items;
    for (int i = 10; i < 22; i++) items += (i > 10 ? "," : "") + std::string(R"({"code":"C)") + std::to_string(i) + R"(","name":"Tab)" + std::to_string(i) + "\"}";
    return ev("lobby:rooms", R"({"rooms":[)" + items + "]}");
}();
const std::string CARE = re(ACK_CAREHUB_GET, R"({"ok":true,"hub":{"intro":"Help is here.\n\n\n\n\n\n\n\n\n\n\n\n\n\n\nYou are not alone, and there are people who want to listen whenever you need them to.","disclaimer":"Not a service.",)"
    R"("sections":[{"key":"a","title":"Lines","entries":[{"name":"Talk","note":"Any hour","contact":"555","contact2":"556"}]},{"title":"Other"},{"urgent":true,"entries":[{"name":"Now","contact":"911"},{"contact":"0"},{"name":"A helpline with a very long name","contact":"a contact that runs on and on and on, long"}]}]}})");

// 97 characters: an editor keeps them as two lines, cut after word10.
const std::string WORDS = "word01 word02 word03 word04 word05 word06 word07 word08 word09 word10 word11 word12 word13 word14";

class ContractRows : public Contract, public ::testing::WithParamInterface<Row> {};
TEST_P(ContractRows, Holds) { run(GetParam()); }
std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    std::string n;
    for (const char* p = info.param.name; *p; p++) n += isalnum((unsigned char)*p) ? *p : '_';
    return n;
}

const Row ROWS[] = {
    // Log-in and the verdicts that end the visit.
    {"authed greets and asks for mail", -1, {}, {AUTH}, {"mail:list#6"}, {"Hi Ann, {username}!", "5 Wordwhirls Online", "Announcements (1 new)"}},
    {"the online count follows presence:total", -1, {AUTH}, {ev("presence:total", R"({"online":1234})")}, {}, {"1,234 Wordwhirls Online"}},
    {"maintenance refuses", -1, {}, {ev("authed", R"({"ok":false,"maintenance":true,"error":"Back at noon"})")}, {}, {"Back at noon"}},
    {"ban refuses", -1, {}, {ev("authed", R"({"ok":false,"banned":true,"reason":"spam","until":"2030-01-02"})")}, {}, {"spam"}},
    {"time-out refuses", -1, {}, {ev("authed", R"({"ok":false,"timedOut":true,"reason":"rude"})")}, {}, {"rude"}},
    {"time-out says until when", -1, {}, {ev("authed", R"({"ok":false,"timedOut":true,"until":"noon"})")}, {}, {"You may return in noon."}},
    {"disconnected says why", -1, {}, {ev("disconnected", R"({"reason":"Server restart"})")}, {}, {"Server restart"}},
    {"admin kick says why", -1, {}, {ev("admin:kicked", "{}")}, {}, {"You were disconnected."}},
    {"unknown event and bad lines dropped", -1, {}, {ev("no:such", "{}"), "{\"ackId\":8,\"data\":{}}", "{\"ackId\":14,\"data\":{}}", "{\"ackId\":-2}", "not json"}, {}, {"The Lounge"}},
    // Lounge events.
    {"roster lists players", SCR_LOUNGE, {AUTH}, {ev("lobby:roster", R"({"players":[{"name":"Bob","source":"bbs","bbsNumber":3},{"name":"Cy"}]})")}, {}, {"Bob", "Cy"}},
    {"rooms list tables", SCR_LOUNGE, {}, {ROOMS}, {}, {"Open", "Shut", "Full"}},
    {"chat said", SCR_LOUNGE, {AUTH}, {ev("lobby:chat", R"({"name":"Bob","text":"hello there"})")}, {}, {"Bob", "hello there"}},
    {"chat whisper in and out", SCR_LOUNGE, {AUTH}, {ev("lobby:chat", R"({"name":"Bob","text":"psst","whisper":true})"), ev("lobby:chat", R"({"name":"Cy","text":"hi","whisper":true,"direction":"out"})")}, {}, {"Bob whispers to you: psst", "You whisper to Cy: hi"}},
    {"chat directed", SCR_LOUNGE, {AUTH}, {ev("lobby:chat", R"({"name":"Bob","text":"yo","directedTo":"Ann"})"), ev("lobby:chat", R"({"who":"Bob","text":"hey","directedTo":"Cy"})")}, {}, {"yo", "Cy", "hey"}},
    {"chat system and action kinds", SCR_LOUNGE, {}, {ev("lobby:chat", R"({"kind":"action","text":"Bob waves"})"), ev("lobby:chat", R"({"kind":"system","name":"x","text":"sys line"})")}, {}, {"Bob waves", "sys line"}},
    {"emotes and notices", SCR_LOUNGE, {}, {ev("room:notice", R"({"message":"room says"})"), ev("lobby:notice", R"("plain notice")"), ev("lobby:emote", R"({"text":"Cy dances"})"), ev("lobby:notice", R"({"text":""})")}, {}, {"Cy dances", "plain notice"}},
    {"seated ignores lounge talk", SCR_LOUNGE, {AUTH, SEATED}, {ev("lobby:chat", R"({"name":"Bob","text":"lounge only"})"), ev("lobby:emote", R"({"text":"lounge emote"})"), ev("lobby:roster", R"({"players":[{"name":"Zed"}]})"), ev("room:chat", R"({"name":"Bob","text":"table talk"})")}, {}, {"table talk", "!lounge only", "!lounge emote", "!Zed"}},
    {"lounge content on announcements", SCR_ANNOUNCEMENTS, {AUTH}, {ev("lobby:content", R"({"announcements":[{"id":4,"title":"Fresh news"}]})")}, {}, {"Fresh news", "!News "}},
    {"room state seats at the table", SCR_LOUNGE, {AUTH}, {SEATED}, {}, {"Den", "Bob", "ABC1234"}},
    {"knock asks and Y allows", SCR_TABLE, {AUTH, SEATED}, {ev("room:knock", R"({"name":"Cy","knockId":"k9"})"), "x", "y"}, {"room:knock-reply {\"knockId\":\"k9\",\"allow\":true}"}, {"Cy is asking to join your table."}},
    {"knock N refuses", SCR_TABLE, {AUTH, SEATED, ev("room:knock", R"({"knockId":"k9"})")}, {"n"}, {"room:knock-reply {\"knockId\":\"k9\",\"allow\":false}"}, {"Somebody is asking"}},
    {"invite J joins", SCR_LOUNGE, {AUTH, ev("lobby:invite", R"({"from":"Bob","roomName":"Den","code":"ABC1234","fromId":"p2"})")}, {"q", "j"}, {"room:join#4 {\"code\":\"ABC1234\"}"}, {"Bob is inviting you to \"Den\"."}},
    {"invite D declines", SCR_LOUNGE, {AUTH, ev("lobby:invite", R"({"fromId":"p2"})")}, {"d"}, {"room:invite-reply {\"fromId\":\"p2\"}"}, {"You turned the invite down."}},
    {"invite to a gone table", SCR_LOUNGE, {AUTH, ev("lobby:invite", R"({})")}, {"j"}, {}, {"That table is no longer there."}},
    {"kicked back to the lounge", SCR_TABLE, {AUTH, SEATED, ev("room:knock", R"({"knockId":"k9"})")}, {ev("room:kicked", "{}"), "x"}, {"presence:zone \"lounge\"", "lobby:refresh"}, {"removed"}},
    {"a quick-play table shuffles", SCR_LOUNGE, {AUTH}, {QUICK}, {}, {"Quick Play", "Shuffling the categories and stories"}},
    {"scores go back to a waiting table", SCR_TABLE, {AUTH, SEATED, ev("game:round-results", "{}")}, {ev("room:state", R"({"state":"waiting","roomReturnPending":["p1"]})")}, {}, {"Waiting for Bob to come back to the table..."}},
    {"timed out of the table", SCR_TABLE, {AUTH, SEATED}, {ev("room:timeout-removed", R"({"message":"Too quiet"})")}, {"presence:zone \"lounge\"", "lobby:refresh"}, {"Too quiet"}},
    // The round.
    {"my pick turn", SCR_TABLE, {AUTH, SEATED}, {ev("game:category-pick", R"({"pickerId":"p1","categories":["Sea","Sky"],"pickSeconds":60})")}, {}, {"[S]"}},
    {"another's pick turn", SCR_TABLE, {AUTH, SEATED}, {ev("game:category-pick", R"({"pickerId":"p2","pickerName":"Bob"})"), ev("game:picker-warning", R"({"seconds":5})")}, {}, {"Bob"}},
    {"picker waiting and spin", SCR_TABLE, {AUTH, SEATED}, {ev("game:picker-waiting", R"({"pickerId":"p1","seconds":20})"), ev("game:category-spin", "{}")}, {}, {"Choosing a category..."}},
    {"prompts ask the first word", SCR_TABLE, {AUTH, SEATED}, {PROMPTS}, {}, {"Noun", "a thing", "Zoo Day"}},
    {"word goes to the check trimmed", SCR_TABLE, {AUTH, SEATED, PROMPTS}, {"  cat \r"}, {"word:check#11 {\"text\":\"cat\"}"}, {}},
    {"blank word refused at once", SCR_TABLE, {AUTH, SEATED, PROMPTS}, {"   \r"}, {}, {"spaces alone don't count", "Your word 1 of 2"}},
    {"checked words are submitted", SCR_TABLE, {AUTH, SEATED, PROMPTS, "cat\r", re(11, R"({"ok":true})"), "run\r"}, {re(11, R"({"ok":true})")}, {"submit:answers#12 {\"answers\":{\"7\":\"cat\",\"9\":\"run\"}}"}, {}},
    {"blocked word asks again", SCR_TABLE, {AUTH, SEATED, PROMPTS, "bad\r"}, {re(11, R"({"ok":true,"blocked":true})")}, {}, {"That word can't be used here", "Your word 1 of 2"}},
    {"unanswered check takes the word", SCR_TABLE, {AUTH, SEATED, PROMPTS, "cat\r"}, {"", "", "", "", "", "", "", "", "", "", ""}, {}, {"Your word 2 of 2"}},
    {"refused answers put the prompt back", SCR_TABLE, {AUTH, SEATED, PROMPTS, "cat\r", re(11, "{}"), "run\r", re(11, "{}")}, {re(12, R"({"ok":false,"blankN":9,"error":"Try again"})")}, {}, {"Try again", "Your word 2 of 2"}},
    {"refused set asks only the word named", SCR_TABLE, {AUTH, SEATED, PROMPTS, "cat\r", CHECKED, "run\r", CHECKED}, {re(12, R"({"ok":false,"blankN":7,"error":"Not that one"})"), "dog\r", CHECKED}, {"word:check#11 {\"text\":\"dog\"}", "submit:answers#12 {\"answers\":{\"7\":\"dog\",\"9\":\"run\"}}"}, {}},
    {"time up sends the words given, once", SCR_TABLE, {AUTH, SEATED, PROMPTS_2S, "cat\r", CHECKED}, {"", "", "", "", "", ""}, {"submit:answers#12 {\"answers\":{\"7\":\"cat\"}}"}, {"Time's Up - Sending What You Have"}},
    {"time up with no words sends none", SCR_TABLE, {AUTH, SEATED, PROMPTS_2S}, {"", "", "", "", "", ""}, {}, {"Time's Up"}},
    {"time up waits for the word in its check", SCR_TABLE, {AUTH, SEATED, PROMPTS_2S, "cat\r", CHECKED, "run\r"}, {"", "", "", CHECKED}, {"submit:answers#12 {\"answers\":{\"7\":\"cat\",\"9\":\"run\"}}"}, {}},
    {"time up drops a word never checked", SCR_TABLE, {AUTH, SEATED, PROMPTS_2S, "cat\r", CHECKED, "run\r"}, {"", "", "", "", "", "", "", "", "", "", "", ""}, {"submit:answers#12 {\"answers\":{\"7\":\"cat\"}}"}, {}},
    {"time-up set refused keeps the word given", SCR_TABLE, {AUTH, SEATED, PROMPTS_2S, "cat\r", CHECKED, "", "", "", ""}, {re(12, R"({"ok":false,"error":"Too late"})"), "", "", "run\r", CHECKED}, {"word:check#11 {\"text\":\"run\"}", "submit:answers#12 {\"answers\":{\"7\":\"cat\",\"9\":\"run\"}}"}, {"Your word 2 of 2"}},
    {"words in, chat while waiting", SCR_TABLE, {AUTH, SEATED, PROMPTS, "cat\r", re(11, "{}"), "run\r", re(11, "{}"), re(12, R"({"ok":true})")}, {"/quit\r"}, {"room:chat \"/quit\""}, {}},
    {"reveal shows the story", SCR_TABLE, {AUTH, SEATED}, {ev("game:story-reveal", R"({"title":"Zoo Day","story":"A big cat ran.","words":[{"n":1,"value":"big","authorId":"p2"},{"n":2,"value":"cat","authorId":"p1"},{"n":3,"value":"zzz"}],"voteSeconds":30})"), ev("game:word-tally", R"({"blankN":1,"laughs":3})"), ev("game:voter-done", R"({"pendingNames":["Bob","",7,"Cy"]})"), "\r"}, {"vote:done"}, {"A big cat ran."}},
    {"reveal laugh, own word, done", SCR_TABLE, {AUTH, SEATED, ev("game:story-reveal", R"({"story":"A big cat.","words":[{"n":1,"value":"big","authorId":"p2"},{"n":2,"value":"cat","authorId":"p1"}]})")}, {" ", DOWN, " ", UP, "\r"}, {"vote:cast {\"blankN\":1}", "vote:done"}, {}},
    {"reveal own word refused", SCR_TABLE, {AUTH, SEATED, ev("game:story-reveal", R"({"story":"A cat.","words":[{"n":2,"value":"cat","authorId":"p1"}]})")}, {" "}, {}, {"That one's yours"}},
    {"reveal credits somebody gone", SCR_TABLE, {AUTH, SEATED}, {ev("game:story-reveal", R"({"story":"A big cat.","words":[{"n":1,"value":"big","authorId":"p9"}]})")}, {}, {"\"big\" by someone"}},
    {"results, rating and warning", SCR_TABLE, {AUTH, SEATED}, {ev("game:round-results", R"({"standings":[{"id":"p1","name":"Ann","laughs":4},{"id":"p2","name":"Bob","laughs":9}]})"), ev("story:rate-prompt", R"({"storyId":5,"title":"Zoo Day"})"), ev("game:final-warning", R"({"seconds":15})"), "1\r"}, {"story:rate {\"storyId\":5,\"rating\":1}"}, {"Zoo Day", "15"}},
    {"scores ENTER goes on", SCR_TABLE, {AUTH, SEATED, ev("game:round-results", R"({"players":[]})"), ev("game:final-warning", "{}")}, {"\r"}, {"room:back-to-room"}, {}},
    {"round aborted", SCR_TABLE, {AUTH, SEATED, PROMPTS}, {ev("game:aborted", R"({"reason":"Everyone left"})")}, {}, {"Everyone left"}},
    {"ESC in a round leaves, its words dropped", SCR_TABLE, {AUTH, SEATED, PROMPTS, "cat\r", CHECKED, "run\r"}, {ESC, CHECKED}, {"room:leave", "presence:zone \"lounge\"", "lobby:refresh"}, {"T H E   L O U N G E"}},
    {"ESC in the reveal leaves", SCR_TABLE, {AUTH, SEATED, ev("game:story-reveal", R"({"story":"A cat.\n\nThe end.","words":[]})")}, {ESC}, {"room:leave", "presence:zone \"lounge\"", "lobby:refresh"}, {}},
    // Staff and service messages.
    {"staff lines", SCR_LOUNGE, {AUTH}, {ev("mod:notice", R"({"text":"Be kind"})"), ev("admin:shutdown-scheduled", "{}"), ev("admin:shutdown-cancelled", "{}"), ev("achievement:earned", R"({"name":"First Laugh"})")}, {}, {"First Laugh"}},
    {"chat cleared and timed out", SCR_LOUNGE, {AUTH, ev("lobby:chat", R"({"name":"Bob","text":"old line"})")}, {ev("chat:cleared", "{}"), ev("mod:timeout", R"({"reason":"flood"})")}, {}, {"!old line", "You've been timed out: flood"}},
    {"new mail fetches the list", SCR_LOUNGE, {AUTH}, {ev("mail:new", "{}")}, {"mail:list#6"}, {}},
    // The welcome, guide and menu.
    {"ctrl-c and ctrl-l are no keys", SCR_WELCOME, {}, {"\x03\x0c"}, {}, {"Welcome, Ann!", "!How To Play"}},
    {"welcome key opens the guide", SCR_WELCOME, {}, {"x", "\r", "\r", "\r", "\r"}, {"presence:zone \"welcome\""}, {"The Lounge"}},
    {"guide S skips", SCR_GUIDE, {}, {"s"}, {"presence:zone \"welcome\""}, {"[Q] Back to the BBS"}},
    {"menu choices", -1, {AUTH}, {"z\r"}, {}, {"Type 1, 2, 3, M, A, S, F, C, H or Q"}},
    {"menu lounge", -1, {AUTH}, {"1\r"}, {"presence:zone \"lounge\"", "lobby:refresh"}, {"T H E   L O U N G E"}},
    {"menu quick seat takes the first open table", SCR_LOUNGE, {ROOMS, "m\r"}, {"2\r"}, {"room:join#4 {\"code\":\"OPEN111\"}"}, {}},
    {"quick seat waits for a list", -1, {}, {"2\r", ev("lobby:rooms", R"({"rooms":[{"code":"FULL333","players":4}]})")}, {"lobby:refresh", "presence:zone \"lounge\"", "lobby:refresh"}, {"Every table is busy"}},
    {"menu solo, mailbox, care hub", -1, {AUTH}, {"3\r", "m\r", "m\r", "\r", "c\r"}, {"presence:zone \"solo\"", "presence:zone \"welcome\"", "mail:list#6", "presence:zone \"welcome\"", "carehub:get#10"}, {"One moment..."}},
    {"menu help and quit", -1, {}, {"?\r"}, {}, {"[ENTER]"}},
    {"guide page one ends on its sentence", -1, {"h\r"}, Lines(40, ""), {}, {"Once every word is locked in"}},
    {"guide page one starts over", SCR_GUIDE, {}, Lines(60, ""), {}, {"!Once every word is locked in"}},
    {"feedback closed", -1, {ev("authed", R"({"features":{"tester_feedback":false}})")}, {"f\r"}, {}, {"Feedback isn't open on this board."}},
    // The Lounge's typed lines.
    {"lounge table numbers", SCR_LOUNGE, {ROOMS}, {"9\r", "1\r"}, {"room:join#4 {\"code\":\"OPEN111\"}"}, {}},
    {"lounge locked table knocks", SCR_LOUNGE, {ROOMS}, {"2\r", "k"}, {"room:knock {\"knockId\":\"k2\"}"}, {}},
    {"lounge share code escaped and cut", SCR_LOUNGE, {}, {"j\r", "ab\"\\\"cdefg\r"}, {"room:join#4 {\"code\":\"ab\\\"\\\\\"}"}, {}},
    {"lounge pages", SCR_LOUNGE, {}, {">\r", "<\r"}, {}, {"You are on the first page."}},
    {"lounge second page", SCR_LOUNGE, {TABLES}, {">\r"}, {}, {"Tab21", "!Tab10"}},
    {"lounge back a page", SCR_LOUNGE, {TABLES, ">\r"}, {"<\r"}, {}, {"Tab10", "!Tab21"}},
    {"lounge chat scrolls back", SCR_LOUNGE, Lines(12, ev("lobby:chat", R"({"name":"Bob","text":"hey"})")), {PGUP, ""}, {}, {"Looking Back"}},
    {"typed line backspaced", SCR_LOUNGE, {}, {"\x7fhix\x7f!\r"}, {"lobby:chat \"hi!\""}, {}},
    {"create: ESC, chat, then back out of the pick", SCR_LOUNGE, {}, {"c\r", ESC, "c\r", "Den\r", "hi all\r", "y\r", "n\r", ESC}, {"presence:zone \"lounge\"", "lobby:refresh", "lobby:chat \"hi all\"", "presence:zone \"lounge\"", "lobby:refresh"}, {"T H E   L O U N G E"}},
    {"lounge chat and emote", SCR_LOUNGE, {}, {"hi \"all\"\r", "/me waves\r"}, {"lobby:chat \"hi \\\"all\\\"\"", "lobby:emote {\"text\":\"waves\"}"}, {}},
    {"create a table", SCR_LOUNGE, {}, {"c\r", "My Den\r", "x\r", "y\r", "n\r", "*\r"}, {"room:create#5 {\"name\":\"My Den\",\"isPublic\":true,\"locked\":true,\"maxPlayers\":6,\"roundRobinPicking\":false,\"category\":\"\",\"storyId\":0}"}, {}},
    {"created table seats the host", SCR_LOUNGE, {AUTH}, {HOSTING}, {"presence:zone \"room\""}, {"Den", "(host)"}},
    {"seat refused", SCR_LOUNGE, {}, {re(ACK_ROOM_JOIN, R"({"ok":false,"error":"Table full"})")}, {"presence:zone \"lounge\"", "lobby:refresh"}, {"Table full"}},
    // The table.
    {"host start needs two", SCR_TABLE, {AUTH, ev("room:state", R"({"players":[{"id":"p1","name":"Ann"}]})")}, {"s\r"}, {"room:chat \"s\""}, {}},
    {"host starts and changes the tale", SCR_TABLE, {AUTH, HOSTING}, {"s\r", "c\r"}, {"room:start-now"}, {"Back To Your Table"}},
    {"table commands", SCR_TABLE, {AUTH, HOSTING}, {"/start\r", "/lock\r", "/newcode\r", "/page on\r", "/page off\r", "/page\r", "/kick Bob\r", "/kick\r", "/invite Cy\r", "/invite\r"}, {"host:start", "room:set-lock {\"on\":true}", "room:regenerate-code", "player:set-pages {\"on\":true}", "player:set-pages {\"on\":false}", "host:kick {\"name\":\"Bob\"}", "room:chat \"/kick\"", "room:invite {\"targetName\":\"Cy\"}"}, {"Who did you want to invite?"}},
    {"table info commands", SCR_TABLE, {AUTH, SEATED}, {"/code\r", "/who\r"}, {}, {"Share code: ABC1234", "2 players online right now."}},
    {"table actions list", SCR_TABLE, {AUTH, SEATED}, {"/actions\r", ev("actions", R"({"total":2,"items":["wave","",3,"bow"]})")}, {"{\"cmd\":\"actions\",\"offset\":0}"}, {"wave", "bow"}},
    {"table leave", SCR_TABLE, {AUTH, SEATED}, {"l\r"}, {"room:leave", "presence:zone \"lounge\"", "lobby:refresh"}, {}},
    {"table /leave and /feedback", SCR_TABLE, {AUTH, SEATED}, {"/leave\r", "/feedback\r"}, {"room:leave", "presence:zone \"lounge\"", "lobby:refresh"}, {"!T H E   L O U N G E"}},
    {"/feedback closed", SCR_LOUNGE, {ev("authed", "{}")}, {"/feedback\r"}, {}, {"Feedback is closed right now."}},
    {"actions: a line is chat, ENTER goes back", SCR_TABLE, {AUTH, SEATED, "/actions\r"}, {"hi\r", "\r"}, {"room:chat \"hi\""}, {"ABC1234"}},
    {"alone at a pick turn", SCR_TABLE, {AUTH, ALONE, PICK}, {"s\r"}, {}, {"There is nobody here to play with yet.", "Your table - waiting for somebody"}},
    {"host alone cannot start", SCR_TABLE, {AUTH, ALONE}, {"s\r"}, {}, {"You need one more player", "Your table - waiting for somebody"}},
    {"host waits on another's pick", SCR_TABLE, {AUTH, HOSTING, ev("game:category-pick", R"({"pickerId":"p2","pickerName":"Bob"})")}, {"c\r"}, {}, {"Waiting on somebody else to choose the next tale."}},
    {"pick turn asks for more time", SCR_TABLE, {AUTH, SEATED, PICK}, {"w\r"}, {"picker:wait"}, {"press [W] and ENTER for more time"}},
    {"pick turn: a surprise", SCR_TABLE, {AUTH, SEATED, PICK, "s\r"}, {ESC, "*\r"}, {"category:pick"}, {}},
    {"quick-play pick takes the category", SCR_TABLE, {AUTH, QUICK, PICK}, {"s\r", "b\r"}, {"picker:choosing", "category:pick {\"category\":\"Sky\"}"}, {}},
    {"host changes the tale", SCR_TABLE, {AUTH, HOSTING, "c\r", ESC, "c\r"}, {"a\r", TALES, "3\r"}, {"{\"cmd\":\"stories\",\"category\":\"Animals\",\"offset\":0}", "{\"cmd\":\"stories\",\"category\":\"Animals\",\"offset\":10}", "room:update-preset {\"category\":\"Animals\",\"storyId\":3}"}, {"Playing:  Tale3"}},
    {"pick turn: category then tale", SCR_TABLE, {AUTH, SEATED, ev("game:category-pick", R"({"pickerId":"p1","categories":["Sea","Sky"],"pickSeconds":60})")}, {"s\r", "b\r", ev("stories", R"({"offset":0,"total":1,"items":[{"id":41,"title":"Deep Blue","blanks":5}]})"), "1\r"}, {"picker:choosing", "{\"cmd\":\"stories\",\"category\":\"Sky\",\"offset\":0}", "category:pick-story {\"storyId\":41}"}, {}},
    {"solo quit and chat", SCR_TABLE, {AUTH, SEATED}, {"/solo\r", "m\r", "/quit\r"}, {"presence:zone \"welcome\""}, {}},
    // Solo play.
    {"solo tale picker", SCR_CATEGORY_PICK, {AUTH}, {"z\r", "a\r", ev("stories", R"({"offset":0,"total":2,"items":[{"id":8,"title":"Cat Nap","category":"Animals","blanks":2},{"id":9}]})"), "5\r", "n\r", "p\r", "2\r"}, {"{\"cmd\":\"stories\",\"category\":\"Animals\",\"offset\":0}", "presence:zone \"solo\"", "solo:start#1 {\"templateId\":9}"}, {"Fetching your story"}},
    {"solo round to the tale", SCR_CATEGORY_PICK, {AUTH}, {re(ACK_SOLO_START, R"({"ok":true,"blanks":[{"n":1,"type":"noun"}]})"), "cat\r", re(11, "{}"), re(ACK_SOLO_SUBMIT, R"({"ok":true,"title":"Cat Nap","text":"The cat slept."})"), DOWN, " ", UP}, {"presence:zone \"solo\"", "word:check#11 {\"text\":\"cat\"}", "solo:submit#2 {\"answers\":{\"1\":\"cat\"}}", "presence:zone \"solo\""}, {"The cat slept."}},
    {"solo start refused", SCR_CATEGORY_PICK, {}, {re(ACK_SOLO_START, R"({"ok":false})"), re(ACK_SOLO_START, R"({"ok":true,"blanks":[]})")}, {}, {"That story has no blanks"}},
    {"tale picker pages", SCR_CATEGORY_PICK, {AUTH, "a\r", TALES}, {"x\r", "n\r", "p\r", "n\r", "n\r"}, {}, {"One moment - still fetching the rest.", "Tale10", "!Tale9"}},
    {"tale picker back, category M", SCR_CATEGORY_PICK, {AUTH, "a\r"}, {"b\r", PGUP, "m\r"}, {"presence:zone \"solo\"", "presence:zone \"welcome\""}, {"[Q] Back to the BBS"}},
    {"solo ESC while writing", SCR_CATEGORY_PICK, {AUTH, re(ACK_SOLO_START, R"({"ok":true,"blanks":[{"n":1,"type":"noun"}]})")}, {PGUP, ESC, ""}, {"presence:zone \"welcome\""}, {}},
    {"solo tale: chat, then ESC", SCR_CATEGORY_PICK, {AUTH, re(ACK_SOLO_START, R"({"ok":true,"blanks":[{"n":1,"type":"noun"}]})"), "cat\r", CHECKED, re(ACK_SOLO_SUBMIT, R"({"ok":true,"text":"The cat."})")}, {"hey\r", ESC}, {"lobby:chat \"hey\"", "presence:zone \"welcome\""}, {}},
    // Mail and announcements.
    {"mailbox lists and opens", SCR_MAILBOX, {}, {re(ACK_MAIL_LIST, R"({"mail":[{"id":5,"subject":"Hi","sender_label":"Bob","created_at":"2026-01-02T03:04","body":"Dear Ann","reply_to":"x"},{"id":6,"read":1}]})"), "9\r", "1\r"}, {"mail:mark-read {\"id\":5}"}, {"Dear Ann", "2026-01-02"}},
    {"letter delete", SCR_MAILBOX, {re(ACK_MAIL_LIST, R"({"mail":[{"id":5},{"id":6}]})"), "2\r"}, {"d\r"}, {"mail:delete {\"id\":6}", "mail:list#6"}, {"Deleted."}},
    {"letter reply round trip", SCR_MAILBOX, {re(ACK_MAIL_LIST, R"({"mail":[{"id":5,"reply_to":"x"}]})"), "1\r"}, {"r", "Thanks \"Bob\"\r", "\r", "s\r", re(ACK_MAIL_REPLY, R"({"ok":true})"), "\r"}, {"mail:reply#13 {\"id\":5,\"text\":\"Thanks \\\"Bob\\\"\"}", "mail:list#6"}, {}},
    {"announcements open and dismiss", SCR_ANNOUNCEMENTS, {AUTH}, {"1\r", "d\r"}, {}, {"Dismissed"}},
    {"mailbox D wants a letter open", SCR_MAILBOX, {LETTER}, {"d\r"}, {}, {"Open a letter first"}},
    {"letter line is chat", SCR_MAILBOX, {LETTER, "1\r"}, {"hey\r"}, {"lobby:chat \"hey\""}, {"line one", "line two"}},
    {"answered letter says so", SCR_MAILBOX, {LETTER, "1\r", "r", "ok\r", "\r", "s\r", re(ACK_MAIL_REPLY, R"({"ok":true})"), "\r"}, {"1\r"}, {"mail:mark-read {\"id\":5}"}, {"You have answered this one."}},
    {"announcement numbers held", SCR_ANNOUNCEMENTS, {AUTH}, {"5\r"}, {}, {"There is no announcement with that number."}},
    {"announcement line is chat, ENTER the list", SCR_ANNOUNCEMENTS, {AUTH, "1\r"}, {"hey\r", DOWN, UP, "\r"}, {"lobby:chat \"hey\""}, {"News"}},
    // Care hub.
    {"care hub lays out and opens a section", SCR_CARE_HUB, {}, {re(ACK_CAREHUB_GET, R"({"ok":true,"hub":{"intro":"Help is here.","sections":[{"key":"a","title":"Lines","items":[{"name":"Talk","contact":"555"}]}],"urgent":[{"name":"Now","contact":"911"}]}})"), DOWN, PGDN, " ", "a\r", "b\r"}, {}, {"Help is here."}},
    {"care hub unreachable", SCR_CARE_HUB, {}, {re(ACK_CAREHUB_GET, R"({"ok":false})")}, {}, {"Could not reach the Care Hub"}},
    {"care hub page: urgent box and sections", SCR_CARE_HUB, {}, {CARE, " ", "z\r"}, {}, {"!Help is here.", "You are not alone", "[=][=]", "911", "[A] Lines", "[2] Other", "Press one of the letters above"}},
    {"care section shows its entries", SCR_CARE_HUB, {CARE}, {"a\r", DOWN, " ", "x\r"}, {}, {"Talk", "Any hour", "555", "556", "Not a service.", "Press a letter for another list"}},
    {"care M goes to the menu", SCR_CARE_HUB, {CARE}, {"m\r"}, {"presence:zone \"welcome\""}, {}},
    // Editors and the report.
    {"feedback note sent", -1, {AUTH}, {"f\r", "Great \"game\"\r", "\r", "s\r", re(ACK_FEEDBACK_SUBMIT, R"({"ok":true})"), "\r"}, {"feedback:submit#3 {\"text\":\"Great \\\"game\\\"\",\"source\":\"bbs\"}", "presence:zone \"welcome\""}, {}},
    {"feedback change and delete", -1, {AUTH}, {"f\r", "one\r", "two\r", "\r", "c\r", "1\r", "uno\r", "2\r", "\r", ESC, "s\r", re(ACK_FEEDBACK_SUBMIT, R"({"ok":false,"error":"Later"})")}, {"feedback:submit#3 {\"text\":\"uno\",\"source\":\"bbs\"}"}, {"Later"}},
    {"story submission", -1, {AUTH}, {"s\r", "\r", "Tall Tale\r", "A {noun} ran.\r", "\r", "s\r", "a\r", "2\r", "\r", "I agree\r"}, {"submission:submit#7 {\"title\":\"Tall Tale\",\"storyText\":\"A {1} ran.\",\"blanks\":[{\"n\":1,\"type\":\"noun\",\"hint\":\"\"}],\"category\":\"Animals\",\"requestedCategory\":\"\",\"rating\":\"PG\",\"email\":\"\",\"agreedToTerms\":true,\"termsMethod\":\"typed-i-agree\"}"}, {"Sending your story"}},
    {"note lines wrap, a change makes room", -1, {AUTH}, {"f\r", "one\r", WORDS + "\r", "\r", "c\r", "1\r", std::string(70, 'z') + " tail\r", ESC, "s\r"}, {"feedback:submit#3 {\"text\":\"" + std::string(70, 'z') + "\\ntail\\n" + WORDS.substr(0, 69) + "\\n" + WORDS.substr(70) + "\",\"source\":\"bbs\"}"}, {}},
    {"a wrapped line needs its room", -1, {AUTH, "f\r", "1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r"}, {WORDS + "\r"}, {}, {"That needs 2 lines and only 1 is left - make it shorter.", "!word11"}},
    {"a gap longer than a line is refused", -1, {AUTH, "s\r", "\r", "T\r"}, {"a {" + std::string(80, 'n') + "}\r"}, {}, {"A {gap} can be at most 72 characters"}},
    {"typed line full says so", SCR_LOUNGE, {}, {std::string(255, 'a')}, {}, {"That's as long as a line can be - 254 characters.", "> <" + std::string(72, 'a')}},
    {"story refused stays", -1, {AUTH, "s\r", "\r", "T\r", "no gaps\r", "\r"}, {"s\r", re(ACK_SUBMISSION_SUBMIT, R"({"ok":false})")}, {}, {"That could not be sent"}},
    {"story intro wants ENTER or M", -1, {AUTH, TALE}, {"x\r"}, {}, {"Press ENTER on an empty line to start"}},
    {"story intro M, review M: the menu", -1, {AUTH, TALE, "\r", "T\r", STORY, "\r"}, {"x\r", "m\r", TALE, "m\r"}, {"presence:zone \"welcome\"", "presence:zone \"welcome\""}, {"[Q] Back to the BBS", "!Type S, C or M"}},
    {"story needs a line first", -1, {AUTH, TALE, "\r", "T\r"}, {"\r"}, {}, {"Write at least one line first."}},
    {"story lines changed, added, kept", -1, {AUTH, TALE, "\r", "T\r", STORY, "\r"}, {"c\r", "9\r", "1\r", "B {verb} sat.\r", "0\r", "more\r", ESC, "s\r", "a\r", "1\r", "x@y\r", "I AGREE\r"}, {SENT_TALE + "B {1} sat.\\nmore\",\"blanks\":[{\"n\":1,\"type\":\"verb\",\"hint\":\"\"}],\"category\":\"Animals\",\"requestedCategory\":\"\",\"rating\":\"G\",\"email\":\"x@y\",\"agreedToTerms\":true,\"termsMethod\":\"typed-i-agree\"}"}, {}},
    {"story line unmarked, then deleted", -1, {AUTH, TALE, "\r", "T\r", STORY, "gone\r", "\r", "c\r"}, {"2\r", ESC, "2\r", "\r", ESC, "s\r", "a\r", "4\r", "\r", "i agree\r"}, {SENT_TALE + "A {1} ran.\",\"blanks\":[{\"n\":1,\"type\":\"noun\",\"hint\":\"\"}],\"category\":\"Animals\",\"requestedCategory\":\"\",\"rating\":\"R\",\"email\":\"\",\"agreedToTerms\":true,\"termsMethod\":\"typed-i-agree\"}"}, {}},
    {"story asks a new category, sends once", -1, {AUTH, TALE, "\r", "T\r", STORY, "\r", "s\r"}, {ESC, "s\r", "*\r", "Dragons\r", "9\r", "2\r", "\r", "I agree\r", "I agree\r"}, {SENT_TALE + "A {1} ran.\",\"blanks\":[{\"n\":1,\"type\":\"noun\",\"hint\":\"\"}],\"category\":\"Uncategorized\",\"requestedCategory\":\"Dragons\",\"rating\":\"PG\",\"email\":\"\",\"agreedToTerms\":true,\"termsMethod\":\"typed-i-agree\"}"}, {"Sending your story..."}},
    {"story terms refused or skipped", -1, {AUTH, TALE, "\r", "T\r", STORY, "\r", "s\r", "a\r", "1\r", "\r"}, {"no\r", "s\r", "a\r", "1\r", "\r", "\r"}, {}, {"Not sent. Your story is still here."}},
    {"story review scrolls", -1, {AUTH, TALE, "\r", "T\r", "L01\rL02\rL03\rL04\rL05\rL06\rL07\rL08\rL09\rL10\rL11\rL12\rL13\r", "\r"}, {DOWN, DOWN, DOWN, UP, ""}, {}, {"L03", "L11", "!L02", "!L12"}},
    {"story read-back counts the gaps not named", -1, {AUTH, TALE, "\r", "T\r", "a {adjective} {adjective} {adjective} {adjective}\r", "a {adjective} {adjective} {adjective} {noun}\r"}, {"\r"}, {}, {"8 gaps found:", "5.adjective", "!6.adjective", "...and 3 more"}},
    {"feedback review: chat, wrong key, delete", -1, {AUTH, "f\r", "one\r", "\r"}, {"hi all\r", "x\r", "d\r"}, {"lobby:chat \"hi all\""}, {"Deleted - start again whenever you like."}},
    {"feedback M and ESC throw the note away", -1, {AUTH, "f\r", "one\r", "\r"}, {"m\r", "f\r", "two\r", ESC, "f\r", "\r"}, {"presence:zone \"welcome\"", "presence:zone \"welcome\""}, {"Type something first, then press ENTER."}},
    {"feedback change asks a line held", -1, {AUTH, "f\r", "one\r", "\r", "c\r"}, {"5\r"}, {}, {"There is no line with that number."}},
    {"reply lines changed and deleted", SCR_MAILBOX, {LETTER, "1\r", "r", "one\r", "two\r", "\r"}, {"c\r", "3\r", "1\r", "uno\r", "2\r", ESC, "2\r", "\r", ESC, "s\r"}, {"mail:reply#13 {\"id\":5,\"text\":\"uno\"}"}, {}},
    {"reply thrown away", SCR_MAILBOX, {LETTER, "1\r", "r", "one\r", "\r"}, {"x\r", "d\r"}, {}, {"Thrown away.", "line one", "line two"}},
    {"reply ESC keeps the letter, ENTER the mailbox", SCR_MAILBOX, {LETTER, "1\r", "r", "one\r", "\r"}, {ESC, "r", "\r", ESC, DOWN, UP, "\r"}, {"mail:list#6"}, {}},
    {"report a tale", SCR_LOUNGE, {AUTH}, {"/report\r", "x\r", "1\r", "2\r", "\r", "dull\r", "\r"}, {"report:begin", "report:story#9 {\"templateId\":0,\"reason\":\"offensive-language\",\"note\":\"dull\"}"}, {}},
    {"report names the tale being played", SCR_TABLE, {AUTH, ev("room:state", R"({"state":"voting","template":{"title":"Moon Tale"},"players":[{"id":"p1","name":"Ann"},{"id":"p2","name":"Bob"}]})")}, {"/report\r", "l", "1\r"}, {"report:begin", "room:leave"}, {"R E P O R T   T H I S   T A L E", "Moon Tale"}},
    {"report asks a player listed", SCR_LOUNGE, {AUTH}, {"/report\r", "2\r", "9\r"}, {"report:begin"}, {"Type a number from the list."}},
    {"report a player in the Lounge", SCR_LOUNGE, {AUTH, ev("lobby:roster", R"({"players":[{"id":"s7","name":"Bob"}]})")}, {"/report bo\r", "1\r", "mean\r", "\r"}, {"report:begin", "report:player#9 {\"targetSocketId\":\"s7\",\"reason\":\"harassment\",\"note\":\"mean\"}"}, {}},
    {"report nobody, ESC leaves", SCR_TABLE, {AUTH, SEATED, "/report Bo\r", "l"}, {ESC, "/report Zed\r"}, {"presence:zone \"lounge\"", "lobby:refresh"}, {"Nobody here by that name."}},
    {"report a player", SCR_TABLE, {AUTH, SEATED}, {"/report Bo\r", "l", "1\r", "rude words\r", "\r", re(ACK_REPORT, R"({"ok":true})")}, {"report:begin", "room:leave", "report:player#9 {\"targetSocketId\":\"p2\",\"reason\":\"harassment\",\"note\":\"rude words\"}", "presence:zone \"lounge\"", "lobby:refresh"}, {"Thank you - a real person"}},
    {"report from the scores waits for a key", SCR_TABLE, {AUTH, SEATED, ev("game:round-results", "{}")}, {"/report\r", "x"}, {"report:begin", "room:leave"}, {"tale"}},
    // Clocks: idle, the BBS's time, notices, the start and the shuffle.
    {"idle 25 minutes warns", SCR_LOUNGE, {}, {"~1500"}, {}, {"Still there? You'll be returned to the BBS in five minutes"}},
    {"idle 30 minutes hands back", SCR_LOUNGE, {"~1500"}, {"~300"}, {}, {"Y O U ' V E   B E E N   A W A Y"}},
    {"the BBS's time runs out first", SCR_LOUNGE, {}, {"~3600"}, {}, {"Your time on the BBS is up", "!B E E N"}},
    {"a notice clears itself", SCR_LOUNGE, {"<\r"}, {"~26"}, {}, {"!You are on the first page."}},
    {"start countdown runs", SCR_TABLE, {AUTH, ev("room:state", R"({"startsInMs":20000,"players":[{"id":"p1","name":"Ann"},{"id":"p2","name":"Bob"}]})")}, {"~5", "", "", "", ""}, {}, {"Starting In  0:13"}},
    {"a service-hosted table shuffles", SCR_TABLE, {AUTH, ev("room:state", R"({"autoHost":true,"players":[{"id":"p1","name":"Ann"},{"id":"p2","name":"Bob"}]})")}, {"", ""}, {}, {"Shuffling the categories and stories.."}},

};
INSTANTIATE_TEST_SUITE_P(Rows, ContractRows, ::testing::ValuesIn(ROWS), rowName);

// A verdict stays up through Ctrl-L (painted again) and Ctrl-C; the next key ends the run.
TEST_F(Contract, VerdictWaitsForAKey) {
    step(ev("authed", R"({"ok":false,"maintenance":true,"error":"Back at noon"})"));
    for (const char* key : {"\x0c", "\x03", "x"}) {
        screenPump(&ts);
        ts.raw.clear();
        step(key);
        screenPump(&ts);
        EXPECT_EQ(cs->timers.running, key[0] != 'x') << (int)key[0];
        EXPECT_EQ(ts.raw.find("Back at noon") != std::string::npos, key[0] == '\x0c') << (int)key[0];
    }
}

// The stars fall through rows 1-20 of their bands and start again at the top,
// never straying into the text between.
TEST_F(Contract, WelcomeStarsKeepToTheirBands) {
    enterScreen(cs.get(), SCR_WELCOME);
    std::string first, last;
    for (int i = 0; i < 30; i++) {
        pass();
        screenPump(&ts);
        last.clear();
        for (int r = 1; r <= 20; r++) {
            std::string row = screenRowText(&ts, r);
            last += row.substr(2, 11) + row.substr(65, 11);
            if (r < 8) EXPECT_EQ(row.substr(13, 52), std::string(52, ' ')) << "row " << r;
        }
        if (i == 0) first = last;
    }
    EXPECT_NE(last.find_first_not_of(' '), std::string::npos);
    EXPECT_NE(first, last);
}

// How long the loop may sleep after a pass: never past the next thing due,
// at most a second when nothing is.
TEST_F(Contract, LoopSleepsUntilItsNextDeadline) {
    struct WaitRow { const char* name; void (*set)(ClientState*, uint32_t now); uint32_t lo, hi; };
    const WaitRow rows[] = {
        {"idle on the menu", [](ClientState*, uint32_t) {}, 900, LOOP_WAIT_MAX_MS},
        {"a lone ESC", [](ClientState* s, uint32_t now) { s->term.escState = 1, s->term.escStartTick = now - 100; }, 30, 51},
        {"a notice expiring", [](ClientState* s, uint32_t now) { copyText(s->input.noticeText, "n"), s->input.noticeTick = now - NOTICE_LIFE_MS + 300; }, 200, 301},
        {"a countdown running", [](ClientState* s, uint32_t now) { s->timers.wordDeadline = now + 90000; }, 0, TIMER_PERIOD_MS},
        {"time left shown in the header", [](ClientState* s, uint32_t now) { s->timers.doorStartTick = now - 400, s->caller.timeLeftSecs = 1000; }, 500, 600},
        {"an idle warning due", [](ClientState* s, uint32_t now) { s->timers.lastInputTick = now - IDLE_WARN_MS + 300; }, 200, 300},
        {"a held notice", [](ClientState* s, uint32_t now) { s->timers.loopHold = 1, s->timers.loopHoldEnd = now + 5000; }, 0, LOOP_HOLD_BEAT_MS},
    };
    enterScreen(cs.get(), SCR_MAIN_MENU), pass();
    for (const WaitRow& row : rows) {
        std::unique_ptr<ClientState> saved(new ClientState(*cs));
        cs->timers.lastTimerTick = tickMs(&cs->clock) - TIMER_PERIOD_MS, row.set(cs.get(), tickMs(&cs->clock));
        uint32_t ms = mainLoopWaitMs(cs.get());
        EXPECT_TRUE(ms >= row.lo && ms <= row.hi) << row.name << ": " << ms;
        *cs = *saved;
    }
}

}  // namespace
