#include "tables.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "lobby.h"
#include "round.h"

namespace {

constexpr std::array<std::string_view, 6> INKS = {"gold", "cyan", "green", "magenta", "blue", "orange"};
constexpr std::string_view CODE_LETTERS = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";  // no 0/O, 1/I/L
constexpr int CODE_LENGTH = 6;
constexpr const char* QUICK_NAME = "Quick Play";

const char* phaseName(RoomPhase p) {
    switch (p) {
        case PHASE_PICKING: return "picking";
        case PHASE_COLLECTING: return "collecting";
        case PHASE_VOTING: return "voting";
        case PHASE_RESULTS: return "results";
        default: return "waiting";
    }
}

std::string newCode(House* h) {
    for (;;) {
        std::string code;
        for (int i = 0; i < CODE_LENGTH; ++i) code += CODE_LETTERS[houseRandom(h) % CODE_LETTERS.size()];
        bool taken = false;
        for (const auto& [id, r] : h->rooms) taken = taken || r.code == code;
        if (!taken) return code;
    }
}

std::string freeInk(const Room& r) {
    for (std::string_view ink : INKS) {
        bool used = false;
        for (const Seat& s : r.seats) used = used || s.ink == ink;
        if (!used) return std::string(ink);
    }
    return std::string(INKS[r.seats.size() % INKS.size()]);
}

// A table takes newcomers until the tale is chosen: whoever sits down
// while somebody chooses still gets words to write.
bool takesPlayers(const Room& r) {
    return r.phase == PHASE_WAITING || r.phase == PHASE_PICKING;
}

bool seatReady(const Room& r, const Seat& s) {
    switch (r.phase) {
        case PHASE_COLLECTING: return s.submitted;
        case PHASE_VOTING: return s.doneReading;
        case PHASE_RESULTS: return s.returned;
        default: return false;
    }
}

Room* newRoom(House* h, const std::string& name, bool autoHost) {
    int id = h->nextRoomId++;
    Room& r = h->rooms[id];
    r = Room{};
    r.id = id;
    r.code = newCode(h);
    r.name = name;
    r.knockId = "k" + std::to_string(id);
    r.autoHost = autoHost;
    r.maxPlayers = 6;
    r.phase = PHASE_WAITING;
    return &r;
}

Seat callerSeat(const Session& s) {
    Seat seat{};
    seat.pid = pidOf(s);
    seat.name = s.name;
    seat.source = "bbs";
    seat.session = s.id;
    return seat;
}

bool hasOpenQuickTable(House* h) {
    for (const auto& [id, r] : h->rooms) {
        if (r.autoHost && static_cast<int>(r.seats.size()) < r.maxPlayers && r.phase == PHASE_WAITING) return true;
    }
    return false;
}

// Sits the caller down and answers the request with the snapshot.
void seatCaller(House* h, Session* s, Room* r, int ackId) {
    knocksForget(h, s->id);  // seated: knocks elsewhere no longer stand
    roomAddSeat(h, r, callerSeat(*s));
    s->roomId = r->id;
    s->soloTaleId = 0;
    sendReply(h, s->id, ackId, {{"ok", true}, {"room", roomSnapshot(h, *r)}});
    roomNotice(h, r, s->name + " sat down at the table.");
    roomBroadcastState(h, r);
    roundCatchUp(h, r, s->id);
    tablesChanged(h);
}

Room* hostedRoom(House* h, int session) {
    Session* s = sessionOf(h, session);
    Room* r = s ? roomOf(h, s->roomId) : nullptr;
    return r && !r->autoHost && r->hostPid == pidOf(*s) ? r : nullptr;
}

void closeRoomIfEmpty(House* h, Room* r) {
    if (humansAt(*r) > 0) return;
    r->seats.clear();
    int id = r->id;
    bool keep = r->autoHost && !hasOpenQuickTable(h);
    if (keep) {
        Room fresh = *r;
        fresh.phase = PHASE_WAITING;
        fresh.deadline = fresh.startAt = fresh.botsAt = 0;
        fresh.round = Round{};
        *r = fresh;
    }
    if (!keep) h->rooms.erase(id);
}

}  // namespace

Room* roomOf(House* h, int roomId) {
    auto it = h->rooms.find(roomId);
    return it == h->rooms.end() ? nullptr : &it->second;
}

