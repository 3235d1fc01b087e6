// Whole visits through the real door against a fake service, each a table of
// steps: what the service sends, what the caller types, what the screen must
// show (with its colour where that matters), and every line the door sends,
// in order and nothing else. Journeys run side by side, one board each.
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "e2e_common.h"

namespace {

enum Op {
    SEND,   // the service sends text
    KEYS,   // the caller types text
    SHOWS,  // text shows on row (0: any row)
    SENT,   // the next line the door sends is exactly text
    DROP,   // the service hangs up
    EXIT,   // the door ends with code row
    NOISE,  // line noise wipes the caller's screen and scribbles on it
};

struct Step {
    Op op;
    std::string text;
    int row = 0;
    int ink = 0;  // SHOWS: nonzero also checks the text's ink (see screenInkAt)
};

using Steps = std::vector<Step>;

// The alias has quotes so the connect command must escape them.
const std::string CONNECT =
    R"({"cmd":"connect","bbsInstanceId":"board-7","localUserid":"42","alias":"Tess \"Q\""})";
const std::string AUTHED =
    R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace","greeting":"Hello {username}, pull up a chair!"},)"
    R"("categories":["Animals",{"name":"Space","kind":"holiday"}],)"
    R"("announcements":[{"id":7,"title":"Fresh tales","body":"Twelve new ones."}],)"
    R"("features":{"tester_feedback":false}}})";
const std::string ZONE_MENU = emit("presence:zone", "\"welcome\"");
const std::string ZONE_SOLO = emit("presence:zone", "\"solo\"");

Steps logIn() {
    return {
        {SENT, CONNECT},
        {SHOWS, "Welcome, Tess \"Q\"!", 16},  // the drop file's alias until the service names the caller
        {SEND, AUTHED}, {SHOWS, "Welcome, Ace!", 16, 92}, {SENT, emitAck("mail:list", 6, "{}")},
        {SHOWS, "Standard Connection", 23, 37},
        {KEYS, "x"}, {SHOWS, "A   B R A N D   N E W   S T O R Y   E V E R Y   T I M E !", 5, 97},
        {SHOWS, "[ENTER] NEXT     [S] MAIN MENU", 23},
        {KEYS, "s"}, {SENT, ZONE_MENU}, {SHOWS, "Hello Ace, pull up a chair!", 4, 96},
        {SHOWS, "Announcements (1 new)", 13, 92}, {SHOWS, "Back to the BBS", 19},
    };
}

// Over TLS the service's one greeting names the caller at once.
Steps tlsLogIn() {
    Steps steps = logIn();
    steps.erase(steps.begin() + 1, steps.begin() + 3);  // the drop file's alias, then the service's answer
    steps[3] = {SHOWS, "Secure Connection", 23, 92};
    return steps;
}

Steps quitFromMenu() { return {{KEYS, "q\r"}, {SENT, DISCONNECT_LINE}, {SHOWS, "Thanks for playing!", 10}, {EXIT, "", 0}}; }
Steps lostLink() { return {{DROP, ""}, {SHOWS, LOST_LINK, NOTICE_ROW}, {SHOWS, SENDING_BACK, GOODBYE_SENDING_ROW}, {EXIT, "", 0}}; }

const std::string LONG_LINE = "The quick brown fox jumps over the lazy dog while the cat naps in the sun by the warm window sill...";

// Into the Lounge; a line from another board in UTF-8 drawn in CP437 (or
// as UTF-8 again on a utf8 door), and an "é" typed as the caller's terminal
// sends it (0x82 in CP437) going out as UTF-8.
Steps loungeText(const std::string& typedE) {
    return {
        {KEYS, "1\r"}, {SENT, emit("presence:zone", "\"lounge\"")}, {SENT, emit("lobby:refresh", "{}")},
        {SEND, eventLine("lobby:chat", R"({"name":"Zoë","text":"café ☕ naïve £5 ł"})")},
        {SHOWS, "Zoë"}, {SHOWS, "café ? naïve £5 l"},
        {KEYS, "caf" + typedE + "!\r"}, {SENT, emit("lobby:chat", R"("café!")")},
    };
}

