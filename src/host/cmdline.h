// The command line a BBS menu entry gives the door: which drop file to read
// and the overrides a Sysop needs when the BBS writes the file wrongly (node,
// socket handle, time left, standard input/output, charset). Nothing here
// ever stops the door: an option it does not know is kept for the node log.
#pragma once
#include <cstdint>

#include "host/config.h"

constexpr int CMD_UNKNOWN_MAX = 8;  // unknown options remembered for the log; more are dropped

enum CmdCharset : int32_t {
    CMD_CHARSET_CFG = 0,   // as door.cfg says
    CMD_CHARSET_UTF8 = 1,
    CMD_CHARSET_CP437 = 2,
};

struct DoorOptions {
    const char* dropPath;    // null or empty: the default drop file
    const char* programName; // argv[0] without its directory
    int32_t node;            // -N; 0 when not given
    int32_t handleGiven;     // -H was given: comm type 2 on `handle`
    uint32_t handle;
    int32_t stdio;           // -X / --stdio: standard input/output whatever the file says
    int32_t minutes;         // -T; 0 when not given
    int32_t charset;         // CmdCharset
    int32_t telnet;          // TelnetMode; TELNET_AUTO: as door.cfg says
    int32_t help;            // --help: print the options and end
    const char* unknown[CMD_UNKNOWN_MAX];
    int32_t unknownCount;
};

// Read argv. `-D<path>` (or `-D <path>`) names the drop file, the last one
// winning; otherwise the first bare argument does, and later bare arguments
// are ignored (some BBSes append the node and socket after the path).
// Options may start with '/' instead of '-' when the argument holds no
// other '/', so that an absolute path is never taken for one.
void cmdParse(DoorOptions* opts, int argc, char** argv);

// What --help prints, one option a line.
extern const char* const CMD_HELP_TEXT;
