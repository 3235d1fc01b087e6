// The real door against a fake game service, through a terminal emulator:
// for seven everyday screen changes, the bytes the door sends against the
// fewest an ideal renderer would need for the same change. Prints one table;
// not a timed test.
//
//   build/bench/transitions [-v] [earlier door binary]
//
// -v prints the door's bytes of every change; an earlier door binary is
// played first and its bytes shown beside (its ratio against its own
// lower bound, from the screens it drew).
//
// The lower bound is worked out here from the caller's screen before and
// after (libvterm), independently of the door: starting from the cursor
// and the attributes in force on the terminal, every run of changed cells
// costs the shortest cursor move to its start (none when the cursor is there
// already) and one byte per cell, colour sequences cost their bytes only
// where the colour changes, a row whose tail turns blank may erase it with
// ESC[K, a short gap of unchanged cells may be written again where that is
// cheaper than moving over it, the whole screen may be cleared first (ESC[2J)
// where that is cheaper, and the cursor is put where the door leaves it. Colour sequences use
// only the codes every ANSI terminal knows (0, 1, 4, 30-37), as the door does.
#include <vterm.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "e2e/e2e_common.h"

namespace {

constexpr int QUIET_MS = 250;        // no byte for this long: the change is drawn
constexpr double GOAL_RATIO = 1.3;
constexpr size_t WHOLE_SCREEN_BEFORE = 1798;  // Lounge to menu before the differ

struct Cell {
    uint32_t ch;
    int fg;  // 0 default, 1-8 for 30-37
    bool bold, underline;
};

struct Snap {
    Cell cells[TEST_ROWS][TEST_COLS];
    Cell pen;  // the attributes in force on the terminal
    int row, col;
    bool visible;
    size_t bytes;  // caller bytes received so far
};

bool blank(const Cell& c) { return (c.ch == 0 || c.ch == ' ') && !c.underline; }
bool sameLook(const Cell& a, const Cell& b) {
    if (blank(a) || blank(b)) return blank(a) && blank(b);
    return a.ch == b.ch && a.fg == b.fg && a.bold == b.bold && a.underline == b.underline;
}

int inkOf(const VTermColor& fg) {
    return VTERM_COLOR_IS_INDEXED(&fg) && !VTERM_COLOR_IS_DEFAULT_FG(&fg) ? fg.indexed.idx % 8 + 1 : 0;
}

Snap snap(BbsHost* host) {
    bbsPump(host);
    Snap s{};
    for (int r = 0; r < TEST_ROWS; r++)
        for (int c = 0; c < TEST_COLS; c++) {
            VTermScreenCell vc{};
            vterm_screen_get_cell(host->screen.vs, VTermPos{r, c}, &vc);
            s.cells[r][c] = {vc.chars[0], inkOf(vc.fg), vc.attrs.bold != 0, vc.attrs.underline != 0};
        }
    VTermState* state = vterm_obtain_state(host->screen.vt);
    VTermValue bold{}, underline{}, fg{};
    vterm_state_get_penattr(state, VTERM_ATTR_BOLD, &bold);
    vterm_state_get_penattr(state, VTERM_ATTR_UNDERLINE, &underline);
    vterm_state_get_penattr(state, VTERM_ATTR_FOREGROUND, &fg);
    s.pen = {' ', inkOf(fg.color), bold.boolean != 0, underline.number != 0};
    std::tie(s.row, s.col) = screenCursor(&host->screen);
    s.visible = host->screen.cursorVisible;
    s.bytes = host->rawSocket.size();
    return s;
}

// Wait for the door to start drawing, then for it to go quiet.
Snap settle(BbsHost* host, size_t before) {
    waitUntil([&] { bbsPump(host); return host->rawSocket.size() > before; }, 5000);
    for (size_t seen = 0; seen != host->rawSocket.size();) {
        seen = host->rawSocket.size();
        std::this_thread::sleep_for(std::chrono::milliseconds(QUIET_MS));
        bbsPump(host);
    }
    return snap(host);
}

int digits(int v) { return v >= 100 ? 3 : v >= 10 ? 2 : 1; }

// ESC [ n X, with n left out when it is 1.
int relativeLen(int n) { return n == 0 ? 0 : 3 + (n == 1 || n == -1 ? 0 : digits(n < 0 ? -n : n)); }

int moveLen(int fr, int fc, int r, int c) {
    int cup = c == 1 ? (r == 1 ? 3 : 4 + digits(r)) : 5 + digits(r) + digits(c);
    if (fr < 1) return cup;
    int best = std::min(cup, relativeLen(r - fr) + (c - fc == -1 ? 1 : relativeLen(c - fc)));
    if (c == 1 && r > fr) best = std::min(best, 2 * (r - fr));  // CR LF per row
    return best;
}

// SGR from one look to another: "0;..." or, when nothing is taken away,
// only what is added.
int sgrLen(const Cell* from, const Cell& to) {
    int reset = 4 + (to.bold ? 2 : 0) + (to.underline ? 2 : 0) + (to.fg ? 3 : 0);
    if (!from || (from->bold && !to.bold) || (from->underline && !to.underline) || (from->fg && !to.fg)) return reset;
    int parts = (to.bold && !from->bold) + (to.underline && !from->underline) + (to.fg != from->fg);
    int add = parts == 0 ? 0 : 3 + parts - 1 + (to.bold && !from->bold) + (to.underline && !from->underline) +
                                   (to.fg != from->fg ? 2 : 0);
    return std::min(reset, add);
}

bool lookFits(const Cell* inForce, const Cell& c) {
    if (!inForce) return false;
    if (blank(c)) return !inForce->underline;
    return inForce->fg == c.fg && inForce->bold == c.bold && inForce->underline == c.underline;
}

// The fewest bytes, by the rules at the top, that turn a into b; cleared
// first, every cell of b that is not blank is a change.
size_t boundFrom(const Snap& a, const Snap& b, bool cleared) {
    static const Cell BLANK{' ', 0, false, false};
    size_t cost = cleared ? 4 : 0;  // ESC[2J
    int row = cleared ? 0 : a.row, col = cleared ? 0 : a.col;
    Cell look = a.pen;
    auto was = [&](int r, int c) -> const Cell& { return cleared ? BLANK : a.cells[r][c]; };
    auto draw = [&](const Cell& want) {
        if (!lookFits(&look, want)) cost += (size_t)sgrLen(&look, want), look = want;
        cost++;
    };
    for (int r = 0; r < TEST_ROWS; r++) {
        int tail = TEST_COLS;
        while (tail > 0 && blank(b.cells[r][tail - 1])) tail--;
        int last = -1;
        for (int c = 0; c < TEST_COLS; c++)
            if (!sameLook(was(r, c), b.cells[r][c])) last = c;
        int erase = -1;
        for (int c = tail; c <= last && erase < 0; c++)
            if (!sameLook(was(r, c), b.cells[r][c])) erase = c;
        if (erase >= 0 && last - erase + 1 <= 3) erase = -1;
        int end = erase >= 0 ? erase : last + 1;
        for (int c = 0; c < end; c++) {
            const Cell& want = b.cells[r][c];
            if (sameLook(was(r, c), want)) continue;
            if (row != r + 1 || col != c + 1) {
                // A short gap of unchanged cells is cheaper written again than moved over.
                size_t move = (size_t)moveLen(row, col, r + 1, c + 1), through = 0;
                Cell probe = look;
                bool sameRow = row == r + 1 && col >= 1 && col <= c;
                for (int g = col - 1; sameRow && g < c; g++) {
                    if (!lookFits(&probe, b.cells[r][g])) through += (size_t)sgrLen(&probe, b.cells[r][g]), probe = b.cells[r][g];
                    through++;
                }
                if (sameRow && through <= move)
                    for (int g = col - 1; g < c; g++) draw(b.cells[r][g]);
                else
                    cost += move;
            }
            draw(want);
            row = r + 1, col = c + 2;
        }
        if (erase >= 0) {
            cost += (size_t)moveLen(row, col, r + 1, erase + 1) + 3;
            row = r + 1, col = erase + 1;
        }
    }
    if (row != b.row || col != b.col) cost += (size_t)moveLen(row, col, b.row, b.col);
    if (a.visible != b.visible) cost += 6;
    return cost;
}

size_t lowerBound(const Snap& a, const Snap& b) { return std::min(boundFrom(a, b, false), boundFrom(a, b, true)); }

struct Result {
    const char* name;
    size_t door, bound;
};

bool verbose;     // -v: the door's bytes of every change too
Door* shownDoor;  // whose bytes those are

Result measure(const char* name, const Snap& before, const Snap& after) {
    if (verbose) {
        std::string bytes = shownDoor->rawSocket.substr(before.bytes, after.bytes - before.bytes);
        printf("%s:\n  ", name);
        for (unsigned char b : bytes) b == 0x1b ? printf("\\e") : b < 32 || b > 126 ? printf("\\x%02x", b) : printf("%c", b);
        printf("\n");
    }
    return {name, after.bytes - before.bytes, lowerBound(before, after)};
}

// Send a service line, wait for text, and measure the change.
Result lineChange(Door* door, FakeService* svc, const char* name, const std::string& line, const std::string& shows) {
    Snap before = snap(door);
    fakeServiceSend(svc, line);
    bbsWaitText(door, shows);
    return measure(name, before, settle(door, before.bytes));
}

Result keyChange(Door* door, const char* name, const std::string& keys, const std::string& shows) {
    Snap before = snap(door);
    bbsSendKeys(door, keys);
    bbsWaitText(door, shows);
    return measure(name, before, settle(door, before.bytes));
}

bool step(Door* door, FakeService* svc, const char* keys, const std::string& line, const std::string& shows) {
    if (keys) bbsSendKeys(door, keys);
    if (!line.empty()) fakeServiceSend(svc, line);
    if (bbsWaitText(door, shows)) {
        settle(door, 0);
        return true;
    }
    printf("never showed \"%s\"; the screen:\n%s\n", shows.c_str(), bbsScreen(door).c_str());
    return false;
}

std::string chat(const char* event, const char* name, const char* text) {
    return eventLine(event, std::string(R"({"name":")") + name + R"(","text":")" + text + "\"}");
}


// The seven changes on one door binary; false when the door did not follow.
bool playAll(const std::string& binary, Result (&r)[7]) {
    FakeService svc;
    Door door;
    shownDoor = &door;
    std::filesystem::copy_file(binary, door.door, std::filesystem::copy_options::overwrite_existing);
    startTelnet(&door, 1, svc.port, "", "Ace");
    if (!fakeServiceWaitLine(&svc)) {
        printf("the door never connected\n");
        return false;
    }
    const std::string authed = R"({"event":"authed","data":{"ok":true,"you":{"name":"Ace Writer"},)"
                               R"("categories":["Animals"],"onlineTotal":12,"features":{"tester_feedback":true}}})";
    if (!step(&door, &svc, nullptr, authed, "Welcome, Ace Writer!") || !step(&door, &svc, "x", "", "[S] MAIN MENU") ||
        !step(&door, &svc, "s", "", "Back to the BBS") || !step(&door, &svc, "1\r", "", "[#] Sit Down"))
        return false;

    r[0] = lineChange(&door, &svc, "chat line arrives in the Lounge",
                      chat("lobby:chat", "Bob", "evening all - anyone up for a story about llamas?"), "about llamas");
    r[1] = lineChange(&door, &svc, "second chat line", chat("lobby:chat", "Cleo", "count me in, I will bring snacks"),
                      "bring snacks");
    r[5] = keyChange(&door, "key echo", "h", "> h");
    bbsSendKeys(&door, "\b");
    settle(&door, door.rawSocket.size() - 1);
    r[6] = keyChange(&door, "Lounge to main menu (whole screen)", "m\r", "Back to the BBS");

    const std::string seated = eventLine("room:state", R"({"code":"ABC123","name":"Night Owls","state":"waiting",)"
                                                       R"("players":[{"id":"p1","name":"Ace Writer"},{"id":"p2","name":"Bob"}]})");
    if (!step(&door, &svc, "1\r", "", "[#] Sit Down") || !step(&door, &svc, nullptr, seated, "[L]eave Room")) return false;
    r[2] = lineChange(&door, &svc, "room chat line at a table", chat("room:chat", "Bob", "ready when you are"),
                      "ready when you are");
    const std::string prompts = eventLine("game:prompts", R"({"template":{"title":"Moon Picnic","category":"Space"},)"
                                          R"("seconds":120,"totalBlanks":2,"blanks":[{"n":1,"type":"adjective"},)"
                                          R"({"n":2,"type":"animal"}]})");
    if (!step(&door, &svc, nullptr, prompts, "Your word 1 of 2")) return false;
    Snap tick = settle(&door, door.rawSocket.size());  // right after a countdown second
    r[3] = measure("word-entry countdown tick (1 s)", tick, settle(&door, tick.bytes));

    bbsSendKeys(&door, "sticky\r");
    fakeServiceWaitLine(&svc, emitAck("word:check", 11, R"({"text":"sticky"})"));
    Snap typed = settle(&door, door.rawSocket.size());  // the next second drawn: a quiet moment
    fakeServiceSend(&svc, replyLine(11, R"({"ok":true})"));
    bbsWaitText(&door, "Your word 2 of 2");
    r[4] = measure("word accepted, next prompt shown", typed, settle(&door, typed.bytes));
    return true;
}

}  // namespace

