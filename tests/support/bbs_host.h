// BBS host for end-to-end tests: a temporary board directory holding a copy
// of the real door, its door.cfg and a drop file. It starts the door the way
// a BBS does (fork/exec, the caller's telnet socket inherited by number, or a
// pipe on standard input) and sits at the caller's end, rendering what the
// door sends on a TestScreen and keeping every raw byte.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "screen_emulator.h"

constexpr int BBS_WAIT_MS = 20000;       // generous for a loaded machine; only a failing wait lasts this long
constexpr int BBS_EXIT_WAIT_MS = 10000;  // the longest ending (goodbye dots) is about 3.4 s

struct BbsHost {
    std::string dir;        // temporary board directory; the door's copy lives here
    std::string door;       // dir + "/wordwhirl"
    int callerFd = -1;      // caller's end of the telnet socket pair (or a pty, or a TCP socket)
    int doorFd = -1;        // door's end, handed down by number; -1 once started
    int stdinFd = -1;       // write end of the door's standard input pipe
    int stdoutFd = -1;      // read end of the door's standard output
    bool onSocket = false;  // the screen follows callerFd (else standard output)
    enum { TELNET, CP437, UTF8 } line = TELNET;  // how callerFd's bytes read: a pty carries no telnet
    bool callerGone = false;                      // callerFd read its end
    pid_t pid = 0;          // the running door
    std::string rawSocket;  // every byte the door sent on the socket, telnet bytes included
    std::string rawStdout;  // every byte the door wrote to standard output
    TestScreen screen;      // what the caller sees

    explicit BbsHost(const std::string& doorBinary);  // "": an empty directory, no door
    ~BbsHost();  // kills a door still running, closes everything, removes the directory
};

// Polls done every 10 ms until it holds; false after timeoutMs.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = BBS_WAIT_MS);

// A file in the board directory (name may contain a subdirectory); "" when missing.
void bbsWriteFile(BbsHost* host, const std::string& name, const std::string& text);
std::string bbsReadFile(const BbsHost* host, const std::string& name);
std::string bbsNodeLog(const BbsHost* host, int node);  // wordwhirl-nodeN.log

// door.cfg for a plain connection to 127.0.0.1:port, with more lines after.
void bbsWriteDoorCfg(BbsHost* host, int port, const std::string& moreLines = "");
// The caller's telnet socket pair; returns the handle the door inherits.
int bbsOpenTelnet(BbsHost* host);
// The eleven lines of a DOOR32.SYS; the caller is user record 42.
std::string bbsDoor32(int commType, unsigned handle, int node, const std::string& alias = "Tester");

// Start the door with these arguments in the board directory. Standard input
// is a pipe the test writes keys into when stdinPipe, else /dev/null.
void bbsStart(BbsHost* host, const std::vector<std::string>& args, bool stdinPipe);
// Render whatever the door has sent.
void bbsPump(BbsHost* host);
std::string bbsRow(const BbsHost* host, int row);  // UTF-8, trailing blanks cut
std::string bbsScreen(const BbsHost* host);        // every row, for failure messages
// Wait until text shows on row (any row when 0).
bool bbsWaitText(BbsHost* host, const std::string& text, int row = 0, int timeoutMs = BBS_WAIT_MS);
// Keys from the caller: on the socket when the screen follows it, else stdin.
void bbsSendKeys(BbsHost* host, const std::string& keys);
// The caller hangs up: their socket end and the stdin pipe close.
void bbsHangUp(BbsHost* host);
// Still running? Asked without reaping, so bbsWaitExit still gets the code.
bool bbsRunning(const BbsHost* host);
// The door's exit code once it ends, rendering as it goes; -1 when it was
// still running after timeoutMs (it is then killed) or died of a signal.
int bbsWaitExit(BbsHost* host, int timeoutMs = BBS_EXIT_WAIT_MS);
