// The OS-neutral half of platform.h: the door's clock on top of the raw
// tick, and paths beside the executable. Built on every OS.
#include <cstring>

#include "platform/platform.h"
#include "platform/text.h"

void tickStart(DoorClock* clock) { clock->base = platTickCount(); }

uint32_t tickMs(const DoorClock* clock) { return platTickCount() - clock->base; }

void tickMoveBase(DoorClock* clock, uint32_t ms) { clock->base -= ms; }

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

BesidePath exePath(const char* name) {
    char exe[4096];
    size_t n = platExeFile(exe, sizeof exe);
    BesidePath path;
    exeDirJoin(exe, n, name, path.text, sizeof path.text);
    return path;
}
