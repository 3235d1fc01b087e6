// The game service's end of a unit test: the state's server connection is
// one end of a socket pair, the test reads what the door sends off the other.
#pragma once
#include <string>
#include <vector>

#include "request_lines.h"

struct ClientState;

// Connect the state's server connection to a fresh socket pair; the other
// end, non-blocking, is returned (-1 when no pair was made).
int serviceWire(ClientState* state);
// Everything the door sent since the last read, line feeds kept / cut into lines.
std::string serviceRead(int peer);
std::vector<std::string> serviceReadLines(int peer);
