// The OS socket layer of the server connection: IPv4 name resolution, a
// connect bounded in time, blocking switches, plain send and receive that
// never raise signals, and the readiness wait the TLS handshake uses.
#pragma once
#include <cstddef>

struct addrinfo;

// Make sockets usable for this process (a write to a dead peer must come
// back as an error, not end the door). 1 on success.
int platNetStart();

// IPv4 stream addresses of host:port in resolver order; null when the name
// does not resolve or has no IPv4 address. Free with platFreeAddrs.
addrinfo* platResolve4(const char* host, int port);
void platFreeAddrs(addrinfo* list);

// Connect to the first address of the list that accepts within timeoutMs
// each; the socket comes back blocking. -1 when none did, *error = errno
// of the last attempt (ETIMEDOUT when the time ran out).
int platConnectAny(const addrinfo* list, int timeoutMs, int* error);

int platSetNonBlocking(int sock);   // 1 on success
void platCloseSocket(int sock);
void platShutdownSend(int sock);    // our side is done: the peer reads to the end, then sees it

// send/recv of at most n bytes: the count moved, or -1 with platNetError().
// recv gives 0 when the peer closed.
long platSend(int sock, const void* bytes, size_t n);
long platRecv(int sock, void* buffer, size_t n);
int platNetError();

// The error means "nothing can move right now" on a non-blocking socket.
int platWouldBlock(int error);
// The same for a send, which may also find the system out of buffers.
int platSendBusy(int error);

// Wait until sock can be read (or written, forWrite) for up to timeoutMs:
// 1 ready, 0 time ran out, -1 failure.
int platWaitSocket(int sock, int forWrite, int timeoutMs);
