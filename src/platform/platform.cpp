#include "platform/platform.h"

#include <cerrno>
#include <ctime>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

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

void platLockFile(int fd) {
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void platUnlockFile(int fd) { flock(fd, LOCK_UN); }
