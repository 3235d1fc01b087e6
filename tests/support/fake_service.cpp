#include "fake_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace {

constexpr int POLL_MS = 20;

// Append bytes, moving each completed line into lines.
void takeBytes(FakeService* svc, const char* bytes, size_t n) {
    std::lock_guard<std::mutex> hold(svc->lock);
    svc->partial.append(bytes, n);
    size_t end;
    while ((end = svc->partial.find('\n')) != std::string::npos) {
        svc->lines.push_back(svc->partial.substr(0, end));
        svc->partial.erase(0, end + 1);
    }
}

bool waitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, POLL_MS) == 1;
}

void serve(FakeService* svc) {
    while (!svc->stopping && svc->connFd < 0) {
        if (!waitReadable(svc->listenFd)) continue;
        svc->connFd = accept(svc->listenFd, nullptr, nullptr);
    }
    char buf[4096];
    while (!svc->stopping && svc->connFd >= 0) {
        if (!waitReadable(svc->connFd)) continue;
        ssize_t got = read(svc->connFd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        takeBytes(svc, buf, (size_t)got);
    }
    svc->doorClosed = true;
}

template <typename Pred>
bool waitFor(int timeoutMs, Pred done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
    return true;
}

}  // namespace

void fakeServiceStart(FakeService* svc) {
    svc->listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (svc->listenFd < 0 || bind(svc->listenFd, (sockaddr*)&addr, sizeof addr) != 0 ||
        listen(svc->listenFd, 4) != 0 || getsockname(svc->listenFd, (sockaddr*)&addr, &len) != 0)
        abort();
    svc->port = ntohs(addr.sin_port);
    svc->connFd = -1;
    svc->stopping = false;
    svc->doorClosed = false;
    svc->lines.clear();
    svc->partial.clear();
    svc->thread = std::thread(serve, svc);
}

void fakeServiceStop(FakeService* svc) {
    svc->stopping = true;
    if (svc->thread.joinable()) svc->thread.join();
    if (svc->connFd >= 0) close(svc->connFd);
    if (svc->listenFd >= 0) close(svc->listenFd);
    svc->connFd = -1;
    svc->listenFd = -1;
}

std::vector<std::string> fakeServiceLines(FakeService* svc) {
    std::lock_guard<std::mutex> hold(svc->lock);
    return svc->lines;
}

bool fakeServiceWaitLine(FakeService* svc, const std::string& line, int timeoutMs) {
    return waitFor(timeoutMs, [&] {
        for (const std::string& got : fakeServiceLines(svc))
            if (got == line) return true;
        return false;
    });
}

bool fakeServiceWaitClosed(FakeService* svc, int timeoutMs) {
    return waitFor(timeoutMs, [&] { return svc->doorClosed.load(); });
}

bool fakeServiceSend(FakeService* svc, const std::string& line) { return fakeServiceSendRaw(svc, line + "\n"); }

bool fakeServiceWaitFirstLine(FakeService* svc, int timeoutMs) {
    return waitFor(timeoutMs, [&] { return !fakeServiceLines(svc).empty(); });
}

bool fakeServiceSendRaw(FakeService* svc, const std::string& out) {
    int fd = svc->connFd;
    if (fd < 0 || svc->doorClosed) return false;
    size_t sent = 0;
    while (sent < out.size()) {
        ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += (size_t)n;
    }
    return true;
}

void fakeServiceDrop(FakeService* svc) {
    // The thread owns the descriptor; shutting it down ends its read loop.
    if (svc->connFd >= 0) shutdown(svc->connFd, SHUT_RDWR);
}
