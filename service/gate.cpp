#include "gate.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "store.h"

namespace {

int64_t wallNow() { return static_cast<int64_t>(std::time(nullptr)); }

std::string minutesText(int64_t seconds) {
    int64_t m = seconds > 60 ? (seconds + 59) / 60 : 1;
    return std::to_string(m) + (m == 1 ? " minute" : " minutes");
}

void toAuthed(House* h, const std::string& event, const Json& data) {
    for (const auto& [id, s] : h->sessions) {
        if (s.authed) sendEvent(h, id, event, data);
    }
}

std::vector<int> sessionsOf(House* h, const std::string& key) {
    std::vector<int> out;
    for (const auto& [id, s] : h->sessions) {
        if (s.authed && playerKey(s) == key) out.push_back(id);
    }
    return out;
}

void refuse(House* h, Session* s, const std::string& board, const std::string& why, const Json& answer) {
    std::fprintf(stderr, "house: refused %s (board \"%.60s\"): %s\n", s->address.empty() ? "?" : s->address.c_str(),
                 board.c_str(), why.c_str());
    sendEvent(h, s->id, "authed", answer);
    h->gate.hangUp.push_back(s->id);
}

bool inRange(const Board& b, const std::string& address) {
    in_addr a{};
    if (b.mask == 0) return true;
    return inet_pton(AF_INET, address.c_str(), &a) == 1 && (ntohl(a.s_addr) & b.mask) == b.net;
}

void loadStanding(House* h) {
    Gate& g = h->gate;
    std::map<std::string, std::string> banned;
    std::map<std::string, int64_t> timedOut;
    for (const Json& r : storeRows(h->store, "SELECT board || '/' || user, banned, timeout_until FROM players "
                                            "WHERE banned IS NOT NULL OR timeout_until > ?", Json::array({wallNow()}))) {
        std::string key = r[0];
        if (r[1].is_string()) banned[key] = r[1];
        else timedOut[key] = r[2];
    }
    for (const auto& [key, reason] : banned) {
        if (g.banned.count(key)) continue;
        for (int id : sessionsOf(h, key)) {
            sendEvent(h, id, "admin:kicked", {{"reason", "You have been banned" + (reason.empty() ? "." : ": " + reason)}});
            g.hangUp.push_back(id);
        }
    }
    for (const auto& [key, until] : timedOut) {
        if (g.timedOut.count(key) && g.timedOut[key] == until) continue;
        std::string why = "no chat for " + minutesText(until - wallNow()) + ".";
        for (int id : sessionsOf(h, key)) sendEvent(h, id, "mod:timeout", {{"reason", why}});
    }
    g.banned = banned;
    g.timedOut = timedOut;
}

void loadShutdown(House* h) {
    Gate& g = h->gate;
    std::vector<Json> rows = storeRows(h->store, "SELECT key, value FROM settings WHERE key LIKE 'shutdown_%'");
    int64_t wall = 0;
    std::string reason;
    for (const Json& r : rows) {
        if (r[0] == "shutdown_at") wall = std::atoll(r[1].get<std::string>().c_str());
        else reason = r[1];
    }
    if (wall && wall < wallNow() - GATE_STALE_SHUTDOWN_S) {  // due while the house was down: it is over
        storeExec(h->store, "DELETE FROM settings WHERE key LIKE 'shutdown_%'");
        wall = 0;
    }
    if (wall == g.shutdownWall) return;
    if (wall) {
        g.shutdownAt = h->now + (wall > wallNow() ? (wall - wallNow()) * 1000 : 0);
        g.shutdownReason = reason;
        std::string when = "The house closes in " + minutesText(wall - wallNow());
        toAuthed(h, "admin:shutdown-scheduled", {{"message", when + (reason.empty() ? "." : ": " + reason)}});
    } else {
        g.shutdownAt = 0;
        toAuthed(h, "admin:shutdown-cancelled", Json::object());
    }
    g.shutdownWall = wall;
}

void loadContent(House* h) {
    Json list = Json::array();
    for (const Json& r : storeRows(h->store, "SELECT id, title, body FROM announcements ORDER BY id DESC LIMIT 10")) {
        list.push_back({{"id", r[0]}, {"title", r[1]}, {"body", r[2]}});
    }
    if (list != h->gate.announcements) {
        h->gate.announcements = list;
        toAuthed(h, "lobby:content", {{"announcements", list}});
    }
    for (const Json& r : storeRows(h->store, "SELECT DISTINCT board || '/' || user FROM letters WHERE notified = 0")) {
        for (int id : sessionsOf(h, r[0])) sendEvent(h, id, "mail:new", Json::object());
    }
    storeExec(h->store, "UPDATE letters SET notified = 1 WHERE notified = 0");
    std::vector<Json> count = storeRows(h->store, "SELECT count(*) FROM tales");
    if (!count.empty() && count[0][0] != static_cast<int64_t>(h->lib.tales.size())) {
        Library lib;
        std::string log;
        if (storeLoadLibrary(h->store, &lib, &log)) h->lib = lib;  // tales are only added, so ids in play stay valid
        if (!log.empty()) std::fprintf(stderr, "house: %s", log.c_str());
    }
}

void shutDown(House* h) {
    Gate& g = h->gate;
    std::string reason = "The house is closing" + (g.shutdownReason.empty() ? "." : ": " + g.shutdownReason);
    for (const auto& [id, s] : h->sessions) {
        sendEvent(h, id, "disconnected", {{"reason", reason}});
        g.hangUp.push_back(id);
    }
    storeExec(h->store, "DELETE FROM settings WHERE key LIKE 'shutdown_%'");
    g.stopping = true;
}

}  // namespace

