// Random traffic from several doors at once: every emit name with data of
// every shape, the clock running. The house must keep its books straight:
// a seated caller sits at a table that holds their seat, and every seat of
// a caller belongs to a connected caller at that table.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "house_helpers.h"
#include "tables.h"

namespace {

const char* const NAMES[] = {
    "presence:zone", "lobby:refresh", "lobby:chat", "room:chat", "lobby:emote", "room:emote", "room:create",
    "room:join", "room:leave", "host:kick", "room:set-lock", "room:regenerate-code", "room:update-preset",
    "room:knock", "room:knock-reply", "room:invite", "room:invite-reply", "player:set-pages", "room:start-now",
    "host:start", "category:pick", "category:pick-story", "picker:choosing", "picker:wait", "submit:answers",
    "vote:cast", "vote:done", "room:back-to-room", "room:continue-auto", "story:rate", "solo:start",
    "solo:submit", "word:check", "mail:list", "mail:mark-read", "mail:delete", "mail:reply", "carehub:get",
    "feedback:submit", "submission:submit", "report:story", "report:player", "report:begin",
};

Json randomData(std::mt19937* rng, House* h) {
    int n = static_cast<int>((*rng)() % 4) + 1;
    switch ((*rng)() % 8) {
        case 0: return "hello";
        case 1: return Json::object();
        case 2: return {{"code", h->rooms.empty() ? "" : h->rooms.begin()->second.code}};
        case 3: return {{"storyId", n}, {"blankN", n}, {"id", n}, {"rating", n - 2}, {"templateId", n}};
        case 4: return {{"answers", {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}}}};
        case 5: return {{"name", "Bob"}, {"targetName", "Ann"}, {"on", n % 2 == 0}, {"allow", true}};
        case 6: return {{"knockId", "k1"}, {"category", "Pets"}, {"text", 5}};
        default: return Json::array({1, "x"});
    }
}

void expectBooksStraight(House* h) {
    for (auto& [id, s] : h->sessions) {
        if (!s.roomId) continue;
        Room* r = roomOf(h, s.roomId);
        ASSERT_NE(r, nullptr) << s.name;
        EXPECT_NE(seatOf(r, pidOf(s)), nullptr) << s.name;
    }
    for (auto& [id, r] : h->rooms) {
        EXPECT_LE(static_cast<int>(r.seats.size()), r.maxPlayers);
        for (const Seat& seat : r.seats) {
            if (!seat.session) continue;
            Session* s = sessionOf(h, seat.session);
            ASSERT_NE(s, nullptr) << seat.name;
            EXPECT_EQ(s->roomId, r.id) << seat.name;
        }
    }
}

// One run of random traffic; counts the round events it caused into seen.
void chaosRun(unsigned seed, int steps, std::map<std::string, int>* seen) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    House h;
    startHouse(&h);
    std::mt19937 rng(seed);
    const char* names[] = {"Ann", "Bob", "Cy"};
    for (int s = 1; s <= 3; ++s) login(&h, s, names[s - 1]);
    for (int step = 0; step < steps; ++step) {
        int session = static_cast<int>(rng() % 3) + 1;
        if (rng() % 500 == 0) {  // a door drops out and comes back
            houseClose(&h, session);
            login(&h, session, names[session - 1]);
        }
        const char* name = NAMES[rng() % (sizeof NAMES / sizeof NAMES[0])];
        emit(&h, session, name, randomData(&rng, &h), static_cast<int>(rng() % 14));
        if (step % 10 == 0) tickTo(&h, h.now + static_cast<int64_t>(rng() % 8000));
        if (step % 100 == 0) {
            expectBooksStraight(&h);
            for (const Outgoing& o : h.outbox) {
                for (const char* ev : {"game:story-reveal", "game:round-results"}) {
                    if (o.line.find(std::string("\"event\":\"") + ev + "\"") != std::string::npos) (*seen)[ev]++;
                }
            }
            h.outbox.clear();
        }
        if (::testing::Test::HasFatalFailure()) return;
    }
    expectBooksStraight(&h);
}

}  // namespace

TEST(HouseChaos, RandomTrafficKeepsTheBooksStraight) {
    std::map<std::string, int> seen;  // the traffic must reach deep into rounds
    for (unsigned seed = 1; seed <= 6; ++seed) {
        chaosRun(seed, 5000, &seen);
        if (HasFatalFailure()) return;
    }
    for (const char* ev : {"game:story-reveal", "game:round-results"}) EXPECT_GT(seen[ev], 0) << ev;
}
