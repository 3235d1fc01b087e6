#include "net/tls.h"

#include <cstdlib>
#include <cstring>

#include <mbedtls/ctr_drbg.h>
#include <mbedtls/entropy.h>
#include <mbedtls/net_sockets.h>
#include <mbedtls/ssl.h>
#include <mbedtls/x509_crt.h>
#include <psa/crypto.h>

#include "host/nodelog.h"  // tickMs
#include "platform/net.h"
#include "platform/platform.h"
#include "platform/text.h"

// The only roots the door trusts unless the Sysop adds some: ISRG Root X1
// (RSA 4096, 2015-06-04 to 2035-06-04) then ISRG Root X2 (ECDSA P-384,
// 2020-09-04 to 2040-09-17). The system's certificate store is not used.
static constexpr char BUILTIN_ROOTS[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIFazCCA1OgAwIBAgIRAIIQz7DSQONZRGPgu2OCiwAwDQYJKoZIhvcNAQELBQAw\n"
    "TzELMAkGA1UEBhMCVVMxKTAnBgNVBAoTIEludGVybmV0IFNlY3VyaXR5IFJlc2Vh\n"
    "cmNoIEdyb3VwMRUwEwYDVQQDEwxJU1JHIFJvb3QgWDEwHhcNMTUwNjA0MTEwNDM4\n"
    "WhcNMzUwNjA0MTEwNDM4WjBPMQswCQYDVQQGEwJVUzEpMCcGA1UEChMgSW50ZXJu\n"
    "ZXQgU2VjdXJpdHkgUmVzZWFyY2ggR3JvdXAxFTATBgNVBAMTDElTUkcgUm9vdCBY\n"
    "MTCCAiIwDQYJKoZIhvcNAQEBBQADggIPADCCAgoCggIBAK3oJHP0FDfzm54rVygc\n"
    "h77ct984kIxuPOZXoHj3dcKi/vVqbvYATyjb3miGbESTtrFj/RQSa78f0uoxmyF+\n"
    "0TM8ukj13Xnfs7j/EvEhmkvBioZxaUpmZmyPfjxwv60pIgbz5MDmgK7iS4+3mX6U\n"
    "A5/TR5d8mUgjU+g4rk8Kb4Mu0UlXjIB0ttov0DiNewNwIRt18jA8+o+u3dpjq+sW\n"
    "T8KOEUt+zwvo/7V3LvSye0rgTBIlDHCNAymg4VMk7BPZ7hm/ELNKjD+Jo2FR3qyH\n"
    "B5T0Y3HsLuJvW5iB4YlcNHlsdu87kGJ55tukmi8mxdAQ4Q7e2RCOFvu396j3x+UC\n"
    "B5iPNgiV5+I3lg02dZ77DnKxHZu8A/lJBdiB3QW0KtZB6awBdpUKD9jf1b0SHzUv\n"
    "KBds0pjBqAlkd25HN7rOrFleaJ1/ctaJxQZBKT5ZPt0m9STJEadao0xAH0ahmbWn\n"
    "OlFuhjuefXKnEgV4We0+UXgVCwOPjdAvBbI+e0ocS3MFEvzG6uBQE3xDk3SzynTn\n"
    "jh8BCNAw1FtxNrQHusEwMFxIt4I7mKZ9YIqioymCzLq9gwQbooMDQaHWBfEbwrbw\n"
    "qHyGO0aoSCqI3Haadr8faqU9GY/rOPNk3sgrDQoo//fb4hVC1CLQJ13hef4Y53CI\n"
    "rU7m2Ys6xt0nUW7/vGT1M0NPAgMBAAGjQjBAMA4GA1UdDwEB/wQEAwIBBjAPBgNV\n"
    "HRMBAf8EBTADAQH/MB0GA1UdDgQWBBR5tFnme7bl5AFzgAiIyBpY9umbbjANBgkq\n"
    "hkiG9w0BAQsFAAOCAgEAVR9YqbyyqFDQDLHYGmkgJykIrGF1XIpu+ILlaS/V9lZL\n"
    "ubhzEFnTIZd+50xx+7LSYK05qAvqFyFWhfFQDlnrzuBZ6brJFe+GnY+EgPbk6ZGQ\n"
    "3BebYhtF8GaV0nxvwuo77x/Py9auJ/GpsMiu/X1+mvoiBOv/2X/qkSsisRcOj/KK\n"
    "NFtY2PwByVS5uCbMiogziUwthDyC3+6WVwW6LLv3xLfHTjuCvjHIInNzktHCgKQ5\n"
    "ORAzI4JMPJ+GslWYHb4phowim57iaztXOoJwTdwJx4nLCgdNbOhdjsnvzqvHu7Ur\n"
    "TkXWStAmzOVyyghqpZXjFaH3pO3JLF+l+/+sKAIuvtd7u+Nxe5AW0wdeRlN8NwdC\n"
    "jNPElpzVmbUq4JUagEiuTDkHzsxHpFKVK7q4+63SM1N95R1NbdWhscdCb+ZAJzVc\n"
    "oyi3B43njTOQ5yOf+1CceWxG1bQVs5ZufpsMljq4Ui0/1lvh+wjChP4kqKOJ2qxq\n"
    "4RgqsahDYVvTH9w7jXbyLeiNdd8XM2w9U/t7y0Ff/9yi0GE44Za4rF2LN9d11TPA\n"
    "mRGunUHBcnWEvgJBQl9nJEiU0Zsnvgc/ubhPgXRR4Xq37Z0j4r7g1SgEEzwxA57d\n"
    "emyPxgcYxn/eR44/KJ4EBs+lVDR3veyJm+kXQ99b21/+jh5Xos1AnX5iItreGCc=\n"
    "-----END CERTIFICATE-----\n"
    "-----BEGIN CERTIFICATE-----\n"
    "MIICGzCCAaGgAwIBAgIQQdKd0XLq7qeAwSxs6S+HUjAKBggqhkjOPQQDAzBPMQsw\n"
    "CQYDVQQGEwJVUzEpMCcGA1UEChMgSW50ZXJuZXQgU2VjdXJpdHkgUmVzZWFyY2gg\n"
    "R3JvdXAxFTATBgNVBAMTDElTUkcgUm9vdCBYMjAeFw0yMDA5MDQwMDAwMDBaFw00\n"
    "MDA5MTcxNjAwMDBaME8xCzAJBgNVBAYTAlVTMSkwJwYDVQQKEyBJbnRlcm5ldCBT\n"
    "ZWN1cml0eSBSZXNlYXJjaCBHcm91cDEVMBMGA1UEAxMMSVNSRyBSb290IFgyMHYw\n"
    "EAYHKoZIzj0CAQYFK4EEACIDYgAEzZvVn4CDCuwJSvMWSj5cz3es3mcFDR0HttwW\n"
    "+1qLFNvicWDEukWVEYmO6gbf9yoWHKS5xcUy4APgHoIYOIvXRdgKam7mAHf7AlF9\n"
    "ItgKbppbd9/w+kHsOdx1ymgHDB/qo0IwQDAOBgNVHQ8BAf8EBAMCAQYwDwYDVR0T\n"
    "AQH/BAUwAwEB/zAdBgNVHQ4EFgQUfEKWrt5LSDv6kviejM9ti6lyN5UwCgYIKoZI\n"
    "zj0EAwMDaAAwZQIwe3lORlCEwkSHRhtFcP9Ymd70/aTSVaYgLXTWNLxBo1BfASdW\n"
    "tL4ndQavEi51mI38AjEAi/V3bNTIZargCyzuFJ0nN6T5U6VR5CmD1/iQMVtCnwr1\n"
    "/q4AaOeMSQ+2b1tbFfLn\n"
    "-----END CERTIFICATE-----\n";
static_assert(sizeof BUILTIN_ROOTS == 2730, "two PEM roots, 2729 characters and the zero");

struct TlsSession {
    mbedtls_ssl_context ssl;
    mbedtls_ssl_config config;
    mbedtls_x509_crt roots;          // built-in roots, then the extra ones
    mbedtls_entropy_context entropy;
    mbedtls_ctr_drbg_context drbg;
    int socket;                      // what the transport hooks use
    uint32_t handshakeDeadline;      // platform tick; used while handshaking
    int32_t handshaking;             // the hooks wait at most until the deadline
    char description[TLS_DESCRIPTION_SIZE];
};

// Why a session could not be opened; the texts end up in the node log.
enum TlsReason : int {
    TLS_NO_CRYPTO, TLS_NO_MEMORY, TLS_NO_RANDOM, TLS_BAD_BUILTIN, TLS_BAD_EXTRA,
    TLS_NO_SETUP, TLS_BAD_NAME, TLS_UNVERIFIED, TLS_TIMED_OUT, TLS_REASON_COUNT
};
static constexpr const char* TLS_REASON_TEXT[TLS_REASON_COUNT] = {
    "could not start encryption",
    "out of memory",
    "could not gather randomness",
    "built-in certificate list is unreadable",
    "extra root certificates are unreadable",
    "could not set up encryption",
    "bad server name",
    "the server's identity could not be verified",
    "handshake timed out",
};

static constexpr char PERSONALISATION[] = "wordwhirl-door";
static constexpr size_t ENTROPY_THRESHOLD = 32;  // bytes the source must give per poll

int mbedtls_hardware_poll(void*, unsigned char* output, size_t len, size_t* olen) {
    if (!platRandomBytes(output, len)) {
        *olen = 0;
        return -1;
    }
    *olen = len;
    return 0;
}

// Milliseconds left of the handshake, at least 0.
static int handshakeRemaining(const TlsSession* s) {
    int32_t left = (int32_t)(s->handshakeDeadline - platTickCount());
    return left > 0 ? left : 0;
}

// While handshaking the socket blocks; wait for it only as long as the
// handshake may still run, so a silent server cannot hold the door.
static int socketReady(TlsSession* s, int forWrite) {
    if (!s->handshaking) return 1;
    int left = handshakeRemaining(s);
    return left > 0 && platWaitSocket(s->socket, forWrite, left) != 0;
}

static int sendHook(void* context, const unsigned char* bytes, size_t n) {
    TlsSession* s = (TlsSession*)context;
    if (!socketReady(s, 1)) return MBEDTLS_ERR_SSL_WANT_WRITE;
    long sent = platSend(s->socket, bytes, n);
    if (sent >= 0) return (int)sent;
    return platSendBusy(platNetError()) ? MBEDTLS_ERR_SSL_WANT_WRITE : MBEDTLS_ERR_NET_SEND_FAILED;
}

static int receiveHook(void* context, unsigned char* buffer, size_t n) {
    TlsSession* s = (TlsSession*)context;
    if (!socketReady(s, 0)) return MBEDTLS_ERR_SSL_WANT_READ;
    long got = platRecv(s->socket, buffer, n);
    if (got > 0) return (int)got;
    if (got == 0) return MBEDTLS_ERR_SSL_PEER_CLOSE_NOTIFY;
    return platWouldBlock(platNetError()) ? MBEDTLS_ERR_SSL_WANT_READ : MBEDTLS_ERR_NET_RECV_FAILED;
}

static TlsSession* fail(TlsSession* s, TlsReason reason, char* errorText, int errorSize) {
    if (errorText && errorSize > 0) copyTextN(errorText, (size_t)errorSize, TLS_REASON_TEXT[reason]);
    tlsClose(s);
    return nullptr;
}

// Roots first: the built-in list, then the Sysop's file. Any certificate
// that does not parse spoils the whole list.
static int loadRoots(TlsSession* s, const char* caFile, TlsReason* reason) {
    if (mbedtls_x509_crt_parse(&s->roots, (const unsigned char*)BUILTIN_ROOTS, sizeof BUILTIN_ROOTS) != 0) {
        *reason = TLS_BAD_BUILTIN;
        return 0;
    }
    if (caFile && caFile[0] && mbedtls_x509_crt_parse_file(&s->roots, caFile) != 0) {
        *reason = TLS_BAD_EXTRA;
        return 0;
    }
    return 1;
}

// Everything before the handshake; 0 with the reason on failure.
static int prepare(TlsSession* s, const char* host, const char* caFile, TlsReason* reason) {
    // The library may have been built without the hardware hook; register
    // the door's source directly so its randomness never depends on that.
    if (mbedtls_entropy_add_source(&s->entropy, mbedtls_hardware_poll, nullptr, ENTROPY_THRESHOLD,
                                   MBEDTLS_ENTROPY_SOURCE_STRONG) != 0 ||
        mbedtls_ctr_drbg_seed(&s->drbg, mbedtls_entropy_func, &s->entropy,
                              (const unsigned char*)PERSONALISATION, sizeof PERSONALISATION - 1) != 0) {
        *reason = TLS_NO_RANDOM;
        return 0;
    }
    if (!loadRoots(s, caFile, reason)) return 0;
    *reason = TLS_NO_SETUP;
    if (mbedtls_ssl_config_defaults(&s->config, MBEDTLS_SSL_IS_CLIENT, MBEDTLS_SSL_TRANSPORT_STREAM,
                                    MBEDTLS_SSL_PRESET_DEFAULT) != 0) return 0;
    mbedtls_ssl_conf_min_tls_version(&s->config, MBEDTLS_SSL_VERSION_TLS1_2);
    mbedtls_ssl_conf_max_tls_version(&s->config, MBEDTLS_SSL_VERSION_TLS1_2);
    mbedtls_ssl_conf_authmode(&s->config, MBEDTLS_SSL_VERIFY_REQUIRED);
    mbedtls_ssl_conf_ca_chain(&s->config, &s->roots, nullptr);
    mbedtls_ssl_conf_rng(&s->config, mbedtls_ctr_drbg_random, &s->drbg);
    if (mbedtls_ssl_setup(&s->ssl, &s->config) != 0) return 0;
    if (mbedtls_ssl_set_hostname(&s->ssl, host) != 0) {
        *reason = TLS_BAD_NAME;
        return 0;
    }
    mbedtls_ssl_set_bio(&s->ssl, s, sendHook, receiveHook, nullptr);
    return 1;
}

static constexpr int HANDSHAKE_TIMED_OUT = 1;  // the library's results are 0 or negative

// 0 when the handshake finished; otherwise the library's result, or
// HANDSHAKE_TIMED_OUT.
static int handshake(TlsSession* s, int32_t limitMs) {
    s->handshakeDeadline = platTickCount() + (uint32_t)limitMs;
    s->handshaking = 1;
    int result;
    for (;;) {
        result = mbedtls_ssl_handshake(&s->ssl);
        if (result != MBEDTLS_ERR_SSL_WANT_READ && result != MBEDTLS_ERR_SSL_WANT_WRITE) break;
        if (handshakeRemaining(s) == 0) { result = HANDSHAKE_TIMED_OUT; break; }
    }
    s->handshaking = 0;
    return result;
}

TlsSession* tlsOpenLimited(int socket, const char* host, const char* caFile, int32_t limitMs,
                           char* errorText, int errorSize) {
    if (errorText && errorSize > 0) errorText[0] = 0;
    // Safe to repeat: once a call has succeeded, later calls succeed at once.
    if (psa_crypto_init() != PSA_SUCCESS) return fail(nullptr, TLS_NO_CRYPTO, errorText, errorSize);
    TlsSession* s = (TlsSession*)calloc(1, sizeof(TlsSession));
    if (!s) return fail(nullptr, TLS_NO_MEMORY, errorText, errorSize);
    mbedtls_ssl_init(&s->ssl);
    mbedtls_ssl_config_init(&s->config);
    mbedtls_x509_crt_init(&s->roots);
    mbedtls_entropy_init(&s->entropy);
    mbedtls_ctr_drbg_init(&s->drbg);
    s->socket = socket;
    TlsReason reason = TLS_NO_SETUP;
    if (!prepare(s, host ? host : "", caFile, &reason)) return fail(s, reason, errorText, errorSize);
    int result = handshake(s, limitMs);
    if (result == HANDSHAKE_TIMED_OUT) return fail(s, TLS_TIMED_OUT, errorText, errorSize);
    if (result == MBEDTLS_ERR_X509_CERT_VERIFY_FAILED) return fail(s, TLS_UNVERIFIED, errorText, errorSize);
    if (result != 0) {
        if (errorText && errorSize > 0)
            formatTextN(errorText, (size_t)errorSize, "secure connection refused (%d)", result);
        tlsClose(s);
        return nullptr;
    }
    if (mbedtls_ssl_get_verify_result(&s->ssl) != 0) return fail(s, TLS_UNVERIFIED, errorText, errorSize);
    const char* suite = mbedtls_ssl_get_ciphersuite(&s->ssl);
    formatText(s->description, "%s / %s", mbedtls_ssl_get_version(&s->ssl), suite ? suite : "");
    return s;
}

void tlsClose(TlsSession* s) {
    if (!s) return;
    mbedtls_ssl_free(&s->ssl);
    mbedtls_ssl_config_free(&s->config);
    mbedtls_x509_crt_free(&s->roots);
    mbedtls_ctr_drbg_free(&s->drbg);
    mbedtls_entropy_free(&s->entropy);
    free(s);
}

// The TLS layer asking to be called again is "nothing moved yet".
static int tryAgain(int result) {
    return result == MBEDTLS_ERR_SSL_WANT_READ || result == MBEDTLS_ERR_SSL_WANT_WRITE;
}

int tlsWrite(TlsSession* s, const void* bytes, int n) {
    if (!s) return -1;
    int result = mbedtls_ssl_write(&s->ssl, (const unsigned char*)bytes, (size_t)n);
    if (result >= 0) return result;
    return tryAgain(result) ? 0 : -1;
}

int tlsRead(TlsSession* s, void* buffer, int n) {
    if (!s) return -1;
    int result = mbedtls_ssl_read(&s->ssl, (unsigned char*)buffer, (size_t)n);
    if (result > 0) return result;
    return result < 0 && tryAgain(result) ? 0 : -1;
}

const char* tlsDescription(const TlsSession* s) {
    return s ? s->description : "";
}

int tlsPending(const TlsSession* session) {
    if (!session) return 0;
    return mbedtls_ssl_get_bytes_avail(&session->ssl) > 0 || mbedtls_ssl_check_pending(&session->ssl) ? 1 : 0;
}
