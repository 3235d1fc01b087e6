// The OS layer: the few calls the door needs from the system, in one place.
// A millisecond clock that wraps like a 32-bit tick counter, sleeping, the
// executable's own path and strong random bytes; on top of the raw tick,
// the door's clock (tickMs) and the files beside the executable (exePath). Sockets and the console
// have their own headers beside this one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Milliseconds from a monotonic clock, cut to 32 bits so it wraps.
uint32_t platTickCount();

void platSleepMs(uint32_t ms);

// Full path of the running executable into buf; returns its length, or 0
// when it is unknown. A result of cap - 1 or more means it did not fit.
size_t platExeFile(char* buf, size_t cap);

// Fill buf with len bytes from the kernel's random source; 1 on success.
int platRandomBytes(unsigned char* buf, size_t len);

// Open for reading the file `dir` + `name` (dir empty: the current
// directory; else ending in its separator), or when there is none by that
// exact name, the first entry of dir whose name differs only in case: BBSes
// write drop-file names in either case. The path opened goes to out (cut at
// cap - 1 characters). Null when neither opens.
FILE* platOpenNoCase(const char* dir, const char* name, char* out, size_t cap);

// 1 when path names a file without reference to the current or the
// executable's directory ("/x" here; "C:\x", "\x" or "//x" on Windows).
int platPathIsAbsolute(const char* path);

// Hold an exclusive advisory lock on an open file until platUnlockFile (or
// its close): nodes sharing a file take turns at read-then-append.
void platLockFile(int fd);
void platUnlockFile(int fd);

// The door's clock: a record its owner (the client state) holds rather than
// a process-wide base, so a test or fuzz target moves its own clock and the
// next state starts afresh. Zeroed, it counts from the platform's origin;
// that serves as well, since every use is a difference or a deadline.
struct DoorClock {
    uint32_t base;  // platform tick at tickStart, less every tickMoveBase
};

// Count from now: tickMs reads 0.
void tickStart(DoorClock* clock);

// Milliseconds since tickStart; wraps at 32 bits. Compare deadlines with
// tickPassed, never with < on raw values.
uint32_t tickMs(const DoorClock* clock);

// Move the clock's base back by ms, so tickMs jumps forward: lets the timer
// logic be driven through minutes without sleeping.
void tickMoveBase(DoorClock* clock, uint32_t ms);

// True when the tick value `deadline` has been reached at `now`.
inline bool tickPassed(uint32_t now, uint32_t deadline) {
    return (int32_t)(now - deadline) >= 0;
}

// A path beside the executable, by value: every caller holds its own copy.
struct BesidePath {
    char text[512];  // at most 511 characters, cut silently
};

// The executable's directory followed by name.
BesidePath exePath(const char* name);

// Directory part of exeFile joined with name into out (pure: the directory
// rule on its own). Falls back to name alone when exeFile is empty or did
// not fit (exeFileLen of 0 or at least 448).
void exeDirJoin(const char* exeFile, size_t exeFileLen, const char* name, char* out, size_t cap);
