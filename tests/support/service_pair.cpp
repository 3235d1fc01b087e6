#include "service_pair.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "state/client_state.h"

int serviceWire(ClientState* state) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return -1;
    state->conn.socket = fds[0];
    state->conn.socketOpen = state->conn.connected = 1;
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    return fds[1];
}

std::string serviceRead(int peer) {
    std::string all;
    char chunk[65536];
    for (ssize_t n; (n = read(peer, chunk, sizeof chunk)) > 0;) all.append(chunk, (size_t)n);
    return all;
}

std::vector<std::string> serviceReadLines(int peer) { return splitLines(serviceRead(peer)); }
