// The house's front desk: a connection opens and closes, each received line
// is parsed and routed by its command and emit name through one table, and
// the clock moves every table along. Bad lines are logged and dropped.
#pragma once
#include "house.h"

void houseOpen(House* h, int session);
void houseClose(House* h, int session);
// Handles one received line; false when it was dropped (and logged).
bool houseLine(House* h, int session, const std::string& line);
void houseTick(House* h);
