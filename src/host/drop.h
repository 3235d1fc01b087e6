// The drop file reader: finds the file the BBS wrote for this caller, picks
// its layout (DOOR32.SYS, DOOR.SYS, DORINFOn.DEF) and fills the caller
// record. It never fails hard: the record always holds usable defaults and
// dropStatus says which notice start-up should show.
#pragma once
#include <cstdint>

#include "host/nodelog.h"

enum DropStatus : int32_t {
    DROP_OK = 0,
    DROP_NOT_FOUND = 1,
    DROP_EMPTY = 2,
    DROP_UNKNOWN_LAYOUT = 3,
    DROP_NO_ACCESS = 4,
};

enum DropLayout : int32_t {
    DROP_LAYOUT_NONE = 0,
    DROP_LAYOUT_DOOR32 = 1,
    DROP_LAYOUT_DOORSYS = 2,
    DROP_LAYOUT_DORINFO = 3,
};

enum CommType : int32_t {
    COMM_LOCAL = 0,
    COMM_SERIAL = 1,
    COMM_TELNET = 2,
};

constexpr int DROP_MAX_LINES = 60;     // longest layout we read is DOOR.SYS's 52
constexpr int DROP_LINE_SIZE = 256;    // one fgets piece, terminator included

struct CallerInfo {
    int32_t dropLayout;      // DropLayout that was read
    int32_t commType;        // CommType: the terminal channel depends on it
    uint32_t commHandle;     // socket handle from DOOR32.SYS, else 0
    char callerName[32];     // alias as the game shows it
    char realName[32];       // full name
    char bbsSoftware[32];    // the BBS name line of the file
    int32_t nodeNumber;      // at least 1; names the node log
    int32_t userRecord;      // BBS user record; keys the marker files
    int32_t timeLeftSecs;    // more than 0
    int32_t ansiCaller;      // the file's ANSI flag; informational only
    int32_t dropStatus;      // DropStatus
    char dropPathGiven[300]; // path from the command line, for the log
    char programName[32];    // the executable's name as the BBS started it, for notices
};

constexpr int DROP_PATH_SIZE = 512;    // pathUsed: at most 511 characters

// One drop file as read: where it was found and its lines, trimmed, unused
// slots empty. 16 KiB, needed only while the caller record is filled; the
// caller of dropRead owns it.
struct DropText {
    char pathUsed[DROP_PATH_SIZE];               // "" when no file could be opened
    char lines[DROP_MAX_LINES][DROP_LINE_SIZE];
    int32_t lineCount;                           // lines read, 0 to DROP_MAX_LINES
};

// Read the drop file at path (null or empty: "DOOR32.SYS"), falling back to
// the same file name, then DOOR32.SYS, beside the executable, into text. 1
// when a layout was read; info is usable either way and dropStatus says why not.
int32_t dropRead(CallerInfo* info, const char* path, DropText* text, NodeLog* log);

// dropRead with the executable's directory given (ending in its separator,
// or empty for the current directory): the search on its own. Problems go
// to log under the file's node (a null log: beside the executable).
int32_t dropReadFrom(CallerInfo* info, const char* path, const char* exeDir, DropText* text,
                     NodeLog* log = nullptr);
void dropDefaults(CallerInfo* info);
void dropParseDoor32(CallerInfo* info, const DropText* text, NodeLog* log = nullptr);
void dropParseDoorSys(CallerInfo* info, const DropText* text);
void dropParseDorinfo(CallerInfo* info, const DropText* text);