Seat* seatOf(Room* r, const std::string& pid) {
    for (Seat& s : r->seats) {
        if (s.pid == pid) return &s;
    }
    return nullptr;
}

int humansAt(const Room& r) {
    int n = 0;
    for (const Seat& s : r.seats) n += s.session ? 1 : 0;
    return n;
}

bool roomAddSeat(House*, Room* r, const Seat& seat) {
    if (static_cast<int>(r->seats.size()) >= r->maxPlayers) return false;
    Seat s = seat;
    s.ink = freeInk(*r);
    r->seats.push_back(s);
    return true;
}

Json tableJson(const Room& r) {
    Json t = {{"name", r.name}, {"players", r.seats.size()}, {"max", r.maxPlayers},
              {"locked", r.locked}, {"autoHost", r.autoHost}, {"inGame", r.phase != PHASE_WAITING}};
    // A locked table is entered by knocking or with the code from its host.
    t["code"] = r.locked ? "" : r.code;
    t["knockId"] = r.locked ? r.knockId : "";
    return t;
}

// Tables taking players come first: a quick seat takes the first open one
// in list order and cannot tell a table in the middle of a round.
Json tablesListJson(House* h) {
    Json list = Json::array();
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [id, r] : h->rooms) {
            if (takesPlayers(r) != (pass == 0) || list.size() >= HOUSE_LIST_MAX) continue;
            list.push_back(tableJson(r));
        }
    }
    return list;
}

Json roomSnapshot(House* h, const Room& r) {
    Json players = Json::array();
    Json returned = Json::array();
    for (const Seat& s : r.seats) {
        players.push_back({{"id", s.pid}, {"name", s.name}, {"source", s.source}, {"ink", s.ink},
                           {"isHost", !r.autoHost && s.pid == r.hostPid}, {"ready", seatReady(r, s)},
                           {"laughs", s.laughs}});
        if (r.phase == PHASE_RESULTS && s.returned) returned.push_back(s.pid);
    }
    Json snap = {{"code", r.code}, {"name", r.name}, {"locked", r.locked}, {"autoHost", r.autoHost},
                 {"roundRobinPicking", r.roundRobin}, {"maxPlayers", r.maxPlayers},
                 {"state", phaseName(r.phase)}, {"players", players}};
    if (r.startAt) snap["startsInMs"] = r.startAt > h->now ? r.startAt - h->now : 0;
    if (!returned.empty()) snap["roomReturnPending"] = returned;
    if (const Tale* t = r.round.taleId ? taleById(h->lib, r.round.taleId) : nullptr) {
        snap["template"] = {{"title", t->title}, {"category", t->category}};
    }
    return snap;
}

void roomBroadcastState(House* h, Room* r) {
    Json snap = roomSnapshot(h, *r);
    for (const Seat& s : r->seats) sendEvent(h, s.session, "room:state", snap);
}

void roomNotice(House* h, Room* r, const std::string& text) {
    for (const Seat& s : r->seats) sendNotice(h, s.session, "room:notice", text);
}

void tablesChanged(House* h) {
    if (!hasOpenQuickTable(h)) newRoom(h, QUICK_NAME, true);
    lobbyBroadcast(h);
}

void tableCreate(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    if (s->roomId) tableLeave(h, session, true);
    std::string name = jsStr(data, "name");
    if (name.size() > 31) name.resize(31);
    if (name.find_first_not_of(' ') == std::string::npos) name = s->name + "'s Table";
    Room* r = newRoom(h, name, false);
    r->locked = jsBool(data, "locked");
    r->roundRobin = jsBool(data, "roundRobinPicking");
    r->maxPlayers = static_cast<int>(std::clamp<int64_t>(jsInt(data, "maxPlayers", 6), 2, HOUSE_TABLE_SEATS_MAX));
    r->presetCategory = jsStr(data, "category");
    r->presetStoryId = static_cast<int>(jsInt(data, "storyId", 0));
    r->presetChosen = data.contains("category") || data.contains("storyId");  // an empty pair is a surprise
    r->hostPid = pidOf(*s);
    seatCaller(h, s, r, 5);
}