Steps lounge() {
    return {
        {SEND, eventLine("lobby:roster", R"({"players":[{"name":"Ace","id":"s-ace"},{"name":"Bob","id":"s-bob"},)"
                                         R"({"name":"Cleo","id":"s-cleo"}]})")},
        {KEYS, "hello \"all\"\r"}, {SENT, emit("lobby:chat", R"("hello \"all\"")")},
        {KEYS, "/Bob psst\r"}, {SENT, emit("lobby:chat", R"("/Bob psst")")},
        {KEYS, "/me waves\r"}, {SENT, emit("lobby:emote", R"({"text":"waves"})")},
        // 100 characters: the row shows "<" and the last 72, the line goes whole.
        {KEYS, LONG_LINE}, {SHOWS, "> <" + LONG_LINE.substr(28), 24},
        {KEYS, "\r"}, {SENT, emit("lobby:chat", "\"" + LONG_LINE + "\"")},
        {SEND, eventLine("lobby:chat", R"({"name":"Bob","text":"evening all"})")}, {SHOWS, "evening all"},
        {SEND, eventLine("lobby:emote", R"({"name":"Cleo","text":"juggles"})")}, {SHOWS, "juggles"},
        {KEYS, "/who\r"}, {SHOWS, "3 players online right now."},
        {KEYS, "/code\r"}, {SHOWS, "Share code: (none)"},
        // The report dialogue: the caller stands first, so 2 names Cleo.
        {KEYS, "/report\r"}, {SENT, emit("report:begin", "{}")}, {SHOWS, "M A K E   A   R E P O R T"},
        {KEYS, "3\r"}, {SHOWS, "Type 1 for the tale, or 2 for a person."},
        {KEYS, "2\r"}, {SHOWS, "[2] Cleo"},
        {KEYS, "2\r"}, {SHOWS, "What is wrong? Type the number."},
        {KEYS, "9\r"}, {SHOWS, "Type a number from the list."},
        {KEYS, "4\r"}, {SHOWS, "Reason: Cheating"},
        {KEYS, "Peeked at my words\r\r"},
        {SENT, emitAck("report:player", 9, R"({"targetSocketId":"s-cleo","reason":"cheating","note":"Peeked at my words"})")},
        {SEND, replyLine(9, R"({"ok":true})")}, {SHOWS, "Thank you - a real person will look at that."},
        {KEYS, "\r"}, {SHOWS, "[#] Sit Down"}, {SENT, emit("presence:zone", "\"lounge\"")},
        {SENT, emit("lobby:refresh", "{}")},
        {KEYS, "/quit\r"}, {SENT, DISCONNECT_LINE}, {EXIT, "", 0},
    };
}

// The caller's turn to choose at Bea's table with Cal; a blank and a refused
// word; the reveal in the players' inks; a laugh, done reading, scores and a
// rating; then a round whose time runs out.
const std::string TABLE = eventLine(
    "room:state", R"({"code":"MOON123","name":"Story Night","state":"waiting",)"
                  R"("players":[{"id":"p-bea","name":"Bea","ink":"cyan","isHost":true},)"
                  R"({"id":"p-ace","name":"Ace","ink":"gold","source":"bbs"},{"id":"p-cal","name":"Cal","ink":"green"}]})");

Steps tableRound() {
    return {
        {SEND, TABLE}, {SHOWS, "Story Night", 4}, {SHOWS, "Ace", 9, 91},
        {SEND, eventLine("game:category-pick", R"({"pickerId":"p-ace","pickSeconds":60,"categories":["Animals","Space"]})")},
        {SHOWS, "Your turn to choose the next tale. Take your time and talk it over.", 17, 93},
        {KEYS, "s\r"}, {SENT, emit("picker:choosing", "{}")},
        {SHOWS, "[B] Space", 8, 95},  // a holiday category
        {KEYS, "b\r"}, {SENT, R"({"cmd":"stories","category":"Space","offset":0})"},
        {SEND, eventLine("stories", R"({"offset":0,"total":2,"items":[{"id":77,"title":"Moon Picnic","blanks":5},)"
                                    R"({"id":78,"title":"Rocket Chef","blanks":4}]})")},
        {SHOWS, "[1] Moon Picnic", 7, 97},
        {KEYS, "1\r"}, {SENT, emit("category:pick-story", R"({"storyId":77})")}, {SHOWS, "Here we go...", 23},
        {SEND, eventLine("game:prompts", R"({"template":{"title":"Moon Picnic","category":"Space"},"seconds":120,)"
                                         R"("totalBlanks":5,"blanks":[{"n":2,"type":"adjective"},)"
                                         R"({"n":5,"type":"animal","hint":"something with fur"}]})")},
        {SHOWS, "Your word 1 of 2   (the tale has 5 in all)", 4}, {SHOWS, "Adjective", 8, 93},
        {KEYS, "   \r"}, {SHOWS, "Type a word first - spaces alone don't count.", 23}, {SHOWS, "Your word 1 of 2", 4},
        {KEYS, " sticky \r"}, {SENT, emitAck("word:check", 11, R"({"text":"sticky"})")},
        {SEND, replyLine(11, R"({"ok":true,"blocked":false})")}, {SHOWS, "Your word 2 of 2", 4},
        {KEYS, "skunk\r"}, {SENT, emitAck("word:check", 11, R"({"text":"skunk"})")},
        {SEND, replyLine(11, R"({"ok":true,"blocked":true})")}, {SHOWS, "That word can't be used here - try another one.", 23},
        {KEYS, "yak\r"}, {SENT, emitAck("word:check", 11, R"({"text":"yak"})")}, {SEND, replyLine(11, R"({"ok":true})")},
        {SENT, emitAck("submit:answers", 12, R"({"answers":{"2":"sticky","5":"yak"}})")},
        {SEND, replyLine(12, R"({"ok":true})")}, {SHOWS, "L O C K E D   I N !", 9},
        {SEND, eventLine("game:story-reveal",
                         R"({"title":"Moon Picnic","voteSeconds":60,"story":"A purple moon met a sticky cat.",)"
                         R"("words":[{"n":1,"value":"purple","authorId":"p-bea"},{"n":2,"value":"sticky","authorId":"p-ace"},)"
                         R"({"n":3,"value":"cat","authorId":"p-cal"}]})")},
        {SHOWS, "purple", 6, 96}, {SHOWS, "sticky", 6, 91}, {SHOWS, "cat", 6, 92},
        {KEYS, " "},  // a laugh at Bea's word, the current one
        {SENT, emit("vote:cast", R"({"blankN":1})")}, {SHOWS, "you laughed", 18},
        {KEYS, "\x1b[B "},  // the caller's own word cannot be laughed at
        {SHOWS, "That one's yours - you can't laugh at your own word.", 23},
        {KEYS, "\r"}, {SENT, emit("vote:done", "{}")}, {SHOWS, "Waiting for everyone to finish reading...", 23},
        {SEND, eventLine("game:round-results", R"({"standings":[{"id":"p-bea","name":"Bea","laughs":5},)"
                                               R"({"id":"p-ace","name":"Ace","laughs":3},{"id":"p-cal","name":"Cal","laughs":1}]})")},
        {SHOWS, "Bea got the biggest laughs!", 7, 97}, {SHOWS, "Ace", 13, 91}, {SHOWS, "Cal", 14, 32},  // the caller's bright
        {SEND, eventLine("story:rate-prompt", R"({"storyId":77,"title":"Moon Picnic"})")}, {SHOWS, "[1] Loved It", 23},
        {KEYS, "1\r"}, {SENT, emit("story:rate", R"({"storyId":77,"rating":1})")}, {SHOWS, "Thank you for your vote!", 23},
        {KEYS, "\r"}, {SENT, emit("room:back-to-room", "{}")},
        {SEND, eventLine("game:aborted", R"({"reason":"Not enough players left."})")}, {SHOWS, "Not enough players left.", 23},
        // Time runs out with one word of two typed: that word goes.
        {SEND, eventLine("game:prompts", R"({"seconds":2,"blanks":[{"n":3,"type":"planet"},{"n":4,"type":"noun"}]})")},
        {SHOWS, "Your word 1 of 2", 4}, {KEYS, "Mars\r"}, {SENT, emitAck("word:check", 11, R"({"text":"Mars"})")},
        {SEND, replyLine(11, R"({"ok":true})")}, {SHOWS, "Your word 2 of 2", 4},
        {SHOWS, "Time's Up - Sending What You Have", 18},
        {SENT, emitAck("submit:answers", 12, R"({"answers":{"3":"Mars"}})")},
        {SEND, replyLine(12, R"({"ok":true})")}, {SHOWS, "L O C K E D   I N !", 9},
    };
}

// A solo tale: category, list, a refused start, words (one check the service
// cannot make lets the word through; the set turned down twice, each time for
// one word, which alone is typed again), the tale.
Steps soloRound() {
    const std::string start = emitAck("solo:start", 1, R"({"templateId":301})");
    return {
        {KEYS, "3\r"}, {SENT, ZONE_SOLO}, {SHOWS, "C H O O S E   A   C A T E G O R Y", 4},
        {KEYS, "a\r"}, {SENT, R"({"cmd":"stories","category":"Animals","offset":0})"},
        {SEND, eventLine("stories", R"({"offset":0,"total":1,"items":[{"id":301,"title":"Zoo Day","blanks":2}]})")},
        {SHOWS, "[1] Zoo Day", 7}, {SENT, ZONE_SOLO},
        {KEYS, "1\r"}, {SENT, start}, {SEND, replyLine(1, R"({"ok":false})")}, {SHOWS, "Could not open that story.", NOTICE_ROW},
        {KEYS, "1\r"}, {SENT, start},
        {SEND, replyLine(1, R"({"ok":true,"blanks":[{"n":1,"type":"animal"},{"n":2,"type":"clothing_item","hint":"worn"}]})")},
        {SHOWS, "Your word 1 of 2", 4}, {SENT, ZONE_SOLO},
        {KEYS, "otter\r"}, {SENT, emitAck("word:check", 11, R"({"text":"otter"})")},
        {SEND, replyLine(11, R"({"ok":false})")}, {SHOWS, "Clothing Item", 8, 93}, {SHOWS, "worn", 10},
        {KEYS, "hat\r"}, {SENT, emitAck("word:check", 11, R"({"text":"hat"})")}, {SEND, replyLine(11, R"({"ok":true})")},
        {SENT, emitAck("solo:submit", 2, R"({"answers":{"1":"otter","2":"hat"}})")},
        // The set refused for its first word: only that word is asked again.
        {SEND, replyLine(2, R"({"ok":false,"blankN":1,"error":"Otters are asleep."})")},
        {SHOWS, "Otters are asleep.", NOTICE_ROW}, {SHOWS, "Your word 1 of 2", 4},
        {KEYS, "stoat\r"}, {SENT, emitAck("word:check", 11, R"({"text":"stoat"})")}, {SEND, replyLine(11, R"({"ok":true})")},
        {SENT, emitAck("solo:submit", 2, R"({"answers":{"1":"stoat","2":"hat"}})")},
        {SEND, replyLine(2, R"({"ok":false,"blankN":2,"error":"Hats are sold out."})")},
        {SHOWS, "Hats are sold out.", NOTICE_ROW}, {SHOWS, "Your word 2 of 2", 4},
        {KEYS, "sock\r"}, {SENT, emitAck("word:check", 11, R"({"text":"sock"})")}, {SEND, replyLine(11, R"({"ok":true})")},
        {SENT, emitAck("solo:submit", 2, R"({"answers":{"1":"stoat","2":"sock"}})")},
        {SEND, replyLine(2, R"({"ok":true,"text":"A stoat wore a sock."})")},
        {SHOWS, "Zoo Day", 4, 93},  // no title in the reply: the one it was picked by
        {SHOWS, "A stoat wore a sock.", 6, 97}, {SHOWS, "T H E   E N D", 9, 93}, {SENT, ZONE_SOLO},
        {KEYS, "m\r"}, {SENT, ZONE_MENU}, {SHOWS, "Back to the BBS", 19},
        {NOISE, ""}, {KEYS, "\x0c"}, {SHOWS, "W O R D W H I R L", 2}, {SHOWS, "Hello Ace, pull up a chair!", 4},
        {SHOWS, "Back to the BBS", 19},
    };
}

// A story written, read back, given a category, a rating, an address (one
// refused) and the terms: the submission line carries it exactly as typed.
Steps storySubmission() {
    return {
        {KEYS, "S\r"}, {SHOWS, "S U B M I T   A   S T O R Y"},
        {KEYS, "\r"}, {SHOWS, "W H A T   I S   I T   C A L L E D ?"},
        {KEYS, "A \"Cat\" Tale\rThe {adjective} cat ate {food: something odd}.\r"}, {SHOWS, "ate {food: something odd}."},
        // 150 characters: wrapped at blanks onto three lines, no gap cut in two.
        {KEYS, "Then the cat, who had never once been outside the garden wall, {verb:past tense} over the hill to "
               "find a {noun: something shiny} by the wide river {}!\r\r"},
        {SHOWS, "{verb:past tense} over the hill to find a {noun: something shiny} by the", 8}, {SHOWS, "4 gaps found:"},
        {KEYS, "S\r"}, {SHOWS, "W H E R E   D O E S   I T   B E L O N G ?"},
        {KEYS, "z\r"}, {SHOWS, "Pick one of the letters listed."},
        {KEYS, "b\r"}, {SHOWS, "H O W   S H O U L D   W E   R A T E   I T ?"},
        {KEYS, "4\r"}, {SHOWS, "H O W   D O   W E   R E A C H   Y O U ?"},
        {KEYS, "not an address\r"}, {SHOWS, "That doesn't look like an email address - or leave it blank."},
        {KEYS, "ace@board.example\r"}, {SHOWS, "S T O R Y   S U B M I S S I O N   T E R M S"},
        {KEYS, "I agree\r"}, {SHOWS, "Sending your story..."},
        {SENT, emitAck("submission:submit", 7,
                       R"({"title":"A \"Cat\" Tale","storyText":"The {1} cat ate {2}.\nThen the cat, who had never once )"
                       R"(been outside the garden wall,\n{3} over the hill to find a {4} by the\nwide river {}!",)"
                       R"("blanks":[{"n":1,"type":"adjective","hint":""},{"n":2,"type":"food","hint":"something odd"},)"
                       R"({"n":3,"type":"verb","hint":"past tense"},{"n":4,"type":"noun","hint":"something shiny"}],)"
                       R"("category":"Space","requestedCategory":"","rating":"R","email":"ace@board.example",)"
                       R"("agreedToTerms":true,"termsMethod":"typed-i-agree"})")},
        {SEND, replyLine(7, R"({"ok":true})")}, {SHOWS, "S E N T   -   T H A N K   Y O U !"},
    };
}

