#include "round.h"

#include <algorithm>
#include <set>

#include "bots.h"
#include "tables.h"
#include "words.h"

namespace {

Room* seatedRoom(House* h, int session, Seat** seat) {
    Session* s = sessionOf(h, session);
    Room* r = s ? roomOf(h, s->roomId) : nullptr;
    *seat = r ? seatOf(r, pidOf(*s)) : nullptr;
    return *seat ? r : nullptr;
}

void toSeats(House* h, Room* r, const std::string& name, const Json& data) {
    for (const Seat& s : r->seats) sendEvent(h, s.session, name, data);
}

void setPhase(House* h, Room* r, RoomPhase phase, int64_t ms) {
    r->phase = phase;
    r->deadline = ms ? h->now + ms : 0;
    r->warned = false;
    for (Seat& s : r->seats) {
        s.submitted = s.doneReading = s.returned = false;
        s.botActAt = 0;
    }
    botsPlan(h, r);
}

const Tale* randomTale(House* h, const std::string& category) {
    std::vector<const Tale*> pool = talesOfCategory(h->lib, category);
    if (pool.empty()) {
        for (const Tale& t : h->lib.tales) pool.push_back(&t);
    }
    return pool.empty() ? nullptr : pool[houseRandom(h) % pool.size()];
}

Json categoryNames(House* h) {
    Json names = Json::array();
    for (const Category& c : h->lib.categories) names.push_back(c.name);
    return names;
}

Json pickEvent(House* h, const std::string& pickerPid, const std::string& pickerName, int64_t ms) {
    return {{"pickerId", pickerPid}, {"pickerName", pickerName}, {"pickSeconds", ms / 1000}, {"categories", categoryNames(h)}};
}

Json blanksOf(const Tale& t, const Round& round, const std::string& pid) {
    Json list = Json::array();
    for (const TaleBlank& b : t.blanks) {
        auto it = round.owner.find(b.n);
        if (it != round.owner.end() && it->second == pid) list.push_back({{"n", b.n}, {"type", b.type}, {"hint", b.hint}});
    }
    return list;
}

void beginPrompts(House* h, Room* r, const Tale* t) {
    if (!t || r->seats.empty()) return;
    r->round = Round{};
    r->round.taleId = t->id;
    r->pickerPid.clear();
    for (size_t i = 0; i < t->blanks.size(); ++i) {
        r->round.owner[t->blanks[i].n] = r->seats[i % r->seats.size()].pid;
    }
    setPhase(h, r, PHASE_COLLECTING, WORDS_MS + WORDS_GRACE_MS);
    for (Seat& s : r->seats) {
        Json blanks = blanksOf(*t, r->round, s.pid);
        s.submitted = blanks.empty();  // more players than gaps: nothing to give
        sendEvent(h, s.session, "game:prompts",
                  {{"template", {{"title", t->title}, {"category", t->category}}}, {"blanks", blanks},
                   {"totalBlanks", t->blanks.size()}, {"seconds", WORDS_MS / 1000}});
    }
    roomBroadcastState(h, r);
}

bool everybody(const Room& r, bool Seat::*flag) {
    for (const Seat& s : r.seats) {
        if (!(s.*flag)) return false;
    }
    return true;
}

void reveal(House* h, Room* r) {
    const Tale* t = taleById(h->lib, r->round.taleId);
    if (!t) return;
    Json words = Json::array();
    for (const TaleBlank& b : t->blanks) {
        std::string& w = r->round.words[b.n];
        if (w.empty()) w = botWordFor(b.type, houseRandom(h));  // the house fills what nobody gave
        words.push_back({{"n", b.n}, {"value", w}, {"authorId", r->round.owner[b.n]}});
    }
    setPhase(h, r, PHASE_VOTING, VOTE_MS);
    toSeats(h, r, "game:story-reveal",
            {{"title", t->title}, {"category", t->category}, {"storyId", t->id},
             {"story", taleFill(*t, r->round.words)}, {"words", words}, {"voteSeconds", VOTE_MS / 1000}});
    roomBroadcastState(h, r);
}

Json playersJson(const Room& r) {
    Json list = Json::array();
    for (const Seat& s : r.seats) {
        list.push_back({{"id", s.pid}, {"name", s.name}, {"source", s.source}, {"ink", s.ink}, {"laughs", s.laughs}});
    }
    return list;
}

std::string ratingKey(const Session& s, int storyId) {
    return s.bbsId + "/" + s.userId + "/" + std::to_string(storyId);
}

void results(House* h, Room* r) {
    for (auto& [n, pids] : r->round.laughers) {
        if (Seat* author = seatOf(r, r->round.owner[n])) author->laughs += static_cast<int64_t>(pids.size());
    }
    setPhase(h, r, PHASE_RESULTS, RESULTS_MS);
    toSeats(h, r, "game:round-results", {{"standings", playersJson(*r)}});
    const Tale* t = taleById(h->lib, r->round.taleId);
    for (const Seat& seat : r->seats) {
        Session* s = sessionOf(h, seat.session);
        if (!s || !t) continue;
        Json prompt = {{"storyId", t->id}, {"title", t->title}};
        auto it = h->ratings.find(ratingKey(*s, t->id));
        if (it != h->ratings.end()) prompt["mine"] = it->second;
        sendEvent(h, s->id, "story:rate-prompt", prompt);
    }
    roomBroadcastState(h, r);
}

void backToWaiting(House* h, Room* r) {
    setPhase(h, r, PHASE_WAITING, 0);
    r->round = Round{};
    r->startAt = r->autoHost && r->seats.size() >= 2 ? h->now + AUTO_START_MS : 0;
    roomBroadcastState(h, r);
    tablesChanged(h);
}

void pickTimedOut(House* h, Room* r) {
    toSeats(h, r, "game:category-spin", Json::object());
    beginPrompts(h, r, randomTale(h, ""));
}

void resultsTimedOut(House* h, Room* r) {
    std::vector<int> late;
    for (const Seat& s : r->seats) {
        if (s.session && !s.returned) late.push_back(s.session);
    }
    int roomId = r->id;
    for (int session : late) {
        sendEvent(h, session, "room:timeout-removed", Json::object());
        tableLeave(h, session, false);
    }
    if (Room* still = roomOf(h, roomId)) backToWaiting(h, still);
}

void warnIfDue(House* h, Room* r) {
    int64_t left = r->deadline - h->now;
    if (r->warned || left > (r->phase == PHASE_PICKING ? PICK_WARN_MS : FINAL_WARN_MS)) return;
    r->warned = true;
    if (r->phase == PHASE_PICKING) toSeats(h, r, "game:picker-warning", {{"seconds", left / 1000}});
    if (r->phase != PHASE_RESULTS) return;
    for (const Seat& s : r->seats) {
        if (!s.returned) sendEvent(h, s.session, "game:final-warning", {{"seconds", left / 1000}});
    }
}

void phaseTimedOut(House* h, Room* r) {
    switch (r->phase) {
        case PHASE_PICKING: pickTimedOut(h, r); break;
        case PHASE_COLLECTING: reveal(h, r); break;
        case PHASE_VOTING: results(h, r); break;
        case PHASE_RESULTS: resultsTimedOut(h, r); break;
        default: break;
    }
}

}  // namespace

