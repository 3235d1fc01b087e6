// console.h on Windows: the console through GetConsoleMode/SetConsoleMode
// and _kbhit/_getch, a pipe on standard input through PeekNamedPipe and
// ReadFile, and standard output written with WriteFile.
#include "platform/console.h"

#include <conio.h>
#include <csignal>
#include <fcntl.h>
#include <io.h>

#include "platform/platform.h"
#include "platform/win32.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

constexpr UINT CODE_PAGE_437 = 437;  // the door's screens are drawn in it

// What conRawOn found, for conRawRestore; a handler may run on the
// console's own thread, so the flag is read there too.
static DWORD savedInMode, savedOutMode;
static UINT savedOutCodePage;
static volatile LONG rawActive;
static int32_t outModeChanged;

static HANDLE stdinHandle() { return GetStdHandle(STD_INPUT_HANDLE); }
static HANDLE stdoutHandle() { return GetStdHandle(STD_OUTPUT_HANDLE); }

StdinKind stdinKind() {
    HANDLE in = stdinHandle();
    if (in == nullptr || in == INVALID_HANDLE_VALUE) return STDIN_NONE;
    DWORD mode;
    switch (GetFileType(in)) {
    case FILE_TYPE_CHAR: return GetConsoleMode(in, &mode) ? STDIN_CONSOLE : STDIN_FILE;  // NUL is a char device
    case FILE_TYPE_PIPE: return STDIN_PIPE;
    default: return STDIN_FILE;
    }
}

int32_t stdinWaiting() {
    switch (stdinKind()) {
    case STDIN_CONSOLE: return _kbhit() ? 1 : 0;  // drops the mouse and focus events that wake a wait
    case STDIN_PIPE: {
        DWORD avail = 0;
        if (!PeekNamedPipe(stdinHandle(), nullptr, 0, nullptr, &avail, nullptr)) return -1;
        return avail > 0 ? 1 : 0;
    }
    case STDIN_FILE: return 1;  // a read never waits: a byte or the end
    default: return -1;
    }
}

int32_t conStdinIsTty() { return stdinKind() == STDIN_CONSOLE ? 1 : 0; }

int32_t conRawOn() {
    if (rawActive) return 1;
    HANDLE in = stdinHandle();
    if (!GetConsoleMode(in, &savedInMode)) return 0;
    // No line editing or echo, and Ctrl-C arrives as a byte rather than
    // ending the door.
    DWORD mode = savedInMode & ~(DWORD)(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    if (!SetConsoleMode(in, mode)) return 0;
    // The console draws the door's ANSI itself on Windows 10 and later; an
    // older one refuses the mode and shows what it always showed.
    HANDLE out = stdoutHandle();
    outModeChanged = GetConsoleMode(out, &savedOutMode) &&
                     SetConsoleMode(out, savedOutMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    savedOutCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CODE_PAGE_437);
    rawActive = 1;
    return 1;
}

void conRawRestore() {
    if (!InterlockedExchange(&rawActive, 0)) return;
    SetConsoleMode(stdinHandle(), savedInMode);
    if (outModeChanged) SetConsoleMode(stdoutHandle(), savedOutMode);
    if (savedOutCodePage) SetConsoleOutputCP(savedOutCodePage);
}

// The runtime maps the console's Ctrl-C and Ctrl-Break to SIGINT and
// SIGBREAK, and resets a handler to the default before running it.
void conOnFatalSignal(void (*handler)(int)) {
    constexpr int SIGNALS[3] = {SIGINT, SIGTERM, SIGBREAK};
    for (int sig : SIGNALS)
        if (signal(sig, handler) == SIG_IGN) signal(sig, SIG_IGN);
}

// A console's size is the Sysop's to set and the door draws 80x24 in any
// case; no resize is ever reported.
void conWatchResize() {}
int32_t conTakeResize() { return 0; }

int32_t conReadByte() {
    StdinKind kind = stdinKind();
    if (kind == STDIN_NONE) return CON_ENDED;
    if (kind == STDIN_CONSOLE) return _kbhit() ? _getch() & 0xFF : CON_NONE;  // 0 and 224 lead an extended key
    int32_t waiting = stdinWaiting();
    if (waiting < 0) return CON_ENDED;
    if (waiting == 0) return CON_NONE;
    unsigned char byte;
    DWORD got = 0;
    if (!ReadFile(stdinHandle(), &byte, 1, &got, nullptr) || got == 0) return CON_ENDED;
    return byte;
}

int32_t conInputGone() {
    if (stdinKind() != STDIN_PIPE) return 0;
    DWORD avail = 0;
    return PeekNamedPipe(stdinHandle(), nullptr, 0, nullptr, &avail, nullptr) ? 0 : 1;
}

int32_t conWriteAll(const void* bytes, int32_t len) {
    const unsigned char* p = (const unsigned char*)bytes;
    HANDLE out = stdoutHandle();
    while (len > 0) {
        DWORD wrote = 0;
        if (!WriteFile(out, p, (DWORD)len, &wrote, nullptr)) return 0;  // the reader is gone
        if (wrote == 0) {
            platSleepMs(5);  // a full pipe in no-wait mode
            continue;
        }
        p += wrote;
        len -= (int32_t)wrote;
    }
    return 1;
}

// Windows has no SIGPIPE: a write to a vanished reader already fails. What
// is needed instead is binary standard input and output: in the runtime's
// text mode a line feed leaves as CR LF and a Ctrl-Z on a pipe reads as its
// end, which would look like the caller hanging up.
void conIgnoreBrokenPipe() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}