// The mailbox waits for its list, a letter is opened and answered, a line
// of the answer changed before it goes.
Steps mailReply() {
    return {
        {KEYS, "M\r"}, {SENT, emitAck("mail:list", 6, "{}")}, {SHOWS, "One moment - fetching your mail..."},
        {SEND, replyLine(6, R"({"ok":true,"mail":[{"id":11,"sender_label":"Staff","subject":"Your story",)"
                            R"("body":"We liked it.","reply_to":"staff@example.org","created_at":"2026-12-01T10:00:00Z"},)"
                            R"({"id":12,"read":1,"subject":"Old news","body":"x"}]})")},
        {SHOWS, "[1] Your story", 6, 92}, {SHOWS, "[2] Old news", 7, 37},  // unread green, read white
        {KEYS, "1\r"}, {SENT, emit("mail:mark-read", R"({"id":11})")}, {SHOWS, "from Staff   -   2026-12-01", 5},
        {KEYS, "R"}, {SHOWS, "Replying to \"Your story\" from Staff."},
        {KEYS, "Thank you!\rSee you \"soon\"\r\r"}, {SHOWS, "Nothing has been sent yet."},
        {KEYS, "send\r"}, {SHOWS, "Type S, C or D and press ENTER."},
        {KEYS, "c\r"}, {SHOWS, "C H A N G E   Y O U R   R E P L Y"},
        {KEYS, "2\r"}, {SHOWS, "Line 2 is marked above. Type the new version below."},
        {KEYS, "Bye\r"}, {SHOWS, "Changed."},
        {KEYS, "0\r\r"}, {SHOWS, "Nothing has been sent yet."},
        {KEYS, "s\r"}, {SENT, emitAck("mail:reply", 13, R"({"id":11,"text":"Thank you!\nBye"})")},
        {SEND, replyLine(13, R"({"ok":true})")}, {SHOWS, "has been removed from this message."},
    };
}

