// What the Windows files of the platform layer share; never included above
// this layer, and only by the *_win32.cpp files.
#pragma once
#include <cstdint>

#include <winsock2.h>
#include <windows.h>

// WSAStartup (Winsock 2.2) once per process: every socket call fails before
// it, and a BBS's socket is checked before the service link is made. 1 when
// Winsock is up.
int winsockStart();

// Standard input as the door can read it without blocking.
enum StdinKind : int32_t {
    STDIN_CONSOLE,  // a console: keys through _kbhit/_getch
    STDIN_PIPE,     // a pipe: PeekNamedPipe says what waits
    STDIN_FILE,     // a disk file or anything else: ReadFile, end of file ends it
    STDIN_NONE,     // no standard input at all
};
StdinKind stdinKind();

// 1 when standard input holds a byte (or a key) to read now; -1 when it has
// ended (a broken pipe); 0 otherwise.
int32_t stdinWaiting();
