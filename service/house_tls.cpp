#include "house_tls.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>

#include <mbedtls/ctr_drbg.h>
#include <mbedtls/entropy.h>
#include <mbedtls/error.h>
#include <mbedtls/net_sockets.h>
#include <mbedtls/pk.h>
#include <mbedtls/ssl.h>
#include <mbedtls/x509_crt.h>
#include <psa/crypto.h>

struct TlsServer {
    mbedtls_ssl_config config;
    mbedtls_x509_crt cert;
    mbedtls_pk_context key;
    mbedtls_entropy_context entropy;
    mbedtls_ctr_drbg_context drbg;
};

struct TlsLink {
    mbedtls_ssl_context ssl;
    int fd;
    size_t pending;  // length of a record offered but not all sent: offered again as it was
};

namespace {

constexpr char PERSONALISATION[] = "wordwhirl-house";
// One record at most per write: a partly sent record must be offered again
// with the same length, so the length must not grow with the send buffer.
constexpr size_t RECORD_MAX = 16384;

std::string libraryError(const char* what, int code) {
    char text[160];
    mbedtls_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

int sendHook(void* context, const unsigned char* bytes, size_t n) {
    TlsLink* l = static_cast<TlsLink*>(context);
    ssize_t sent = send(l->fd, bytes, n, MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<int>(sent);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? MBEDTLS_ERR_SSL_WANT_WRITE : MBEDTLS_ERR_NET_SEND_FAILED;
}

int receiveHook(void* context, unsigned char* buffer, size_t n) {
    TlsLink* l = static_cast<TlsLink*>(context);
    ssize_t got = recv(l->fd, buffer, n, 0);
    if (got > 0) return static_cast<int>(got);
    if (got == 0) return MBEDTLS_ERR_SSL_PEER_CLOSE_NOTIFY;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? MBEDTLS_ERR_SSL_WANT_READ : MBEDTLS_ERR_NET_RECV_FAILED;
}

}  // namespace

TlsServer* tlsServerLoad(const std::string& certFile, const std::string& keyFile, std::string* error) {
    if (psa_crypto_init() != PSA_SUCCESS) {
        *error = "could not start the crypto library";
        return nullptr;
    }
    TlsServer* s = static_cast<TlsServer*>(std::calloc(1, sizeof(TlsServer)));
    if (!s) {
        *error = "out of memory";
        return nullptr;
    }
    mbedtls_ssl_config_init(&s->config);
    mbedtls_x509_crt_init(&s->cert);
    mbedtls_pk_init(&s->key);
    mbedtls_entropy_init(&s->entropy);
    mbedtls_ctr_drbg_init(&s->drbg);
    int rc = mbedtls_ctr_drbg_seed(&s->drbg, mbedtls_entropy_func, &s->entropy,
                                   reinterpret_cast<const unsigned char*>(PERSONALISATION), sizeof PERSONALISATION - 1);
    if (rc != 0) *error = libraryError("no randomness", rc);
    else if ((rc = mbedtls_x509_crt_parse_file(&s->cert, certFile.c_str())) != 0)
        *error = libraryError(("certificate " + certFile).c_str(), rc);
    else if ((rc = mbedtls_pk_parse_keyfile(&s->key, keyFile.c_str(), nullptr, mbedtls_ctr_drbg_random, &s->drbg)) != 0)
        *error = libraryError(("key " + keyFile).c_str(), rc);
    else if ((rc = mbedtls_ssl_config_defaults(&s->config, MBEDTLS_SSL_IS_SERVER, MBEDTLS_SSL_TRANSPORT_STREAM,
                                               MBEDTLS_SSL_PRESET_DEFAULT)) != 0)
        *error = libraryError("TLS set-up", rc);
    else if ((rc = mbedtls_ssl_conf_own_cert(&s->config, &s->cert, &s->key)) != 0)
        *error = libraryError("certificate and key do not go together", rc);
    if (rc != 0) {
        tlsServerFree(s);
        return nullptr;
    }
    mbedtls_ssl_conf_min_tls_version(&s->config, MBEDTLS_SSL_VERSION_TLS1_2);
    mbedtls_ssl_conf_max_tls_version(&s->config, MBEDTLS_SSL_VERSION_TLS1_2);
    mbedtls_ssl_conf_rng(&s->config, mbedtls_ctr_drbg_random, &s->drbg);
    return s;
}

void tlsServerFree(TlsServer* s) {
    if (!s) return;
    mbedtls_ssl_config_free(&s->config);
    mbedtls_x509_crt_free(&s->cert);
    mbedtls_pk_free(&s->key);
    mbedtls_ctr_drbg_free(&s->drbg);
    mbedtls_entropy_free(&s->entropy);
    std::free(s);
}

TlsLink* tlsLinkOpen(TlsServer* server, int fd) {
    TlsLink* l = static_cast<TlsLink*>(std::calloc(1, sizeof(TlsLink)));
    if (!l) return nullptr;
    mbedtls_ssl_init(&l->ssl);
    l->fd = fd;
    if (mbedtls_ssl_setup(&l->ssl, &server->config) != 0) {
        tlsLinkClose(l);
        return nullptr;
    }
    mbedtls_ssl_set_bio(&l->ssl, l, sendHook, receiveHook, nullptr);
    return l;
}

void tlsLinkClose(TlsLink* l) {
    if (!l) return;
    mbedtls_ssl_free(&l->ssl);
    std::free(l);
}

int tlsLinkHandshake(TlsLink* l, bool* wantWrite) {
    int rc = mbedtls_ssl_handshake(&l->ssl);
    *wantWrite = rc == MBEDTLS_ERR_SSL_WANT_WRITE;
    if (rc == 0) return 1;
    return rc == MBEDTLS_ERR_SSL_WANT_READ || rc == MBEDTLS_ERR_SSL_WANT_WRITE ? 0 : -1;
}

long tlsLinkRead(TlsLink* l, char* buffer, size_t size) {
    int rc = mbedtls_ssl_read(&l->ssl, reinterpret_cast<unsigned char*>(buffer), size);
    if (rc > 0) return rc;
    return rc == MBEDTLS_ERR_SSL_WANT_READ || rc == MBEDTLS_ERR_SSL_WANT_WRITE ? 0 : -1;
}

long tlsLinkWrite(TlsLink* l, const char* bytes, size_t size) {
    size_t n = l->pending ? l->pending : (size < RECORD_MAX ? size : RECORD_MAX);
    int rc = mbedtls_ssl_write(&l->ssl, reinterpret_cast<const unsigned char*>(bytes), n);
    if (rc >= 0) {
        l->pending = 0;
        return rc;
    }
    if (rc != MBEDTLS_ERR_SSL_WANT_WRITE && rc != MBEDTLS_ERR_SSL_WANT_READ) return -1;
    l->pending = n;
    return 0;
}
