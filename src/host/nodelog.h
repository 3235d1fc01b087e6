// The node log: each node appends diagnostic codes to its own
// wordwhirl-nodeN.log, in door.cfg's logdir or beside the executable.
// A log that cannot be written is told to the Sysop once on the console,
// and only while the console is not the caller's screen.
#pragma once
#include <cstdint>

#include "platform/platform.h"

constexpr int NODELOG_DIR_SIZE = 256;

struct NodeLog {
    char dir[NODELOG_DIR_SIZE];  // "" : beside the executable
    int32_t node;                // whose file takes the lines; below 0 is node 0
    int32_t consoleFree;         // standard error is not the caller's screen
    int32_t failErrno;           // why the last line could not be written; 0 none
    int32_t reported;            // the failure has been told on the console
};

// One line into the log's node file; a null log writes to node 0's beside
// the executable. The file is opened and closed for every line: lines are
// rare, and a node that dies leaves nothing unwritten.
__attribute__((format(printf, 2, 3)))
void nodeLog(NodeLog* log, const char* format, ...);

// The console is free of the caller from now on: a failure seen before
// (or after) goes to standard error, once.
void nodeLogConsoleFree(NodeLog* log);
