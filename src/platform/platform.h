// The OS layer: the few calls the door needs from the system, in one place.
// A millisecond clock that wraps like a 32-bit tick counter, sleeping, the
// executable's own path and strong random bytes. Sockets and the console
// have their own headers beside this one.
#pragma once
#include <cstddef>
#include <cstdint>

// Milliseconds from a monotonic clock, cut to 32 bits so it wraps.
uint32_t platTickCount();

void platSleepMs(uint32_t ms);

// Full path of the running executable into buf; returns its length, or 0
// when it is unknown. A result of cap - 1 or more means it did not fit.
size_t platExeFile(char* buf, size_t cap);

// Fill buf with len bytes from the kernel's random source; 1 on success.
int platRandomBytes(unsigned char* buf, size_t len);

// Hold an exclusive advisory lock on an open file until platUnlockFile (or
// its close): nodes sharing a file take turns at read-then-append.
void platLockFile(int fd);
void platUnlockFile(int fd);
