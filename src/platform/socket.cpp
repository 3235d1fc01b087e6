#include "platform/socket.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>

int32_t sockIsSocket(int fd) {
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return 0;
    return S_ISSOCK(st.st_mode) ? 1 : 0;
}

// EINTR means nothing happened yet, which to the caller is a would-block.
static int32_t failureKind() {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return SOCK_WOULD_BLOCK;
    return SOCK_FAILED;
}

int32_t sockRecv(int fd, void* buf, int32_t len) {
    ssize_t n = recv(fd, buf, (size_t)len, MSG_DONTWAIT);
    if (n < 0) return failureKind();
    return (int32_t)n;
}

int32_t sockPeerGone(int fd) {
    unsigned char byte;
    ssize_t n = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0) return 1;
    return n < 0 && failureKind() == SOCK_FAILED ? 1 : 0;
}

int32_t sockSend(int fd, const void* buf, int32_t len) {
    ssize_t n = send(fd, buf, (size_t)len, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) return failureKind();
    if (n == 0) return SOCK_FAILED;  // nothing accepted is a dead line, not a pause
    return (int32_t)n;
}
