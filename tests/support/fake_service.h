// Fake game service for end-to-end tests: a plain TCP listener on 127.0.0.1
// (a free port, for door.cfg with tls=0) that takes one door connection on a
// thread, records every line the door sends, and sends or hangs up on demand.
#pragma once
#include <sys/socket.h>

#include <string>
#include <vector>

#include "bbs_host.h"
#include "net_peers.h"
#include "request_lines.h"

struct FakeService : NetPeer {
    FakeService() { netPeerStart(this, PEER_SERVICE); }
    ~FakeService() { netPeerFinish(this); }
};

// The whole lines received so far, without their line feeds.
inline std::vector<std::string> fakeServiceLines(FakeService* svc) {
    std::lock_guard<std::mutex> hold(svc->lock);
    return splitLines(svc->received);
}

// Wait until a line equal to line has arrived (any line when empty).
inline bool fakeServiceWaitLine(FakeService* svc, const std::string& line = "", int timeoutMs = BBS_WAIT_MS) {
    return waitUntil([&] {
        for (const std::string& got : fakeServiceLines(svc))
            if (line.empty() || got == line) return true;
        return false;
    }, timeoutMs);
}

// Bytes exactly as given, in one write: false when there is no connection.
inline bool fakeServiceSendRaw(FakeService* svc, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t n = svc->closed ? -1 : send(svc->connFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += (size_t)n;
    }
    return true;
}

inline bool fakeServiceSend(FakeService* svc, const std::string& line) { return fakeServiceSendRaw(svc, line + "\n"); }

// Hang up on the door; the thread sees its end.
inline void fakeServiceDrop(FakeService* svc) { shutdown(svc->connFd, SHUT_RDWR); }
