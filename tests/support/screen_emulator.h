// Test screen: an 80x24 ANSI terminal (libvterm) that takes the door's output
// bytes (CP437) and answers what the caller would see: the text of a row, the
// colour, brightness and underline of a cell, the cursor. It can also sit at
// the far end of a telnet socket pair whose near end the door's terminal owns.
#pragma once
#include <cstddef>
#include <string>

#include "terminal/charset.h"

struct ClientState;
struct VTerm;
struct VTermScreen;

struct TestScreen {
    VTerm* vt;                 // the emulated terminal
    VTermScreen* vs;
    bool cursorVisible;        // last show/hide the terminal saw
    std::string raw;           // every byte fed, telnet escaping undone
    ClientState* cs;           // attached door state, or null
    int peerFd;                // caller's end of the socket pair; -1 none
    int doorFd;                // door's end (its TerminalChannel socket); -1 none
    int telnetState;           // telnet decoder state of the attached socket
};

constexpr int TEST_ROWS = 24;
constexpr int TEST_COLS = 80;

// Start / end an empty 80x24 screen (cursor home and visible).
void testScreenOpen(TestScreen* ts);
void testScreenClose(TestScreen* ts);

// Feed door output straight in: ANSI sequences and CP437 text.
void screenFeed(TestScreen* ts, const void* bytes, size_t n);
void screenFeed(TestScreen* ts, const std::string& bytes);
// Feed output of a door whose charset is utf8: the bytes are already UTF-8.
void screenFeedUtf8(TestScreen* ts, const void* bytes, size_t n);

// What the caller sees. Rows and columns count from 1, like the door's.
std::string screenRowText(const TestScreen* ts, int row);   // 80 CP437 bytes, blanks for empty cells
std::string screenRowUtf8(const TestScreen* ts, int row);   // the same row as UTF-8, trailing blanks cut
std::string screenTextAt(const TestScreen* ts, int row, int col, int n);  // n CP437 bytes from (row, col)
unsigned char screenCharAt(const TestScreen* ts, int row, int col);      // one CP437 byte
int screenFgAt(const TestScreen* ts, int row, int col);     // 30-37, or -1 for the default colour
bool screenBrightAt(const TestScreen* ts, int row, int col);
bool screenUnderlineAt(const TestScreen* ts, int row, int col);
int screenCursorRow(const TestScreen* ts);
int screenCursorCol(const TestScreen* ts);
bool screenCursorVisible(const TestScreen* ts);

// Open cs->term as a telnet caller on one end of a fresh socket pair (comm
// type 2, handle = that socket); the screen reads the other end. The door's
// option offer is swallowed and nothing is answered. false when the socket
// pair or termOpen fails. testScreenClose closes the channel and both ends.
bool testScreenAttach(TestScreen* ts, ClientState* cs);
// Feed bytes as they came off a telnet socket: IAC IAC is a data byte 255,
// option commands and subnegotiations are swallowed (state kept across calls).
void screenFeedTelnet(TestScreen* ts, const void* bytes, size_t n);
// Flush the attached door's output and feed everything waiting on the socket.
void screenPump(TestScreen* ts);
// Bytes the caller types, sent to the door's end.
void screenSendKeys(TestScreen* ts, const std::string& bytes);

// Unicode code point back to its CP437 byte ('?' for none); the way there
// is the door's own cp437ToUnicode.
unsigned char unicodeToCp437(unsigned cp);