void roundStart(House* h, Room* r) {
    if (r->phase != PHASE_WAITING || r->seats.size() < 2) return;
    r->startAt = 0;
    if (r->presetChosen || r->presetStoryId > 0 || !r->presetCategory.empty() || r->autoHost) {
        const Tale* preset = taleById(h->lib, r->presetStoryId);
        std::string category = r->presetCategory;
        r->presetStoryId = 0;
        r->presetCategory.clear();
        r->presetChosen = false;
        if (!preset) toSeats(h, r, "game:category-spin", Json::object());
        beginPrompts(h, r, preset ? preset : randomTale(h, category));
        return;
    }
    const Seat& picker = r->roundRobin ? r->seats[static_cast<size_t>(r->pickTurn++) % r->seats.size()]
                                       : (seatOf(r, r->hostPid) ? *seatOf(r, r->hostPid) : r->seats[0]);
    r->pickerPid = picker.pid;
    std::string pickerName = picker.name;
    setPhase(h, r, PHASE_PICKING, PICK_MS);
    toSeats(h, r, "game:category-pick", pickEvent(h, r->pickerPid, pickerName, PICK_MS));
    roomBroadcastState(h, r);
    tablesChanged(h);
}

void roundCatchUp(House* h, Room* r, int session) {
    Seat* picker = r->phase == PHASE_PICKING ? seatOf(r, r->pickerPid) : nullptr;
    if (!picker) return;
    int64_t left = std::max<int64_t>(r->deadline - h->now, 0);
    sendEvent(h, session, "game:category-pick", pickEvent(h, picker->pid, picker->name, left));
}