// Waits for the next line the door sends; "" after the wait.
std::string nextLine(FakeService* svc, size_t index) {
    std::vector<std::string> lines;
    waitUntil([&] { return (lines = fakeServiceLines(svc)).size() > index; });
    return lines.size() > index ? lines[index] : "";
}

void runStep(BbsHost* host, FakeService* svc, const Step& s, size_t* seen) {
    switch (s.op) {
    case SEND: ASSERT_TRUE(fakeServiceSend(svc, s.text)); break;
    case KEYS: bbsSendKeys(host, s.text); break;
    case DROP: fakeServiceDrop(svc); break;
    case NOISE: bbsPump(host), screenFeed(&host->screen, "\x1b[2J\x1b[7;9H\x1b[1;35m~#~ NO CARRIER ~#~"); break;
    case EXIT: EXPECT_EQ(bbsWaitExit(host), s.row); break;
    case SENT: ASSERT_EQ(nextLine(svc, (*seen)++), s.text); break;
    case SHOWS:
        ASSERT_TRUE(bbsWaitText(host, s.text, s.row)) << "the screen:\n" << bbsScreen(host);
        if (s.ink) {
            size_t col = screenRowText(&host->screen, s.row).find(s.text);
            EXPECT_EQ(col == std::string::npos ? 0 : screenInkAt(&host->screen, s.row, (int)col + 1), s.ink);
        }
        break;
    }
}

