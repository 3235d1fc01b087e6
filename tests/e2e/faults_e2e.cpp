// The real door under faults from both of its peers: the caller hanging up
// on every screen, the service dropping the link mid-round and mid-line,
// lines too long, too many, unparsable or of the wrong shape, a caller whose
// socket stops taking bytes while chat floods in, and two nodes writing the
// announcement markers at once. Independent cases run side by side.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "e2e_common.h"
#include "host/markers.h"
#include "net/wire.h"
#include "session/events.h"
#include "session/replies.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr long HANG_UP_EXIT_MS = 1000;  // a caller gone is a door gone within a second
constexpr int PARALLEL_DOORS = 6;       // doors at once: the machine is small and shared

long msSince(Clock::time_point t) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::string chat(const std::string& text) { return eventLine("lobby:chat", R"({"name":"Bob","text":")" + text + "\"}"); }

// A caller at a door, the door's service, and the BBS's own copy of the
// caller's socket (a BBS keeps its end: the door must leave it usable).
struct Visit {
    FakeService svc;
    Door door;
    int bbsFd = -1;
    ~Visit() { close(bbsFd); }
};

// Start the door for caller Ace on node; sendBuffer > 0 shrinks what the
// caller's socket holds before the door must wait.
void startVisit(Visit* v, int node, int sendBuffer = 0) {
    prepareTelnet(&v->door, node, v->svc.port, "", "Ace");
    v->bbsFd = fcntl(v->door.doorFd, F_DUPFD_CLOEXEC, 0);
    if (sendBuffer > 0) setsockopt(v->door.doorFd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    bbsStart(&v->door, {"DOOR32.SYS"}, false);
}

// One move on the way to a screen: keys, a service line (DROP: the service
// hangs up), then what must show.
struct Move { const char* keys; std::string line, shows; };
const std::string DROP = "(the service hangs up)";

// The main way in, one screen per move.
enum Depth { CONNECTING, WELCOME, GUIDE, MENU, LOUNGE, TABLE, ROUND_WORDS, REVEAL, SCORES };
const Move MAIN_WAY[] = {
    {nullptr, R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},"categories":["Animals"],)"
              R"("features":{"tester_feedback":true}}})", "Welcome, Ace Writer!"},
    {"x", "", "[S] MAIN MENU"},
    {"s", "", "Back to the BBS"},
    {"1\r", "", "[#] Sit Down"},
    {nullptr, eventLine("room:state", R"({"code":"ABC123","name":"Night Owls","state":"waiting",)"
                                      R"("players":[{"id":"p1","name":"Ace Writer"},{"id":"p2","name":"Bob"}]})"),
     "[L]eave Room"},
    {nullptr, eventLine("game:prompts", R"({"template":{"title":"Moon Picnic","category":"Space"},"seconds":120,)"
                                        R"("totalBlanks":2,"blanks":[{"n":1,"type":"adjective"},{"n":2,"type":"animal"}]})"),
     "[ESC] Leave Room"},
    {nullptr, eventLine("game:story-reveal", R"({"title":"Moon Picnic","voteSeconds":60,"story":"A sticky yak.",)"
                                             R"("words":[{"n":1,"value":"sticky","authorId":"p1"},{"n":2,"value":"yak","authorId":"p2"}]})"),
     "[SPACE] Laugh"},
    {nullptr, eventLine("game:round-results", R"({"standings":[{"id":"p1","name":"Ace Writer","laughs":3},)"
                                              R"({"id":"p2","name":"Bob","laughs":1}]})"),
     "[ENTER] Play Again"},
};
const Move SOLO_WORDS = {nullptr, R"({"ackId":1,"data":{"ok":true,"blanks":[{"n":1,"type":"A NOUN","hint":"a thing"},)"
                                  R"({"n":2,"type":"A VERB","hint":"do it"}]}})", "Type Your Word And Press ENTER"};

// The door connects, then depth moves of the main way and the extra ones;
// false (having said why) when the door did not follow.
bool walk(Visit* v, int depth, const std::vector<Move>& extra = {}) {
    if (!fakeServiceWaitLine(&v->svc)) {
        ADD_FAILURE() << "the door never connected";
        return false;
    }
    std::vector<Move> moves(MAIN_WAY, MAIN_WAY + depth);
    moves.insert(moves.end(), extra.begin(), extra.end());
    for (const Move& m : moves) {
        if (m.keys) bbsSendKeys(&v->door, m.keys);
        if (m.line == DROP) fakeServiceDrop(&v->svc);
        else if (!m.line.empty() && !fakeServiceSend(&v->svc, m.line)) return false;
        if (bbsWaitText(&v->door, m.shows)) continue;
        ADD_FAILURE() << "never showed \"" << m.shows << "\"; the screen:\n" << bbsScreen(&v->door);
        return false;
    }
    return true;
}

