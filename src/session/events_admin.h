// Handlers of the staff's and the service's own events outside the game:
// the chat cleared, a time-out, a shutdown announced or called off, an
// achievement, new mail. Each changes the state, adds its chat line and
// sends the one request new mail calls for; none of them draws.
#pragma once

struct ClientState;
struct JsonNode;

constexpr const char* CHAT_CLEARED_TEXT = "The chat was cleared by staff.";
constexpr const char* TIMED_OUT_BY_STAFF = "You've been timed out by a member of staff.";
constexpr const char* SHUTDOWN_DEFAULT = "Wordwhirl is going down for maintenance shortly.";
constexpr const char* SHUTDOWN_CANCELLED = "The maintenance has been called off - carry on!";
constexpr const char* NEW_MAIL_TEXT = "New mail - press [M] on the main menu to read it.";
constexpr char ACHIEVEMENT_MARK = (char)0xFB;  // a check mark in code page 437

void onChatCleared(ClientState* state, const JsonNode* data);
void onModTimeout(ClientState* state, const JsonNode* data);
void onShutdownScheduled(ClientState* state, const JsonNode* data);
void onShutdownCancelled(ClientState* state, const JsonNode* data);
void onAchievementEarned(ClientState* state, const JsonNode* data);
// Also asks for the mailbox (mail:list, acknowledgement 6).
void onMailNew(ClientState* state, const JsonNode* data);
