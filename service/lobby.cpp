#include "lobby.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "tables.h"

namespace {

struct Action {
    std::string_view word;     // typed first on the line
    std::string_view alone;    // "%s" is the sender
    std::string_view aimed;    // "%s" sender, then the target
};

constexpr std::array<Action, 16> ACTIONS = {{
    {"waves", "%s waves.", "%s waves at %s."},
    {"laughs", "%s laughs out loud.", "%s laughs with %s."},
    {"giggles", "%s giggles.", "%s giggles at %s."},
    {"cheers", "%s cheers!", "%s cheers for %s!"},
    {"claps", "%s claps.", "%s claps for %s."},
    {"bows", "%s takes a bow.", "%s bows to %s."},
    {"hugs", "%s hugs everybody.", "%s hugs %s."},
    {"winks", "%s winks.", "%s winks at %s."},
    {"grins", "%s grins.", "%s grins at %s."},
    {"shrugs", "%s shrugs.", "%s shrugs at %s."},
    {"dances", "%s dances a little jig.", "%s dances with %s."},
    {"nods", "%s nods.", "%s nods to %s."},
    {"yawns", "%s yawns.", "%s yawns at %s."},
    {"highfives", "%s holds up a hand for a high five.", "%s high-fives %s."},
    {"thanks", "%s says thank you.", "%s thanks %s."},
    {"salutes", "%s salutes.", "%s salutes %s."},
}};

// One system line (the door wraps it); the door's help page has the rest.
constexpr const char* HELP_TEXT =
    "Commands: >name text (aloud to one), /name text (whisper), wave or wave name (add secretly: theirs "
    "alone; /actions lists all), /ignore name, /unignore name, /page on|off, /who, /report, /quit.";

constexpr const char* GREETING = "Welcome to the house, {username}! Pull up a chair.";

std::string cut(const std::string& s, size_t max) { return textCut(s, max); }

std::string uniqueName(House* h, const std::string& wanted) {
    std::string base = cut(wanted, HOUSE_MAX_NAME - 3);
    if (base.find_first_not_of(' ') == std::string::npos) base = "Guest";
    std::string name = base;
    for (int n = 2; sessionByName(h, name) && n < 1000; ++n) name = base + " " + std::to_string(n);
    return name;
}

Json categoriesJson(const Library& lib) {
    Json list = Json::array();
    for (const Category& c : lib.categories) list.push_back({{"name", c.name}, {"kind", c.kind}});
    return list;
}

Json announcementsJson() {
    return Json::array({{{"id", 1},
                         {"title", "The house is open"},
                         {"body", "This is the local house game service. Open a table, invite a friend by "
                                  "share code, or let the house bots keep you company. Every tale here was "
                                  "written for the house."}}});
}

Json rosterJson(House* h) {
    Json players = Json::array();
    for (const auto& [id, s] : h->sessions) {
        if (s.authed && s.roomId == 0 && players.size() < HOUSE_LIST_MAX) {
            players.push_back({{"id", pidOf(s)}, {"name", s.name}, {"source", "bbs"}});
        }
    }
    return {{"players", players}};
}

// The board's own names override the door.cfg names on the goodbye screen,
// so only names the house was given go out; none at all leaves the door's.
Json boardJson(House* h, const Session& s) {
    auto it = h->boards.find(s.bbsId);
    const BoardNames& own = it != h->boards.end() ? it->second : h->names;
    Json bbs = Json::object();
    if (!own.board.empty()) bbs["board"] = own.board;
    if (!own.sysop.empty()) bbs["sysop"] = own.sysop;
    return bbs;
}

// Everything a door learns at log-in; sent again when it asks for the
// category list (see lobbyRefresh).
Json authedJson(House* h, const Session& s) {
    return {{"ok", true},
            {"you", {{"name", s.name}, {"id", pidOf(s)}, {"greeting", GREETING}}},
            {"features", {{"tester_feedback", true}, {"feedback_label", "Feedback"}}},
            {"bbs", boardJson(h, s)},
            {"categories", categoriesJson(h->lib)},
            {"announcements", announcementsJson()},
            {"onlineTotal", onlineTotal(h)}};
}

void sendRoomsAndRoster(House* h, int session) {
    sendEvent(h, session, "lobby:rooms", {{"rooms", tablesListJson(h)}});
    sendEvent(h, session, "lobby:roster", rosterJson(h));
}

void broadcastTotal(House* h) {
    int total = onlineTotal(h);
    for (const auto& [id, s] : h->sessions) {
        if (s.authed) sendEvent(h, id, "presence:total", {{"online", total}});
    }
}

std::string firstWord(const std::string& text, std::string* rest) {
    size_t end = text.find(' ');
    std::string word = text.substr(0, end);
    size_t from = end == std::string::npos ? text.size() : text.find_first_not_of(' ', end);
    *rest = from == std::string::npos ? "" : text.substr(from);
    return word;
}

// A line to everybody who hears the speaker and does not ignore them; made
// once, as a busy Lounge has hundreds of listeners.
void sendChatTo(House* h, const Session& from, bool inRoom, const Json& data) {
    std::string line = jsonLine({{"event", inRoom ? "room:chat" : "lobby:chat"}, {"data", data}});
    for (int id : chatAudience(h, from, inRoom)) {
        Session* to = sessionOf(h, id);
        if (to && !ignores(h, *to, from)) h->outbox.push_back({id, line});
    }
}

void tell(House* h, const Session& s, bool inRoom, const std::string& text) {
    sendNotice(h, s.id, inRoom ? "room:notice" : "lobby:notice", text);
}

std::string nobodyCalled(const std::string& typed) {
    return "Nobody called " + cut(typed, 30) + " is here.";
}

// "/name text": a whisper to anybody online.
void whisper(House* h, Session* from, const std::string& target, const std::string& rest, bool inRoom) {
    Session* to = sessionByTypedName(h, target, from);
    if (!to || rest.empty()) {
        tell(h, *from, inRoom, to ? "Type something to whisper after the name." : nobodyCalled(target));
        return;
    }
    const char* ev = inRoom ? "room:chat" : "lobby:chat";
    sendEvent(h, from->id, ev, {{"name", to->name}, {"text", rest}, {"whisper", true}, {"direction", "out"}});
    if (ignores(h, *to, *from)) return;  // the sender is not told: that would give the ignoring away
    sendEvent(h, to->id, to->roomId ? "room:chat" : "lobby:chat",
              {{"name", from->name}, {"text", rest}, {"whisper", true}, {"direction", "in"}});
}

// "/ignore name": by board and user id, so a new alias or a new visit
// changes nothing; alone it lists who is ignored.
void ignoreCommand(House* h, Session* s, const std::string& typed, bool inRoom) {
    Player* p = playerOf(h, *s);
    if (typed.empty()) {
        std::string names;
        for (const Ignored& i : p->ignores) names += (names.empty() ? "" : ", ") + i.name;
        tell(h, *s, inRoom, names.empty() ? "You are not ignoring anybody." : "You are ignoring: " + names + ".");
        return;
    }
    Session* who = sessionByTypedName(h, typed, s);
    if (!who) {
        tell(h, *s, inRoom, nobodyCalled(typed));
        return;
    }
    if (!ignores(h, *s, *who)) {
        if (p->ignores.size() >= HOUSE_IGNORE_MAX) p->ignores.erase(p->ignores.begin());
        p->ignores.push_back({playerKey(*who), who->name});
    }
    tell(h, *s, inRoom, "You are ignoring " + who->name + ": you won't see their messages. /unignore " + who->name + " lets them through.");
}

// "/unignore name": matched against the list, so it works while they are away.
void unignoreCommand(House* h, Session* s, const std::string& typed, bool inRoom) {
    std::vector<Ignored>& list = playerOf(h, *s)->ignores;
    std::string want = lowerText(typed);
    auto hit = std::find_if(list.begin(), list.end(), [&](const Ignored& i) { return lowerText(i.name) == want; });
    if (hit == list.end() && !want.empty())
        hit = std::find_if(list.begin(), list.end(), [&](const Ignored& i) { return lowerText(i.name).rfind(want, 0) == 0; });
    if (hit == list.end()) {
        tell(h, *s, inRoom, "You are not ignoring anybody called " + cut(typed, 30) + ".");
        return;
    }
    tell(h, *s, inRoom, hit->name + "'s messages come through again.");
    list.erase(hit);
}

// "/word ...": the house's own commands, else a whisper.
void slashCommand(House* h, Session* s, const std::string& text, bool inRoom) {
    std::string rest;
    std::string word = firstWord(text.substr(1), &rest);
    std::string command = lowerText(word);
    if (command == "ignore") ignoreCommand(h, s, firstWord(rest, &rest), inRoom);
    else if (command == "unignore") unignoreCommand(h, s, firstWord(rest, &rest), inRoom);
    else if (command == "help") tell(h, *s, inRoom, HELP_TEXT);
    else whisper(h, s, word, rest, inRoom);
}

}  // namespace

