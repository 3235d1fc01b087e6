#include "terminal/terminal.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "host/drop.h"
#include "host/nodelog.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "platform/text.h"
#include "terminal/charset.h"

constexpr int32_t TERM_OUT_MAX = TERM_OUT_SIZE - 1;  // outLen never reaches the array size
constexpr uint32_t ESC_ALONE_MS = 150;     // a lone ESC key, not the start of a sequence
constexpr uint32_t ESC_SEQUENCE_MS = 500;  // a sequence cut off this long is given up
constexpr uint32_t SEND_WAIT_MS = 5;       // pause while the caller's socket is full
constexpr uint32_t TERM_NO_HANDLE = 0xFFFFFFFFu;  // "-1" on the drop file's handle line
constexpr int32_t ESC_PARAM_CAP = 100000;  // longer digit runs stop growing: no overflow
static_assert(TERM_OUT_MAX >= UTF8_MAX_PER_BYTE, "one encoded data byte must fit in the buffer");

// Telnet bytes.
enum TelnetByte : int32_t {
    TEL_SE = 240,
    TEL_SB = 250,
    TEL_WILL = 251,
    TEL_WONT = 252,
    TEL_DO = 253,
    TEL_DONT = 254,
    TEL_IAC = 255,
};
constexpr int32_t TEL_OPT_ECHO = 1;
constexpr int32_t TEL_OPT_SGA = 3;  // suppress go-ahead

// What the door offers on open: it echoes itself and works per character.
constexpr unsigned char TELNET_HELLO[9] = {
    TEL_IAC, TEL_WILL, TEL_OPT_ECHO, TEL_IAC, TEL_WILL, TEL_OPT_SGA, TEL_IAC, TEL_DO, TEL_OPT_SGA,
};

// Console extended keys, second byte 0x48..0x51.
constexpr int32_t CONSOLE_EXT_FIRST = 0x48;
constexpr int32_t CONSOLE_EXT_KEYS[10] = {
    KEY_UP, KEY_PGUP, KEY_NONE, KEY_LEFT, KEY_NONE, KEY_RIGHT, KEY_NONE, KEY_NONE, KEY_DOWN, KEY_PGDN,
};

// Final bytes 'A'..'V' of CSI / SS3 sequences.
constexpr int32_t CSI_KEYS['V' - 'A' + 1] = {
    KEY_UP, KEY_DOWN, KEY_RIGHT, KEY_LEFT,                      // A B C D
    KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE,  // E..J
    KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE,  // K..P
    KEY_NONE, KEY_NONE, KEY_NONE, KEY_NONE,                      // Q..T
    KEY_PGDN, KEY_PGUP,                                          // U V
};

// What a signal handler must put back before the process dies: the
// terminal mode (console module) and the screen. The BBS's socket needs
// nothing: every call on it says for itself that it must not block, and
// its flags are never touched, so even a door killed outright hands it
// back as it came.
static volatile sig_atomic_t consoleScreen;  // our screen is the local console's: leave it usable
static int32_t exitHookSet;                  // hooks installed: once per process, as atexit cannot be undone

// What the console is left with when the door does not end by its goodbye:
// a sequence cut off by the signal cancelled (CAN), colours reset, the
// cursor shown, on a fresh line at the bottom, where the shell's prompt
// belongs rather than inside a box in bold.
constexpr char CONSOLE_LEAVE[] = "\x18\x1b[0m\x1b[?25h\x1b[24;1H\r\n";

static void leaveConsoleScreen() {
    if (consoleScreen) conWriteAll(CONSOLE_LEAVE, (int32_t)sizeof CONSOLE_LEAVE - 1);
    consoleScreen = 0;
}

#ifdef WW_COVERAGE
// A process ended by a signal never writes its line counters; the coverage
// build writes them in the handler so these paths count (not signal-safe:
// only ever in that build).
extern "C" void __gcov_dump(void);
#endif

// Installed to run once: after the restore the signal is raised again and,
// once this handler returns, ends the process the default way.
static void onFatalSignal(int sig) {
    leaveConsoleScreen();
    conRawRestore();
#ifdef WW_COVERAGE
    __gcov_dump();
#endif
    raise(sig);
}

static void installRestoreHooks() {
    if (exitHookSet) return;
    exitHookSet = 1;
    atexit(conRawRestore);
    conOnFatalSignal(onFatalSignal);
}

// Send bytes straight to the socket, waiting while it is full; a caller
// who hangs up meanwhile ends the wait.
static void sendAll(TerminalChannel* term, const unsigned char* bytes, int32_t len) {
    while (len > 0 && !term->dead) {
        int32_t n = sockSend((int)term->socket, bytes, len);
        if (n == SOCK_WOULD_BLOCK) {
            if (sockPeerGone((int)term->socket)) term->dead = 1;
            else platSleepMs(SEND_WAIT_MS);
        } else if (n <= 0) {
            term->dead = 1;
        } else {
            bytes += n;
            len -= n;
        }
    }
}

