#include "platform/net.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

int platNetStart() {
    struct sigaction ignore;
    memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    return sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

static int setBlocking(int sock, int blocking) {
    int flags = fcntl(sock, F_GETFL, 0);
    if (flags < 0) return 0;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(sock, F_SETFL, flags) == 0;
}

int platSetNonBlocking(int sock) { return setBlocking(sock, 0); }

// One connect attempt: started non-blocking so the wait can be bounded,
// then finished by the socket's pending error.
static int connectOne(const addrinfo* a, int timeoutMs, int* error) {
    int sock = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (sock < 0) { *error = errno; return -1; }
    if (!setBlocking(sock, 0)) { *error = errno; close(sock); return -1; }
    int result = connect(sock, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
    if (result == EINPROGRESS) {
        int ready = platWaitSocket(sock, 1, timeoutMs);
        if (ready == 0) result = ETIMEDOUT;
        else if (ready < 0) result = errno;
        else {
            socklen_t len = sizeof result;
            if (getsockopt(sock, SOL_SOCKET, SO_ERROR, &result, &len) != 0) result = errno;
        }
    }
    if (result == 0 && !setBlocking(sock, 1)) result = errno;
    if (result != 0) { *error = result; close(sock); return -1; }
    return sock;
}

int platConnectAny(const addrinfo* list, int timeoutMs, int* error) {
    *error = EHOSTUNREACH;  // an empty list reaches nobody
    for (const addrinfo* a = list; a; a = a->ai_next) {
        int sock = connectOne(a, timeoutMs, error);
        if (sock >= 0) return sock;
    }
    return -1;
}

void platCloseSocket(int sock) {
    if (sock >= 0) close(sock);
}

void platShutdownSend(int sock) {
    if (sock >= 0) shutdown(sock, SHUT_WR);
}

long platSend(int sock, const void* bytes, size_t n) {
    for (;;) {
        ssize_t r = send(sock, bytes, n, MSG_NOSIGNAL);
        if (r >= 0 || errno != EINTR) return (long)r;
    }
}

long platRecv(int sock, void* buffer, size_t n) {
    for (;;) {
        ssize_t r = recv(sock, buffer, n, 0);
        if (r >= 0 || errno != EINTR) return (long)r;
    }
}

int platNetError() { return errno; }

int platWouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

int platSendBusy(int error) { return platWouldBlock(error) || error == ENOBUFS; }

int platWaitSocket(int sock, int forWrite, int timeoutMs) {
    pollfd p;
    p.fd = sock;
    p.events = forWrite ? POLLOUT : POLLIN;
    p.revents = 0;
    for (;;) {
        int r = poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
        if (r >= 0) return r > 0 ? 1 : 0;
        if (errno != EINTR) return -1;
    }
}