ActionWords actionWords(const std::string& text) {
    ActionWords out{-1, "", false};
    std::string rest;
    std::string word = lowerText(firstWord(text, &rest));
    for (const Action& a : ACTIONS) {
        // Every listed form is its base word with an "s": "wave" and "waves".
        if (word == a.word || word + "s" == a.word) out.action = &a - ACTIONS.data();
    }
    if (out.action < 0) return out;
    out.target = firstWord(rest, &rest);
    if (lowerText(out.target) == "secretly") out.target.clear();  // nobody to keep it secret from
    std::string last = firstWord(rest, &rest);
    out.secret = !out.target.empty() && lowerText(last) == "secretly" && rest.empty();
    if (!out.secret && !last.empty()) out.action = -1;  // more words after the name: a sentence, said aloud
    return out;
}

std::string actionLine(const std::string& sender, const ActionWords& w, const std::string& target) {
    if (w.action < 0) return "";
    const Action& a = ACTIONS[static_cast<size_t>(w.action)];
    char line[700];
    if (target.empty()) std::snprintf(line, sizeof line, std::string(a.alone).c_str(), sender.c_str());
    else std::snprintf(line, sizeof line, std::string(a.aimed).c_str(), sender.c_str(), cut(target, 30).c_str());
    return line;
}

