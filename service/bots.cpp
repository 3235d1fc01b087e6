#include "bots.h"

#include <array>
#include <string_view>

#include "round.h"
#include "tables.h"
#include "words.h"

namespace {

struct BotKind {
    std::string_view name;
    std::string_view source;   // where the bot claims to play from
};

constexpr std::array<BotKind, 6> BOTS = {{
    {"Pip (bot)", "discord"},
    {"Marigold (bot)", "mobile"},
    {"Captain Noodle (bot)", "steam"},
    {"Biscuit (bot)", "web"},
    {"Dottie (bot)", "mobile"},
    {"Ziggy (bot)", "discord"},
}};

constexpr int64_t BOT_THINK_MIN_MS = 2000;   // bots never answer at once
constexpr int64_t BOT_THINK_SPREAD_MS = 4000;

// Bot delays, shortened for tests that run against the real house.
int64_t botDelay(const House* h, int64_t ms) {
    return h->fastBots ? ms / FAST_BOTS_DIVISOR : ms;
}

bool nameTaken(const Room& r, std::string_view name) {
    for (const Seat& s : r.seats) {
        if (s.name == name) return true;
    }
    return false;
}

bool seatBot(House* h, Room* r) {
    size_t start = houseRandom(h) % BOTS.size();
    for (size_t i = 0; i < BOTS.size(); ++i) {
        const BotKind& kind = BOTS[(start + i) % BOTS.size()];
        if (nameTaken(*r, kind.name)) continue;
        Seat seat{};
        seat.pid = "b" + std::to_string(h->nextBotId++);
        seat.name = std::string(kind.name);
        seat.source = std::string(kind.source);
        if (!roomAddSeat(h, r, seat)) return false;
        roomNotice(h, r, seat.name + " sat down to keep you company.");
        return true;
    }
    return false;
}

void releaseBot(House* h, Room* r) {
    for (size_t i = r->seats.size(); i-- > 0;) {
        if (r->seats[i].session) continue;
        std::string name = r->seats[i].name;
        r->seats.erase(r->seats.begin() + static_cast<long>(i));
        roomNotice(h, r, name + " waves goodbye to make room.");
        return;
    }
}

bool hasBots(const Room& r) {
    return static_cast<int>(r.seats.size()) > humansAt(r);
}

// Seats bots after the wait, or lets one go when callers fill the table.
void fillOrRelease(House* h, Room* r) {
    int seats = static_cast<int>(r->seats.size());
    bool thin = r->phase == PHASE_WAITING && humansAt(*r) > 0 && seats < HOUSE_WANT_PLAYERS && seats < r->maxPlayers;
    if (r->phase == PHASE_WAITING && seats > HOUSE_WANT_PLAYERS && hasBots(*r)) {
        releaseBot(h, r);
        roomBroadcastState(h, r);
        tablesChanged(h);
        return;
    }
    if (!thin) {
        r->botsAt = 0;
        return;
    }
    if (!r->botsAt) {
        r->botsAt = h->now + botDelay(h, BOT_WAIT_MS);
        return;
    }
    if (h->now < r->botsAt) return;
    r->botsAt = 0;
    while (static_cast<int>(r->seats.size()) < HOUSE_WANT_PLAYERS && seatBot(h, r)) {
    }
    roomBroadcastState(h, r);
    tablesChanged(h);
}

void botAnswer(House* h, Room* r, Seat* bot) {
    const Tale* t = taleById(h->lib, r->round.taleId);
    if (!t || bot->submitted) return;
    Json answers = Json::object();
    for (const TaleBlank& b : t->blanks) {
        if (r->round.owner[b.n] == bot->pid) answers[std::to_string(b.n)] = botWordFor(b.type, houseRandom(h));
    }
    int blankN = -1;
    if (roundTakeAnswers(h, r, bot, answers, &blankN).empty()) roundAnswersIn(h, r);
}

void botRead(House* h, Room* r, Seat* bot) {
    std::vector<int> others;
    for (const auto& [n, pid] : r->round.owner) {
        if (pid != bot->pid) others.push_back(n);
    }
    std::string pid = bot->pid;
    if (!others.empty()) {
        roundToggleLaugh(h, r, pid, others[houseRandom(h) % others.size()]);
        for (const Seat& s : r->seats) {
            sendEvent(h, s.session, "room:chat", {{"name", bot->name}, {"text", bot->name + " laughs out loud."}, {"kind", "action"}});
        }
    }
    if (Seat* still = seatOf(r, pid)) roundSeatDoneReading(h, r, still);
}

void botMove(House* h, Room* r, Seat* bot) {
    bot->botActAt = 0;
    switch (r->phase) {
        case PHASE_PICKING: {
            const auto& cats = h->lib.categories;
            if (r->pickerPid == bot->pid && !cats.empty()) {
                roundApplyPick(h, r, cats[houseRandom(h) % cats.size()].name, 0);
            }
            break;
        }
        case PHASE_COLLECTING: botAnswer(h, r, bot); break;
        case PHASE_VOTING: botRead(h, r, bot); break;
        case PHASE_RESULTS: roundSeatReturned(h, r, bot); break;
        default: break;
    }
}

}  // namespace

void botsPlan(House* h, Room* r) {
    for (Seat& s : r->seats) {
        if (s.session) continue;
        bool picks = r->phase != PHASE_PICKING || r->pickerPid == s.pid;
        s.botActAt = r->phase != PHASE_WAITING && picks
                          ? h->now + botDelay(h, BOT_THINK_MIN_MS + houseRandom(h) % BOT_THINK_SPREAD_MS)
                          : 0;
    }
}

void botsTick(House* h, Room* r) {
    fillOrRelease(h, r);
    for (size_t i = 0; i < r->seats.size(); ++i) {
        Seat* s = &r->seats[i];
        if (!s->session && s->botActAt && h->now >= s->botActAt) botMove(h, r, s);
    }
}
