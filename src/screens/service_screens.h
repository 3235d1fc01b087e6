// The last screens the main loop draws itself before the caller goes back
// to the BBS: the service's maintenance notice, the ban or time-out notice,
// and the idle screen. Each draws the whole terminal and flushes; none sends.
#pragma once

struct ClientState;

// Service in maintenance: "B A C K   S H O R T L Y" with the service's text.
void paintMaintenance(ClientState* state);
// Caller timed out or banned by the service: what, until when, why, appeal.
void paintBarred(ClientState* state);
// Half an hour without a key: the caller is handed back to the BBS.
void paintIdle(ClientState* state);
