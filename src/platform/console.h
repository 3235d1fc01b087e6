// The local console and standard input/output: whether stdin is a terminal,
// its raw key mode and the way back to the mode we found, polling for a
// waiting byte without blocking, and writing all of a buffer to stdout.
#pragma once
#include <cstdint>

// Results of conReadByte besides a byte value.
enum ConResult : int32_t {
    CON_NONE = -1,    // nothing waiting right now
    CON_ENDED = -2,   // end of file or a read error: no more input, ever
};

// Only a Windows console sends keys as 0 or 224 and a scan code; a Unix
// terminal or a host passing telnet's CR NUL through sends those bytes as
// themselves, and reading one as a prefix would swallow the next key.
#ifdef _WIN32
constexpr bool CON_EXTENDED_PREFIXES = true;
#else
constexpr bool CON_EXTENDED_PREFIXES = false;
#endif

// 1 when standard input is a terminal device.
int32_t conStdinIsTty();

// Put the terminal on stdin into key-at-a-time mode: no line editing, no
// echo, CR kept as CR, and Ctrl-C, Ctrl-Z, Ctrl-\, Ctrl-S, Ctrl-Q and Ctrl-V
// arrive as bytes instead of signalling or stopping output; output
// processing stays as it was. The mode found is kept for conRawRestore.
// Returns 1 when applied.
int32_t conRawOn();

// Put back the mode conRawOn found; nothing when raw mode is off.
// Async-signal-safe, so signal handlers may call it.
void conRawRestore();

// Run handler once on an interrupt, termination or hang-up signal (on
// Windows: the console's Ctrl-C and Ctrl-Break): the default action is back
// in place while it runs, so a handler that raises the signal again ends
// the process. A signal the process was started ignoring stays ignored.
void conOnFatalSignal(void (*handler)(int));

// Note window size changes (SIGWINCH) from now on; conTakeResize answers
// whether one came since it was last asked.
void conWatchResize();
int32_t conTakeResize();

// One byte from standard input without blocking: 0..255, or a ConResult.
int32_t conReadByte();
// 1 when standard input has hung up (its writer or device gone) and holds
// nothing more to read; nothing is taken from it.
int32_t conInputGone();

// Write all len bytes to standard output, waiting out a full pipe.
// Returns 0 when the output is gone for good. Async-signal-safe.
int32_t conWriteAll(const void* bytes, int32_t len);

// A write to a standard output whose reader has gone fails with an error
// (and conWriteAll reports the output gone) instead of ending the process.
void conIgnoreBrokenPipe();
