// The two verdict screens the main loop shows before the door ends: the
// service is closed for maintenance, or the caller is banned or timed out.
// Each draws the whole terminal and flushes; the main loop then waits for a
// key. Also the bare header box these and the guide pages share.
#pragma once

struct ClientState;

// Maintenance: the service's own words, or a fixed sentence when it sent none.
void paintClosedScreen(ClientState* cs);

// Ban or time-out: what, until when, why, who decided, and where to appeal.
void paintBarredScreen(ClientState* cs);

// The double-line header box of rows 1-3 as the status bar draws it, in
// bright cyan, empty inside.
void drawHeaderBox(ClientState* cs);

// The names the main loop calls the two verdict screens by.
void paintMaintenance(ClientState* state);
void paintBarred(ClientState* state);
// Half an hour without a key: the caller is handed back to the BBS.
void paintIdle(ClientState* state);
