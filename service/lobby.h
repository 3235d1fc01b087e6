// The Lounge side of the house: log-in (connect -> authed), leaving, where a
// caller is, the table list and roster, chat with its directed lines,
// whispers and emote actions, and the answers to the stories and actions
// commands.
#pragma once
#include "house.h"

void lobbyConnect(House* h, int session, const Json& cmd);
void lobbyDisconnect(House* h, int session);
void lobbyPresence(House* h, int session, const Json& data);
void lobbyRefresh(House* h, int session, const Json& data);
// Sends lobby:rooms and lobby:roster to every caller in the Lounge, once
// per loop pass (lobbyFlush): a crowd logging in at once would otherwise
// cost every caller a list per newcomer.
void lobbyBroadcast(House* h);
void lobbyFlush(House* h);
void lobbyStories(House* h, int session, const Json& cmd);
void lobbyActions(House* h, int session, const Json& cmd);

// Chat lines: data is a JSON string. inRoom picks room:chat at the caller's
// table, else lobby:chat in the Lounge.
void chatSay(House* h, int session, const Json& data, bool inRoom);
void chatEmote(House* h, int session, const Json& data, bool inRoom);

// Sessions that hear a line: the table's callers, or everybody unseated.
std::vector<int> chatAudience(House* h, const Session& from, bool inRoom);

// A chat line read as an action: its base word or listed form ("wave",
// "waves"), then perhaps a name, then perhaps "secretly".
struct ActionWords {
    int action;           // index in the action list, -1 when the line is no action
    std::string target;   // the name as typed, empty for none
    bool secret;          // seen by the target alone
};
ActionWords actionWords(const std::string& text);
// What an action turns into ("Ann waves at Bob."); empty for no action.
std::string actionLine(const std::string& sender, const ActionWords& w, const std::string& target);
