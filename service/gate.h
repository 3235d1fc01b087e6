// The house's door keeper and its ear on the sysop: which boards may
// connect and from where, bans and time-outs, and what the admin tool
// changed in the data file (announcements, letters, accepted tales, a
// shutdown), looked for once a second and passed on to the doors connected.
#pragma once
#include "house.h"

constexpr int64_t GATE_POLL_MS = 1000;  // the sysop's changes reach the doors within this
constexpr int64_t GATE_STALE_SHUTDOWN_S = 60;  // a shutdown this overdue passed while the house was down
constexpr const char* GATE_UNKNOWN_BOARD = "This board is not registered with this game service.";
constexpr const char* GATE_OUTSIDE_RANGE = "This board may not connect from this address.";

// Reads the boards, bans, time-outs, announcements, shutdown and unannounced
// letters from the data file, telling connected doors what changed.
void gateLoad(House* h);
// Once a second: anything new from the admin tool; the shutdown's time.
void gatePoll(House* h);

// Before the log-in: false when the connect is refused (the door is told
// why, the refusal logged with the address, the connection closed).
bool gateAdmit(House* h, Session* s, const Json& connect);
// After the log-in: the player's record (the ignore list read back when the
// house has none for them yet), and a shutdown already announced.
void gateWelcome(House* h, Session* s, const Json& connect);
// The caller's ignore list into the data file (it is read back at log-in).
void gateSaveIgnores(House* h, const Session& s);
// A timed-out caller's chat is held back with a notice; true when it was.
bool gateMuted(House* h, Session* s, const std::string& emit);

// The board's registered name, empty when it has none.
std::string gateBoardName(const House* h, const std::string& board);
// "A.B.C.D/BITS" (or one address) into network and mask, host order.
bool gateParseNet(const std::string& text, uint32_t* net, uint32_t* mask);
