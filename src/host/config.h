// door.cfg: the Sysop's settings beside the executable (server host, port,
// TLS switch, extra trusted roots, the board id, the names on the goodbye
// screen and the caller's charset). Read once at start-up; never written.
#pragma once
#include <cstdint>

// Who speaks telnet to the caller: decided from the BBS and the channel,
// or set by the Sysop (door.cfg telnet=, --telnet / --no-telnet).
enum TelnetMode : int32_t {
    TELNET_AUTO = 0,
    TELNET_ON = 1,
    TELNET_OFF = 2,
};

// What door.cfg can set. Start-up hands the server fields to the
// connection and keeps the rest in the client state.
struct DoorConfig {
    char host[128];      // server host name or address
    int32_t port;        // server TCP port; 0 until chosen after the read
    int32_t useTls;      // TLS on (the default)
    char caFile[256];    // extra trusted roots, resolved beside the executable
    char bbsId[64];      // the board id the service knows
    char bbsName[32];    // for the goodbye screen
    char sysop[32];      // for the goodbye screen
    int32_t utf8;        // charset=utf8: high bytes leave as UTF-8
    int32_t telnet;      // TelnetMode
    char logDir[256];    // node logs; "" beside the executable
};

constexpr int32_t DEFAULT_PORT_TLS = 8096;    // the service's TLS listener
constexpr int32_t DEFAULT_PORT_PLAIN = 8095;  // the service's plain listener
constexpr int CFG_LINE_SIZE = 256;            // one fgets piece, terminator included

// The values start-up sets before reading door.cfg: the default host, no
// board id, port 0 (chosen after the read) and TLS on.
void configDefaults(DoorConfig* cfg);

// Read exePath("door.cfg") over the defaults.
void configRead(DoorConfig* cfg);

// Read the file at path over what cfg holds, then pick the default
// port when none was given (also when the file could not be opened: a
// board without door.cfg should still reach the service). Returns 1 when
// the file was opened.
int32_t configReadFile(DoorConfig* cfg, const char* path);