// How the door is started: by a telnet BBS, or (the Windows door under
// wine) on its local console with keys on a pipe, over plain TCP or TLS.
enum Seat { TELNET_SEAT, WINE_CONSOLE, WINE_CONSOLE_TLS };

struct Journey { const char* name; std::vector<Steps> parts; bool utf8 = false; Seat seat = TELNET_SEAT; };

void runJourney(const Journey& j, int node) {
    std::unique_ptr<FakeService> service(j.seat == WINE_CONSOLE_TLS ? new FakeService(AUTHED + "\n") : new FakeService);
    BbsHost door(j.seat == TELNET_SEAT ? WW_DOOR_BINARY : getenv("WW_WIN_DOOR"));
    door.line = j.utf8 ? BbsHost::TELNET_UTF8 : BbsHost::TELNET;
    std::string cfg = std::string(j.utf8 ? "charset=utf8\n" : "") + "bbsid=board-7\n" +
                      (j.seat == WINE_CONSOLE_TLS ? "tls=1\ncafile=" + netTestPki().caCert + "\n" : "");
    if (j.seat == TELNET_SEAT) prepareTelnet(&door, node, service->port, cfg, "Tess \"Q\"");
    else bbsWriteDoorCfg(&door, service->port, cfg), bbsWriteFile(&door, "DOOR32.SYS", bbsDoor32(0, 0, node, "Tess \"Q\""));
    bbsStart(&door, {"-DDOOR32.SYS"}, j.seat != TELNET_SEAT);  // the console's keys on a pipe
    size_t seen = 0, index = 0;
    for (const Steps& part : j.parts)
        for (const Step& s : part) {
            SCOPED_TRACE(std::string(j.name) + ", step " + std::to_string(index++) + ": " + s.text);
            runStep(&door, service.get(), s, &seen);
            if (testing::Test::HasFatalFailure()) return;
        }
    EXPECT_EQ(fakeServiceLines(service.get()).size(), seen) << j.name << ": lines no step expected";
}