// Run cases on threads, at most PARALLEL_DOORS at once; each gets its own node.
template <typename Case>
void sideBySide(const std::vector<Case>& cases, const std::function<void(const Case&, int)>& run) {
    for (size_t first = 0; first < cases.size(); first += PARALLEL_DOORS) {
        std::vector<std::thread> threads;
        for (size_t i = first; i < cases.size() && i < first + PARALLEL_DOORS; i++)
            threads.emplace_back([&, i] { run(cases[i], (int)i + 1); });
        for (std::thread& t : threads) t.join();
    }
}

// ---------------------------------------------------------------------------
// The caller hangs up.

struct HangUpCase { const char* screen; int depth; std::vector<Move> extra; };

const std::vector<HangUpCase> HANG_UP_CASES = {
    {"connecting", CONNECTING, {}},
    {"welcome", WELCOME, {}},
    {"closed for maintenance", CONNECTING,
     {{nullptr, eventLine("authed", R"({"ok":false,"maintenance":true,"error":"Back soon."})"), "B A C K   S H O R T L Y"}}},
    {"guide", GUIDE, {}},
    {"main menu", MENU, {}},
    {"Lounge", LOUNGE, {}},
    {"table", TABLE, {}},
    {"word entry", MENU, {SOLO_WORDS}},
    {"words of a round at a table", ROUND_WORDS, {}},
    {"reveal", REVEAL, {}},
    {"scores", SCORES, {}},
    {"solo tale", MENU,
     {SOLO_WORDS, {nullptr, replyLine(2, R"({"ok":true,"title":"Llamas","text":"The llama sang."})"), "[P] Play Again"}}},
    {"category pick", MENU, {{"3\r", "", "Pick A Category"}}},
    {"create table", LOUNGE, {{"C\r", "", "Type A Name And Press ENTER"}}},
    {"mailbox", MENU, {{"M\r", "", "[ENTER] Back To The Menu"}}},
    {"announcements", MENU, {{"A\r", "", "[ENTER] Back To The Menu"}}},
    {"submit intro", MENU, {{"S\r", "", "[ENTER] Start Writing"}}},
    {"feedback", MENU, {{"F\r", "", "ENTER On An Empty Line When You Are Done"}}},
    {"care hub", MENU, {{"C\r", "", "[M] Main Menu"}}},
    {"quick help", MENU, {{"?\r", "", "[ENTER] Back"}}},
    {"typing in the Lounge", LOUNGE, {{"half a thou", "", "half a thou"}}},
    // The last screens hold for seconds on their own; a caller gone cuts them short.
    {"lost-link notice", LOUNGE, {{nullptr, DROP, LOST_LINK}}},
    {"the service's reason for ending", LOUNGE,
     {{nullptr, eventLine("disconnected", R"({"reason":"Closing early."})"), "Closing early."}}},
    {"goodbye dots", MENU, {{"Q\r", "", SENDING_BACK}}},
};

