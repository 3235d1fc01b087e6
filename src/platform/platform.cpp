#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <ctime>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include "platform/text.h"

uint32_t platTickCount() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
    return (uint32_t)ms;
}

void platSleepMs(uint32_t ms) {
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = (long)(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

size_t platExeFile(char* buf, size_t cap) {
    if (cap == 0) return 0;
    ssize_t n = readlink("/proc/self/exe", buf, cap - 1);
    if (n <= 0) { buf[0] = 0; return 0; }
    buf[n] = 0;
    return (size_t)n;
}

int platRandomBytes(unsigned char* buf, size_t len) {
    size_t got = 0;
    while (got < len) {
        ssize_t n = getrandom(buf + got, len - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        got += (size_t)n;
    }
    return 1;
}

int platPathIsAbsolute(const char* path) { return path[0] == '/'; }

void platLockFile(int fd) {
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void platUnlockFile(int fd) { flock(fd, LOCK_UN); }

FILE* platOpenNoCase(const char* dir, const char* name, char* out, size_t cap) {
    copyTextN(out, cap, dir);
    size_t dirLen = strlen(out);
    copyTextN(out + dirLen, cap - dirLen, name);
    FILE* f = fopen(out, "r");
    if (f || errno != ENOENT) return f;  // found, or there but refused: the exact name decides
    DIR* d = opendir(dir[0] ? dir : ".");
    if (!d) {
        errno = ENOENT;
        return nullptr;
    }
    while (struct dirent* entry = readdir(d)) {
        if (strcasecmp(entry->d_name, name) != 0) continue;
        copyTextN(out + dirLen, cap - dirLen, entry->d_name);
        f = fopen(out, "r");
        if (f) break;
    }
    closedir(d);
    if (!f) errno = ENOENT;  // the caller learns why the exact name failed, not why a scan did
    return f;
}
