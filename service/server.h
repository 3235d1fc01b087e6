// The house's network side: one listening TCP socket and every door's
// connection, served from one thread with poll. Lines in are cut at line
// feeds (a line over 1 MiB is dropped and logged); the house's outbox goes
// out through per-connection send buffers.
#pragma once
#include <map>
#include <string>

#include "house.h"

constexpr size_t SERVER_LINE_MAX = 1048576;        // longest line a door may send
constexpr size_t SERVER_OUT_MAX = 16u * 1048576u;  // a door this far behind is let go
constexpr int SERVER_TICK_MS = 100;                // clock resolution of the rounds

struct Conn {
    int fd;
    std::string in;     // bytes after the last line feed
    std::string out;    // bytes not yet taken by the socket
    bool skipping;      // inside an over-long line: drop up to its line feed
};

struct Server {
    int listenFd;
    int nextSession;
    std::map<int, Conn> conns;  // by session number
    House* house;
};

// Binds and listens; false with a reason in *error.
bool serverListen(Server* s, House* h, const std::string& addr, int port, std::string* error);
int serverPort(const Server* s);
// One poll round of at most timeoutMs; runs the clock.
void serverStep(Server* s, int timeoutMs);
void serverClose(Server* s);
int64_t serverNowMs();
// Splits complete lines off buf (keeping the rest); over-long lines are
// dropped and counted in *dropped. Exposed for tests.
std::vector<std::string> serverTakeLines(Conn* c, int* dropped);
