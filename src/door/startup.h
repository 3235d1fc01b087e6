// The door's life from the BBS's point of view: the start-up order (state,
// command line, node log, drop file, door.cfg, terminal, drop file notice,
// connect), the screens shown before the session and after it, the goodbye
// sequence that hands the caller back, and the exit codes.
#pragma once
#include <cstdint>

struct ClientState;

enum DoorExitCode : int {
    DOOR_EXIT_OK = 0,        // every ending, an unreachable service included
    DOOR_EXIT_NO_TERM = 1,   // the caller's terminal could not be opened
};

constexpr uint32_t KEY_WAIT_POLL_MS = 50;     // between polls while waiting for any key
constexpr uint32_t GOODBYE_DOT_MS = 700;      // one dot of "Sending you back now"
constexpr uint32_t GOODBYE_LINGER_MS = 600;   // after the dots, before the BBS takes over
constexpr int32_t GOODBYE_DOT_FIRST_COL = 51; // just past the centred "Sending you back now"
constexpr int32_t GOODBYE_DOT_COUNT = 4;
constexpr uint32_t HANG_UP_POLL_MS = 20;   // the goodbye looks for a hang-up this often

// The whole life of the door on a zeroed-or-not state; returns the exit code.
int doorMain(ClientState* state, int argc, char** argv);

// Block until a key arrives or the terminal dies, polling every 50 ms.
void doorWaitKey(ClientState* state);

// Painters of the screens around the session (nothing is flushed or sent).
void drawDropNotice(ClientState* state);
void drawConnecting(ClientState* state);
void drawGoodbye(ClientState* state);

// Disconnect, the goodbye screen with its dots, and the terminal handed back.
void doorExitSequence(ClientState* state);
