// The TLS 1.2 session over the server connection's socket: set-up with the
// built-in trusted roots (plus the Sysop's extra roots), the name check, a
// handshake bounded in time, and the read/write calls of the wire layer.
#pragma once
#include <cstddef>
#include <cstdint>

struct TlsSession;

constexpr int TLS_DESCRIPTION_SIZE = 96;   // "version / suite", 95 characters
constexpr int TLS_REASON_SIZE = 128;       // serverConnect's reason buffer

// Handshake on the blocking socket within limitMs; the session, or null with
// the reason in errorText (cut to errorSize - 1). caFile names extra PEM
// roots trusted after the built-in ones; null or empty for none.
TlsSession* tlsOpenLimited(int socket, const char* host, const char* caFile, int32_t limitMs,
                           char* errorText, int errorSize);
void tlsClose(TlsSession* session);

// Bytes moved; 0 when the TLS layer asks to try again; -1 on any failure,
// the end of the connection, or a null session.
int tlsWrite(TlsSession* session, const void* bytes, int n);
int tlsRead(TlsSession* session, void* buffer, int n);
// 1 when the session holds received data the socket no longer shows: a
// decrypted record not yet read out, or a further record already buffered.
// The door must not wait on the socket for those.
int tlsPending(const TlsSession* session);

// "TLSv1.2 / <cipher suite>", or "" without a session.
const char* tlsDescription(const TlsSession* session);

// The door's own strong entropy source, handed to the TLS library.
extern "C" int mbedtls_hardware_poll(void* data, unsigned char* output, size_t len, size_t* olen);