// Every screen both ways: a half close, where the caller's end still reads
// (and the door's writes still succeed), and a full close.
TEST(FaultsE2e, CallerHangingUpOnAnyScreenEndsTheDoorAtOnceAndLeavesTheSocketToTheBbs) {
    std::vector<std::pair<const HangUpCase*, bool>> runs;
    for (const HangUpCase& c : HANG_UP_CASES)
        for (bool halfClose : {true, false}) runs.push_back({&c, halfClose});
    sideBySide<std::pair<const HangUpCase*, bool>>(runs, [](const auto& r, int node) {
        const HangUpCase& c = *r.first;
        bool halfClose = r.second;
        SCOPED_TRACE(std::string(c.screen) + (halfClose ? ", half close" : ", full close"));
        Visit v;
        startVisit(&v, node);
        if (!walk(&v, c.depth, c.extra)) return;
        BbsHost* host = &v.door;
        bbsPump(host);
        size_t before = host->rawSocket.size();
        std::string dotsRow = bbsRow(host, GOODBYE_SENDING_ROW);
        Clock::time_point at = Clock::now();
        if (halfClose) shutdown(host->callerFd, SHUT_WR);
        else bbsCloseFd(&host->callerFd);
        EXPECT_EQ(bbsWaitExit(host, 5000), 0);
        EXPECT_LT(msSince(at), HANG_UP_EXIT_MS);
        if (c.extra.empty() || c.extra.back().line != DROP) {  // somebody to tell
            EXPECT_TRUE(fakeServiceWaitLine(&v.svc, DISCONNECT_LINE, 5000));
            EXPECT_TRUE(waitUntil([&] { return v.svc.closed.load(); }, 5000));
        }
        EXPECT_EQ(host->rawSocket.find("Thanks for playing!", before), std::string::npos)
            << "the goodbye is not drawn for a caller who has gone";
        if (dotsRow.find(SENDING_BACK) != std::string::npos)
            EXPECT_EQ(bbsRow(host, GOODBYE_SENDING_ROW), dotsRow) << "nor are more of its dots";
        EXPECT_EQ(fcntl(v.bbsFd, F_GETFL) & O_NONBLOCK, 0) << "the socket goes back in the BBS's own mode";
        if (!halfClose) return;
        // The BBS writes on its socket after the door: the door did not shut it down.
        EXPECT_EQ(send(v.bbsFd, "BBS!", 4, MSG_NOSIGNAL), 4);
        EXPECT_TRUE(waitUntil([&] {
            bbsPump(host);
            return host->rawSocket.size() >= before + 4 && host->rawSocket.substr(host->rawSocket.size() - 4) == "BBS!";
        }, 2000));
    });
}

// ---------------------------------------------------------------------------
// The service misbehaves.

// Lost link: the notice, the goodbye, code 0.
void expectLostLinkGoodbye(Visit* v) {
    EXPECT_TRUE(bbsWaitText(&v->door, LOST_LINK, NOTICE_ROW)) << bbsScreen(&v->door);
    EXPECT_TRUE(bbsWaitText(&v->door, SENDING_BACK, GOODBYE_SENDING_ROW));
    EXPECT_EQ(bbsWaitExit(&v->door), 0);
}

// A chat line shown after the fault proves the door still reads and draws;
// typed keys shown prove it still listens to the caller.
void expectStillServing(Visit* v, const std::string& proof) {
    EXPECT_TRUE(fakeServiceSend(&v->svc, chat(proof)));
    EXPECT_TRUE(bbsWaitText(&v->door, proof)) << bbsScreen(&v->door);
    bbsSendKeys(&v->door, "zq");
    EXPECT_TRUE(bbsWaitText(&v->door, "zq", 24)) << bbsRow(&v->door, 24);
    EXPECT_TRUE(bbsRunning(&v->door));
}

// The service hangs up while the caller is busy on a screen.
void dropDuring(Visit* v, int depth, std::vector<Move> extra, const char* typing) {
    ASSERT_TRUE(walk(v, depth, extra));
    bbsSendKeys(&v->door, typing);  // a word half typed, a laugh on its way
    if (typing[0] != ' ') ASSERT_TRUE(bbsWaitText(&v->door, typing)) << bbsScreen(&v->door);
    fakeServiceDrop(&v->svc);
    expectLostLinkGoodbye(v);
}

// A line with a NUL byte inside: C text ends there, the line does not.
const char NUL_LINE[] = "{\"event\":\"lobby:chat\",\"data\":{\"name\":\"Bob\",\"text\":\"nul\0after\"}}";

