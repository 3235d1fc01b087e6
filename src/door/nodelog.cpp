#include "door/nodelog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "door/drop.h"
#include "platform/platform.h"
#include "platform/text.h"

static uint32_t tickBase;      // platform tick of the first tickMs call
static int32_t tickBaseSet;    // tickBase has been taken
static char exePathBuf[512];   // exePath's shared result
static const CallerInfo* logCaller;  // whose node number names the log

uint32_t tickMs() {
    uint32_t now = platTickCount();
    if (!tickBaseSet) {
        tickBase = now;
        tickBaseSet = 1;
        return 0;
    }
    return now - tickBase;
}

void tickMoveBase(uint32_t ms) {
    if (!tickBaseSet) tickMs();
    tickBase -= ms;
}

// The executable's path is asked for with room for 448 characters; a path
// that fills the room is treated as unknown rather than used cut.
static constexpr size_t EXE_PATH_ROOM = 448;

void exeDirJoin(const char* exeFile, size_t exeFileLen, const char* name, char* out, size_t cap) {
    if (!name) name = "";
    if (exeFileLen == 0 || exeFileLen >= EXE_PATH_ROOM || !exeFile) {
        copyTextN(out, cap < 512 ? cap : 512, name);
        return;
    }
    const char* cut = strrchr(exeFile, '\\');
    if (!cut) cut = strrchr(exeFile, '/');
    size_t dirLen = cut ? (size_t)(cut - exeFile) + 1 : 0;
    size_t limit = cap < 512 ? cap : 512;
    if (dirLen >= limit) dirLen = limit - 1;
    memcpy(out, exeFile, dirLen);
    copyTextN(out + dirLen, limit - dirLen, name);
}

const char* exePath(const char* name) {
    char exe[4096];
    size_t n = platExeFile(exe, sizeof exe);
    char joined[sizeof exePathBuf];
    exeDirJoin(exe, n, name, joined, sizeof joined);
    copyText(exePathBuf, joined);
    return exePathBuf;
}

void nodeLogBind(const CallerInfo* info) { logCaller = info; }

void nodeLog(const char* format, ...) {
    int node = logCaller ? logCaller->nodeNumber : 0;
    if (node < 0) node = 0;
    char name[40];
    formatText(name, "wordwhirl-node%d.log", node);
    FILE* f = fopen(exePath(name), "a");
    if (!f) return;
    va_list ap;
    va_start(ap, format);
    vfprintf(f, format, ap);
    va_end(ap);
    fputc('\n', f);
    fclose(f);
}
