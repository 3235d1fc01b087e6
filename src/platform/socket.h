// The caller's telnet socket as the BBS hands it over: checking that a
// handle really is a socket, and one receive or send call that never
// blocks and tells "would block" apart from a real failure. The socket's
// own flags are never changed: it is shared with the BBS, and a door
// killed outright could not put them back.
#pragma once
#include <cstdint>

// Results of sockRecv / sockSend besides a byte count.
enum SockResult : int32_t {
    SOCK_FAILED = -1,       // the connection is unusable
    SOCK_WOULD_BLOCK = -2,  // nothing can move right now; try again later
};

// 1 when fd is an open socket.
int32_t sockIsSocket(int fd);

// One recv: bytes received (> 0), 0 when the peer closed, or a SockResult.
int32_t sockRecv(int fd, void* buf, int32_t len);

// One send: bytes sent (> 0), or a SockResult. Never raises SIGPIPE.
int32_t sockSend(int fd, const void* buf, int32_t len);
// 1 when the peer has closed or the connection failed, found by peeking:
// bytes waiting stay where they are for whoever reads them.
int32_t sockPeerGone(int fd);
