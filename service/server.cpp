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
#include <algorithm>
#include <vector>

#include "dispatch.h"
#include "house_tls.h"

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
    tlsLinkClose(it->second.tls);
    close(it->second.fd);
    s->conns.erase(it);
    houseClose(s->house, session);
}

void acceptAll(Server* s, int listenFd) {
    for (;;) {
        int fd = accept(listenFd, nullptr, nullptr);
        if (fd < 0) return;
        TlsLink* tls = nullptr;
        if (!setNonBlocking(fd) || (listenFd == s->tlsFd && !(tls = tlsLinkOpen(s->tls, fd)))) {
            close(fd);
            continue;
        }
        int session = s->nextSession++;
        int64_t now = s->clock();
        Conn c{};
        c.fd = fd;
        c.tls = tls;
        c.handshaking = tls != nullptr;
        c.handshakeUntil = now + TLS_HANDSHAKE_MS;
        c.credit = FLOOD_BURST * 1000;
        c.creditAt = now;
        s->conns[session] = c;
        houseOpen(s->house, session);
    }
}

// Writes what the socket takes; false when the connection broke.
bool flushConn(Conn* c) {
    if (c->handshaking) return true;  // lines wait for the session
    while (!c->out.empty()) {
        ssize_t n = c->tls ? tlsLinkWrite(c->tls, c->out.data(), c->out.size())
                           : send(c->fd, c->out.data(), c->out.size(), MSG_NOSIGNAL);
        if (c->tls && n == 0) return true;  // the socket is full
        if (n > 0) {
            c->out.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (!c->tls && n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
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
}

// Hands held lines to the house while the door has credit; false when the
// door went meanwhile.
bool handleHeld(Server* s, int session) {
    Conn& c = s->conns[session];
    int64_t now = s->clock();
    c.credit = std::min(FLOOD_BURST * 1000, c.credit + (now - c.creditAt) * FLOOD_LINES_PER_S);
    c.creditAt = now;
    while (!c.held.empty() && c.credit >= 1000) {
        std::string line = std::move(c.held.front());
        c.held.pop_front();
        c.credit -= 1000;
        s->house->now = now;
        houseLine(s->house, session, line);
        if (!s->house->sessions.count(session)) return false;  // disconnected meanwhile
    }
    if (c.held.empty()) c.heldSince = 0;
    else if (!c.heldSince) c.heldSince = now;
    return true;
}

// Reads what is waiting; false when the door hung up.
bool readConn(Server* s, int session) {
    Conn& c = s->conns[session];
    char buf[READ_CHUNK];
    bool hungUp = false;
    for (;;) {
        ssize_t n = c.tls ? tlsLinkRead(c.tls, buf, sizeof buf) : recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            c.in.append(buf, static_cast<size_t>(n));
            if (c.in.size() > SERVER_LINE_MAX) break;  // let the line cutter deal with it
            continue;
        }
        if (c.tls ? n == 0 : n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
        hungUp = true;  // the lines already complete are still handled
        break;
    }
    int dropped = 0;
    std::vector<std::string> lines = serverTakeLines(&c, &dropped);
    if (dropped) std::fprintf(stderr, "house: connection %d: dropped %d line(s) over 1 MiB\n", session, dropped);
    for (std::string& line : lines) c.held.push_back(std::move(line));
    return handleHeld(s, session) && !hungUp;
}

// A TLS connection's handshake, moved on whenever its socket is ready;
// false when it failed.
bool shakeHands(Server* s, int session) {
    Conn& c = s->conns[session];
    int rc = tlsLinkHandshake(c.tls, &c.wantWrite);
    if (rc == 1) c.handshaking = false;
    return rc >= 0;
}

// What poll waits for on a connection: nothing to read while lines are held
// back (the socket's buffers slow the door down), writing while output or a
// handshake step waits.
short pollEvents(const Conn& c) {
    if (c.handshaking) return c.wantWrite ? POLLOUT : POLLIN;
    return static_cast<short>((c.held.empty() ? POLLIN : 0) | (c.out.empty() ? 0 : POLLOUT));
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

namespace {

bool listenOn(int* fd, const std::string& addr, int port, std::string* error) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolveIPv4(addr, &sa.sin_addr)) {
        *error = "no IPv4 address for " + addr;
        return false;
    }
    *fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(*fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // A network of boards connects at once: a short queue would refuse some.
    if (*fd < 0 || bind(*fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(*fd, 1024) != 0 ||
        !setNonBlocking(*fd)) {
        *error = "cannot listen on " + addr + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (*fd >= 0) close(*fd);
        *fd = -1;
        return false;
    }
    return true;
}

}  // namespace

bool serverListen(Server* s, House* h, const std::string& addr, int port, std::string* error) {
    *s = Server{};
    s->house = h;
    s->nextSession = 1;
    s->tlsFd = -1;
    s->listenFd = -1;
    s->clock = serverNowMs;
    return port < 0 || listenOn(&s->listenFd, addr, port, error);
}

bool serverListenTls(Server* s, const std::string& addr, int port, const std::string& cert, const std::string& key,
                     std::string* error) {
    s->tls = tlsServerLoad(cert, key, error);
    return s->tls && listenOn(&s->tlsFd, addr, port, error);
}

static int portOf(int fd) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
    return ntohs(sa.sin_port);
}

int serverPort(const Server* s) {
    return portOf(s->listenFd);
}

int serverTlsPort(const Server* s) {
    return portOf(s->tlsFd);
}

void serverStep(Server* s, int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<int> sessions;
    fds.push_back({s->listenFd, POLLIN, 0});
    fds.push_back({s->tlsFd, POLLIN, 0});
    bool heldLines = false;
    for (auto& [session, c] : s->conns) {
        fds.push_back({c.fd, pollEvents(c), 0});
        sessions.push_back(session);
        heldLines = heldLines || !c.held.empty();
    }
    // Held lines earn credit with time: wake up for them within a tick.
    poll(fds.data(), fds.size(), heldLines ? std::min(timeoutMs, SERVER_TICK_MS) : timeoutMs);
    if (fds[0].revents & POLLIN) acceptAll(s, s->listenFd);
    if (fds[1].revents & POLLIN) acceptAll(s, s->tlsFd);
    int64_t now = s->clock();
    for (size_t i = 2; i < fds.size(); ++i) {
        int session = sessions[i - 2];
        auto it = s->conns.find(session);
        if (it == s->conns.end()) continue;
        Conn& c = it->second;
        bool ready = fds[i].revents & (POLLIN | POLLOUT | POLLHUP | POLLERR);
        const char* gone = nullptr;
        if (c.handshaking) {
            if (ready && !shakeHands(s, session)) gone = "TLS handshake failed";
            else if (c.handshaking && now >= c.handshakeUntil) gone = "TLS handshake took too long";
            else if (!c.handshaking && !readConn(s, session)) gone = "door hung up";  // lines sent with the last step
        } else if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!readConn(s, session)) gone = "door hung up";
        } else if (!c.held.empty() && !handleHeld(s, session)) {
            gone = "door went";
        }
        auto still = s->conns.find(session);
        if (!gone && still != s->conns.end() && still->second.heldSince && now - still->second.heldSince >= FLOOD_CLOSE_MS) {
            gone = "too many lines: flooding";
        }
        if (gone) dropConn(s, session, gone);
    }
    s->house->now = s->clock();
    houseTick(s->house);
    deliverOutbox(s);
}

void serverClose(Server* s) {
    std::vector<int> all;
    for (const auto& [session, c] : s->conns) all.push_back(session);
    for (int session : all) dropConn(s, session, "house closing");
    for (int* fd : {&s->listenFd, &s->tlsFd}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    tlsServerFree(s->tls);
    s->tls = nullptr;
}
