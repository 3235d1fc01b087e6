#include "session/events.h"

#include <cstring>

#include "net/json.h"
#include "state/client_state.h"
#include "session/events_admin.h"
#include "session/events_lobby.h"
#include "session/events_round.h"
#include "state/state.h"

namespace {

// admin:kicked and disconnected: the service ends the visit. The reason
// stays on the notice line and the main loop ends after this pass.
void onVisitEnded(ClientState* s, const JsonNode* data) {
    setNotice(s, jsonGetString(data, "reason", "You were disconnected."));
    s->timers.running = 0;
}

// Staff notices read like the Lounge's; the team's own messages stand out
// in the whisper colour.
void onModNotice(ClientState* s, const JsonNode* data) { showNoticeLine(s, data, CHAT_SYSTEM); }
void onAdminMessage(ClientState* s, const JsonNode* data) { showNoticeLine(s, data, CHAT_PRIVATE); }

constexpr EventRoute EVENT_ROUTES[] = {
    {"authed", onAuthed},
    {"stories", onStories},
    {"actions", onActions},
    {"features:update", onFeaturesUpdate},
    {"lobby:roster", onLobbyRoster},
    {"lobby:rooms", onLobbyRooms},
    {"lobby:chat", onLobbyChat},
    {"room:chat", onRoomChat},
    {"lobby:emote", onLobbyEmote},
    {"room:emote", onRoomEmote},
    {"presence:total", onPresenceTotal},
    {"lobby:notice", onLobbyNotice},
    {"room:notice", onRoomNotice},
    {"room:state", onRoomState},
    {"room:knock", onRoomKnock},
    {"lobby:invite", onLobbyInvite},
    {"lobby:content", onLobbyContent},
    {"room:timeout-removed", onRoomTimeoutRemoved},
    {"room:kicked", onRoomKicked},
    {"game:category-pick", onCategoryPick},
    {"game:picker-waiting", onPickerWaiting},
    {"game:picker-warning", onPickerWarning},
    {"game:category-spin", onCategorySpin},
    {"game:prompts", onPrompts},
    {"game:story-reveal", onStoryReveal},
    {"game:word-tally", onWordTally},
    {"game:voter-done", onVoterDone},
    {"game:round-results", onRoundResults},
    {"story:rate-prompt", onRatePrompt},
    {"game:final-warning", onFinalWarning},
    {"game:aborted", onRoundAborted},
    {"mod:notice", onModNotice},
    {"admin:message", onAdminMessage},
    {"chat:cleared", onChatCleared},
    {"mod:timeout", onModTimeout},
    {"admin:shutdown-scheduled", onShutdownScheduled},
    {"admin:shutdown-cancelled", onShutdownCancelled},
    {"achievement:earned", onAchievementEarned},
    {"mail:new", onMailNew},
    {"admin:kicked", onVisitEnded},
    {"disconnected", onVisitEnded},
};

}  // namespace

EventHandler eventHandlerFor(const char* name) {
    if (!name) return nullptr;
    for (const EventRoute& route : EVENT_ROUTES)
        if (strcmp(route.name, name) == 0) return route.handler;
    return nullptr;
}

const char* eventRouteName(int index) {
    constexpr int ROUTES = (int)(sizeof EVENT_ROUTES / sizeof EVENT_ROUTES[0]);
    return index >= 0 && index < ROUTES ? EVENT_ROUTES[index].name : nullptr;
}

void eventDispatch(ClientState* state, const char* name, const JsonNode* data) {
    EventHandler handler = eventHandlerFor(name);
    if (handler) handler(state, data);
}
