#include "session/events_admin.h"

#include "session/requests.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"

namespace {

constexpr int32_t TIMEOUT_LINE_BYTES = 256;      // the prefix and a reason of 180
constexpr int32_t ACHIEVEMENT_LINE_BYTES = 112;  // the mark, the prefix and a title of 90

void systemLine(ClientState* state, const char* text) { appendSystemLine(state, "", text, CHAT_SYSTEM); }

}  // namespace

void onChatCleared(ClientState* state, const JsonNode*) {
    state->chat.chatCount = 0;
    state->chat.chatScroll = 0;
    state->view.chatDirty = 1;
    systemLine(state, CHAT_CLEARED_TEXT);
}

// The caller stays connected; the reason is shown twice so it is not missed.
void onModTimeout(ClientState* state, const JsonNode* data) {
    const char* reason = jsonGetString(data, "reason", "");
    char line[TIMEOUT_LINE_BYTES];
    if (reason[0]) formatText(line, "You've been timed out: %.180s", reason);
    else copyText(line, TIMED_OUT_BY_STAFF);
    setNotice(state, line);
    systemLine(state, line);
}

void onShutdownScheduled(ClientState* state, const JsonNode* data) {
    const char* message = jsonGetString(data, "message", "");
    systemLine(state, message[0] ? message : SHUTDOWN_DEFAULT);
}

void onShutdownCancelled(ClientState* state, const JsonNode*) { systemLine(state, SHUTDOWN_CANCELLED); }

void onAchievementEarned(ClientState* state, const JsonNode* data) {
    const char* title = jsonGetString(data, "title", jsonGetString(data, "name", ""));
    if (!title[0]) return;
    char line[ACHIEVEMENT_LINE_BYTES];
    formatText(line, "%c  You earned: %.90s", ACHIEVEMENT_MARK, title);
    systemLine(state, line);
}

void onMailNew(ClientState* state, const JsonNode*) {
    systemLine(state, NEW_MAIL_TEXT);
    requestMailList(state);
}
