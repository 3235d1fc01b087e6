#include "dispatch.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "lobby.h"
#include "mailbox.h"
#include "round.h"
#include "solo.h"
#include "tables.h"

namespace {

using Handler = void (*)(House*, int, const Json&);

struct EmitRoute {
    std::string_view name;
    Handler handler;
};

void lobbyChat(House* h, int s, const Json& d) { chatSay(h, s, d, false); }
void roomChat(House* h, int s, const Json& d) { chatSay(h, s, d, true); }
void lobbyEmote(House* h, int s, const Json& d) { chatEmote(h, s, d, false); }
void roomEmote(House* h, int s, const Json& d) { chatEmote(h, s, d, true); }

constexpr std::array<EmitRoute, 43> EMIT_ROUTES = {{
    {"presence:zone", lobbyPresence},
    {"lobby:refresh", lobbyRefresh},
    {"lobby:chat", lobbyChat},
    {"room:chat", roomChat},
    {"lobby:emote", lobbyEmote},
    {"room:emote", roomEmote},
    {"room:create", tableCreate},
    {"room:join", tableJoin},
    {"room:leave", tableLeaveRequest},
    {"host:kick", tableKick},
    {"room:set-lock", tableSetLock},
    {"room:regenerate-code", tableNewCode},
    {"room:update-preset", tableUpdatePreset},
    {"room:knock", tableKnock},
    {"room:knock-reply", tableKnockReply},
    {"room:invite", tableInvite},
    {"room:invite-reply", tableInviteReply},
    {"player:set-pages", tableSetPages},
    {"room:start-now", roundStartRequest},
    {"host:start", roundStartRequest},
    {"category:pick", roundPickCategory},
    {"category:pick-story", roundPickStory},
    {"picker:choosing", roundPickerChoosing},
    {"picker:wait", roundPickerWait},
    {"submit:answers", roundSubmit},
    {"vote:cast", roundVote},
    {"vote:done", roundVoteDone},
    {"room:back-to-room", roundBackToRoom},
    {"room:continue-auto", roundBackToRoom},
    {"story:rate", roundRate},
    {"solo:start", soloStart},
    {"solo:submit", soloSubmit},
    {"word:check", wordCheck},
    {"mail:list", mailList},
    {"mail:mark-read", mailMarkRead},
    {"mail:delete", mailDelete},
    {"mail:reply", mailReply},
    {"carehub:get", careHubGet},
    {"feedback:submit", feedbackSubmit},
    {"submission:submit", submissionSubmit},
    {"report:story", reportSubmit},
    {"report:player", reportSubmit},
    {"report:begin", noteOnly},
}};

bool dropLine(int session, const char* why, const std::string& line) {
    std::fprintf(stderr, "house: connection %d: %s: %.120s\n", session, why, line.c_str());
    return false;
}

bool routeEmit(House* h, int session, const Json& msg, const std::string& line) {
    std::string name = jsStr(msg, "name");
    static const Json EMPTY = Json::object();
    auto it = msg.find("data");
    const Json& data = it != msg.end() ? *it : EMPTY;
    for (const EmitRoute& r : EMIT_ROUTES) {
        if (r.name == name) {
            r.handler(h, session, data);
            return true;
        }
    }
    return dropLine(session, "unknown emit", line);
}

}  // namespace

void houseOpen(House* h, int session) {
    Session s{};
    s.id = session;
    s.pagesOn = true;
    h->sessions[session] = s;
}

void houseClose(House* h, int session) {
    lobbyDisconnect(h, session);
}

static bool routeLine(House* h, Session* s, const Json& msg, const std::string& line) {
    std::string cmd = jsStr(msg, "cmd");
    if (cmd == "connect") lobbyConnect(h, s->id, msg);
    else if (!s->authed) return dropLine(s->id, "not logged in", line);
    else if (cmd == "emit") return routeEmit(h, s->id, msg, line);
    else if (cmd == "stories") lobbyStories(h, s->id, msg);
    else if (cmd == "actions") lobbyActions(h, s->id, msg);
    else if (cmd == "disconnect") houseClose(h, s->id);
    else return dropLine(s->id, "unknown command", line);
    return true;
}

bool houseLine(House* h, int session, const std::string& line) {
    Session* s = sessionOf(h, session);
    if (!s) return false;
    Json msg = jsonParseLine(line);
    if (msg.is_discarded() || !msg.is_object()) return dropLine(session, "not a JSON object", line);
    // Handlers read with defaults and are not meant to throw; the guard keeps
    // one door's odd line from ending everybody's game if one slips through.
    try {
        return routeLine(h, s, msg, line);
    } catch (const std::exception& e) {
        return dropLine(session, e.what(), line);
    }
}

void houseTick(House* h) {
    std::vector<int> ids;
    for (const auto& [id, r] : h->rooms) ids.push_back(id);
    for (int id : ids) {
        if (Room* r = roomOf(h, id)) roomTick(h, r);
    }
}