void roundStartRequest(House* h, int session, const Json&) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (!r || r->autoHost || r->hostPid != seat->pid) return;
    if (r->seats.size() < 2) {
        sendNotice(h, session, "room:notice", "You need one more player before you can start.");
        return;
    }
    roundStart(h, r);
}

void roundApplyPick(House* h, Room* r, const std::string& category, int storyId) {
    if (r->phase != PHASE_PICKING) return;
    const Tale* t = storyId > 0 ? taleById(h->lib, storyId) : nullptr;
    beginPrompts(h, r, t ? t : randomTale(h, category));
}

void roundPickCategory(House* h, int session, const Json& data) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (r && r->pickerPid == seat->pid) roundApplyPick(h, r, jsStr(data, "category"), 0);
}

void roundPickStory(House* h, int session, const Json& data) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (r && r->pickerPid == seat->pid) roundApplyPick(h, r, "", static_cast<int>(jsInt(data, "storyId", 0)));
}

// More time for the chooser; the others (and, when asking for more time,
// the chooser too) hear how long the wait is now.
static void extendPick(House* h, int session, int64_t ms, bool more) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (!r || r->phase != PHASE_PICKING || r->pickerPid != seat->pid) return;
    r->deadline = more ? std::max(r->deadline, h->now) + ms : h->now + ms;
    r->warned = false;
    int64_t secs = (r->deadline - h->now) / 1000;
    for (const Seat& s : r->seats) {
        if (more || s.pid != seat->pid) {
            sendEvent(h, s.session, "game:picker-waiting", {{"pickerId", seat->pid}, {"pickerName", seat->name}, {"seconds", secs}});
        }
    }
}

void roundPickerChoosing(House* h, int session, const Json&) {
    extendPick(h, session, PICK_CHOOSING_MS, false);
}

void roundPickerWait(House* h, int session, const Json&) {
    extendPick(h, session, PICK_WAIT_MORE_MS, true);
}

std::string roundTakeAnswers(House*, Room* r, Seat* seat, const Json& answers, int* blankN) {
    std::map<int, std::string> mine;
    for (const auto& [n, pid] : r->round.owner) {
        if (pid != seat->pid) continue;
        std::string word = tidyWord(jsStr(answers, std::to_string(n).c_str()));
        if (word.empty()) continue;  // a door whose time ran out sends what it has; the reveal fills the rest
        *blankN = n;
        if (wordRefused(word)) return "That word can't be used here - try another one.";
        mine[n] = word;
    }
    for (const auto& [n, word] : mine) r->round.words[n] = word;
    seat->submitted = true;
    *blankN = -1;
    return "";
}

void roundAnswersIn(House* h, Room* r) {
    if (everybody(*r, &Seat::submitted)) reveal(h, r);
    else roomBroadcastState(h, r);
}

void roundSubmit(House* h, int session, const Json& data) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (!r || r->phase != PHASE_COLLECTING || seat->submitted) {
        sendReply(h, session, 12, {{"ok", false}, {"blankN", -1}, {"error", "The words are not wanted right now."}});
        return;
    }
    const Json* answers = jsObj(data, "answers");
    int blankN = -1;
    std::string error = roundTakeAnswers(h, r, seat, answers ? *answers : Json::object(), &blankN);
    if (!error.empty()) {
        sendReply(h, session, 12, {{"ok", false}, {"blankN", blankN}, {"error", error}});
        return;
    }
    sendReply(h, session, 12, {{"ok", true}});  // the door locks its words in before the tale comes
    roundAnswersIn(h, r);
}

