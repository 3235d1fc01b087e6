#include "input/replies.h"

#include "input/requests.h"
#include "net/json.h"
#include "state/client_state.h"
#include "state/state.h"

namespace {

// word:check: a refused word goes back to the caller; anything else (also a
// failed check) takes the word as typed.
void onWordCheck(ClientState* s, const JsonNode* data) {
    s->wordCheckPending = 0;
    bool ok = jsonGetBool(data, "ok", 0) != 0;
    if (ok && jsonGetBool(data, "blocked", 0)) {
        s->wordInputEcho[0] = 0;
        s->inputDirty = 1;
        setNotice(s, "That word can't be used here - try another one.");
        return;
    }
    submitWord(s, s->pendingWord);
}

constexpr ReplyRoute REPLY_ROUTES[] = {
    {1, "solo:start", nullptr},
    {2, "solo:submit", nullptr},
    {3, "feedback:submit", nullptr},
    {4, "room:join", nullptr},
    {5, "room:create", nullptr},
    {6, "mail:list", nullptr},
    {7, "submission:submit", nullptr},
    {9, "report:story / report:player", nullptr},
    {10, "carehub:get", nullptr},
    {ACK_WORD_CHECK, "word:check", onWordCheck},
    {12, "submit:answers", nullptr},
    {ACK_HIGHEST, "mail:reply", nullptr},
};

}  // namespace

const ReplyRoute* replyRouteFor(int32_t ackId) {
    if (ackId <= 0 || ackId > ACK_HIGHEST) return nullptr;
    for (const ReplyRoute& route : REPLY_ROUTES)
        if (route.ackId == ackId) return &route;
    return nullptr;
}

void replyDispatch(ClientState* state, int32_t ackId, const JsonNode* data) {
    const ReplyRoute* route = replyRouteFor(ackId);
    if (route && route->handler) route->handler(state, data);
}
