// The two verdict screens the main loop shows before the door ends: the
// service is closed for maintenance, or the caller is banned or timed out.
// Each draws the whole terminal and flushes; the main loop then waits for a
// key. Also the bare header box these and the guide pages share.
#pragma once

#include "screens/canvas.h"

struct ClientState;

// Maintenance: the service's own words, or a fixed sentence when it sent none.
void paintClosedScreen(Canvas* cv, const ClientState* cs);

// Ban or time-out: what, until when, why, who decided, and where to appeal.
void paintBarredScreen(Canvas* cv, const ClientState* cs);

// The double-line header box of rows 1-3 as the status bar draws it, in
// bright cyan, empty inside.
void drawHeaderBox(Canvas* cv);

// The names the main loop calls the two verdict screens by.
void paintMaintenance(Canvas* cv, const ClientState* cs);
void paintBarred(Canvas* cv, const ClientState* cs);
// Half an hour without a key: the caller is handed back to the BBS.
void paintIdle(Canvas* cv, const ClientState* cs);
