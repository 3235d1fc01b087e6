#include "net/connection.h"

#include <cstdlib>
#include <cstring>

#include "host/nodelog.h"
#include "net/tls.h"
#include "platform/net.h"
#include "platform/text.h"

static constexpr char UNREACHABLE[] = "Wordwhirl is unreachable right now.";
static constexpr char DEFAULT_HOST[] = "127.0.0.1";
static constexpr int CLOSE_SCRAP_BYTES = 4096;  // one read of unread bytes thrown away at the close
static constexpr int CLOSE_SCRAP_READS = 4096;  // at most 16 MiB: more than any socket buffer holds

static int connectFailed(ServerConnection* conn) {
    copyText(conn->lastError, UNREACHABLE);
    return 0;
}

// Forget everything but the address, the Sysop's extra roots and the log.
static void resetConnection(ServerConnection* conn, const char* host, int port) {
    char keepHost[sizeof conn->host];
    char keepCaFile[sizeof conn->caFile];
    NodeLog* keepLog = conn->log;
    copyText(keepHost, host && host[0] ? host : DEFAULT_HOST);
    copyText(keepCaFile, conn->caFile);
    serverClose(conn);
    memset(conn, 0, sizeof *conn);
    conn->socket = -1;
    copyText(conn->host, keepHost);
    copyText(conn->caFile, keepCaFile);
    conn->log = keepLog;
    conn->port = port;
}

static int openTcp(ServerConnection* conn, int32_t limitMs) {
    if (!platNetStart()) {
        nodeLog(conn->log, "WW-NET-01");
        return connectFailed(conn);
    }
    addrinfo* addrs = platResolve4(conn->host, conn->port);
    if (!addrs) {
        nodeLog(conn->log, "WW-NET-02");
        return connectFailed(conn);
    }
    int error = 0;
    int sock = platConnectAny(addrs, limitMs, &error);
    platFreeAddrs(addrs);
    if (sock < 0) {
        nodeLog(conn->log, "WW-NET-03 (%d)", error);
        return connectFailed(conn);
    }
    conn->socket = sock;
    conn->socketOpen = 1;
    return 1;
}

// Closing with the service's bytes still unread resets the connection, and
// a reset can cost the service the lines we sent last (the disconnect
// command). So our side ends first, and what is waiting is thrown away.
static void closeGently(ServerConnection* conn) {
    if (!conn->socketOpen) return;
    platSetNonBlocking(conn->socket);  // the reads below must never wait
    platShutdownSend(conn->socket);
    char scrap[CLOSE_SCRAP_BYTES];
    for (int i = 0; i < CLOSE_SCRAP_READS; i++)
        if (platRecv(conn->socket, scrap, sizeof scrap) <= 0) break;
}

static void dropSocket(ServerConnection* conn) {
    if (conn->socketOpen) platCloseSocket(conn->socket);
    conn->socket = -1;
    conn->socketOpen = 0;
}

static int openTls(ServerConnection* conn, int32_t limitMs) {
    char reason[TLS_REASON_SIZE];
    TlsSession* session = tlsOpenLimited(conn->socket, conn->host, conn->caFile, limitMs, reason,
                                         (int)sizeof reason);
    if (!session) {
        dropSocket(conn);
        nodeLog(conn->log, "WW-TLS-01 (%s)", reason[0] ? reason : "handshake failed");
        return connectFailed(conn);
    }
    conn->tlsSession = session;
    conn->useTls = 1;
    copyText(conn->tlsDescription, tlsDescription(session));
    nodeLog(conn->log, "WW-TLS-OK (%s)", conn->tlsDescription);
    return 1;
}

int serverConnectLimited(ServerConnection* conn, const char* host, int port, int useTls, int32_t limitMs) {
    resetConnection(conn, host, port);
    if (!openTcp(conn, limitMs)) return 0;
    if (useTls && !openTls(conn, limitMs)) return 0;
    // From here on every read and write polls; nothing may block the loop.
    platSetNonBlocking(conn->socket);
    conn->connected = 1;
    return 1;
}

int serverConnect(ServerConnection* conn, const char* host, int port, int useTls) {
    return serverConnectLimited(conn, host, port, useTls, NET_CONNECT_LIMIT_MS);
}

void serverClose(ServerConnection* conn) {
    if (conn->tlsSession) {
        tlsClose(conn->tlsSession);
        conn->tlsSession = nullptr;
    }
    conn->useTls = 0;
    closeGently(conn);
    dropSocket(conn);
    conn->connected = 0;
    free(conn->receiveBuffer);
    free(conn->lineBuffer);
    conn->receiveBuffer = nullptr;
    conn->lineBuffer = nullptr;
    conn->receiveCount = 0;
    conn->receiveStart = 0;
    conn->receiveCapacity = 0;
    conn->lineCapacity = 0;
    conn->receiveSkipping = 0;
}
