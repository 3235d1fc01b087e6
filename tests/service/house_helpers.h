// Test helpers for the house service: a house over a small library, callers
// that log in and send lines, and a look at what the house sent to whom.
#pragma once
#include <string>
#include <vector>

#include "dispatch.h"
#include "house.h"

// Two categories, three tales; tale 1 has 4 gaps, tale 2 has 3, tale 3 has 2.
Library smallLibrary();
void startHouse(House* h);
// Opens session id and logs in with the alias.
void login(House* h, int session, const std::string& alias);
void emit(House* h, int session, const std::string& name, const Json& data, int ackId = 0);
// Messages (whole objects) sent to session with this event name, or ackId.
std::vector<Json> eventsTo(const House* h, int session, const std::string& name);
std::vector<Json> repliesTo(const House* h, int session, int ackId);
Json lastEvent(const House* h, int session, const std::string& name);  // null when none
void tickTo(House* h, int64_t ms);  // moves the clock in 100 ms steps
