// The house's network side: a plain and a TLS listening socket (either may
// be off) and every door's connection, served from one thread with poll.
// Lines in are cut at line feeds (a line over 1 MiB is dropped and logged);
// the house's outbox goes out through per-connection send buffers.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "house.h"

struct TlsServer;
struct TlsLink;

constexpr size_t SERVER_LINE_MAX = 1048576;        // longest line a door may send
constexpr size_t SERVER_OUT_MAX = 16u * 1048576u;  // a door this far behind is let go
constexpr int SERVER_TICK_MS = 100;                // clock resolution of the rounds
constexpr int64_t TLS_HANDSHAKE_MS = 15000;        // a handshake not done by then is dropped
// Flood limit: a door sends a line or two a second while typing, so 20 a
// second sustained (a burst of 60 allowed) is far above any caller. Lines
// over the rate wait (the connection is not read meanwhile); a connection
// still held back after FLOOD_CLOSE_MS is closed.
constexpr int64_t FLOOD_LINES_PER_S = 20;
constexpr int64_t FLOOD_BURST = 60;
constexpr int64_t FLOOD_CLOSE_MS = 10000;

struct Conn {
    int fd;
    std::string in;     // bytes after the last line feed
    std::string out;    // bytes not yet taken by the socket
    bool skipping;      // inside an over-long line: drop up to its line feed
    TlsLink* tls;       // null on a plain connection
    bool handshaking;   // TLS: no lines until the handshake is done
    bool wantWrite;     // TLS: the handshake waits to write
    int64_t handshakeUntil;
    int64_t credit;             // lines the door may still send now, in thousandths
    int64_t creditAt;           // when credit was last topped up
    int64_t heldSince;          // held back by the flood limit since then, 0 not held
    std::deque<std::string> held;  // complete lines waiting for credit
};

struct Server {
    int listenFd;       // plain, -1 off
    int tlsFd;          // TLS, -1 off
    TlsServer* tls;
    int nextSession;
    std::map<int, Conn> conns;  // by session number
    House* house;
    int64_t (*clock)();         // serverNowMs; tests move their own
};

// Binds and listens (port -1: no plain port); false with a reason in *error.
bool serverListen(Server* s, House* h, const std::string& addr, int port, std::string* error);
// Adds the TLS port with the PEM certificate and key.
bool serverListenTls(Server* s, const std::string& addr, int port, const std::string& cert, const std::string& key,
                     std::string* error);
int serverPort(const Server* s);
int serverTlsPort(const Server* s);
// One poll round of at most timeoutMs; runs the clock.
void serverStep(Server* s, int timeoutMs);
void serverClose(Server* s);
int64_t serverNowMs();
// Splits complete lines off buf (keeping the rest); over-long lines are
// dropped and counted in *dropped. Exposed for tests.
std::vector<std::string> serverTakeLines(Conn* c, int* dropped);