static void sendRaw(TerminalChannel* term, const unsigned char* bytes, int32_t len) {
    if (term->isSocket) {
        sendAll(term, bytes, len);
    } else if (!conWriteAll(bytes, len)) {
        term->dead = 1;
    }
}

// Some hosts write comm type 2 with a handle of -1, or one they closed, and
// put the caller on standard input/output. -1 always means that; another
// handle that is no socket does only when standard input is a terminal or a
// socket (a pipe or /dev/null there is nobody to talk to).
static bool useStandardIo(const CallerInfo* caller, NodeLog* log) {
    if (caller->commHandle != TERM_NO_HANDLE && !conStdinIsTty() && !sockIsSocket(0)) return false;
    nodeLog(log, "WW-TERM-02 handle %d is no socket: standard input/output instead", (int)caller->commHandle);
    return true;
}

// Telnet is spoken where nobody else speaks it: on a socket, unless the
// BBS is one that decodes the caller's telnet itself and escapes what we
// send (answering its negotiation would show as junk, and 255 would be
// doubled twice); on standard input only when that is a socket carrying
// the caller's raw telnet.
static int32_t telnetWanted(const TerminalChannel* term, const CallerInfo* caller, int32_t mode, NodeLog* log) {
    if (mode != TELNET_AUTO) return mode == TELNET_ON;
    if (!term->isSocket) {
        if (term->stdinIsSocket) nodeLog(log, "WW-TERM-04 standard input is a socket: telnet on");
        return term->stdinIsSocket;
    }
    if (!textHasNoCase(caller->bbsSoftware, "synchronet")) return 1;
    nodeLog(log, "WW-TERM-04 %s decodes telnet itself: telnet off", caller->bbsSoftware);
    return 0;
}

int32_t termOpen(TerminalChannel* term, const CallerInfo* caller, int32_t telnetMode, NodeLog* log) {
    memset(term, 0, sizeof *term);
    term->log = log;
    frameBlank(&term->frame.grid);
    frameBlank(&term->shown.grid);
    term->shown.attr = -1;
    term->shown.hidden = -1;
    int fd = (int)caller->commHandle;
    bool onSocket = false;
    if (caller->commType == COMM_TELNET && caller->commHandle != 0) {
        onSocket = caller->commHandle != TERM_NO_HANDLE && sockIsSocket(fd);
        if (!onSocket && !useStandardIo(caller, log)) return 0;  // no socket of ours, nobody on standard input
    }
    if (onSocket) {
        term->isSocket = 1;
        term->socket = caller->commHandle;
    } else {
        term->stdinIsConsole = conStdinIsTty();
        term->stdinIsSocket = sockIsSocket(0);
    }
    if (term->stdinIsConsole) {
        installRestoreHooks();
        conRawOn();
        conWatchResize();
        consoleScreen = 1;
    }
    term->telnet = telnetWanted(term, caller, telnetMode, log);
    if (term->telnet) sendRaw(term, TELNET_HELLO, (int32_t)sizeof TELNET_HELLO);
    return 1;
}

int32_t termReadByte(TerminalChannel* term) {
    if (term->dead) return -1;
    if (term->isSocket) {
        unsigned char byte;
        int32_t n = sockRecv((int)term->socket, &byte, 1);
        if (n == 1) return byte;
        if (n != SOCK_WOULD_BLOCK) term->dead = 1;  // 0: the caller hung up
        return -1;
    }
    int32_t r = conReadByte();
    if (r >= 0) return r;
    if (r != CON_ENDED) return -1;
    term->dead = 1;
    // A terminal or a socket ending is the caller hanging up; a pipe or a
    // file ending means the BBS gave us nobody to read from, which the
    // Sysop should be able to tell apart.
    if (!term->stdinIsConsole && !term->stdinIsSocket) nodeLog(term->log, "WW-TERM-03 standard input is closed");
    return -1;
}

// Answer a WILL/WONT/DO/DONT: we do ECHO and SUPPRESS-GO-AHEAD, nothing else.
static void answerOption(TerminalChannel* term, int32_t verb, int32_t option) {
    bool wanted = option == TEL_OPT_ECHO || option == TEL_OPT_SGA;
    int32_t reply;
    if (verb == TEL_DO) reply = wanted ? TEL_WILL : TEL_WONT;
    else reply = wanted ? TEL_DO : TEL_DONT;
    unsigned char answer[3] = {TEL_IAC, (unsigned char)reply, (unsigned char)option};
    sendRaw(term, answer, 3);
}

