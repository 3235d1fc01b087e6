// Random traffic from several doors at once: every emit name with data of
// every shape, the clock running, doors dropping out and coming back. The
// house must keep its books straight: a seated caller sits at a table that
// holds their seat, and every seat of a caller belongs to a connected caller
// at that table.
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

void expectBooksStraight(House* h) {
    for (auto& [id, s] : h->sessions)
        if (s.roomId) ASSERT_TRUE(roomOf(h, s.roomId) && seatOf(roomOf(h, s.roomId), pidOf(s))) << s.name << " is not at their table";
    for (auto& [id, r] : h->rooms) {
        EXPECT_LE((int)r.seats.size(), r.maxPlayers);
        for (const Seat& seat : r.seats)
            if (seat.session) ASSERT_TRUE(sessionOf(h, seat.session) && sessionOf(h, seat.session)->roomId == r.id) << seat.name;
    }
}

}  // namespace

TEST(HouseChaos, RandomTrafficKeepsTheBooksStraight) {
    size_t reveals = 0, results = 0;  // the traffic must reach deep into rounds
    const char* names[] = {"Ann", "Bob", "Cy"};
    for (unsigned seed = 1; seed <= 6 && !HasFatalFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TestHouse t({"Ann", "Bob", "Cy"});
        std::mt19937 rng(seed);
        for (int step = 0; step < 5000 && !HasFatalFailure(); ++step) {
            int s = (int)(rng() % 3) + 1, n = (int)(rng() % 4) + 1;
            if (rng() % 500 == 0) t.act(s, "close"), t.act(s, std::string("login ") + names[s - 1]);  // a door drops out and back
            const Json data[] = {"hello", Json::object(), {{"code", t.h.rooms.empty() ? "" : t.h.rooms.begin()->second.code}},
                                 {{"storyId", n}, {"blankN", n}, {"id", n}, {"rating", n - 2}, {"templateId", n}},
                                 {{"answers", {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}}}},
                                 {{"name", "Bob"}, {"targetName", "Ann"}, {"on", n % 2 == 0}, {"allow", true}},
                                 {{"knockId", "k1"}, {"category", "Pets"}, {"text", 5}}, Json::array({1, "x"})};
            t.act(s, NAMES[rng() % std::size(NAMES)] + ("#" + std::to_string(rng() % 14 + 1)) + " " + data[rng() % std::size(data)].dump());
            for (int to : {1, 2, 3}) reveals += !t.last(to, "game:story-reveal").is_null();
            if (step % 10 == 0 && t.act(s, "tick " + std::to_string(rng() % 8000)))
                for (int to : {1, 2, 3}) results += !t.last(to, "game:round-results").is_null();
            if (step % 100 == 0) expectBooksStraight(&t.h);
        }
        expectBooksStraight(&t.h);
    }
    EXPECT_GT(reveals, 0u);
    EXPECT_GT(results, 0u);
}
