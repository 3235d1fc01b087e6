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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "host/markers.h"
#include "net/wire.h"
#include "session/events.h"
#include "session/replies.h"
#include "e2e_common.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr long HANG_UP_EXIT_MS = 1000;  // a caller gone is a door gone within a second
constexpr int PARALLEL_DOORS = 6;       // doors at once: the machine is small and shared

const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
    R"("categories":["Animals"],"features":{"tester_feedback":true}}})";
const std::string TABLE_STATE =
    R"({"event":"room:state","data":{"code":"ABC123","name":"Night Owls","state":"waiting",)"
    R"("players":[{"id":"p1","name":"Ace Writer"},{"id":"p2","name":"Bob"}]}})";
const std::string SOLO_START = R"({"ackId":1,"data":{"ok":true,"blanks":[{"n":1,"type":"A NOUN","hint":"a thing"},)"
                               R"({"n":2,"type":"A VERB","hint":"do it"}]}})";
const std::string SOLO_TALE = R"({"ackId":2,"data":{"ok":true,"title":"Llamas","text":"The llama sang."}})";
const std::string ROUND_PROMPTS =
    R"({"event":"game:prompts","data":{"template":{"title":"Moon Picnic","category":"Space"},"seconds":120,)"
    R"("totalBlanks":2,"blanks":[{"n":1,"type":"adjective"},{"n":2,"type":"animal"}]}})";
const std::string ROUND_REVEAL =
    R"({"event":"game:story-reveal","data":{"title":"Moon Picnic","voteSeconds":60,"story":"A sticky yak.",)"
    R"("words":[{"n":1,"value":"sticky","authorId":"p1"},{"n":2,"value":"yak","authorId":"p2"}]}})";
const std::string ROUND_RESULTS =
    R"({"event":"game:round-results","data":{"standings":[{"id":"p1","name":"Ace Writer","laughs":3},)"
    R"({"id":"p2","name":"Bob","laughs":1}]}})";

long msSince(Clock::time_point t) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::string loungeChat(const std::string& who, const std::string& text) {
    return eventLine("lobby:chat", "{\"name\":\"" + who + "\",\"text\":\"" + text + "\"}");
}

std::string screenText(const BbsHost* host) {
    std::string all;
    for (int row = 1; row <= 24; row++) all += bbsRow(host, row) + "\n";
    return all;
}

// A caller at a door, the door's service, and the BBS's own copy of the
// caller's socket (a BBS keeps its end: the door must leave it usable).
struct Visit {
    Service service;
    Door door;
    int bbsFd = -1;
    BbsHost* host() { return &door.host; }
    FakeService* svc() { return &service.svc; }
    ~Visit() {
        if (bbsFd >= 0) close(bbsFd);
    }
};

