// socket.h on Windows. Winsock has no per-call "don't wait" flag, so the
// caller's socket is switched to non-blocking on first use and put back to
// blocking when the door ends (the BBS shares the handle and expects it as
// it handed it over). Windows cannot report a socket's blocking mode, and
// BBSes hand over blocking sockets, so blocking is what is restored.
#include "platform/socket.h"

#include <cstdlib>

#include "platform/win32.h"

static SOCKET switched = INVALID_SOCKET;  // the socket made non-blocking, to put back
static int32_t exitHookSet;

static void putBackBlocking() {
    SOCKET sock = switched;
    switched = INVALID_SOCKET;
    u_long blocking = 0;
    if (sock != INVALID_SOCKET) ioctlsocket(sock, FIONBIO, &blocking);
}

static void makeNonBlocking(int fd) {
    if ((SOCKET)fd == switched) return;
    putBackBlocking();  // only one caller socket at a time
    u_long nonBlocking = 1;
    if (ioctlsocket((SOCKET)fd, FIONBIO, &nonBlocking) != 0) return;
    switched = (SOCKET)fd;
    if (!exitHookSet) {
        exitHookSet = 1;
        atexit(putBackBlocking);
    }
}

int32_t sockIsSocket(int fd) {
    if (fd <= 0 || !winsockStart()) return 0;
    int type = 0;
    int len = sizeof type;
    return getsockopt((SOCKET)fd, SOL_SOCKET, SO_TYPE, (char*)&type, &len) == 0 ? 1 : 0;
}

// WSAEINTR means a blocking call was cancelled: nothing happened yet.
static int32_t failureKind() {
    int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR ? SOCK_WOULD_BLOCK : SOCK_FAILED;
}

int32_t sockRecv(int fd, void* buf, int32_t len) {
    makeNonBlocking(fd);
    int n = recv((SOCKET)fd, (char*)buf, len, 0);
    return n < 0 ? failureKind() : n;
}

int32_t sockPeerGone(int fd) {
    makeNonBlocking(fd);
    char byte;
    int n = recv((SOCKET)fd, &byte, 1, MSG_PEEK);
    if (n == 0) return 1;
    return n < 0 && failureKind() == SOCK_FAILED ? 1 : 0;
}

int32_t sockSend(int fd, const void* buf, int32_t len) {
    makeNonBlocking(fd);
    int n = send((SOCKET)fd, (const char*)buf, len, 0);
    if (n < 0) return failureKind();
    if (n == 0) return SOCK_FAILED;  // nothing accepted is a dead line, not a pause
    return n;
}