// Subnegotiation: drop everything up to IAC SE, or as far as bytes wait.
static void skipSubnegotiation(TerminalChannel* term) {
    int32_t prev = 0;
    for (;;) {
        int32_t b = termReadByte(term);
        if (b < 0) return;
        if (prev == TEL_IAC && b == TEL_SE) return;
        prev = (prev == TEL_IAC && b == TEL_IAC) ? 0 : b;  // IAC IAC is a data byte
    }
}

// After an IAC on the socket: 255 for an escaped data byte, else -1.
static int32_t readTelnetCommand(TerminalChannel* term) {
    int32_t cmd = termReadByte(term);
    if (cmd == TEL_IAC) return TEL_IAC;
    if (cmd >= TEL_WILL && cmd <= TEL_DONT) {
        int32_t option = termReadByte(term);
        if (option >= 0) answerOption(term, cmd, option);
    } else if (cmd == TEL_SB) {
        skipSubnegotiation(term);
    }
    return KEY_NONE;
}

static int32_t readConsoleExtended(TerminalChannel* term) {
    int32_t s = termReadByte(term);
    if (s < CONSOLE_EXT_FIRST || s > CONSOLE_EXT_FIRST + 9) return KEY_NONE;
    return CONSOLE_EXT_KEYS[s - CONSOLE_EXT_FIRST];
}

// A UTF-8 terminal types a character as several bytes: they are gathered
// here and the whole sequence becomes its CP437 byte, '?' when CP437 lacks
// it or the sequence is broken. A byte that cannot go on the sequence ends
// it as '?' and is decoded afresh on the next call.
static int32_t joinUtf8(TerminalChannel* term, int32_t b) {
    if (term->utf8Have > 0 && (b & 0xC0) != 0x80) {
        term->utf8Have = 0;
        term->pendingByte = b;
        return '?';
    }
    if (term->utf8Have == 0) {
        term->utf8Want = utf8SequenceLength((unsigned char)b);
        if (term->utf8Want < 2) return '?';  // a stray continuation or a byte no sequence starts with
    }
    term->utf8Bytes[term->utf8Have++] = (unsigned char)b;
    if (term->utf8Have < term->utf8Want) return KEY_NONE;
    term->utf8Have = 0;
    uint32_t cp = 0;
    utf8Decode(term->utf8Bytes, &cp);
    return unicodeToCp437(cp);
}

static int32_t decodeIdle(TerminalChannel* term, uint32_t now) {
    int32_t b = term->pendingByte;
    term->pendingByte = 0;
    if (b == 0) b = termReadByte(term);
    if (b < 0) return KEY_NONE;
    if (term->telnet && b == TEL_IAC && term->utf8Have == 0) return readTelnetCommand(term);
    // Before the console's extended keys: on a UTF-8 terminal every byte
    // from 128 up belongs to a typed character, 224 leading many of them.
    if (term->utf8Out && (b >= 0x80 || term->utf8Have > 0)) return joinUtf8(term, b);
    if (CON_EXTENDED_PREFIXES && !term->isSocket && term->stdinIsConsole && (b == 0 || b == 224))
        return readConsoleExtended(term);
    if (b == KEY_ESC) {
        term->escParam = 0;
        term->escParamDone = 0;
        term->escState = 1;
        term->escStartTick = now;
        return KEY_NONE;
    }
    if (b == 127) return KEY_BACKSPACE;
    if (b == 10) return KEY_NONE;  // CR LF is one ENTER
    return b;
}

static int32_t decodeAfterEsc(TerminalChannel* term, uint32_t now) {
    int32_t b = termReadByte(term);
    if (b < 0) {
        if (now - term->escStartTick <= ESC_ALONE_MS) return KEY_NONE;
        term->escState = 0;
        return KEY_ESC;
    }
    if (b == '[' || b == 'O') {
        term->escState = 2;
        return KEY_NONE;
    }
    term->escState = 0;
    term->pendingByte = b;
    return KEY_ESC;
}

static int32_t decodeSequence(TerminalChannel* term, uint32_t now) {
    int32_t b = termReadByte(term);
    if (b < 0) {
        if (now - term->escStartTick > ESC_SEQUENCE_MS) term->escState = 0;
        return KEY_NONE;
    }
    if (b >= '0' && b <= '9') {
        if (!term->escParamDone && term->escParam < ESC_PARAM_CAP) term->escParam = term->escParam * 10 + (b - '0');
        return KEY_NONE;
    }
    if (b == ';') {
        term->escParamDone = 1;
        return KEY_NONE;
    }
    int32_t param = term->escParam;
    term->escState = 0;
    term->escParam = 0;
    term->escParamDone = 0;
    if (b == '~') return param == 5 ? KEY_PGUP : param == 6 ? KEY_PGDN : KEY_NONE;
    if (b >= 'A' && b <= 'V') return CSI_KEYS[b - 'A'];
    return KEY_NONE;
}

