// ClientState: everything the door knows, in one structure zeroed at start
// and living until exit. Handlers write into it and raise dirty flags; the
// renderer draws from it. Fields are grouped in the order below; later
// modules add their fields to their own group.
#pragma once
#include <cstdint>

#include "door/drop.h"
#include "net/connection.h"
#include "terminal/terminal.h"

struct ClientState {
    // Caller record from the drop file.
    CallerInfo caller;
    // The caller's terminal and the game service connection.
    TerminalChannel term;
    ServerConnection conn;

    // Screen control and redraw flags.
    int32_t screen;
    int32_t running;
    int32_t fullRedraw;
    int32_t contentDirty;
    int32_t chatDirty;
    int32_t noticeDirty;
    int32_t inputDirty;
    int32_t animDirty;
    int32_t countdownDirty;

    // Board and caller identity.
    char bbsId[64];        // door.cfg bbsid: the board id the service knows
    char cfgBbsName[32];   // door.cfg bbsname, for the goodbye screen
    char cfgSysop[32];     // door.cfg sysop, for the goodbye screen
    char boardName[32];    // as the service reported it at log-in
    char sysopName[32];    // as the service reported it at log-in
    char myName[32];       // the caller's name as shown
    char greeting[160];
    int32_t authOk;

    // Frame caches of the shared widgets; screenClear clears the three flags.
    int32_t statusBarDrawn;
    int32_t inputLineDrawn;
    int32_t noticeLineDrawn;

    // Timers.
    uint32_t doorStartTick;
    uint32_t lastInputTick;
    int32_t testerFeedback;
};