// transitions [-v] [an earlier door binary, played first for comparison]
int main(int argc, char** argv) {
    int arg = 1;
    verbose = argc > arg && std::string(argv[arg]) == "-v" && ++arg;
    Result before[7]{}, now[7];
    bool compare = argc > arg;
    if (compare && !playAll(argv[arg], before)) return 1;
    if (!playAll(WW_DOOR_BINARY, now)) return 1;
    printf("| transition |%s door bytes | lower bound | ratio |\n|---|%s---:|---:|---:|\n",
           compare ? " earlier door | ratio |" : "", compare ? "---:|---:|" : "");
    bool met = true;
    for (int i = 0; i < 7; i++) {
        const Result& x = now[i];
        double ratio = x.bound ? (double)x.door / (double)x.bound : 0;
        printf("| %s |", x.name);
        if (compare) printf(" %zu | %.2f |", before[i].door, before[i].bound ? (double)before[i].door / (double)before[i].bound : 0);
        printf(" %zu | %zu | %.2f |\n", x.door, x.bound, ratio);
        met = met && ratio <= GOAL_RATIO;
    }
    bool whole = now[6].door <= WHOLE_SCREEN_BEFORE;
    printf("%s: every change within %.1fx of its lower bound; whole-screen switch %s %zu bytes\n",
           met ? "within goal" : "OVER GOAL", GOAL_RATIO, whole ? "within" : "OVER", WHOLE_SCREEN_BEFORE);
    return met && whole ? 0 : 1;
}