void roundToggleLaugh(House* h, Room* r, const std::string& pid, int blankN) {
    auto owner = r->round.owner.find(blankN);
    if (r->phase != PHASE_VOTING || owner == r->round.owner.end() || owner->second == pid) return;
    std::set<std::string>& who = r->round.laughers[blankN];
    if (!who.erase(pid)) who.insert(pid);
    toSeats(h, r, "game:word-tally", {{"blankN", blankN}, {"laughs", who.size()}});
}

void roundVote(House* h, int session, const Json& data) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (r) roundToggleLaugh(h, r, seat->pid, static_cast<int>(jsInt(data, "blankN", -1)));
}

void roundSeatDoneReading(House* h, Room* r, Seat* seat) {
    if (r->phase != PHASE_VOTING || seat->doneReading) return;
    seat->doneReading = true;
    if (everybody(*r, &Seat::doneReading)) {
        results(h, r);
        return;
    }
    Json pending = Json::array();
    for (const Seat& s : r->seats) {
        if (!s.doneReading) pending.push_back(s.name);
    }
    toSeats(h, r, "game:voter-done", {{"pendingNames", pending}});
}

void roundVoteDone(House* h, int session, const Json&) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (r) roundSeatDoneReading(h, r, seat);
}

void roundSeatReturned(House* h, Room* r, Seat* seat) {
    if (r->phase != PHASE_RESULTS || seat->returned) return;
    seat->returned = true;
    if (everybody(*r, &Seat::returned)) backToWaiting(h, r);
    else roomBroadcastState(h, r);
}

void roundBackToRoom(House* h, int session, const Json&) {
    Seat* seat = nullptr;
    Room* r = seatedRoom(h, session, &seat);
    if (r) roundSeatReturned(h, r, seat);
}

void roundRate(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    int storyId = static_cast<int>(jsInt(data, "storyId", 0));
    int rating = static_cast<int>(jsInt(data, "rating", 0));
    if (!s || !taleById(h->lib, storyId) || rating < -1 || rating > 1) return;
    h->ratings[ratingKey(*s, storyId)] = rating;
}

void roundSeatGone(House* h, Room* r) {
    if (r->phase == PHASE_WAITING) {
        if (r->seats.size() < 2) r->startAt = 0;
        return;
    }
    if (humansAt(*r) == 0) return;  // the table closes
    if (r->phase == PHASE_RESULTS) {  // the round is over: only the way back is left
        if (everybody(*r, &Seat::returned)) backToWaiting(h, r);
        return;
    }
    if (r->seats.size() < 2) {
        toSeats(h, r, "game:aborted", {{"reason", "Not enough players left - the round was stopped."}});
        setPhase(h, r, PHASE_WAITING, 0);
        r->round = Round{};
        r->pickerPid.clear();
        return;
    }
    if (r->phase == PHASE_PICKING && !seatOf(r, r->pickerPid)) {
        pickTimedOut(h, r);
        return;
    }
    // Whoever left no longer holds the others up.
    if (r->phase == PHASE_COLLECTING && everybody(*r, &Seat::submitted)) reveal(h, r);
    else if (r->phase == PHASE_VOTING && everybody(*r, &Seat::doneReading)) results(h, r);
}

void roomTick(House* h, Room* r) {
    botsTick(h, r);
    if (r->phase == PHASE_WAITING) {
        if (r->autoHost && r->seats.size() >= 2 && !r->startAt && humansAt(*r)) {
            r->startAt = h->now + AUTO_START_MS;
            roomBroadcastState(h, r);
        }
        if (r->startAt && h->now >= r->startAt) roundStart(h, r);
        return;
    }
    if (!r->deadline) return;
    warnIfDue(h, r);
    if (h->now >= r->deadline) phaseTimedOut(h, r);
}
