// BBS host for end-to-end tests: a temporary board directory holding a copy
// of the real door, its door.cfg and a drop file. It starts the door the way
// a BBS does (fork/exec, the caller's telnet socket inherited by number, or a
// pipe on standard input) and sits at the caller's end, rendering what the
// door sends on a TestScreen and keeping every raw byte.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "screen_emulator.h"

constexpr int BBS_WAIT_MS = 20000;       // generous for a loaded CI machine; only a failing wait lasts this long
constexpr int BBS_EXIT_WAIT_MS = 10000;  // the longest ending (goodbye dots) is about 3.4 s

struct BbsHost {
    std::string dir;        // temporary board directory; the door's copy lives here
    std::string door;       // dir + "/wordwhirl"
    std::string cwd;        // where the door is started; dir unless set before bbsStart
    int callerFd;           // caller's end of the telnet socket pair; -1 none
    int doorFd;             // door's end, handed down by number; -1 once started or none
    int stdinFd;            // write end of the door's standard input pipe; -1 none
    int stdoutFd;           // read end of the door's standard output
    bool onSocket;          // the screen follows the socket (else standard output)
    pid_t pid;              // the running door; 0 when none
    int exitCode;           // set by bbsWaitExit: the code, -1 when it had to be killed
    std::string rawSocket;  // every byte the door sent on the socket, telnet bytes included
    std::string rawStdout;  // every byte the door wrote to standard output
    TestScreen screen;      // what the caller sees
};

// Make the board directory with a copy of the built door (the e2e target
// knows its path as WW_DOOR_BINARY) / kill a door still running, close
// every descriptor and remove the directory.
void bbsHostOpen(BbsHost* host, const std::string& doorBinary);
void bbsHostClose(BbsHost* host);

// A file in the board directory (name may contain a subdirectory).
void bbsWriteFile(BbsHost* host, const std::string& name, const std::string& text);
std::string bbsReadFile(const BbsHost* host, const std::string& name);  // "" when missing
std::string bbsNodeLog(const BbsHost* host, int node);                  // wordwhirl-nodeN.log

// door.cfg for a plain connection to 127.0.0.1:port, with more lines after.
void bbsWriteDoorCfg(BbsHost* host, int port, const std::string& moreLines = "");

// The caller's telnet socket pair; returns the handle number the door
// inherits (write it into DOOR32.SYS line 2).
int bbsOpenTelnet(BbsHost* host);

// The eleven lines of a DOOR32.SYS; the caller is user record 42.
std::string bbsDoor32(int commType, unsigned handle, int node, const std::string& alias = "Tester",
                      int minutesLeft = 45);

// Start the door with these arguments (argv[0] is added). Standard input is a
// pipe the test writes keys into when stdinPipe, else /dev/null.
void bbsStart(BbsHost* host, const std::vector<std::string>& args, bool stdinPipe);

// Read whatever the door has sent and render it.
void bbsPump(BbsHost* host);
// Wait until row shows text (anywhere in the row); false after timeoutMs.
bool bbsWaitRow(BbsHost* host, int row, const std::string& text, int timeoutMs = BBS_WAIT_MS);
std::string bbsRow(const BbsHost* host, int row);  // UTF-8, trailing blanks cut

// Keys from the caller: on the socket when the screen follows it, else stdin.
void bbsSendKeys(BbsHost* host, const std::string& keys);
// The caller hangs up: their socket end (and the stdin pipe) close.
void bbsHangUp(BbsHost* host);

// Wait for the door to end, rendering as it goes; its exit code, or -1
// when it was still running after timeoutMs (it is then killed).
int bbsWaitExit(BbsHost* host, int timeoutMs = BBS_EXIT_WAIT_MS);
