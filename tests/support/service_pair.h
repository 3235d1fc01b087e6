// The game service's end of a unit test: the state's server connection is
// one end of a socket pair, the test reads what the door sends off the other.
#pragma once
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "request_lines.h"
#include "state/client_state.h"

// Connect the state's server connection to a fresh socket pair; the other
// end, non-blocking, is returned (-1 when no pair was made).
inline int serviceWire(ClientState* state) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return -1;
    state->conn.socket = fds[0];
    state->conn.socketOpen = state->conn.connected = 1;
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    return fds[1];
}

// Everything the door sent since the last read, line feeds kept / cut into lines.
inline std::string serviceRead(int peer) {
    std::string all;
    char chunk[65536];
    for (ssize_t n; (n = read(peer, chunk, sizeof chunk)) > 0;) all.append(chunk, (size_t)n);
    return all;
}
inline std::vector<std::string> serviceReadLines(int peer) { return splitLines(serviceRead(peer)); }
