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

enum DataKind { DATA_OBJECT, DATA_STRING };  // what an emit's data must be

struct EmitRoute {
    std::string_view name;
    Handler handler;
    DataKind data;
};

void lobbyChat(House* h, int s, const Json& d) { chatSay(h, s, d, false); }
void roomChat(House* h, int s, const Json& d) { chatSay(h, s, d, true); }
void lobbyEmote(House* h, int s, const Json& d) { chatEmote(h, s, d, false); }
void roomEmote(House* h, int s, const Json& d) { chatEmote(h, s, d, true); }

constexpr std::array<EmitRoute, 43> EMIT_ROUTES = {{
    {"presence:zone", lobbyPresence, DATA_STRING},
    {"lobby:refresh", lobbyRefresh, DATA_OBJECT},
    {"lobby:chat", lobbyChat, DATA_STRING},
    {"room:chat", roomChat, DATA_STRING},
    {"lobby:emote", lobbyEmote, DATA_OBJECT},
    {"room:emote", roomEmote, DATA_OBJECT},
    {"room:create", tableCreate, DATA_OBJECT},
    {"room:join", tableJoin, DATA_OBJECT},
    {"room:leave", tableLeaveRequest, DATA_OBJECT},
    {"host:kick", tableKick, DATA_OBJECT},
    {"room:set-lock", tableSetLock, DATA_OBJECT},
    {"room:regenerate-code", tableNewCode, DATA_OBJECT},
    {"room:update-preset", tableUpdatePreset, DATA_OBJECT},
    {"room:knock", tableKnock, DATA_OBJECT},
    {"room:knock-reply", tableKnockReply, DATA_OBJECT},
    {"room:invite", tableInvite, DATA_OBJECT},
    {"room:invite-reply", tableInviteReply, DATA_OBJECT},
    {"player:set-pages", tableSetPages, DATA_OBJECT},
    {"room:start-now", roundStartRequest, DATA_OBJECT},
    {"host:start", roundStartRequest, DATA_OBJECT},
    {"category:pick", roundPickCategory, DATA_OBJECT},
    {"category:pick-story", roundPickStory, DATA_OBJECT},
    {"picker:choosing", roundPickerChoosing, DATA_OBJECT},
    {"picker:wait", roundPickerWait, DATA_OBJECT},
    {"submit:answers", roundSubmit, DATA_OBJECT},
    {"vote:cast", roundVote, DATA_OBJECT},
    {"vote:done", roundVoteDone, DATA_OBJECT},
    {"room:back-to-room", roundBackToRoom, DATA_OBJECT},
    {"room:continue-auto", roundBackToRoom, DATA_OBJECT},
    {"story:rate", roundRate, DATA_OBJECT},
    {"solo:start", soloStart, DATA_OBJECT},
    {"solo:submit", soloSubmit, DATA_OBJECT},
    {"word:check", wordCheck, DATA_OBJECT},
    {"mail:list", mailList, DATA_OBJECT},
    {"mail:mark-read", mailMarkRead, DATA_OBJECT},
    {"mail:delete", mailDelete, DATA_OBJECT},
    {"mail:reply", mailReply, DATA_OBJECT},
    {"carehub:get", careHubGet, DATA_OBJECT},
    {"feedback:submit", feedbackSubmit, DATA_OBJECT},
    {"submission:submit", submissionSubmit, DATA_OBJECT},
    {"report:story", reportSubmit, DATA_OBJECT},
    {"report:player", reportSubmit, DATA_OBJECT},
    {"report:begin", noteOnly, DATA_OBJECT},
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
        if (r.name != name) continue;
        bool fits = r.data == DATA_STRING ? data.is_string() : data.is_object();
        if (!fits) return dropLine(session, "data of the wrong type", line);
        r.handler(h, session, data);
        return true;
    }
    return dropLine(session, "unknown emit", line);
}

// The door writes the board id and the alias into the connect line without
// escaping them, so a name with a quote or a backslash makes it invalid
// JSON. The line's shape is fixed, so the fields are cut out by position.
Json connectByShape(const std::string& line) {
    static const std::string HEAD = "{\"cmd\":\"connect\",\"bbsInstanceId\":\"";
    static const std::string USER = "\",\"localUserid\":\"";
    static const std::string ALIAS = "\",\"alias\":\"";
    static const std::string TAIL = "\"}";
    size_t user = line.find(USER);
    size_t alias = user == std::string::npos ? user : line.find(ALIAS, user);
    bool shaped = line.rfind(HEAD, 0) == 0 && alias != std::string::npos && line.size() >= alias + ALIAS.size() + TAIL.size() &&
                  line.compare(line.size() - TAIL.size(), TAIL.size(), TAIL) == 0;
    if (!shaped) return Json(Json::value_t::discarded);
    size_t aliasFrom = alias + ALIAS.size();
    Json cmd = {{"cmd", "connect"},
                {"bbsInstanceId", line.substr(HEAD.size(), user - HEAD.size())},
                {"localUserid", line.substr(user + USER.size(), alias - user - USER.size())},
                {"alias", line.substr(aliasFrom, line.size() - TAIL.size() - aliasFrom)}};
    for (auto& [key, value] : cmd.items()) value = validUtf8(value.get<std::string>());
    return cmd;
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
    if (msg.is_discarded()) msg = connectByShape(line);
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
    knocksExpire(h);
    lobbyFlush(h);
}
