// The connection to the game service: name resolution, TCP connect with a
// time limit, and the TLS 1.2 session over it with the built-in roots. Each
// failure leaves one sentence for the caller and one code in the node log.
#pragma once
#include <cstdint>

#include "host/nodelog.h"

struct TlsSession;

struct ServerConnection {
    int socket;                // connected socket, -1 when none
    int32_t connected;         // usable; cleared on any send/receive failure
    char* receiveBuffer;       // bytes received, not yet split into lines
    int32_t receiveCount;
    int32_t receiveCapacity;
    char* lineBuffer;          // the line handed out by serverReceiveLine
    int32_t lineCapacity;
    char host[128];            // server host name or address
    int32_t port;              // server TCP port
    char lastError[128];       // what the caller is shown when connect fails
    TlsSession* tlsSession;    // null on a plain connection
    int32_t useTls;            // asked for TLS; after connect: TLS is up
    char tlsDescription[96];   // "version / suite" of the session
    char caFile[256];          // extra trusted roots (door.cfg cafile)
    int32_t socketOpen;        // socket holds a descriptor (a zeroed record has none)
    int32_t receiveStart;      // bytes at the front already handed out as lines
    int32_t receiveSkipping;   // dropping the rest of an over-long line up to its line feed
    NodeLog* log;              // takes the connection's codes (null: node 0); kept across connects
};

// Connect and TLS set-up each give up after this long.
constexpr int32_t NET_CONNECT_LIMIT_MS = 15000;

// Connect to host:port ("127.0.0.1" when host is null or empty), with TLS
// when useTls. 1 connected (socket non-blocking); 0 with lastError set and
// the reason in the node log. caFile and log are kept across the call.
int serverConnect(ServerConnection* conn, const char* host, int port, int useTls);
// The same with both the connect and the handshake bounded by limitMs.
int serverConnectLimited(ServerConnection* conn, const char* host, int port, int useTls, int32_t limitMs);

// Ends the TLS session, closes the socket, frees the receive buffers.
void serverClose(ServerConnection* conn);