void tableJoin(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !s->authed) return;
    std::string code = lowerText(jsStr(data, "code"));
    Room* r = nullptr;
    for (auto& [id, room] : h->rooms) {
        if (!code.empty() && lowerText(room.code) == code) r = &room;
    }
    const char* error = nullptr;
    if (!r) error = "There is no table with that share code.";
    else if (s->roomId == r->id) error = "You are already sitting at that table.";
    else if (static_cast<int>(r->seats.size()) >= r->maxPlayers) error = "That table is full.";
    else if (!takesPlayers(*r)) error = "A round is being played there - try again in a moment.";
    if (error) {
        sendReply(h, session, 4, {{"ok", false}, {"error", error}});
        return;
    }
    if (s->roomId) tableLeave(h, session, true);
    seatCaller(h, s, r, 4);
}

void tableLeaveRequest(House* h, int session, const Json&) {
    tableLeave(h, session, true);
}

void tableLeave(House* h, int session, bool) {
    Session* s = sessionOf(h, session);
    Room* r = s ? roomOf(h, s->roomId) : nullptr;
    if (!r) return;
    std::string pid = pidOf(*s);
    s->roomId = 0;
    for (size_t i = 0; i < r->seats.size(); ++i) {
        if (r->seats[i].pid == pid) r->seats.erase(r->seats.begin() + static_cast<long>(i));
    }
    if (r->hostPid == pid) {
        r->hostPid.clear();
        for (const Seat& seat : r->seats) {
            if (seat.session && r->hostPid.empty()) r->hostPid = seat.pid;
        }
        if (Seat* next = seatOf(r, r->hostPid)) roomNotice(h, r, next->name + " is the host now.");
    }
    roomNotice(h, r, s->name + " left the table.");
    roundSeatGone(h, r);
    int roomId = r->id;
    closeRoomIfEmpty(h, r);  // may end the table: r is not used after this
    if (Room* still = roomOf(h, roomId)) roomBroadcastState(h, still);
    tablesChanged(h);
}

// The seat a host means by a typed name: the exact name, else the first
// name that starts with it ("pip" finds "Pip (bot)"); never the host.
static Seat* seatByTypedName(Room* r, const std::string& typed) {
    std::string want = lowerText(typed);
    if (want.empty()) return nullptr;
    for (Seat& s : r->seats) {
        if (s.pid != r->hostPid && lowerText(s.name) == want) return &s;
    }
    for (Seat& s : r->seats) {
        if (s.pid != r->hostPid && lowerText(s.name).rfind(want, 0) == 0) return &s;
    }
    return nullptr;
}

void tableKick(House* h, int session, const Json& data) {
    Room* r = hostedRoom(h, session);
    if (!r) return;
    Seat* target = seatByTypedName(r, jsStr(data, "name"));
    if (!target) {
        sendNotice(h, session, "room:notice", "Nobody by that name is at your table.");
        return;
    }
    Seat seat = *target;
    if (seat.session) {
        sendEvent(h, seat.session, "room:kicked", {{"message", "The host removed you from the table."}});
        tableLeave(h, seat.session, false);
        return;
    }
    std::erase_if(r->seats, [&seat](const Seat& s) { return s.pid == seat.pid; });
    roomNotice(h, r, seat.name + " was shown the door.");
    roundSeatGone(h, r);
    roomBroadcastState(h, r);
    tablesChanged(h);
}

void tableSetLock(House* h, int session, const Json& data) {
    Room* r = hostedRoom(h, session);
    if (!r) return;
    r->locked = jsBool(data, "on", !r->locked);
    roomNotice(h, r, r->locked ? "The table is locked: newcomers need the share code or a knock."
                               : "The table is open to everybody.");
    roomBroadcastState(h, r);
    tablesChanged(h);
}

void tableNewCode(House* h, int session, const Json&) {
    Room* r = hostedRoom(h, session);
    if (!r) return;
    r->code = newCode(h);
    roomNotice(h, r, "New share code: " + r->code);
    roomBroadcastState(h, r);
    tablesChanged(h);
}

void tableUpdatePreset(House* h, int session, const Json& data) {
    Room* r = hostedRoom(h, session);
    if (!r) return;
    r->presetCategory = jsStr(data, "category");
    r->presetStoryId = static_cast<int>(jsInt(data, "storyId", 0));
    r->presetChosen = true;
}

