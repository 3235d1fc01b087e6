// The door's clock, its home directory and its node log. Every timer runs on
// tickMs; every file the door keeps lives beside the executable (exePath);
// each node appends diagnostic codes to its own wordwhirl-nodeN.log.
#pragma once
#include <cstddef>
#include <cstdint>

struct CallerInfo;

// Milliseconds since the first call (which returns 0); wraps at 32 bits.
// Compare deadlines with tickPassed, never with < on raw values.
uint32_t tickMs();

// Move the clock's base back by ms, so tickMs jumps forward: lets the timer
// logic be driven through minutes without sleeping.
void tickMoveBase(uint32_t ms);

// True when the tick value `deadline` has been reached at `now`.
inline bool tickPassed(uint32_t now, uint32_t deadline) {
    return (int32_t)(now - deadline) >= 0;
}

// The executable's directory followed by name, in a shared 512-byte buffer
// overwritten by every call.
const char* exePath(const char* name);

// Directory part of exeFile joined with name into out (pure: the directory
// rule on its own). Falls back to name alone when exeFile is empty or did
// not fit (exeFileLen of 0 or at least 448).
void exeDirJoin(const char* exeFile, size_t exeFileLen, const char* name, char* out, size_t cap);

// The node log follows this caller record's node number; before a record
// is bound (or while its node is negative) lines go to node 0's log.
void nodeLogBind(const CallerInfo* info);

__attribute__((format(printf, 1, 2)))
void nodeLog(const char* format, ...);