std::vector<int> chatAudience(House* h, const Session& from, bool inRoom) {
    std::vector<int> out;
    if (inRoom) {
        if (Room* r = roomOf(h, from.roomId)) {
            for (const Seat& s : r->seats) {
                if (s.session) out.push_back(s.session);
            }
        }
        return out;
    }
    for (const auto& [id, s] : h->sessions) {
        if (s.authed && s.roomId == 0) out.push_back(id);
    }
    return out;
}

void lobbyConnect(House* h, int session, const Json& cmd) {
    Session* s = sessionOf(h, session);
    if (!s || s->authed) return;  // a second connect on one line changes nothing
    s->name = uniqueName(h, jsStr(cmd, "alias", "Guest"));
    s->bbsId = cut(jsStr(cmd, "bbsInstanceId"), 60);
    s->userId = cut(jsStr(cmd, "localUserid"), 20);
    s->zone = "welcome";
    s->pagesOn = true;
    s->authed = true;
    sendEvent(h, session, "authed", authedJson(h, *s));
    broadcastTotal(h);
    tablesChanged(h);
}

void lobbyDisconnect(House* h, int session) {
    Session* s = sessionOf(h, session);
    if (!s) return;
    bool wasAuthed = s->authed;
    if (s->roomId) tableLeave(h, session, false);
    knocksForget(h, session);
    h->sessions.erase(session);
    if (wasAuthed) {
        broadcastTotal(h);
        tablesChanged(h);
    }
}

void lobbyPresence(House* h, int session, const Json& data) {
    Session* s = sessionOf(h, session);
    if (!s || !data.is_string()) return;
    s->zone = cut(data.get<std::string>(), 20);
    if (s->zone != "lounge") knocksForget(h, session);  // knocks are made from the Lounge
}

