#include "fake_service.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bbs_host.h"
#include "net_peers.h"

namespace {

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 20) == 1;
}

void serve(FakeService* svc) {
    while (!svc->stopping && svc->connFd < 0)
        if (readable(svc->listenFd)) svc->connFd = accept(svc->listenFd, nullptr, nullptr);
    char buf[4096];
    std::string partial;  // bytes after the last line feed
    while (!svc->stopping && svc->connFd >= 0) {
        if (!readable(svc->connFd)) continue;
        ssize_t got = read(svc->connFd, buf, sizeof buf);
        if (got <= 0) break;
        partial.append(buf, (size_t)got);
        std::lock_guard<std::mutex> hold(svc->lock);
        for (size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1))
            svc->lines.push_back(partial.substr(0, end));
    }
    svc->doorClosed = true;
}

}  // namespace

FakeService::FakeService() {
    listenFd = netListen(&port);
    thread = std::thread(serve, this);
}

FakeService::~FakeService() {
    stopping = true;
    thread.join();
    if (connFd >= 0) close(connFd);
    close(listenFd);
}

std::vector<std::string> fakeServiceLines(FakeService* svc) {
    std::lock_guard<std::mutex> hold(svc->lock);
    return svc->lines;
}

bool fakeServiceWaitLine(FakeService* svc, const std::string& line, int timeoutMs) {
    return waitUntil([&] {
        for (const std::string& got : fakeServiceLines(svc))
            if (line.empty() || got == line) return true;
        return false;
    }, timeoutMs);
}

bool fakeServiceSendRaw(FakeService* svc, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t n = svc->doorClosed ? -1 : send(svc->connFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += (size_t)n;
    }
    return true;
}

// The thread owns the descriptor; shutting it down ends its read loop.
void fakeServiceDrop(FakeService* svc) {
    if (svc->connFd >= 0) shutdown(svc->connFd, SHUT_RDWR);
}
