#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dispatch.h"

namespace {

constexpr size_t READ_CHUNK = 65536;

bool setNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void dropConn(Server* s, int session, const char* why) {
    auto it = s->conns.find(session);
    if (it == s->conns.end()) return;
    std::fprintf(stderr, "house: connection %d closed (%s)\n", session, why);
    close(it->second.fd);
    s->conns.erase(it);
    houseClose(s->house, session);
}

void acceptAll(Server* s) {
    for (;;) {
        sockaddr_in peer{};
        socklen_t peerLen = sizeof peer;
        int fd = accept(s->listenFd, reinterpret_cast<sockaddr*>(&peer), &peerLen);
        if (fd < 0) return;
        if (!setNonBlocking(fd)) {
            close(fd);
            continue;
        }
        int session = s->nextSession++;
        s->conns[session] = Conn{fd, "", "", false};
        houseOpen(s->house, session);
        char addr[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &peer.sin_addr, addr, sizeof addr);
        s->house->sessions[session].address = addr;
    }
}

// Writes what the socket takes; false when the connection broke.
bool flushConn(Conn* c) {
    while (!c->out.empty()) {
        ssize_t n = send(c->fd, c->out.data(), c->out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            c->out.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
        return false;
    }
    return true;
}

void deliverOutbox(Server* s) {
    std::vector<Outgoing> out;
    out.swap(s->house->outbox);
    for (Outgoing& o : out) {
        auto it = s->conns.find(o.session);
        if (it == s->conns.end()) continue;
        it->second.out += o.line;
        it->second.out += '\n';
    }
    std::vector<int> broken;
    for (auto& [session, c] : s->conns) {
        if (!flushConn(&c)) broken.push_back(session);
        else if (c.out.size() > SERVER_OUT_MAX) broken.push_back(session);
    }
    for (int session : broken) dropConn(s, session, "send failed or door stopped reading");
    std::vector<int> refused;
    refused.swap(s->house->gate.hangUp);
    for (int session : refused) dropConn(s, session, "closed by the house");
}

// Reads what is waiting; false when the door hung up.
bool readConn(Server* s, int session) {
    Conn& c = s->conns[session];
    char buf[READ_CHUNK];
    bool hungUp = false;
    for (;;) {
        ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            c.in.append(buf, static_cast<size_t>(n));
            if (c.in.size() > SERVER_LINE_MAX) break;  // let the line cutter deal with it
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
        hungUp = true;  // the lines already complete are still handled
        break;
    }
    int dropped = 0;
    std::vector<std::string> lines = serverTakeLines(&c, &dropped);
    if (dropped) std::fprintf(stderr, "house: connection %d: dropped %d line(s) over 1 MiB\n", session, dropped);
    for (const std::string& line : lines) {
        if (!s->house->sessions.count(session)) break;  // disconnected meanwhile
        s->house->now = serverNowMs();
        houseLine(s->house, session, line);
    }
    return !hungUp && s->house->sessions.count(session) > 0;
}

// A dotted address, or a name such as "localhost".
bool resolveIPv4(const std::string& addr, in_addr* out) {
    if (inet_pton(AF_INET, addr.c_str(), out) == 1) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(addr.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    *out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

int64_t serverNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string> serverTakeLines(Conn* c, int* dropped) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t nl = c->in.find('\n', start);
        if (nl == std::string::npos) break;
        size_t len = nl - start;
        if (c->skipping || len > SERVER_LINE_MAX) {
            if (!c->skipping) ++*dropped;
            c->skipping = false;
        } else {
            std::string line = c->in.substr(start, len);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
        start = nl + 1;
    }
    c->in.erase(0, start);
    if (c->in.size() > SERVER_LINE_MAX) {
        if (!c->skipping) ++*dropped;
        c->skipping = true;  // the rest of this line goes too
        c->in.clear();
    }
    return lines;
}

bool serverListen(Server* s, House* h, const std::string& addr, int port, std::string* error) {
    *s = Server{};
    s->house = h;
    s->nextSession = 1;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolveIPv4(addr, &sa.sin_addr)) {
        *error = "no IPv4 address for " + addr;
        return false;
    }
    s->listenFd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(s->listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (s->listenFd < 0 || bind(s->listenFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        listen(s->listenFd, 64) != 0 || !setNonBlocking(s->listenFd)) {
        *error = std::string("cannot listen: ") + std::strerror(errno);
        if (s->listenFd >= 0) close(s->listenFd);
        s->listenFd = -1;
        return false;
    }
    return true;
}

int serverPort(const Server* s) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (getsockname(s->listenFd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
    return ntohs(sa.sin_port);
}

void serverStep(Server* s, int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<int> sessions;
    fds.push_back({s->listenFd, POLLIN, 0});
    for (auto& [session, c] : s->conns) {
        fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
        sessions.push_back(session);
    }
    poll(fds.data(), fds.size(), timeoutMs);
    if (fds[0].revents & POLLIN) acceptAll(s);
    for (size_t i = 1; i < fds.size(); ++i) {
        int session = sessions[i - 1];
        if (!s->conns.count(session)) continue;
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!readConn(s, session)) dropConn(s, session, "door hung up");
        }
    }
    s->house->now = serverNowMs();
    houseTick(s->house);
    deliverOutbox(s);
}

void serverClose(Server* s) {
    std::vector<int> all;
    for (const auto& [session, c] : s->conns) all.push_back(session);
    for (int session : all) dropConn(s, session, "house closing");
    if (s->listenFd >= 0) close(s->listenFd);
    s->listenFd = -1;
}
