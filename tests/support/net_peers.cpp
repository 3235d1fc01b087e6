#include "net_peers.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <mbedtls/net_sockets.h>
#include <mbedtls/ssl.h>
extern "C" {  // this header of the library declares without C linkage
#include <mbedtls/psa_util.h>
}

#include "files.h"
#include "host/nodelog.h"

namespace {

constexpr int PEER_GIVE_UP_S = 10;

void run(const std::string& command) {
    if (system((command + " >/dev/null 2>&1").c_str()) == 0) return;
    fprintf(stderr, "test PKI command failed: %s\n", command.c_str());
    abort();
}

// A P-256 key and certificate dir/name.{key,crt} with these extensions:
// self-signed when root is empty, else signed by that root.
void makeCert(const std::string& dir, const std::string& name, const std::string& root, const std::string& exts) {
    std::string base = dir + "/" + name, by = dir + "/" + root;
    run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj '/CN=Wordwhirl Test " +
        name + "' -keyout " + base + ".key -out " + base + ".crt" +
        (root.empty() ? "" : " -CA " + by + ".crt -CAkey " + by + ".key") + exts);
}

sockaddr_in loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons((uint16_t)port);
    return addr;
}

int peerSend(void* ctx, const unsigned char* buf, size_t len) {
    long n = send(*(int*)ctx, buf, len, MSG_NOSIGNAL);
    return n >= 0 ? (int)n : MBEDTLS_ERR_NET_SEND_FAILED;
}

int peerRecv(void* ctx, unsigned char* buf, size_t len) {
    long n = recv(*(int*)ctx, buf, len, 0);
    return n > 0 ? (int)n : n == 0 ? MBEDTLS_ERR_NET_CONN_RESET : MBEDTLS_ERR_NET_RECV_FAILED;
}

void serveTls(NetPeer* peer, int fd) {
    psa_crypto_init();
    mbedtls_ssl_context ssl;
    mbedtls_ssl_config conf;
    mbedtls_x509_crt cert;
    mbedtls_pk_context key;
    mbedtls_ssl_init(&ssl);
    mbedtls_ssl_config_init(&conf);
    mbedtls_x509_crt_init(&cert);
    mbedtls_pk_init(&key);
    auto version = peer->mode == PEER_TLS13_ONLY ? MBEDTLS_SSL_VERSION_TLS1_3 : MBEDTLS_SSL_VERSION_TLS1_2;
    if (mbedtls_x509_crt_parse_file(&cert, peer->certFile.c_str()) != 0 ||
        mbedtls_pk_parse_keyfile(&key, peer->keyFile.c_str(), nullptr, mbedtls_psa_get_random, MBEDTLS_PSA_RANDOM_STATE) != 0 ||
        mbedtls_ssl_config_defaults(&conf, MBEDTLS_SSL_IS_SERVER, MBEDTLS_SSL_TRANSPORT_STREAM, MBEDTLS_SSL_PRESET_DEFAULT) != 0)
        abort();
    mbedtls_ssl_conf_rng(&conf, mbedtls_psa_get_random, MBEDTLS_PSA_RANDOM_STATE);
    mbedtls_ssl_conf_own_cert(&conf, &cert, &key);
    mbedtls_ssl_conf_min_tls_version(&conf, version);
    mbedtls_ssl_conf_max_tls_version(&conf, version);
    if (mbedtls_ssl_setup(&ssl, &conf) != 0) abort();
    mbedtls_ssl_set_bio(&ssl, &fd, peerSend, peerRecv, nullptr);
    peer->handshakeResult = mbedtls_ssl_handshake(&ssl);
    if (peer->handshakeResult == 0) {
        mbedtls_ssl_write(&ssl, (const unsigned char*)peer->greeting.data(), peer->greeting.size());
        unsigned char buf[4096];
        for (int n; (n = mbedtls_ssl_read(&ssl, buf, sizeof buf)) > 0;) {
            std::lock_guard<std::mutex> hold(peer->lock);
            peer->received.append((char*)buf, (size_t)n);
        }
    }
    mbedtls_ssl_free(&ssl);
    mbedtls_ssl_config_free(&conf);
    mbedtls_x509_crt_free(&cert);
    mbedtls_pk_free(&key);
}