// A door asks for the table list when it enters the Lounge, and also when
// its story submission reaches the category step without a category list:
// the only answer a door takes categories from outside a table's pick is
// authed, so a caller asking from outside the Lounge and the tables gets the
// log-in answer again (harmless to repeat) before the tables.
void lobbyRefresh(House* h, int session, const Json&) {
    Session* s = sessionOf(h, session);
    if (s && s->zone != "lounge" && !s->roomId) sendEvent(h, session, "authed", authedJson(h, *s));
    sendRoomsAndRoster(h, session);
}

void lobbyBroadcast(House* h) {
    h->lobbyDirty = true;
}

void lobbyFlush(House* h) {
    if (!h->lobbyDirty) return;
    h->lobbyDirty = false;
    std::string rooms = jsonLine({{"event", "lobby:rooms"}, {"data", {{"rooms", tablesListJson(h)}}}});
    std::string roster = jsonLine({{"event", "lobby:roster"}, {"data", rosterJson(h)}});
    for (const auto& [id, s] : h->sessions) {
        if (!s.authed || s.roomId) continue;
        h->outbox.push_back({id, rooms});
        h->outbox.push_back({id, roster});
    }
}

void lobbyStories(House* h, int session, const Json& cmd) {
    sendEvent(h, session, "stories", storiesPage(h->lib, jsStr(cmd, "category"), jsInt(cmd, "offset", 0)));
}

void lobbyActions(House* h, int session, const Json&) {
    Json items = Json::array();
    for (const Action& a : ACTIONS) items.push_back(std::string(a.word));
    sendEvent(h, session, "actions", {{"total", ACTIONS.size()}, {"items", items}});
}

// An action aloud names whoever the typed name finds (or the text as typed
// when nobody); a secret one goes to its target and the sender alone.
static void doAction(House* h, Session* s, const ActionWords& w, bool inRoom) {
    Session* to = w.target.empty() ? nullptr : sessionByTypedName(h, w.target, s);
    if (w.secret && !to) {
        tell(h, *s, inRoom, nobodyCalled(w.target));
        return;
    }
    std::string text = actionLine(s->name, w, to ? to->name : w.target);
    if (!w.secret) {
        sendChatTo(h, *s, inRoom, {{"name", s->name}, {"text", text}, {"kind", "action"}});
        return;
    }
    Json line = {{"name", s->name}, {"text", "(secretly) " + text}, {"kind", "action"}};
    sendEvent(h, s->id, inRoom ? "room:chat" : "lobby:chat", line);
    if (!ignores(h, *to, *s)) sendEvent(h, to->id, to->roomId ? "room:chat" : "lobby:chat", line);
}

void chatSay(House* h, int session, const Json& data, bool inRoom) {
    Session* s = sessionOf(h, session);
    if (!s || !data.is_string() || (inRoom && !s->roomId)) return;
    std::string text = cut(data.get<std::string>(), HOUSE_MAX_CHAT);
    if (text.find_first_not_of(' ') == std::string::npos) return;
    if (text.size() > 1 && text[0] == '/') {
        slashCommand(h, s, text, inRoom);
        return;
    }
    ActionWords w = actionWords(text);
    if (w.action >= 0) {
        doAction(h, s, w, inRoom);
        return;
    }
    if (text[0] == '>') {
        std::string rest;
        std::string target = firstWord(text.substr(1), &rest);
        Session* to = sessionByName(h, target);
        if (to && !rest.empty()) {
            sendChatTo(h, *s, inRoom, {{"name", s->name}, {"text", rest}, {"directedTo", to->name}});
            return;
        }
    }
    sendChatTo(h, *s, inRoom, {{"name", s->name}, {"text", text}});
}

void chatEmote(House* h, int session, const Json& data, bool inRoom) {
    Session* s = sessionOf(h, session);
    if (!s || (inRoom && !s->roomId)) return;
    std::string text = cut(jsStr(data, "text"), HOUSE_MAX_CHAT);
    std::string line = text.find_first_not_of(' ') == std::string::npos ? s->name + " smiles." : s->name + " " + text;
    for (int id : chatAudience(h, *s, inRoom)) {
        Session* to = sessionOf(h, id);
        if (to && !ignores(h, *to, *s)) sendEvent(h, id, inRoom ? "room:emote" : "lobby:emote", {{"name", s->name}, {"text", line}});
    }
}