void tableKnock(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    std::string knockId = jsStr(data, "knockId");
    Room* r = nullptr;
    for (auto& [id, room] : h->rooms) {
        if (!knockId.empty() && room.knockId == knockId) r = &room;
    }
    Seat* hostSeat = r ? seatOf(r, r->hostPid) : nullptr;
    Session* host = hostSeat ? sessionOf(h, hostSeat->session) : nullptr;
    if (!s || !s->authed || !host) {
        if (s) sendNotice(h, session, "lobby:notice", "Nobody is there to answer that door.");
        return;
    }
    knocksForget(h, session);  // one knock at a time: a new one replaces the last
    std::string token = "knock-" + std::to_string(h->nextKnockId++);
    h->knocks[token] = {r->id, session, h->now + KNOCK_MS};
    sendEvent(h, host->id, "room:knock", {{"name", s->name}, {"knockId", token}});
    sendNotice(h, session, "lobby:notice", "You knocked. Waiting for the host to answer...");
}

void tableKnockReply(House* h, int session, const Json& data) {
    auto it = h->knocks.find(jsStr(data, "knockId"));
    if (it == h->knocks.end()) {
        if (hostedRoom(h, session)) sendNotice(h, session, "room:notice", "Nobody is knocking any more.");
        return;
    }
    Knock k = it->second;
    Room* r = roomOf(h, k.roomId);
    if (!r || hostedRoom(h, session) != r) return;
    h->knocks.erase(it);
    Session* guest = sessionOf(h, k.session);
    if (!guest) return;
    bool allow = jsBool(data, "allow");
    const char* full = static_cast<int>(r->seats.size()) >= r->maxPlayers ? "The table filled up before you got in." : nullptr;
    if (!allow || full || !takesPlayers(*r)) {
        sendNotice(h, guest->id, "lobby:notice", full ? full : "The host can't let you in right now.");
        return;
    }
    if (guest->roomId) tableLeave(h, guest->id, true);
    roomAddSeat(h, r, callerSeat(*guest));
    guest->roomId = r->id;
    roomNotice(h, r, guest->name + " was let in.");
    roomBroadcastState(h, r);
    roundCatchUp(h, r, guest->id);
    tablesChanged(h);
}

void tableInvite(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    Room* r = s ? roomOf(h, s->roomId) : nullptr;
    if (!r) return;
    Session* to = sessionByName(h, jsStr(data, "targetName"));
    std::string why;
    if (!to) why = "Nobody by that name is online.";
    else if (to->roomId == r->id) why = to->name + " is already at your table.";
    else if (!to->pagesOn) why = to->name + " isn't taking invitations right now.";
    if (!why.empty()) {
        sendNotice(h, session, "room:notice", why);
        return;
    }
    // Ignored: the inviter hears the same as when it arrives, giving nothing away.
    if (!ignores(h, *to, *s))
        sendEvent(h, to->id, "lobby:invite", {{"from", s->name}, {"fromId", pidOf(*s)}, {"roomName", r->name}, {"code", r->code}});
    sendNotice(h, session, "room:notice", "Invitation sent to " + to->name + ".");
}

void tableInviteReply(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    std::string from = jsStr(data, "fromId");
    if (!s || from.size() < 2 || from[0] != 's') return;
    int fromSession = std::atoi(from.c_str() + 1);
    if (sessionOf(h, fromSession)) {
        sendNotice(h, fromSession, "room:notice", s->name + " can't come to your table right now.");
    }
}

void tableSetPages(House* h, int session, const Json& data) {
    if (Session* s = sessionOf(h, session)) s->pagesOn = jsBool(data, "on", true);
}

void knocksForget(House* h, int session) {
    std::erase_if(h->knocks, [session](const auto& k) { return k.second.session == session; });
}

void knocksExpire(House* h) {
    for (auto it = h->knocks.begin(); it != h->knocks.end();) {
        const Knock& k = it->second;
        Room* r = roomOf(h, k.roomId);
        Seat* host = r ? seatOf(r, r->hostPid) : nullptr;
        if (host && h->now < k.expiresAt) {
            ++it;
            continue;
        }
        // The table closed, its host left or nobody answered in time.
        if (sessionOf(h, k.session)) {
            sendNotice(h, k.session, "lobby:notice", "Nobody answered the door - try knocking again later.");
        }
        it = h->knocks.erase(it);
    }
}
