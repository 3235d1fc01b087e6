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
// Sends lobby:rooms and lobby:roster to every caller in the Lounge.
void lobbyBroadcast(House* h);
void lobbyStories(House* h, int session, const Json& cmd);
void lobbyActions(House* h, int session, const Json& cmd);

// Chat lines: data is a JSON string. inRoom picks room:chat at the caller's
// table, else lobby:chat in the Lounge.
void chatSay(House* h, int session, const Json& data, bool inRoom);
void chatEmote(House* h, int session, const Json& data, bool inRoom);

// Sessions that hear a line: the table's callers, or everybody unseated.
std::vector<int> chatAudience(House* h, const Session& from, bool inRoom);

// What an action word turns a line into ("Ann waves at Bob."); empty when
// the first word is no action.
std::string actionLine(const std::string& sender, const std::string& text);
