#include "screen_emulator.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vterm.h>

#include <cerrno>

#include "host/drop.h"
#include "state/client_state.h"

namespace {

void appendUtf8(std::string* out, unsigned cp) {
    if (cp < 0x80) {
        out->push_back((char)cp);
    } else if (cp < 0x800) {
        out->push_back((char)(0xC0 | (cp >> 6)));
        out->push_back((char)(0x80 | (cp & 0x3F)));
    } else {
        out->push_back((char)(0xE0 | (cp >> 12)));
        out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back((char)(0x80 | (cp & 0x3F)));
    }
}

int onTermProp(VTermProp prop, VTermValue* val, void* user) {
    if (prop == VTERM_PROP_CURSORVISIBLE) static_cast<TestScreen*>(user)->cursorVisible = val->boolean;
    return 1;
}

const VTermScreenCallbacks SCREEN_CALLBACKS = {
    nullptr, nullptr, nullptr, onTermProp, nullptr, nullptr, nullptr, nullptr,
};

VTermScreenCell cellAt(const TestScreen* ts, int row, int col) {
    VTermScreenCell cell{};
    VTermPos pos{row - 1, col - 1};
    vterm_screen_get_cell(ts->vs, pos, &cell);
    return cell;
}

// Telnet decoder for the caller's end: IAC IAC is a data byte 255, option
// commands and subnegotiations are swallowed.
enum TelnetState { TN_DATA, TN_IAC, TN_OPTION, TN_SUB, TN_SUB_IAC };

bool telnetData(TestScreen* ts, unsigned char b) {
    constexpr unsigned char IAC = 255, SB = 250, SE = 240, WILL = 251, DONT = 254;
    switch (ts->telnetState) {
    case TN_DATA:
        if (b != IAC) return true;
        ts->telnetState = TN_IAC;
        return false;
    case TN_IAC:
        ts->telnetState = b == SB ? TN_SUB : (b >= WILL && b <= DONT) ? TN_OPTION : TN_DATA;
        return b == IAC;
    case TN_OPTION:
        ts->telnetState = TN_DATA;
        return false;
    case TN_SUB:
        if (b == IAC) ts->telnetState = TN_SUB_IAC;
        return false;
    default:
        ts->telnetState = b == SE ? TN_DATA : TN_SUB;
        return false;
    }
}

}  // namespace

unsigned char unicodeToCp437(unsigned cp) {
    if (cp < 128) return (unsigned char)cp;
    for (int i = 0; i < 128; i++)
        if (CP437_UNICODE[i] == cp) return (unsigned char)(128 + i);
    return '?';
}

void testScreenOpen(TestScreen* ts) {
    ts->vt = vterm_new(TEST_ROWS, TEST_COLS);
    vterm_set_utf8(ts->vt, 1);
    ts->vs = vterm_obtain_screen(ts->vt);
    ts->cursorVisible = true;
    vterm_screen_set_callbacks(ts->vs, &SCREEN_CALLBACKS, ts);
    vterm_screen_reset(ts->vs, 1);
    ts->raw.clear();
    ts->cs = nullptr;
    ts->peerFd = -1;
    ts->doorFd = -1;
    ts->telnetState = TN_DATA;
}

void testScreenClose(TestScreen* ts) {
    if (ts->cs) termClose(&ts->cs->term);  // gives the socket its old mode back
    if (ts->peerFd >= 0) close(ts->peerFd);
    if (ts->doorFd >= 0) close(ts->doorFd);
    ts->peerFd = ts->doorFd = -1;
    if (ts->vt) vterm_free(ts->vt);
    ts->vt = nullptr;
    ts->vs = nullptr;
    ts->cs = nullptr;
}

void screenFeed(TestScreen* ts, const void* bytes, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    std::string utf8;
    utf8.reserve(n * 2);
    for (size_t i = 0; i < n; i++) appendUtf8(&utf8, cp437ToUnicode(p[i]));
    ts->raw.append(reinterpret_cast<const char*>(p), n);
    vterm_input_write(ts->vt, utf8.data(), utf8.size());
}

void screenFeed(TestScreen* ts, const std::string& bytes) { screenFeed(ts, bytes.data(), bytes.size()); }

void screenFeedUtf8(TestScreen* ts, const void* bytes, size_t n) {
    ts->raw.append(static_cast<const char*>(bytes), n);
    vterm_input_write(ts->vt, static_cast<const char*>(bytes), n);
}

unsigned char screenCharAt(const TestScreen* ts, int row, int col) {
    VTermScreenCell cell = cellAt(ts, row, col);
    return cell.chars[0] == 0 ? ' ' : unicodeToCp437(cell.chars[0]);
}

std::string screenRowText(const TestScreen* ts, int row) {
    return screenTextAt(ts, row, 1, TEST_COLS);
}

std::string screenTextAt(const TestScreen* ts, int row, int col, int n) {
    std::string out;
    for (int c = col; c < col + n && c <= TEST_COLS; c++) out.push_back((char)screenCharAt(ts, row, c));
    return out;
}

std::string screenRowUtf8(const TestScreen* ts, int row) {
    std::string out;
    for (int c = 1; c <= TEST_COLS; c++) {
        VTermScreenCell cell = cellAt(ts, row, c);
        appendUtf8(&out, cell.chars[0] == 0 ? ' ' : cell.chars[0]);
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

int screenFgAt(const TestScreen* ts, int row, int col) {
    VTermScreenCell cell = cellAt(ts, row, col);
    if (VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) || !VTERM_COLOR_IS_INDEXED(&cell.fg)) return -1;
    return 30 + cell.fg.indexed.idx % 8;
}

bool screenBrightAt(const TestScreen* ts, int row, int col) { return cellAt(ts, row, col).attrs.bold; }

bool screenUnderlineAt(const TestScreen* ts, int row, int col) {
    return cellAt(ts, row, col).attrs.underline != VTERM_UNDERLINE_OFF;
}

int screenCursorRow(const TestScreen* ts) {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(ts->vt), &pos);
    return pos.row + 1;
}

int screenCursorCol(const TestScreen* ts) {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(ts->vt), &pos);
    return pos.col + 1;
}

bool screenCursorVisible(const TestScreen* ts) { return ts->cursorVisible; }

bool testScreenAttach(TestScreen* ts, ClientState* cs) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return false;
    ts->doorFd = fds[0];
    ts->peerFd = fds[1];
    fcntl(ts->peerFd, F_SETFL, fcntl(ts->peerFd, F_GETFL) | O_NONBLOCK);
    cs->caller.commType = COMM_TELNET;
    cs->caller.commHandle = (uint32_t)ts->doorFd;
    if (!termOpen(&cs->term, &cs->caller)) return false;
    ts->cs = cs;
    screenPump(ts);
    return true;
}

void screenPump(TestScreen* ts) {
    if (ts->cs) termFlush(&ts->cs->term);
    if (ts->peerFd < 0) return;
    unsigned char buf[4096];
    for (;;) {
        ssize_t got = read(ts->peerFd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        screenFeedTelnet(ts, buf, (size_t)got);
    }
}

void screenFeedTelnet(TestScreen* ts, const void* bytes, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    std::string data;
    for (size_t i = 0; i < n; i++)
        if (telnetData(ts, p[i])) data.push_back((char)p[i]);
    screenFeed(ts, data);
}

void screenSendKeys(TestScreen* ts, const std::string& bytes) {
    size_t sent = 0;
    while (ts->peerFd >= 0 && sent < bytes.size()) {
        ssize_t n = write(ts->peerFd, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        sent += (size_t)n;
    }
}