int32_t termReadKey(TerminalChannel* term, uint32_t now) {
    if (term->escState == 1) return decodeAfterEsc(term, now);
    if (term->escState == 2) return decodeSequence(term, now);
    return decodeIdle(term, now);
}

WaitSource termWaitSource(const TerminalChannel* term) {
    if (term->isSocket) return {(int32_t)term->socket, WAIT_SOCKET, false};
    return {0, WAIT_STDIN, false};
}

int32_t termKeyDueMs(const TerminalChannel* term, uint32_t now) {
    if (term->pendingByte) return 0;
    if (term->escState == 0) return -1;
    // One past each limit: the decoder acts once more than the limit has passed.
    uint32_t limit = term->escState == 1 ? ESC_ALONE_MS : ESC_SEQUENCE_MS;
    int32_t left = (int32_t)(term->escStartTick + limit + 1 - now);
    return left < 0 ? 0 : left;
}

// One data byte as it goes out. For a UTF-8 terminal a byte above 127
// becomes its character's UTF-8 bytes (255 is U+00A0, never an IAC). In
// CP437 on the socket a data byte 255 goes out as IAC IAC so the caller's
// telnet client does not take it as a command. Returns the count written.
static int32_t encodeByte(const TerminalChannel* term, unsigned char b, unsigned char* out) {
    if (term->utf8Out && b > 127) return cp437ToUtf8(b, out);
    out[0] = b;
    if (!term->telnet || b != TEL_IAC) return 1;
    out[1] = TEL_IAC;
    return 2;
}

// Queue bytes that are known to fit once encoded.
static void appendEncoded(TerminalChannel* term, const unsigned char* p, int32_t len) {
    for (int32_t i = 0; i < len; i++) term->outLen += encodeByte(term, p[i], term->outBuf + term->outLen);
}

static int32_t encodedLength(const TerminalChannel* term, const unsigned char* p, int32_t len) {
    if (!term->utf8Out && !term->telnet) return len;
    unsigned char scratch[UTF8_MAX_PER_BYTE];
    int32_t n = 0;
    for (int32_t i = 0; i < len; i++) n += p[i] < 128 ? 1 : encodeByte(term, p[i], scratch);
    return n;
}

// What is queued goes out as it is, in one write.
static void sendQueued(TerminalChannel* term) {
    if (term->outLen > 0 && !term->dead) sendRaw(term, term->outBuf, term->outLen);
    term->outLen = 0;
}

void termWrite(TerminalChannel* term, const void* bytes, int32_t len) {
    if (!bytes || len < 1 || term->dead) return;
    const unsigned char* p = (const unsigned char*)bytes;
    int32_t need = encodedLength(term, p, len);
    if (term->outLen + need > TERM_OUT_MAX) sendQueued(term);
    if (need <= TERM_OUT_MAX) {
        appendEncoded(term, p, len);
        return;
    }
    // Larger than the buffer: goes out now, a buffer at a time, every byte
    // of it, waiting on a full socket like any flush.
    for (int32_t i = 0; i < len && !term->dead; i++) {
        if (term->outLen + UTF8_MAX_PER_BYTE > TERM_OUT_MAX) sendQueued(term);
        appendEncoded(term, p + i, 1);
    }
    sendQueued(term);
}

void termPuts(TerminalChannel* term, const char* text) {
    if (!text) return;
    termWrite(term, text, (int32_t)strlen(text));
}

static void queueFrameBytes(void* ctx, const char* bytes, int32_t len) {
    termWrite((TerminalChannel*)ctx, bytes, len);
}

void termFlush(TerminalChannel* term) {
    if (term->frameTouched && !term->dead) frameDiff(&term->shown, &term->frame, queueFrameBytes, term);
    term->frameTouched = 0;
    sendQueued(term);
}

int32_t termAlive(const TerminalChannel* term) {
    return term->dead ? 0 : 1;
}

void termCheckHangUp(TerminalChannel* term) {
    if (term->dead) return;
    int32_t gone = term->isSocket ? sockPeerGone((int)term->socket) : conInputGone();
    if (gone) term->dead = 1;
}

void termClose(TerminalChannel* term) {
    termFlush(term);
    // The BBS's socket stays open for the BBS, its flags as they came.
    if (term->stdinIsConsole) {
        // Hung up: the goodbye never reached the screen, if there still is one.
        if (term->dead) leaveConsoleScreen();
        consoleScreen = 0;
        conRawRestore();
    }
}

int32_t termResized(TerminalChannel* term) {
    return !term->isSocket && term->stdinIsConsole ? conTakeResize() : 0;
}
