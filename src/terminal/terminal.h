// The caller's terminal: one byte source over the BBS's telnet socket, the
// local console or a pipe; the key decoder (ANSI sequences, console extended
// keys, telnet negotiation); the frame every screen is drawn into and the
// caller's screen it is compared with; and the one output buffer the
// difference is composed in and sent from in a single flush.
#pragma once
#include <cstdint>

#include "host/config.h"
#include "host/nodelog.h"
#include "platform/wait.h"
#include "terminal/frame.h"

struct CallerInfo;


enum KeyCode : int32_t {
    KEY_NONE = -1,
    KEY_CTRL_C = 3,     // arrives as a key: raw mode keeps it from signalling
    KEY_BACKSPACE = 8,
    KEY_CTRL_L = 12,    // repaint the screen
    KEY_ENTER = 13,
    KEY_ESC = 27,
    KEY_UP = 1000,
    KEY_DOWN = 1001,
    KEY_LEFT = 1002,
    KEY_RIGHT = 1003,
    KEY_PGUP = 1004,
    KEY_PGDN = 1005,
};

constexpr int TERM_OUT_SIZE = 8192;  // one screen's worth; a full redraw fits

struct TerminalChannel {
    int32_t isSocket;          // the caller is on the BBS's socket
    int32_t stdinIsConsole;    // not a socket, and standard input is a terminal (no pipe or file)
    int32_t stdinIsSocket;     // not the BBS's socket, and standard input is a socket
    int32_t telnet;            // negotiation answered, IAC decoded in and doubled out
    NodeLog* log;              // where the channel's codes go
    uint32_t socket;           // the socket handle the BBS gave us
    unsigned char outBuf[TERM_OUT_SIZE];  // output waiting for the flush
    int32_t outLen;            // bytes waiting, at most TERM_OUT_SIZE - 1
    FrameWant frame;           // what the painters have drawn: the screen after the next flush
    FrameShown shown;          // what the caller's screen shows
    unsigned char penAttr;     // attributes the next text is drawn in
    int32_t frameTouched;      // drawn into since the last flush: the flush compares
    int32_t dead;              // a read or write failed for good; final
    int32_t escState;          // decoder: 0 idle, 1 after ESC, 2 in CSI/SS3
    int32_t escParam;          // decimal parameter inside the sequence
    int32_t escParamDone;      // a ';' was seen: later digits ignored
    uint32_t escStartTick;     // when the ESC arrived, on termReadKey's clock
    int32_t pendingByte;       // byte read after a lone ESC; 0 none
    int32_t utf8Out;           // door.cfg charset=utf8: bytes above 127 go out as UTF-8, and
                               // keys typed in UTF-8 are joined into their CP437 byte
    unsigned char utf8Bytes[4];  // decoder: the UTF-8 sequence typed so far
    int32_t utf8Have;          // its bytes so far; 0 none in progress
    int32_t utf8Want;          // the bytes its first byte announced
};

// Take over the caller's channel: the BBS's socket, or standard
// input/output. 0 when there is none to take.
int32_t termOpen(TerminalChannel* term, const CallerInfo* caller, int32_t telnetMode = TELNET_AUTO,
                 NodeLog* log = nullptr);
int32_t termReadByte(TerminalChannel* term);
// The next key, or KEY_NONE: a CP437 byte for a character (on a UTF-8
// terminal a whole typed sequence becomes one, '?' when CP437 lacks it).
// `now` is the caller's clock in milliseconds:
// the decoder times a lone ESC and a cut-off sequence by it, and keeps no
// clock of its own.
int32_t termReadKey(TerminalChannel* term, uint32_t now);
// What to wait on for the caller's next byte: the socket or standard input.
WaitSource termWaitSource(const TerminalChannel* term);
// Milliseconds from `now` until termReadKey must be asked again though no
// byte came (a lone ESC becomes the ESC key, a cut-off sequence is given
// up); 0 when a byte is already held, -1 when only a new byte matters.
int32_t termKeyDueMs(const TerminalChannel* term, uint32_t now);
void termWrite(TerminalChannel* term, const void* bytes, int32_t len);
void termPuts(TerminalChannel* term, const char* text);
// Sends the frame's difference from the caller's screen, if anything was
// drawn, after whatever termWrite queued, in one write.
void termFlush(TerminalChannel* term);
int32_t termAlive(const TerminalChannel* term);
// Mark the channel dead when the caller has hung up, without taking a key:
// for the waits that read none (a notice held, the goodbye, a full socket).
void termCheckHangUp(TerminalChannel* term);
void termClose(TerminalChannel* term);
// 1 once after the local console's window changed size: its contents are
// then whatever the terminal made of them, and the screen wants repainting.
int32_t termResized(TerminalChannel* term);
