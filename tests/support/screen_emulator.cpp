#include "screen_emulator.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vterm.h>

#include "host/drop.h"
#include "state/client_state.h"
#include "terminal/charset.h"

namespace {

int onTermProp(VTermProp prop, VTermValue* val, void* user) {
    if (prop == VTERM_PROP_CURSORVISIBLE) static_cast<TestScreen*>(user)->cursorVisible = val->boolean;
    return 1;
}

const VTermScreenCallbacks SCREEN_CALLBACKS = {nullptr, nullptr, nullptr, onTermProp};

VTermScreenCell cellAt(const TestScreen* ts, int row, int col) {
    VTermScreenCell cell{};
    vterm_screen_get_cell(ts->vs, VTermPos{row - 1, col - 1}, &cell);
    return cell;
}

unsigned char toCp437(unsigned cp) {
    if (cp < 128) return (unsigned char)(cp ? cp : ' ');
    for (int i = 0; i < 128; i++)
        if (CP437_UNICODE[i] == cp) return (unsigned char)(128 + i);
    return '?';
}

enum TelnetState { TN_DATA, TN_IAC, TN_OPTION, TN_SUB, TN_SUB_IAC };

// True when b is a data byte.
bool telnetData(TestScreen* ts, unsigned char b) {
    constexpr unsigned char IAC = 255, SB = 250, SE = 240, WILL = 251, DONT = 254;
    int s = ts->telnetState;
    ts->telnetState = s == TN_DATA  ? (b == IAC ? TN_IAC : TN_DATA)
                    : s == TN_IAC   ? (b == SB ? TN_SUB : (b >= WILL && b <= DONT) ? TN_OPTION : TN_DATA)
                    : s == TN_OPTION ? TN_DATA
                    : s == TN_SUB   ? (b == IAC ? TN_SUB_IAC : TN_SUB)
                                    : (b == SE ? TN_DATA : TN_SUB);
    return (s == TN_DATA && b != IAC) || (s == TN_IAC && b == IAC);
}

// CP437 as UTF-8, the way the door's utf8 charset sends it.
std::string utf8Of(const std::string& cp437) {
    std::string utf8;
    unsigned char out[UTF8_MAX_PER_BYTE];
    for (unsigned char b : cp437) utf8.append((const char*)out, (size_t)cp437ToUtf8(b, out));
    return utf8;
}

}  // namespace

void testScreenOpen(TestScreen* ts) {
    *ts = TestScreen{vterm_new(TEST_ROWS, TEST_COLS), nullptr, true, "", nullptr, -1, -1, TN_DATA};
    vterm_set_utf8(ts->vt, 1);
    ts->vs = vterm_obtain_screen(ts->vt);
    vterm_screen_set_callbacks(ts->vs, &SCREEN_CALLBACKS, ts);
    vterm_screen_reset(ts->vs, 1);
}

void testScreenClose(TestScreen* ts) {
    if (ts->cs) termClose(&ts->cs->term);  // gives the socket its old mode back
    for (int fd : {ts->peerFd, ts->doorFd})
        if (fd >= 0) close(fd);
    if (ts->vt) vterm_free(ts->vt);
    *ts = TestScreen{nullptr, nullptr, true, "", nullptr, -1, -1, TN_DATA};
}

void screenFeed(TestScreen* ts, const std::string& cp437) {
    std::string utf8 = utf8Of(cp437);
    ts->raw += cp437;
    vterm_input_write(ts->vt, utf8.data(), utf8.size());
}

void screenFeedUtf8(TestScreen* ts, const std::string& utf8) {
    ts->raw += utf8;
    vterm_input_write(ts->vt, utf8.data(), utf8.size());
}

void screenFeedTelnet(TestScreen* ts, const std::string& bytes) {
    std::string data;
    for (unsigned char b : bytes)
        if (telnetData(ts, b)) data.push_back((char)b);
    screenFeed(ts, data);
}

std::string screenRowText(const TestScreen* ts, int row) {
    std::string out;
    for (int c = 1; c <= TEST_COLS; c++) out.push_back((char)toCp437(cellAt(ts, row, c).chars[0]));
    return out;
}

std::string screenRowUtf8(const TestScreen* ts, int row) {
    std::string text = screenRowText(ts, row);
    return utf8Of(text.erase(text.find_last_not_of(' ') + 1));
}

int screenInkAt(const TestScreen* ts, int row, int col) {
    VTermScreenCell cell = cellAt(ts, row, col);
    if (VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) || !VTERM_COLOR_IS_INDEXED(&cell.fg)) return -1;
    return (cell.attrs.bold ? 90 : 30) + cell.fg.indexed.idx % 8;
}

std::pair<int, int> screenCursor(const TestScreen* ts) {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(ts->vt), &pos);
    return {pos.row + 1, pos.col + 1};
}

bool testScreenAttach(TestScreen* ts, ClientState* cs) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return false;
    ts->doorFd = fds[0];
    ts->peerFd = fds[1];
    fcntl(ts->peerFd, F_SETFL, O_NONBLOCK);
    cs->caller.commType = COMM_TELNET;
    cs->caller.commHandle = (uint32_t)ts->doorFd;
    if (!termOpen(&cs->term, &cs->caller)) return false;
    ts->cs = cs;
    screenPump(ts);
    return true;
}

void screenPump(TestScreen* ts) {
    if (ts->cs) termFlush(&ts->cs->term);
    char buf[4096];
    for (ssize_t got; ts->peerFd >= 0 && (got = read(ts->peerFd, buf, sizeof buf)) > 0;)
        screenFeedTelnet(ts, std::string(buf, (size_t)got));
}

void screenSendKeys(TestScreen* ts, const std::string& bytes) {
    for (size_t sent = 0; ts->peerFd >= 0 && sent < bytes.size();) {
        ssize_t n = write(ts->peerFd, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) return;
        sent += (size_t)n;
    }
}
