// door.cfg: the Sysop's settings beside the executable (server host, port,
// TLS switch, extra trusted roots, the board id, the names on the goodbye
// screen and the caller's charset). Read once at start-up into the client
// state; never written.
#pragma once
#include <cstdint>

struct ClientState;

constexpr int32_t DEFAULT_PORT_TLS = 8096;    // the service's TLS listener
constexpr int32_t DEFAULT_PORT_PLAIN = 8095;  // the service's plain listener
constexpr int CFG_LINE_SIZE = 256;            // one fgets piece, terminator included

// The values start-up sets before reading door.cfg: the default host, no
// board id, port 0 (chosen after the read) and TLS on.
void configDefaults(ClientState* state);

// Read exePath("door.cfg") over the defaults.
void configRead(ClientState* state);

// Read the file at path over what the state holds, then pick the default
// port when none was given (also when the file could not be opened: a
// board without door.cfg should still reach the service). Returns 1 when
// the file was opened.
int32_t configReadFile(ClientState* state, const char* path);