void gateLoad(House* h) {
    Gate& g = h->gate;
    g.dataVersion = storeDataVersion(h->store);
    g.boards.clear();
    for (const Json& r : storeRows(h->store, "SELECT id, name, from_net FROM boards")) {
        Board b{r[1], 0, 0};
        if (!r[2].get<std::string>().empty() && !gateParseNet(r[2], &b.net, &b.mask)) b.mask = 0xFFFFFFFFu, b.net = 0;  // unreadable: nobody
        g.boards[r[0]] = b;
    }
    loadStanding(h);
    loadShutdown(h);
    loadContent(h);
}

void gatePoll(House* h) {
    Gate& g = h->gate;
    if (g.shutdownAt && h->now >= g.shutdownAt && !g.stopping) shutDown(h);
    if (h->now < g.pollAt) return;
    g.pollAt = h->now + GATE_POLL_MS;
    if (storeDataVersion(h->store) != g.dataVersion) gateLoad(h);
}

bool gateAdmit(House* h, Session* s, const Json& connect) {
    if (s->authed) return true;
    std::string board = textCut(jsStr(connect, "bbsInstanceId"), 60);
    std::string key = board + "/" + textCut(jsStr(connect, "localUserid"), 20);
    auto known = h->gate.boards.find(board);
    if (!h->gate.open && known == h->gate.boards.end()) {
        refuse(h, s, board, "unknown board", {{"ok", false}, {"maintenance", true}, {"error", GATE_UNKNOWN_BOARD}});
        return false;
    }
    if (!h->gate.open && !inRange(known->second, s->address)) {
        refuse(h, s, board, "outside the board's addresses", {{"ok", false}, {"maintenance", true}, {"error", GATE_OUTSIDE_RANGE}});
        return false;
    }
    auto ban = h->gate.banned.find(key);
    if (ban != h->gate.banned.end()) {
        refuse(h, s, board, "player " + key + " banned", {{"ok", false}, {"banned", true}, {"reason", ban->second}});
        return false;
    }
    auto out = h->gate.timedOut.find(key);
    if (out != h->gate.timedOut.end() && out->second > wallNow()) {
        refuse(h, s, board, "player " + key + " timed out", {{"ok", false}, {"timedOut", true}, {"until", minutesText(out->second - wallNow())}});
        return false;
    }
    return true;
}

void gateWelcome(House* h, Session* s, const Json& connect) {
    if (!s->authed) return;
    std::string now = storeTimeText(wallNow());
    storeExec(h->store, "INSERT INTO players(board, user, alias, first_seen, last_seen) VALUES(?1, ?2, ?3, ?4, ?4) "
                        "ON CONFLICT(board, user) DO UPDATE SET alias = ?3, last_seen = ?4",
              {s->bbsId, s->userId, textCut(jsStr(connect, "alias", s->name), HOUSE_MAX_NAME), now});
    Player* p = playerOf(h, *s);
    if (p->ignores.empty()) {
        for (const auto& [key, name] : storeIgnores(h->store, s->bbsId, s->userId)) p->ignores.push_back({key, name});
    }
    const Gate& g = h->gate;
    if (g.shutdownAt) {
        std::string when = "The house closes in " + minutesText((g.shutdownAt - h->now) / 1000);
        sendEvent(h, s->id, "admin:shutdown-scheduled", {{"message", when + (g.shutdownReason.empty() ? "." : ": " + g.shutdownReason)}});
    }
}

void gateSaveIgnores(House* h, const Session& s) {
    StoreIgnores list;
    for (const Ignored& i : playerOf(h, s)->ignores) list.emplace_back(i.key, i.name);
    storeSetIgnores(h->store, s.bbsId, s.userId, list);
}

bool gateMuted(House* h, Session* s, const std::string& emit) {
    auto out = h->gate.timedOut.find(playerKey(*s));
    if (out == h->gate.timedOut.end() || out->second <= wallNow()) return false;
    if (emit.find(":chat") == std::string::npos && emit.find(":emote") == std::string::npos) return false;
    sendNotice(h, s->id, s->roomId ? "room:notice" : "lobby:notice",
               "You are timed out: no chat for " + minutesText(out->second - wallNow()) + ".");
    return true;
}

std::string gateBoardName(const House* h, const std::string& board) {
    auto it = h->gate.boards.find(board);
    return it == h->gate.boards.end() ? "" : it->second.name;
}

bool gateParseNet(const std::string& text, uint32_t* net, uint32_t* mask) {
    size_t slash = text.find('/');
    std::string addr = text.substr(0, slash);
    int bits = 32;
    if (slash != std::string::npos) {
        std::string b = text.substr(slash + 1);
        if (b.empty() || b.size() > 2 || b.find_first_not_of("0123456789") != std::string::npos) return false;
        bits = std::atoi(b.c_str());
    }
    in_addr a{};
    if (bits > 32 || inet_pton(AF_INET, addr.c_str(), &a) != 1) return false;
    *mask = bits == 0 ? 0 : 0xFFFFFFFFu << (32 - bits);
    *net = ntohl(a.s_addr) & *mask;
    return true;
}
