// net.h on Windows: Winsock 2.2. Error numbers are Winsock's (WSAETIMEDOUT
// where POSIX says ETIMEDOUT); the node log shows them as numbers.
#include "platform/net.h"

#include <cstdio>
#include <cstring>

#include "platform/win32.h"

#include <ws2tcpip.h>

static int32_t winsockUp;

int winsockStart() {
    if (winsockUp) return 1;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    if (data.wVersion != MAKEWORD(2, 2)) {
        WSACleanup();
        return 0;
    }
    winsockUp = 1;
    return 1;
}

// No SIGPIPE to ignore here: a send to a dead peer fails with an error.
int platNetStart() { return winsockStart(); }

static int setBlocking(SOCKET sock, int blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(sock, FIONBIO, &nonBlocking) == 0;
}

int platSetNonBlocking(int sock) { return setBlocking((SOCKET)sock, 0); }

// select rather than WSAPoll: Windows before 10 (2004) never reports a
// refused non-blocking connect to WSAPoll, only to select's except set.
static int waitConnected(SOCKET sock, int timeoutMs) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(sock, &writable);
    FD_SET(sock, &failed);
    timeval limit = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int r = select(0, nullptr, &writable, &failed, &limit);
    if (r <= 0) return r == 0 ? WSAETIMEDOUT : WSAGetLastError();
    int result = 0;
    int len = sizeof result;
    if (getsockopt(sock, SOL_SOCKET, SO_ERROR, (char*)&result, &len) != 0) return WSAGetLastError();
    return result ? result : (FD_ISSET(sock, &failed) ? WSAECONNREFUSED : 0);
}

// One connect attempt: started non-blocking so the wait can be bounded.
// The socket is not inherited by anything the door might start.
static int connectOne(const addrinfo* a, int timeoutMs, int* error) {
    SOCKET sock = WSASocketW(a->ai_family, a->ai_socktype, a->ai_protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (sock == INVALID_SOCKET) { *error = WSAGetLastError(); return -1; }
    SetHandleInformation((HANDLE)sock, HANDLE_FLAG_INHERIT, 0);
    int result = setBlocking(sock, 0) ? 0 : WSAGetLastError();
    if (result == 0 && connect(sock, a->ai_addr, (int)a->ai_addrlen) != 0) {
        result = WSAGetLastError();
        if (result == WSAEWOULDBLOCK) result = waitConnected(sock, timeoutMs);
    }
    if (result == 0 && !setBlocking(sock, 1)) result = WSAGetLastError();
    if (result != 0) { *error = result; closesocket(sock); return -1; }
    return (int)sock;
}

int platConnectAny(const addrinfo* list, int timeoutMs, int* error) {
    *error = WSAEHOSTUNREACH;  // an empty list reaches nobody
    for (const addrinfo* a = list; a; a = a->ai_next) {
        int sock = connectOne(a, timeoutMs, error);
        if (sock >= 0) return sock;
    }
    return -1;
}

void platCloseSocket(int sock) {
    if (sock >= 0) closesocket((SOCKET)sock);
}

void platShutdownSend(int sock) {
    if (sock >= 0) shutdown((SOCKET)sock, SD_SEND);
}

long platSend(int sock, const void* bytes, size_t n) {
    return send((SOCKET)sock, (const char*)bytes, (int)n, 0);
}

long platRecv(int sock, void* buffer, size_t n) {
    return recv((SOCKET)sock, (char*)buffer, (int)n, 0);
}

int platNetError() { return WSAGetLastError(); }

int platWouldBlock(int error) { return error == WSAEWOULDBLOCK; }

int platSendBusy(int error) { return platWouldBlock(error) || error == WSAENOBUFS; }

int platWaitSocket(int sock, int forWrite, int timeoutMs) {
    WSAPOLLFD p;
    p.fd = (SOCKET)sock;
    p.events = forWrite ? POLLWRNORM : POLLRDNORM;
    p.revents = 0;
    int r = WSAPoll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (r < 0) return -1;
    return r > 0 ? 1 : 0;
}
