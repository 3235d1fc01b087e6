// The executable the BBS starts: one process-wide client state, zeroed
// before main runs, and the door's life in doorMain.
#include "door/startup.h"
#include "state/client_state.h"

static ClientState doorState;  // plain data: zero-initialised, no constructor runs

int main(int argc, char** argv) {
    return doorMain(&doorState, argc, argv);
}
