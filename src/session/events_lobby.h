// Handlers of the log-in, Lounge and table events, and of the answers to the
// stories and actions commands. Each changes the client state, raises the
// dirty flags the renderer needs and sends the few requests an event calls
// for; none of them draws. The dispatcher routes to them by event name.
#pragma once
#include <cstdint>

struct ClientState;
struct JsonNode;

// Shown when a quick seat finds every table full or locked.
constexpr const char* QUICK_SEAT_BUSY = "Every table is busy - here's the Lounge while you wait.";
constexpr const char* TIMEOUT_REMOVED_TEXT =
    "You didn't respond in time, so you've been returned to the Lounge.";
constexpr const char* KICKED_TEXT = "The host removed you from the table.";

// Log-in: identity, greeting, refusal, announcements, mail, features, board,
// categories, online count.
void onAuthed(ClientState* state, const JsonNode* data);
// One page of a category's story list; asks for the next page itself.
void onStories(ClientState* state, const JsonNode* data);
// The emote action names.
void onActions(ClientState* state, const JsonNode* data);
void onFeaturesUpdate(ClientState* state, const JsonNode* data);

void onLobbyRoster(ClientState* state, const JsonNode* data);
// The Lounge tables; finishes a pending quick seat.
void onLobbyRooms(ClientState* state, const JsonNode* data);
void onLobbyChat(ClientState* state, const JsonNode* data);
void onRoomChat(ClientState* state, const JsonNode* data);
void onLobbyEmote(ClientState* state, const JsonNode* data);
void onRoomEmote(ClientState* state, const JsonNode* data);
void onPresenceTotal(ClientState* state, const JsonNode* data);
void onLobbyNotice(ClientState* state, const JsonNode* data);
void onRoomNotice(ClientState* state, const JsonNode* data);
void onLobbyContent(ClientState* state, const JsonNode* data);

void onRoomState(ClientState* state, const JsonNode* data);
void onRoomKnock(ClientState* state, const JsonNode* data);
void onLobbyInvite(ClientState* state, const JsonNode* data);
void onRoomTimeoutRemoved(ClientState* state, const JsonNode* data);
void onRoomKicked(ClientState* state, const JsonNode* data);

// A notice line: data itself when it is a string, else its "text" (or
// "message"); empty texts are dropped. Staff notices use it with kind 3.
void showNoticeLine(ClientState* state, const JsonNode* data, int32_t kind);

// Forget the table the caller was removed from: code, name, flags, players,
// deadlines, pick state, the reveal and a knock waiting for an answer.
void clearTableFields(ClientState* state);
