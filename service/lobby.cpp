#include "lobby.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "gate.h"
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

Json rosterJson(House* h) {
    Json players = Json::array();
    for (const auto& [id, s] : h->sessions) {
        if (s.authed && s.roomId == 0) {
            players.push_back({{"id", pidOf(s)}, {"name", s.name}, {"source", "bbs"}});
        }
    }
    return {{"players", players}};
}

// Everything a door learns at log-in; sent again when it asks for the
// category list (see lobbyRefresh).
Json authedJson(House* h, const Session& s) {
    return {{"ok", true},
            {"you", {{"name", s.name}, {"id", pidOf(s)}, {"greeting", GREETING}}},
            {"features", {{"tester_feedback", true}, {"feedback_label", "Feedback"}}},
            {"bbs", {{"board", !gateBoardName(h, s.bbsId).empty() ? gateBoardName(h, s.bbsId) : s.bbsId.empty() ? "This Board" : s.bbsId},
                     {"sysop", "the Sysop"}}},
            {"categories", categoriesJson(h->lib)},
            {"announcements", h->gate.announcements},
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

void sendChatTo(House* h, const std::vector<int>& audience, bool inRoom, const Json& line) {
    for (int id : audience) sendEvent(h, id, inRoom ? "room:chat" : "lobby:chat", line);
}

// "/name text": a whisper to anybody online.
void whisper(House* h, Session* from, const std::string& text, bool inRoom) {
    std::string rest;
    std::string target = firstWord(text.substr(1), &rest);
    Session* to = sessionByName(h, target);
    if (!to || rest.empty()) {
        std::string why = to ? "Type something to whisper after the name." : "Nobody called " + cut(target, 30) + " is here.";
        sendNotice(h, from->id, inRoom ? "room:notice" : "lobby:notice", why);
        return;
    }
    const char* ev = inRoom ? "room:chat" : "lobby:chat";
    sendEvent(h, from->id, ev, {{"name", to->name}, {"text", rest}, {"whisper", true}, {"direction", "out"}});
    sendEvent(h, to->id, to->roomId ? "room:chat" : "lobby:chat",
              {{"name", from->name}, {"text", rest}, {"whisper", true}, {"direction", "in"}});
}

}  // namespace

std::string actionLine(const std::string& sender, const std::string& text) {
    std::string rest;
    std::string word = lowerText(firstWord(text, &rest));
    for (const Action& a : ACTIONS) {
        if (word != a.word) continue;
        char line[700];
        std::string target = cut(firstWord(rest, &rest), 30);
        if (target.empty()) std::snprintf(line, sizeof line, std::string(a.alone).c_str(), sender.c_str());
        else std::snprintf(line, sizeof line, std::string(a.aimed).c_str(), sender.c_str(), target.c_str());
        return line;
    }
    return "";
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
    for (const auto& [id, s] : h->sessions) {
        if (s.authed && s.roomId == 0) sendRoomsAndRoster(h, id);
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

void chatSay(House* h, int session, const Json& data, bool inRoom) {
    Session* s = sessionOf(h, session);
    if (!s || !data.is_string() || (inRoom && !s->roomId)) return;
    std::string text = cut(data.get<std::string>(), HOUSE_MAX_CHAT);
    if (text.find_first_not_of(' ') == std::string::npos) return;
    if (text.size() > 1 && text[0] == '/') {
        whisper(h, s, text, inRoom);
        return;
    }
    std::vector<int> audience = chatAudience(h, *s, inRoom);
    std::string action = actionLine(s->name, text);
    if (!action.empty()) {
        sendChatTo(h, audience, inRoom, {{"name", s->name}, {"text", action}, {"kind", "action"}});
        return;
    }
    if (text[0] == '>') {
        std::string rest;
        std::string target = firstWord(text.substr(1), &rest);
        Session* to = sessionByName(h, target);
        if (to && !rest.empty()) {
            sendChatTo(h, audience, inRoom, {{"name", s->name}, {"text", rest}, {"directedTo", to->name}});
            return;
        }
    }
    sendChatTo(h, audience, inRoom, {{"name", s->name}, {"text", text}});
}

void chatEmote(House* h, int session, const Json& data, bool inRoom) {
    Session* s = sessionOf(h, session);
    if (!s || (inRoom && !s->roomId)) return;
    std::string text = cut(jsStr(data, "text"), HOUSE_MAX_CHAT);
    std::string line = text.find_first_not_of(' ') == std::string::npos ? s->name + " smiles." : s->name + " " + text;
    for (int id : chatAudience(h, *s, inRoom)) {
        sendEvent(h, id, inRoom ? "room:emote" : "lobby:emote", {{"name", s->name}, {"text", line}});
    }
}