const std::vector<std::pair<const char*, void (*)(Visit*)>> SERVICE_CASES = {
    {"the service hangs up in the middle of a solo round", [](Visit* v) { dropDuring(v, MENU, {SOLO_WORDS}, "teap"); }},
    {"the service hangs up while a table fills in its words", [](Visit* v) { dropDuring(v, ROUND_WORDS, {}, "stic"); }},
    {"the service hangs up during the reveal at a table", [](Visit* v) { dropDuring(v, REVEAL, {}, " "); }},
    {"the service hangs up in the middle of a line",
     [](Visit* v) {
         ASSERT_TRUE(walk(v, LOUNGE));
         // Half an ending: its reason must not be taken from a line never finished.
         ASSERT_TRUE(fakeServiceSendRaw(&v->svc, R"({"event":"disconnected","data":{"reason":"Half said)"));
         std::this_thread::sleep_for(std::chrono::milliseconds(100));
         fakeServiceDrop(&v->svc);
         expectLostLinkGoodbye(v);
         EXPECT_EQ(v->door.rawSocket.find("Half said"), std::string::npos);
     }},
    {"lines over 1 MiB",
     [](Visit* v) {
         ASSERT_TRUE(walk(v, LOUNGE));
         // Just over the limit, then far over it in one write; neither is a line.
         for (size_t bytes : {(size_t)WIRE_BUFFER_MAX + 1, (size_t)3 * WIRE_BUFFER_MAX})
             ASSERT_TRUE(fakeServiceSend(&v->svc, chat(std::string(bytes, 'a'))));
         expectStillServing(v, "after the giants");
         EXPECT_EQ(v->door.rawSocket.find(std::string(30, 'a')), std::string::npos) << "no piece of an over-long line is shown";
         // Somewhat under the limit is still a line (the bulk in a number:
         // a string that long is refused by the reader on its own account).
         ASSERT_TRUE(fakeServiceSend(&v->svc, R"({"event":"lobby:chat","data":{"name":"Bob","text":"near the limit"},)"
                                              R"("pad":)" + std::string(WIRE_BUFFER_MAX - 8192, '1') + "}"));
         EXPECT_TRUE(bbsWaitText(&v->door, "near the limit")) << bbsScreen(&v->door);
     }},
    {"10 000 lines in one burst",
     [](Visit* v) {
         ASSERT_TRUE(walk(v, LOUNGE));
         std::string burst;
         for (int i = 0; i < 10000; i++) burst += chat("burst line " + std::to_string(i)) + "\n";
         Clock::time_point at = Clock::now();
         std::thread sender([&] { EXPECT_TRUE(fakeServiceSendRaw(&v->svc, burst)); });
         // A key pressed while the burst arrives is answered within seconds.
         std::this_thread::sleep_for(std::chrono::milliseconds(20));
         bbsSendKeys(&v->door, "zq");
         EXPECT_TRUE(bbsWaitText(&v->door, "zq", 24, 5000)) << "a key during the burst: " << bbsRow(&v->door, 24);
         EXPECT_TRUE(bbsWaitText(&v->door, "burst line 9999")) << bbsScreen(&v->door);
         sender.join();
         EXPECT_LT(msSince(at), 10000) << "the burst is handled in seconds, not minutes";
         bbsSendKeys(&v->door, "\x08\x08");  // the proof below types its own
         expectStillServing(v, "after the burst");
     }},
    {"unparsable lines",
     [](Visit* v) {
         ASSERT_TRUE(walk(v, LOUNGE));
         const std::string bad[] = {
             "", "\r", "{", "}", "[]", "null", "42", "\"event\"", "{\"event\":}", "{\"event\":\"lobby:chat\",",
             "{\"event\":\"lobby:chat\",\"data\":{\"name\":\"Bob\",\"text\":\"never closed",
             std::string(NUL_LINE, sizeof NUL_LINE - 1),
             "\xff\xfe\x01\x02\x1b[2J", "{\"event\":123,\"data\":1}", "{\"event\":null}", "{\"ackId\":\"x\"}",
             "{\"ackId\":99999999999999,\"data\":{}}", "{\"ackId\":-1,\"data\":null}", "{\"ackId\":1.5}",
             "{\"event\":\"lobby:chat\",\"data\":{\"text\":\"\\ud800\\u0000\\u001b[2J\"}}",
             std::string(100000, '[') + std::string(100000, ']'), std::string(50000, '{'),
             "{\"a\":" + std::string(20000, '1') + "}", "{\"event\":\"lobby:chat\",\"event\":\"room:chat\"}",
             "{\"event\":\"lobby:chat\"}{\"event\":\"lobby:chat\"}", "[{\"event\":\"lobby:chat\"}]",
         };
         std::string all;
         for (const std::string& line : bad) all += line + "\n";
         ASSERT_TRUE(fakeServiceSendRaw(&v->svc, all));
         expectStillServing(v, "after the garbage");
         EXPECT_EQ(v->door.rawSocket.find("never closed"), std::string::npos);
     }},
};

TEST(FaultsE2e, ServiceFaultsLeaveTheDoorServingOrEndItCleanly) {
    sideBySide<std::pair<const char*, void (*)(Visit*)>>(SERVICE_CASES, [](const auto& c, int node) {
        SCOPED_TRACE(c.first);
        Visit v;
        startVisit(&v, node);
        c.second(&v);
    });
}

// ---------------------------------------------------------------------------
// Every event with members of the wrong type.

// Every member name the door reads from a service line.
const std::vector<std::string> MEMBERS = {
    "ackId", "announcements", "authorId", "autoHost", "banned", "bbs", "bbsNumber", "blankN", "blanks",
    "blocked", "board", "body", "capacity", "categories", "category", "code", "contact", "created_at", "data",
    "directedTo", "direction", "disclaimer", "entries", "error", "event", "features", "feedback_label", "from",
    "fromId", "greeting", "hint", "hub", "id", "inGame", "ink", "intro", "isHost", "items", "key", "kind",
    "knockId", "laughs", "locked", "mail", "maintenance", "max", "message", "mine", "n", "name", "offset", "ok",
    "online", "onlineTotal", "pendingNames", "pickSeconds", "pickerId", "pickerName", "players", "read", "ready",
    "reason", "room", "roomName", "roomReturnPending", "roundRobinPicking", "seconds", "sections",
    "sender_label", "source", "standings", "startsInMs", "state", "story", "storyId", "subject", "submitted",
    "sysop", "template", "tester_feedback", "text", "timedOut", "title", "total", "totalBlanks", "type", "until",
    "urgent", "value", "voteSeconds", "whisper", "who", "words", "you",
};

std::string objectOf(size_t from, size_t count, const std::string& value) {
    std::string out;
    for (size_t i = from; i < MEMBERS.size() && i < from + count; i++)
        out += (out.empty() ? "{\"" : ",\"") + MEMBERS[i] + "\":" + value;
    return out + "}";
}

// data for one event: a whole value of the wrong kind, every member of the
// wrong kind, and (in slices that keep the node count in bounds) every
// member holding objects or lists of objects whose members are wrong.
std::vector<std::string> wrongData() {
    constexpr size_t SLICE = 20;
    std::vector<std::string> out;
    for (const char* value : {"null", "[]", "{}", "0", "-1", "1e308", "-1e308", "2147483648", "\"\"", "\"x\"",
                              "true", "false", "[null,1,\"x\",[],{}]"})
        out.insert(out.end(), {value, objectOf(0, MEMBERS.size(), value)});
    for (const std::string value : {"null", "\"x\"", "-7", "[]", "{}", "true"}) {
        std::string inner = objectOf(0, MEMBERS.size(), value);
        for (size_t from = 0; from < MEMBERS.size(); from += SLICE)
            out.insert(out.end(), {objectOf(from, SLICE, inner), objectOf(from, SLICE, "[" + inner + "," + value + "]")});
    }
    return out;
}

// The events that leave the visit standing all go to one door, the replies
// after them; then a last event must still be heard. Events that end the
// visit or wait for a key (a refused log-in) get a door each. The names come
// from the door's own event table, so an event added later is covered too.
TEST(FaultsE2e, EveryEventWithMembersOfTheWrongTypeLeavesTheDoorStanding) {
    std::vector<std::string> variants = wrongData();
    std::vector<std::pair<std::string, std::string>> batches{{"every event and reply", ""}};  // name, lines
    std::set<std::string> routed;
    for (int i = 0; eventRouteName(i); i++) {
        std::string name = eventRouteName(i), lines;
        routed.insert(name);
        for (const std::string& data : variants) lines += eventLine(name, data) + "\n";
        if (name == "authed" || name == "admin:kicked" || name == "disconnected") batches.push_back({name, lines});
        else batches[0].second += lines;
    }
    for (const char* known : {"authed", "lobby:chat", "room:state", "disconnected"}) EXPECT_TRUE(routed.count(known)) << known;
    for (int ack = 0; ack <= ACK_HIGHEST + 1; ack++)
        for (const std::string& data : variants) batches[0].second += replyLine(ack, data) + "\n";

    const std::string last = "Still standing after the wrong types.";
    sideBySide<std::pair<std::string, std::string>>(batches, [&](const auto& b, int node) {
        SCOPED_TRACE(b.first);
        Visit v;
        startVisit(&v, node);
        ASSERT_TRUE(walk(&v, LOUNGE));
        std::thread sender([&] {
            fakeServiceSendRaw(&v.svc, b.second);
            fakeServiceSend(&v.svc, eventLine("disconnected", "{\"reason\":\"" + last + "\"}"));
        });
        // Keys now and then, so a screen that waits for one (a verdict) lets go.
        waitUntil([&] {
            bbsPump(&v.door);
            bbsSendKeys(&v.door, "x");
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return !bbsRunning(&v.door);
        }, 60000);
        sender.join();
        EXPECT_EQ(bbsWaitExit(&v.door, 1000), 0) << "the door crashed or hung; its screen:\n" << bbsScreen(&v.door);
        if (node == 1) EXPECT_NE(v.door.rawSocket.find(last), std::string::npos) << "the last event was never heard";
    });
}

// ---------------------------------------------------------------------------
// The caller stops reading while chat floods in; the door waits on the full
// socket without losing the service. Then the caller either reads again (the
// screen catches up) or hangs up (the door notices at once and ends).

int unreadAtCaller(const BbsHost* host) {
    int waiting = 0;
    ioctl(host->callerFd, FIONREAD, &waiting);
    return waiting;
}

TEST(FaultsE2e, CallerThatStopsReadingDuringAChatFloodCatchesUpOrHangsUp) {
    constexpr int SMALL_SOCKET_BUFFER = 4096;  // fills after a few screens' worth
    constexpr int FLOOD_LINES = 3000;
    for (bool hangsUp : {false, true}) {
        SCOPED_TRACE(hangsUp ? "hangs up" : "reads again");
        Visit v;
        startVisit(&v, 1, SMALL_SOCKET_BUFFER);
        ASSERT_TRUE(walk(&v, LOUNGE));
        BbsHost* host = &v.door;
        bbsPump(host);
        std::thread flood([&] {
            // Only changed cells go out: every line differs in full so that each
            // pass sends whole chat rows.
            for (int i = 0; i < FLOOD_LINES; i += 10) {
                std::string batch;
                for (int j = i; j < i + 10; j++) batch += chat("flood line " + std::to_string(j) + " " + std::string(55, (char)('a' + j % 26))) + "\n";
                if (!fakeServiceSendRaw(&v.svc, batch)) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        // Full: the caller's end holds bytes and takes no more for 300 ms.
        int waiting = 0, now = 0;
        waitUntil([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return (now = unreadAtCaller(host)) > 1000 && now == std::exchange(waiting, now);
        }, 60000);
        EXPECT_GT(waiting, 1000) << "the caller's socket never filled";
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(unreadAtCaller(host), waiting) << "nothing more can go while the caller does not read";
        EXPECT_TRUE(bbsRunning(host));
        EXPECT_FALSE(v.svc.closed) << "a slow caller does not cost the service link";
        if (!hangsUp) {
            EXPECT_TRUE(bbsWaitText(host, "flood line " + std::to_string(FLOOD_LINES - 1), 0, 60000)) << bbsScreen(host);
            flood.join();
            expectStillServing(&v, "after the flood");
            continue;
        }
        shutdown(host->callerFd, SHUT_WR);  // its end reads nothing more: only the hang-up frees the door
        Clock::time_point at = Clock::now();
        waitUntil([&] { return !bbsRunning(host); }, 3000);
        EXPECT_LT(msSince(at), HANG_UP_EXIT_MS);
        EXPECT_EQ(bbsWaitExit(host, 5000), 0);
        EXPECT_TRUE(fakeServiceWaitLine(&v.svc, DISCONNECT_LINE, 5000));
        fakeServiceDrop(&v.svc);  // frees the flood from a send that waits
        flood.join();
    }
}

// ---------------------------------------------------------------------------
// Two nodes add announcement markers at the same moment: both mark their own
// callers' reads and one caller's shared reads, the same pairs racing.

TEST(FaultsE2e, TwoNodesAddingMarkersAtOnceLeaveEveryLineAWholePair) {
    constexpr int IDS = 300, SHARED_USER = 7;
    char dir[] = "/tmp/wwmarks-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/" + MARKER_READ_FILE;
    pid_t nodes[2];
    for (int node = 0; node < 2; node++)
        if ((nodes[node] = fork()) == 0) {
            for (int id = 1; id <= IDS; id++) {
                markerAdd(path.c_str(), 100 + node, id);
                markerAdd(path.c_str(), SHARED_USER, id);
            }
            _exit(0);
        }
    for (pid_t pid : nodes) {
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_EQ(status, 0);
    }
    std::ifstream in(path);
    std::set<std::pair<int, int>> pairs;
    int lines = 0;
    for (std::string line; std::getline(in, line); lines++) {
        int user = 0, id = 0;
        char extra = 0;
        EXPECT_EQ(sscanf(line.c_str(), "%d %d%c", &user, &id, &extra), 2) << "line " << lines << ": " << line;
        pairs.insert({user, id});
    }
    for (int id = 1; id <= IDS; id++)
        for (int user : {100, 101, SHARED_USER}) EXPECT_TRUE(pairs.count({user, id})) << "lost: " << user << " " << id;
    EXPECT_LE(lines, 4 * IDS) << "at most the shared pairs twice";
    std::filesystem::remove_all(dir);
}

}  // namespace
