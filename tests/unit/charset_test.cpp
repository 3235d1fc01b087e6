// UTF-8 output for local terminals: the CP437 table against the C library's
// own converter, exact bytes on the caller's socket, telnet bytes untouched,
// and buffers of high bytes that grow past the output buffer while encoded.
#include <gtest/gtest.h>

#include <iconv.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "host/drop.h"
#include "terminal/charset.h"
#include "terminal/terminal.h"

namespace {

// CP437 text as UTF-8, converted by iconv rather than by the door's table.
std::string iconvUtf8(const std::string& cp437) {
    iconv_t cd = iconv_open("UTF-8", "CP437");
    if (cd == (iconv_t)-1) return "<no iconv CP437>";
    std::string in = cp437, out(in.size() * 4 + 4, '\0');
    char* inp = in.data();
    char* outp = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == (size_t)-1) return "<iconv failed>";
    out.resize(out.size() - outLeft);
    return out;
}

// A telnet caller on a socketpair with the charset switched to UTF-8.
struct Utf8Caller {
    int doorFd = -1;
    int peer = -1;
    TerminalChannel term;
    bool opened = false;

    Utf8Caller() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
        doorFd = fds[0];
        peer = fds[1];
        int big = 1 << 20;  // whole writes fit: no reader thread needed
        setsockopt(doorFd, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        CallerInfo caller{};
        caller.commType = COMM_TELNET;
        caller.commHandle = (uint32_t)doorFd;
        opened = termOpen(&term, &caller) == 1;
        term.utf8Out = 1;
        received();  // the option offer
    }
    ~Utf8Caller() {
        if (opened) termClose(&term);
        if (doorFd >= 0) close(doorFd);
        if (peer >= 0) close(peer);
    }
    std::string received() const {
        std::string out;
        char buf[65536];
        ssize_t n;
        while ((n = recv(peer, buf, sizeof buf, MSG_DONTWAIT)) > 0) out.append(buf, (size_t)n);
        return out;
    }
};

TEST(Charset, TableMatchesTheSystemConverterForEveryHighByte) {
    for (int b = 128; b < 256; b++) {
        unsigned char out[UTF8_MAX_PER_BYTE] = {};
        int32_t n = cp437ToUtf8((unsigned char)b, out);
        EXPECT_EQ(std::string((const char*)out, (size_t)n), iconvUtf8(std::string(1, (char)b))) << b;
    }
}

TEST(Charset, Utf8CallerGetsBoxCharactersAsUtf8AndNo255Doubling) {
    struct Case { const char* name; std::string cp437, wire; };
    const std::vector<Case> cases = {
        {"double box top", "\xC9\xCD\xBB", "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97"},
        {"single corners", "\xDA\xC4\xBF", "\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x90"},
        {"shades", "\xB0\xB1\xB2\xDB", "\xE2\x96\x91\xE2\x96\x92\xE2\x96\x93\xE2\x96\x88"},
        {"two-byte letters", "\x80\xE1", "\xC3\x87\xC3\x9F"},
        {"255 is a no-break space", "a\xFF" "b", "a\xC2\xA0" "b"},
        {"ANSI and ASCII untouched", "\x1b[1;33mHi\r\n", "\x1b[1;33mHi\r\n"},
    };
    for (const Case& c : cases) {
        Utf8Caller caller;
        ASSERT_TRUE(caller.opened);
        termWrite(&caller.term, c.cp437.data(), (int32_t)c.cp437.size());
        termFlush(&caller.term);
        EXPECT_EQ(caller.received(), c.wire) << c.name;
    }
}

TEST(Charset, TelnetAnswersStayRawInUtf8Mode) {
    Utf8Caller caller;
    ASSERT_TRUE(caller.opened);
    const std::string doEcho("\xff\xfd\x01", 3);
    ASSERT_EQ(write(caller.peer, doEcho.data(), doEcho.size()), 3);
    for (int i = 0; i < 8; i++) termReadKey(&caller.term, 0);
    EXPECT_EQ(caller.received(), std::string("\xff\xfb\x01", 3));
}

// High bytes take two or three times their room once encoded: whatever is
// queued before, nothing overruns the buffer and every byte arrives in order.
TEST(Charset, FullBuffersOfHighBytesExpandAcrossFlushes) {
    std::string everyHigh;
    for (int b = 128; b < 256; b++) everyHigh += (char)b;
    std::string mixed;
    while (mixed.size() < (size_t)TERM_OUT_SIZE) mixed += everyHigh + "ab";
    mixed.resize(TERM_OUT_SIZE);
    struct Case { size_t queuedBefore; std::string data; };
    const std::vector<Case> cases = {
        {0, std::string(TERM_OUT_SIZE, '\xCD')},       // 24 KiB once encoded: streamed
        {0, std::string(TERM_OUT_SIZE / 3, '\xCD')},   // just fits when encoded
        {8190, "\xDB"},                                // 3 bytes where only 1 is free
        {100, mixed},
        {4000, std::string(2000, '\xFF')},             // 4000 bytes of U+00A0, no doubling
    };
    for (const Case& c : cases) {
        Utf8Caller caller;
        ASSERT_TRUE(caller.opened);
        std::string before(c.queuedBefore, 'q');
        termWrite(&caller.term, before.data(), (int32_t)before.size());
        termWrite(&caller.term, c.data.data(), (int32_t)c.data.size());
        EXPECT_LE(caller.term.outLen, TERM_OUT_SIZE - 1);
        termFlush(&caller.term);
        std::string expected = before + iconvUtf8(c.data);
        std::string got = caller.received();
        EXPECT_EQ(got.size(), expected.size()) << c.queuedBefore;
        EXPECT_TRUE(got == expected) << c.queuedBefore;
        EXPECT_EQ(termAlive(&caller.term), 1);
    }
}

}  // namespace
