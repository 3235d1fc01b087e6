// The house's TLS side: one server configuration (certificate, key and
// randomness, loaded once) and a session per connection, all non-blocking so
// a slow or silent handshake only ever waits in the poll loop. TLS 1.2 only,
// as the door speaks it.
#pragma once
#include <cstddef>
#include <string>

struct TlsServer;  // certificate, key, randomness: shared by every session
struct TlsLink;    // one connection's session

// Loads a PEM certificate (chain) and its key; null with a reason in *error.
TlsServer* tlsServerLoad(const std::string& certFile, const std::string& keyFile, std::string* error);
void tlsServerFree(TlsServer* server);

TlsLink* tlsLinkOpen(TlsServer* server, int fd);
void tlsLinkClose(TlsLink* link);
// Moves the handshake on: 1 done, 0 waiting for the socket (*wantWrite says
// which way), -1 failed.
int tlsLinkHandshake(TlsLink* link, bool* wantWrite);
// Bytes read (> 0), 0 when nothing is waiting, -1 when the peer closed or
// the session broke.
long tlsLinkRead(TlsLink* link, char* buffer, size_t size);
// Bytes of bytes[0..size) taken (>= 0), -1 when the session broke. After a
// partial record the caller must offer the same bytes again.
long tlsLinkWrite(TlsLink* link, const char* bytes, size_t size);
