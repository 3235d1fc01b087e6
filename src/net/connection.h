// The connection to the game service: name resolution, TCP connect with a
// time limit, and the TLS 1.2 session over it with the built-in roots. Each
// failure leaves one sentence for the caller and one code in the node log.
#pragma once
#include <cstdint>

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
};