TEST(JourneysE2e, VisitsFromLogInToGoodbye) {
    const Journey journeys[] = {
        {"lounge chat and a report", {logIn(), loungeText("\x82"), lounge()}},
        {"text typed and drawn in UTF-8", {logIn(), loungeText("\xc3\xa9"), lostLink()}, true},
        {"a round at a table", {logIn(), tableRound(), lostLink()}},
        {"a solo tale", {logIn(), soloRound(), quitFromMenu()}},
        {"a story submitted", {logIn(), storySubmission(), lostLink()}},
        {"a letter answered", {logIn(), mailReply(), lostLink()}},
    };
    std::vector<std::thread> runs;
    int node = 1;
    for (const Journey& j : journeys) runs.emplace_back(runJourney, std::cref(j), node++);
    for (std::thread& t : runs) t.join();
}

// The same log-in and menu from the Windows door (./run windows builds it
// and names it in WW_WIN_DOOR), then Q ends it with code 0.
TEST(JourneysE2e, WindowsDoorUnderWine) {
    if (!getenv("WW_WIN_DOOR") || !getenv("WW_WIN_PIPE_HOST")) GTEST_SKIP() << "./run windows runs this";
    runJourney({"Windows door over TCP", {logIn(), quitFromMenu()}, false, WINE_CONSOLE}, 1);
    runJourney({"Windows door over TLS", {tlsLogIn(), quitFromMenu()}, false, WINE_CONSOLE_TLS}, 2);
}

}  // namespace
