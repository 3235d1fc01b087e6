// Tables: opening one (room:create), sitting down by share code, leaving,
// the host's tools (kick, lock, new code, what to play next), knocks on
// locked tables, invitations, the snapshot every seated caller receives,
// and the always-open Quick Play table the house hosts itself.
#pragma once
#include "house.h"

Room* roomOf(House* h, int roomId);
Seat* seatOf(Room* r, const std::string& pid);
int humansAt(const Room& r);

Json tableJson(const Room& r);        // one entry of lobby:rooms
Json tablesListJson(House* h);       // open tables first
Json roomSnapshot(House* h, const Room& r);
// room:state to every caller at the table.
void roomBroadcastState(House* h, Room* r);
// room:notice to every caller at the table.
void roomNotice(House* h, Room* r, const std::string& text);
// Keeps one open Quick Play table and tells the Lounge.
void tablesChanged(House* h);
// Seats a bot or caller; false when the table is full.
bool roomAddSeat(House* h, Room* r, const Seat& seat);

void tableCreate(House* h, int session, const Json& data);
void tableJoin(House* h, int session, const Json& data);
void tableLeaveRequest(House* h, int session, const Json& data);
// Takes the caller off their table; tell sends nothing to the caller.
void tableLeave(House* h, int session, bool tell);
void tableKick(House* h, int session, const Json& data);
void tableSetLock(House* h, int session, const Json& data);
void tableNewCode(House* h, int session, const Json& data);
void tableUpdatePreset(House* h, int session, const Json& data);
void tableKnock(House* h, int session, const Json& data);
void tableKnockReply(House* h, int session, const Json& data);
void tableInvite(House* h, int session, const Json& data);
void tableInviteReply(House* h, int session, const Json& data);
void tableSetPages(House* h, int session, const Json& data);
// Knocks: forgotten when the knocker goes (or knocks again); expired, with
// word to the knocker, when the table or its host is gone or time is up.
void knocksForget(House* h, int session);
void knocksExpire(House* h);