void servePeer(NetPeer* peer) {
    bool service = peer->mode == PEER_SERVICE;
    int fd = service ? accept4(peer->listenFd, nullptr, nullptr, SOCK_CLOEXEC) : netAccept(peer->listenFd);
    if (fd < 0) return;
    peer->connFd = fd;
    if (peer->mode == PEER_TLS12 || peer->mode == PEER_TLS13_ONLY) {
        serveTls(peer, fd);
    } else {
        send(fd, peer->greeting.data(), peer->greeting.size(), MSG_NOSIGNAL);
        char buf[4096];
        for (long n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) {
            std::lock_guard<std::mutex> hold(peer->lock);
            peer->received.append(buf, (size_t)n);
        }
    }
    peer->closed = true;
    if (!service) close(fd);
}

}  // namespace

const NetTestPki& netTestPki() {
    static NetTestPki pki;
    if (!pki.dir.empty()) return pki;
    char dir[] = "/tmp/wwnet-pki-XXXXXX";
    if (!mkdtemp(dir)) abort();
    pki.dir = dir;
    const std::string ca = " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign";
    const std::string leaf = " -addext basicConstraints=CA:FALSE -addext subjectAltName=";
    makeCert(dir, "root", "", ca);
    makeCert(dir, "rogue-root", "", ca);
    makeCert(dir, "good", "root", leaf + "DNS:localhost,IP:127.0.0.1");
    makeCert(dir, "other", "root", leaf + "DNS:elsewhere.example");
    makeCert(dir, "rogue", "rogue-root", leaf + "DNS:localhost,IP:127.0.0.1");
    std::string d = pki.dir + "/";
    pki = {pki.dir, d + "root.crt", d + "good.crt", d + "good.key", d + "other.crt", d + "other.key",
           d + "rogue.crt", d + "rogue.key"};
    atexit([] { run("rm -rf " + netTestPki().dir); });
    return pki;
}

int netListen(int* port, int backlog) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);  // no door started meanwhile may hold it
    sockaddr_in addr = loopback(0);
    socklen_t len = sizeof addr;
    if (bind(fd, (sockaddr*)&addr, sizeof addr) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, (sockaddr*)&addr, &len) != 0)
        abort();
    *port = ntohs(addr.sin_port);
    return fd;
}


// Blocking accept that gives up after a while, so no test can hang on it.
int netAccept(int listenFd) {
    pollfd p{listenFd, POLLIN, 0};
    if (poll(&p, 1, PEER_GIVE_UP_S * 1000) != 1) return -1;
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    timeval tv{PEER_GIVE_UP_S, 0};
    if (fd >= 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    return fd;
}

void netFullListenerOpen(NetFullListener* full) {
    full->listenFd = netListen(&full->port, 0);
    full->fillerFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = loopback(full->port);
    if (connect(full->fillerFd, (sockaddr*)&addr, sizeof addr) != 0) abort();
}

void netFullListenerClose(NetFullListener* full) {
    close(full->fillerFd);
    close(full->listenFd);
}

int netClosedPort() {
    int port;
    close(netListen(&port, 1));
    return port;
}

void netPeerStart(NetPeer* peer, NetPeerMode mode, const std::string& cert, const std::string& key,
                  const std::string& greeting) {
    peer->mode = mode;
    peer->certFile = cert, peer->keyFile = key, peer->greeting = greeting;
    peer->listenFd = netListen(&peer->port);
    peer->thread = std::thread(servePeer, peer);
}

void netPeerFinish(NetPeer* peer) {
    bool service = peer->mode == PEER_SERVICE;
    if (service) {  // ends the thread's accept or recv
        shutdown(peer->listenFd, SHUT_RDWR);
        shutdown(peer->connFd, SHUT_RDWR);
    }
    if (peer->thread.joinable()) peer->thread.join();
    close(peer->listenFd);
    if (service) close(peer->connFd);
}

std::string netTakeNodeLog() {
    std::string path = exePath("wordwhirl-node0.log").text, text = slurp(path);
    remove(path.c_str());
    return text;
}
