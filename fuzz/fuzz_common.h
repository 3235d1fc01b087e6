// What every fuzz target shares: an abort that libFuzzer reports as a crash,
// a node log that goes nowhere (the door appends a line per odd input; a
// long run would fill the disk), and a scratch directory of its own.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/drop.h"
#include "host/nodelog.h"

namespace fuzzsupport {

inline void check(bool ok, const char* what) {
    if (ok) return;
    fprintf(stderr, "fuzz check failed: %s\n", what);
    abort();
}

// The logs of nodes 0 and 1 beside the executable become links to
// /dev/null: the targets' connections and callers stay on node 0, and the
// drop file reader logs for node 1, its default, before any file names one.
inline void silenceNodeLog() {
    constexpr const char* LOGS[2] = {"wordwhirl-node0.log", "wordwhirl-node1.log"};
    for (const char* name : LOGS) {
        BesidePath log = exePath(name);
        unlink(log.text);
        if (symlink("/dev/null", log.text) != 0) perror("node log link");
    }
}

// A fresh directory under /tmp for this process, ending in '/'.
inline const char* scratchDir() {
    static char dir[64];
    if (dir[0]) return dir;
    char templ[] = "/tmp/wwfuzz.XXXXXX";
    if (!mkdtemp(templ)) abort();
    snprintf(dir, sizeof dir, "%s/", templ);
    return dir;
}

// True when text holds a terminator within its array.
template <size_t N>
bool terminated(const char (&text)[N]) {
    return memchr(text, 0, N) != nullptr;
}

}  // namespace fuzzsupport