// Start the door for caller Ace on `node`; sendBuffer > 0 shrinks what the
// caller's socket holds before the door must wait.
void startVisit(Visit* v, int node, int sendBuffer = 0) {
    BbsHost* host = v->host();
    bbsWriteDoorCfg(host, v->svc()->port);
    int handle = bbsOpenTelnet(host);
    v->bbsFd = fcntl(host->doorFd, F_DUPFD_CLOEXEC, 0);
    if (sendBuffer > 0) setsockopt(host->doorFd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    bbsWriteFile(host, "DOOR32.SYS", bbsDoor32(2, (unsigned)handle, node, "Ace"));
    bbsStart(host, {"DOOR32.SYS"}, false);
}

// Each step returns false (having said why) when the door did not follow.
bool expectShows(Visit* v, const std::string& text) {
    if (waitOnScreen(v->host(), text, BBS_WAIT_MS)) return true;
    ADD_FAILURE() << "never showed \"" << text << "\"; the screen:\n" << screenText(v->host());
    return false;
}

// Each step of the way in: keys (or a service line), then what must show.
bool step(Visit* v, const char* keys, const std::string& line, const std::string& shows) {
    if (keys) bbsSendKeys(v->host(), keys);
    return (line.empty() || fakeServiceSend(v->svc(), line)) && expectShows(v, shows);
}
bool toWelcome(Visit* v) {
    if (fakeServiceWaitFirstLine(v->svc())) return step(v, nullptr, AUTHED, "Welcome, Ace Writer!");
    ADD_FAILURE() << "the door never connected";
    return false;
}
bool toGuide(Visit* v) { return toWelcome(v) && step(v, "x", "", "[S] MAIN MENU"); }
bool toMenu(Visit* v) { return toGuide(v) && step(v, "s", "", "Back to the BBS"); }
bool menuChoice(Visit* v, const char* typed, const std::string& shows) { return toMenu(v) && step(v, typed, "", shows); }
bool toLounge(Visit* v) { return menuChoice(v, "1\r", "[#] Sit Down"); }
bool toTable(Visit* v) { return toLounge(v) && step(v, nullptr, TABLE_STATE, "[L]eave Room"); }
bool toRoundWords(Visit* v) { return toTable(v) && step(v, nullptr, ROUND_PROMPTS, "[ESC] Leave Room"); }
bool toReveal(Visit* v) { return toRoundWords(v) && step(v, nullptr, ROUND_REVEAL, "[SPACE] Laugh"); }
bool toScores(Visit* v) { return toReveal(v) && step(v, nullptr, ROUND_RESULTS, "[ENTER] Play Again"); }
bool toWordEntry(Visit* v) { return toMenu(v) && step(v, nullptr, SOLO_START, "Type Your Word And Press ENTER"); }

// ---------------------------------------------------------------------------
// The caller hangs up.

// Still running? Asked without reaping, so bbsWaitExit still gets the code.
bool doorRunning(BbsHost* host) {
    siginfo_t info{};
    return host->pid > 0 && waitid(P_PID, (id_t)host->pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

// Half a hang-up leaves the caller's end able to read, so the BBS's copy can
// show the socket still works after the door; a full one closes it.
void hangUpAndExpectPromptExit(Visit* v, bool halfClose, bool serviceGone, const std::string& where) {
    BbsHost* host = v->host();
    bbsPump(host);
    size_t before = host->rawSocket.size();
    std::string dotsRow = bbsRow(host, GOODBYE_SENDING_ROW);
    Clock::time_point at = Clock::now();
    if (halfClose) shutdown(host->callerFd, SHUT_WR);
    else bbsHangUp(host);
    int code = bbsWaitExit(host, 5000);
    long took = msSince(at);
    EXPECT_EQ(code, 0) << where;
    EXPECT_LT(took, HANG_UP_EXIT_MS) << where;
    if (!serviceGone) {
        EXPECT_TRUE(fakeServiceWaitLine(v->svc(), DISCONNECT_LINE, 5000)) << where;
        EXPECT_TRUE(fakeServiceWaitClosed(v->svc(), 5000)) << where;
    }
    EXPECT_EQ(host->rawSocket.find("Thanks for playing!", before), std::string::npos)
        << where << ": the goodbye is not drawn for a caller who has gone";
    if (dotsRow.find(SENDING_BACK) != std::string::npos)
        EXPECT_EQ(bbsRow(host, GOODBYE_SENDING_ROW), dotsRow) << where << ": nor are more of its dots";
    int flags = fcntl(v->bbsFd, F_GETFL);
    EXPECT_EQ(flags & O_NONBLOCK, 0) << where << ": the socket goes back in the BBS's own mode";
    if (!halfClose) return;
    // The BBS writes on its socket after the door: the door did not shut it down.
    EXPECT_EQ(send(v->bbsFd, "BBS!", 4, MSG_NOSIGNAL), 4) << where;
    auto end = Clock::now() + std::chrono::seconds(2);
    while (host->rawSocket.size() < before + 4 || host->rawSocket.compare(host->rawSocket.size() - 4, 4, "BBS!")) {
        if (Clock::now() >= end) break;
        bbsPump(host);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(host->rawSocket.substr(host->rawSocket.size() - 4), "BBS!") << where;
}

struct HangUpCase {
    const char* screen;
    bool (*drive)(Visit*);  // from start-up to the screen, checked on the way
    bool serviceGone;       // the service hung up first: nobody to tell
};

const HangUpCase HANG_UP_CASES[] = {
    {"connecting", [](Visit* v) { return fakeServiceWaitFirstLine(v->svc()); }},
    {"welcome", toWelcome},
    {"closed for maintenance",
     [](Visit* v) {
         return fakeServiceWaitFirstLine(v->svc()) &&
                step(v, nullptr, eventLine("authed", R"({"ok":false,"maintenance":true,"error":"Back soon."})"),
                     "B A C K   S H O R T L Y");
     }},
    {"guide", toGuide},
    {"main menu", toMenu},
    {"Lounge", toLounge},
    {"table", toTable},
    {"word entry", toWordEntry},
    {"words of a round at a table", toRoundWords},
    {"reveal", toReveal},
    {"scores", toScores},
    {"solo tale", [](Visit* v) { return toWordEntry(v) && step(v, nullptr, SOLO_TALE, "[P] Play Again"); }},
    {"category pick", [](Visit* v) { return menuChoice(v, "3\r", "Pick A Category"); }},
    {"create table", [](Visit* v) { return toLounge(v) && step(v, "C\r", "", "Type A Name And Press ENTER"); }},
    {"mailbox", [](Visit* v) { return menuChoice(v, "M\r", "[ENTER] Back To The Menu"); }},
    {"announcements", [](Visit* v) { return menuChoice(v, "A\r", "[ENTER] Back To The Menu"); }},
    {"submit intro", [](Visit* v) { return menuChoice(v, "S\r", "[ENTER] Start Writing"); }},
    {"feedback", [](Visit* v) { return menuChoice(v, "F\r", "ENTER On An Empty Line When You Are Done"); }},
    {"care hub", [](Visit* v) { return menuChoice(v, "C\r", "[M] Main Menu"); }},
    {"quick help", [](Visit* v) { return menuChoice(v, "?\r", "[ENTER] Back"); }},
    {"typing in the Lounge", [](Visit* v) { return toLounge(v) && step(v, "half a thou", "", "half a thou"); }},
    // The last screens hold for seconds on their own; a caller gone cuts them short.
    {"lost-link notice",
     [](Visit* v) {
         if (!toLounge(v)) return false;
         fakeServiceDrop(v->svc());
         return expectShows(v, LOST_LINK);
     },
     true},
    {"the service's reason for ending",
     [](Visit* v) {
         return toLounge(v) && step(v, nullptr, eventLine("disconnected", R"({"reason":"Closing early."})"), "Closing early.");
     }},
    {"goodbye dots", [](Visit* v) { return toMenu(v) && step(v, "Q\r", "", SENDING_BACK); }},
};

// Run cases on threads, at most PARALLEL_DOORS at once.
template <typename Case>
void runSideBySide(const Case* cases, size_t count, const std::function<void(const Case&, int)>& run) {
    for (size_t first = 0; first < count; first += PARALLEL_DOORS) {
        std::vector<std::thread> threads;
        for (size_t i = first; i < count && i < first + PARALLEL_DOORS; i++)
            threads.emplace_back([&, i] { run(cases[i], (int)i + 1); });
        for (std::thread& t : threads) t.join();
    }
}

TEST(FaultsE2e, CallerHangingUpOnAnyScreenEndsTheDoorAtOnceAndLeavesTheSocketToTheBbs) {
    // Every screen both ways: a half close, where the caller's end still
    // reads (and the door's writes still succeed), and a full close.
    struct Run {
        const HangUpCase* c;
        bool halfClose;
    };
    std::vector<Run> runs;
    for (const HangUpCase& c : HANG_UP_CASES)
        for (bool halfClose : {true, false}) runs.push_back({&c, halfClose});
    runSideBySide<Run>(runs.data(), runs.size(), [](const Run& r, int node) {
        std::string where = std::string(r.c->screen) + (r.halfClose ? ", half close" : ", full close");
        SCOPED_TRACE(where);
        Visit v;
        startVisit(&v, node);
        if (!r.c->drive(&v)) return;
        hangUpAndExpectPromptExit(&v, r.halfClose, r.c->serviceGone, where);
    });
}

// ---------------------------------------------------------------------------
// The service misbehaves.

// Lost link: the notice, the goodbye, code 0.
void expectLostLinkGoodbye(Visit* v) {
    EXPECT_TRUE(bbsWaitRow(v->host(), NOTICE_ROW, LOST_LINK)) << bbsRow(v->host(), NOTICE_ROW);
    EXPECT_TRUE(bbsWaitRow(v->host(), GOODBYE_SENDING_ROW, SENDING_BACK));
    EXPECT_EQ(bbsWaitExit(v->host()), 0);
}

// A chat line shown after the fault proves the door still reads and draws;
// typed keys shown prove it still listens to the caller.
void expectStillServing(Visit* v, const std::string& proof) {
    EXPECT_TRUE(fakeServiceSend(v->svc(), loungeChat("Bob", proof)));
    EXPECT_TRUE(waitOnScreen(v->host(), proof)) << "no \"" << proof << "\":\n" << screenText(v->host());
    bbsSendKeys(v->host(), "zq");
    EXPECT_TRUE(bbsWaitRow(v->host(), 24, "zq")) << bbsRow(v->host(), 24);
    EXPECT_TRUE(doorRunning(v->host()));
}

struct ServiceCase {
    const char* fault;
    void (*run)(Visit*);
};

std::string giantChat(size_t textBytes) {
    return loungeChat("Bob", std::string(textBytes, 'a'));
}

// A line with a NUL byte inside: C text ends there, the line does not.
const char NUL_LINE[] = "{\"event\":\"lobby:chat\",\"data\":{\"name\":\"Bob\",\"text\":\"nul\0after\"}}";

const ServiceCase SERVICE_CASES[] = {
    {"the service hangs up in the middle of a round",
     [](Visit* v) {
         ASSERT_TRUE(toWordEntry(v));
         bbsSendKeys(v->host(), "teap");  // a word half typed
         ASSERT_TRUE(waitOnScreen(v->host(), "teap")) << screenText(v->host());
         fakeServiceDrop(v->svc());
         expectLostLinkGoodbye(v);
     }},
    {"the service hangs up while a table fills in its words",
     [](Visit* v) {
         ASSERT_TRUE(toRoundWords(v));
         bbsSendKeys(v->host(), "stic");
         ASSERT_TRUE(waitOnScreen(v->host(), "stic")) << screenText(v->host());
         fakeServiceDrop(v->svc());
         expectLostLinkGoodbye(v);
     }},
    {"the service hangs up during the reveal at a table",
     [](Visit* v) {
         ASSERT_TRUE(toReveal(v));
         bbsSendKeys(v->host(), " ");  // a laugh on its way
         fakeServiceDrop(v->svc());
         expectLostLinkGoodbye(v);
     }},
    {"the service hangs up in the middle of a line",
     [](Visit* v) {
         ASSERT_TRUE(toLounge(v));
         // Half an ending: its reason must not be taken from a line never finished.
         ASSERT_TRUE(fakeServiceSendRaw(v->svc(), R"({"event":"disconnected","data":{"reason":"Half said)"));
         std::this_thread::sleep_for(std::chrono::milliseconds(100));
         fakeServiceDrop(v->svc());
         expectLostLinkGoodbye(v);
         EXPECT_EQ(v->host()->rawSocket.find("Half said"), std::string::npos);
     }},
    {"lines over 1 MiB",
     [](Visit* v) {
         ASSERT_TRUE(toLounge(v));
         // Just over the limit, then far over it in one write; neither is a line.
         for (size_t bytes : {(size_t)WIRE_BUFFER_MAX + 1, (size_t)3 * WIRE_BUFFER_MAX})
             ASSERT_TRUE(fakeServiceSend(v->svc(), giantChat(bytes)));
         expectStillServing(v, "after the giants");
         EXPECT_EQ(v->host()->rawSocket.find("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), std::string::npos)
             << "no piece of an over-long line is shown";
         // Somewhat under the limit is still a line (the bulk in a number:
         // a string that long is refused by the reader on its own account).
         ASSERT_TRUE(fakeServiceSend(v->svc(), R"({"event":"lobby:chat","data":{"name":"Bob","text":"near the limit"},)"
                                               R"("pad":)" + std::string(WIRE_BUFFER_MAX - 8192, '1') + "}"));
         EXPECT_TRUE(waitOnScreen(v->host(), "near the limit")) << screenText(v->host());
     }},
    {"10 000 lines in one burst",
     [](Visit* v) {
         ASSERT_TRUE(toLounge(v));
         std::string burst;
         for (int i = 0; i < 10000; i++) burst += loungeChat("Bob", "burst line " + std::to_string(i)) + "\n";
         Clock::time_point at = Clock::now();
         std::thread sender([&] { EXPECT_TRUE(fakeServiceSendRaw(v->svc(), burst)); });
         // A key pressed while the burst arrives is answered within seconds.
         std::this_thread::sleep_for(std::chrono::milliseconds(20));
         bbsSendKeys(v->host(), "zq");
         EXPECT_TRUE(bbsWaitRow(v->host(), 24, "zq", 5000)) << "a key during the burst: " << bbsRow(v->host(), 24);
         EXPECT_TRUE(waitOnScreen(v->host(), "burst line 9999")) << screenText(v->host());
         sender.join();
         EXPECT_LT(msSince(at), 10000) << "the burst is handled in seconds, not minutes";
         bbsSendKeys(v->host(), "\x08\x08");  // the proof below types its own
         expectStillServing(v, "after the burst");
     }},
    {"unparsable lines",
     [](Visit* v) {
         ASSERT_TRUE(toLounge(v));
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
         ASSERT_TRUE(fakeServiceSendRaw(v->svc(), all));
         expectStillServing(v, "after the garbage");
         EXPECT_EQ(v->host()->rawSocket.find("never closed"), std::string::npos);
     }},
};

TEST(FaultsE2e, ServiceFaultsLeaveTheDoorServingOrEndItCleanly) {
    constexpr size_t COUNT = sizeof SERVICE_CASES / sizeof SERVICE_CASES[0];
    runSideBySide<ServiceCase>(SERVICE_CASES, COUNT, [](const ServiceCase& c, int node) {
        SCOPED_TRACE(c.fault);
        Visit v;
        startVisit(&v, node);
        c.run(&v);
    });
}

// ---------------------------------------------------------------------------
// Every event with members of the wrong type.

// The names in the door's own event table, so an event added later is covered
// without touching this test.
std::vector<std::string> routedEventNames() {
    std::vector<std::string> names;
    for (int i = 0; eventRouteName(i); i++) names.push_back(eventRouteName(i));
    return names;
}

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

std::string objectOf(const std::vector<std::string>& names, size_t from, size_t count, const std::string& value) {
    std::string out = "{";
    for (size_t i = from; i < names.size() && i < from + count; i++)
        out += (out.size() > 1 ? "," : "") + ("\"" + names[i] + "\":" + value);
    return out + "}";
}

// data for one event: a whole value of the wrong kind, every member of the
// wrong kind, and (in slices that keep the node count in bounds) every
// member holding objects or lists of objects whose members are wrong.
std::vector<std::string> wrongData(const std::vector<std::string>& members) {
    const std::string flatValues[] = {"null", "[]", "{}", "0", "-1", "1e308", "-1e308", "2147483648",
                                      "\"\"", "\"x\"", "true", "false", "[null,1,\"x\",[],{}]"};
    const std::string innerValues[] = {"null", "\"x\"", "-7", "[]", "{}", "true"};
    constexpr size_t SLICE = 20;
    std::vector<std::string> out;
    for (const std::string& value : flatValues) {
        out.push_back(value);
        out.push_back(objectOf(members, 0, members.size(), value));
    }
    for (const std::string& value : innerValues) {
        std::string inner = objectOf(members, 0, members.size(), value);
        for (size_t from = 0; from < members.size(); from += SLICE) {
            out.push_back(objectOf(members, from, SLICE, inner));
            out.push_back(objectOf(members, from, SLICE, "[" + inner + "," + value + "]"));
        }
    }
    return out;
}

// Keys now and then, so a screen that waits for one (a verdict) lets go.
int waitExitPressingKeys(BbsHost* host, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (doorRunning(host) && Clock::now() < end) {
        bbsPump(host);
        bbsSendKeys(host, "x");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return bbsWaitExit(host, 1000);
}

TEST(FaultsE2e, EveryEventWithMembersOfTheWrongTypeLeavesTheDoorStanding) {
    std::vector<std::string> events = routedEventNames();
    for (const char* known : {"authed", "lobby:chat", "room:state", "disconnected"})
        EXPECT_NE(std::find(events.begin(), events.end(), known), events.end()) << known;
    std::vector<std::string> variants = wrongData(MEMBERS);

    // The events that leave the visit standing all go to one door, the
    // replies after them; then a last event must still be heard. Events that
    // end the visit or wait for a key (a refused log-in) get a door each.
    struct Batch {
        std::string name;
        std::string lines;
    };
    std::vector<Batch> batches{{"every event and reply", ""}};
    for (const std::string& name : events) {
        std::string lines;
        for (const std::string& data : variants) lines += eventLine(name, data) + "\n";
        bool mayEnd = name == "authed" || name == "admin:kicked" || name == "disconnected";
        if (mayEnd) batches.push_back({name, lines});
        else batches[0].lines += lines;
    }
    for (int ack = 0; ack <= ACK_HIGHEST + 1; ack++)
        for (const std::string& data : variants)
            batches[0].lines += "{\"ackId\":" + std::to_string(ack) + ",\"data\":" + data + "}\n";

    const std::string last = "Still standing after the wrong types.";
    runSideBySide<Batch>(batches.data(), batches.size(), [&](const Batch& b, int node) {
        SCOPED_TRACE(b.name);
        Visit v;
        startVisit(&v, node);
        ASSERT_TRUE(toLounge(&v));
        std::thread sender([&] {
            fakeServiceSendRaw(v.svc(), b.lines);
            fakeServiceSend(v.svc(), eventLine("disconnected", "{\"reason\":\"" + last + "\"}"));
        });
        int code = waitExitPressingKeys(v.host(), 60000);
        sender.join();
        EXPECT_EQ(code, 0) << "the door crashed or hung; its screen:\n" << screenText(v.host());
        if (b.name == batches[0].name)
            EXPECT_NE(v.host()->rawSocket.find(last), std::string::npos) << "the last event was never heard";
    });
}

// ---------------------------------------------------------------------------
// The caller's socket stops taking bytes while chat floods in.

// Bytes waiting unread at the caller's end.
int unreadAtCaller(const BbsHost* host) {
    int waiting = 0;
    ioctl(host->callerFd, FIONREAD, &waiting);
    return waiting;
}

// The service floods the Lounge with `lines` chat lines, a batch at a time.
std::thread startFlood(Visit* v, int lines) {
    return std::thread([v, lines] {
        for (int i = 0; i < lines; i += 50) {
            std::string batch;
            for (int j = i; j < i + 50; j++) batch += loungeChat("Bob", "flood line " + std::to_string(j)) + "\n";
            if (!fakeServiceSendRaw(v->svc(), batch)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

// Wait until the caller's end holds bytes and takes no more; what it holds,
// or 0 when it never filled.
int waitCallerFull(const BbsHost* host) {
    int waiting = 0;
    for (int i = 0; i < 200; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int now = unreadAtCaller(host);
        if (now > 1000 && now == waiting) return now;
        waiting = now;
    }
    return 0;
}

constexpr int SMALL_SOCKET_BUFFER = 4096;  // fills after a few screens' worth
constexpr int FLOOD_LINES = 3000;

// The caller stops reading while chat floods in; the door waits on the full
// socket without losing the service. Then the caller either reads again (the
// screen catches up) or hangs up (the door notices at once and ends).
TEST(FaultsE2e, CallerThatStopsReadingDuringAChatFloodCatchesUpOrHangsUp) {
    for (bool hangsUp : {false, true}) {
        SCOPED_TRACE(hangsUp ? "hangs up" : "reads again");
        Visit v;
        startVisit(&v, 1, SMALL_SOCKET_BUFFER);
        ASSERT_TRUE(toLounge(&v));
        BbsHost* host = v.host();
        bbsPump(host);
        std::thread flood = startFlood(&v, FLOOD_LINES);
        int waiting = waitCallerFull(host);
        EXPECT_GT(waiting, 0) << "the caller's socket never filled";
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(unreadAtCaller(host), waiting) << "nothing more can go while the caller does not read";
        EXPECT_TRUE(doorRunning(host));
        EXPECT_FALSE(v.svc()->doorClosed) << "a slow caller does not cost the service link";
        if (waiting > 0 && hangsUp) {
            shutdown(host->callerFd, SHUT_WR);  // its end reads nothing more: only the hang-up frees the door
            Clock::time_point at = Clock::now();
            while (doorRunning(host) && msSince(at) < 3000) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_LT(msSince(at), HANG_UP_EXIT_MS);
            EXPECT_EQ(bbsWaitExit(host, 5000), 0);
            EXPECT_TRUE(fakeServiceWaitLine(v.svc(), DISCONNECT_LINE, 5000));
        } else if (waiting > 0) {
            EXPECT_TRUE(waitOnScreen(host, "flood line " + std::to_string(FLOOD_LINES - 1), 60000)) << screenText(host);
            flood.join();
            expectStillServing(&v, "after the flood");
            continue;
        }
        fakeServiceDrop(v.svc());  // frees the flood from a send that waits
        flood.join();
    }
}

// ---------------------------------------------------------------------------
// Two nodes add announcement markers at the same moment.

TEST(FaultsE2e, TwoNodesAddingMarkersAtOnceLeaveEveryLineAWholePair) {
    char dir[] = "/tmp/wwmarks-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/" + MARKER_READ_FILE;
    constexpr int IDS = 300;
    constexpr int SHARED_USER = 7;  // both nodes mark this caller's reads: the same pairs race
    pid_t nodes[2];
    for (int node = 0; node < 2; node++) {
        nodes[node] = fork();
        ASSERT_GE(nodes[node], 0);
        if (nodes[node] == 0) {
            for (int id = 1; id <= IDS; id++) {
                markerAdd(path.c_str(), 100 + node, id);
                markerAdd(path.c_str(), SHARED_USER, id);
            }
            _exit(0);
        }
    }
    for (pid_t pid : nodes) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::ifstream in(path);
    std::string line;
    std::set<std::pair<int, int>> pairs;
    int lines = 0;
    while (std::getline(in, line)) {
        lines++;
        int user = 0, id = 0;
        char extra = 0;
        EXPECT_EQ(sscanf(line.c_str(), "%d %d%c", &user, &id, &extra), 2) << "line " << lines << ": " << line;
        pairs.insert({user, id});
    }
    for (int id = 1; id <= IDS; id++)
        for (int user : {100, 101, SHARED_USER})
            EXPECT_TRUE(pairs.count({user, id})) << "lost: " << user << " " << id;
    EXPECT_LE(lines, 4 * IDS) << "at most the shared pairs twice";
    unlink(path.c_str());
    rmdir(dir);
}

}  // namespace
