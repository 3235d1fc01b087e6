// Test screen: an 80x24 ANSI terminal (libvterm) fed the door's output
// (CP437, or UTF-8 for a utf8 door) that answers what the caller sees. It can
// sit at the far end of a telnet socket pair whose near end the door owns.
#pragma once
#include <string>
#include <utility>

struct ClientState;
struct VTerm;
struct VTermScreen;

struct TestScreen {
    VTerm* vt;
    VTermScreen* vs;
    bool cursorVisible;  // last show/hide the terminal saw
    std::string raw;     // every byte fed, telnet escaping undone
    ClientState* cs;     // attached door state, or null
    int peerFd;          // caller's end of the socket pair; -1 none
    int doorFd;          // door's end (its terminal's socket); -1 none
    int telnetState;     // telnet decoder state, kept across reads
};

constexpr int TEST_ROWS = 24;
constexpr int TEST_COLS = 80;

void testScreenOpen(TestScreen* ts);   // empty, cursor home and visible
void testScreenClose(TestScreen* ts);  // also closes an attached terminal and both socket ends

void screenFeed(TestScreen* ts, const std::string& cp437);
void screenFeedUtf8(TestScreen* ts, const std::string& utf8);
// Bytes off a telnet socket: IAC IAC is a data 255, option commands and
// subnegotiations are swallowed.
void screenFeedTelnet(TestScreen* ts, const std::string& bytes);

// Rows and columns count from 1, like the door's.
std::string screenRowText(const TestScreen* ts, int row);  // 80 CP437 bytes, blanks for empty cells
std::string screenRowUtf8(const TestScreen* ts, int row);  // UTF-8, trailing blanks cut
int screenInkAt(const TestScreen* ts, int row, int col);    // 30-37, 90-97 when bright, -1 default colour
std::pair<int, int> screenCursor(const TestScreen* ts);  // row, column

// Open cs->term as a telnet caller (comm type 2) on one end of a fresh socket
// pair; the screen reads the other end, swallowing the option offer.
bool testScreenAttach(TestScreen* ts, ClientState* cs);
// Flush the attached door's output and feed everything waiting on the socket.
void screenPump(TestScreen* ts);
void screenSendKeys(TestScreen* ts, const std::string& bytes);  // typed by the caller
