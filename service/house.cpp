#include "house.h"

#include <cctype>

void houseInit(House* h, const Library& lib, uint32_t seed) {
    *h = House{};
    h->lib = lib;
    h->rng = seed ? seed : 0x9E3779B9u;
    h->nextRoomId = 1;
    h->nextBotId = 1;
    h->nextKnockId = 1;
}

// xorshift32: enough for shuffling bots and share codes, and repeatable in tests.
uint32_t houseRandom(House* h) {
    uint32_t x = h->rng;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    h->rng = x;
    return x;
}

void sendEvent(House* h, int session, const std::string& name, const Json& data) {
    if (session <= 0) return;  // bots have no connection
    h->outbox.push_back({session, jsonLine({{"event", name}, {"data", data}})});
}

void sendReply(House* h, int session, int ackId, const Json& data) {
    if (session <= 0) return;
    h->outbox.push_back({session, jsonLine({{"ackId", ackId}, {"data", data}})});
}

void sendNotice(House* h, int session, const std::string& name, const std::string& text) {
    sendEvent(h, session, name, {{"text", text}});
}

Session* sessionOf(House* h, int session) {
    auto it = h->sessions.find(session);
    return it == h->sessions.end() ? nullptr : &it->second;
}

std::string lowerText(const std::string& s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

Session* sessionByName(House* h, const std::string& name) {
    std::string want = lowerText(name);
    for (auto& [id, s] : h->sessions) {
        if (s.authed && lowerText(s.name) == want) return &s;
    }
    return nullptr;
}

Session* sessionByTypedName(House* h, const std::string& typed, const Session* except) {
    std::string want = lowerText(typed);
    if (want.empty()) return nullptr;
    if (Session* s = sessionByName(h, typed); s && s != except) return s;
    for (auto& [id, s] : h->sessions) {
        if (s.authed && &s != except && lowerText(s.name).rfind(want, 0) == 0) return &s;
    }
    return nullptr;
}

std::string playerKey(const Session& s) {
    return s.bbsId + "/" + s.userId;
}

Player* playerOf(House* h, const Session& s) {
    return &h->players[playerKey(s)];
}

bool ignores(House* h, const Session& listener, const Session& speaker) {
    auto it = h->players.find(playerKey(listener));
    if (it == h->players.end()) return false;
    std::string key = playerKey(speaker);
    for (const Ignored& i : it->second.ignores) {
        if (i.key == key) return true;
    }
    return false;
}

std::string pidOf(const Session& s) {
    return "s" + std::to_string(s.id);
}

int onlineTotal(const House* h) {
    int n = 0;
    for (const auto& [id, s] : h->sessions) n += s.authed ? 1 : 0;
    return n;
}
