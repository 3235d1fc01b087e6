#include "session/chat_commands.h"

#include <strings.h>

#include <cstring>

#include "session/requests.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"

bool matchCommand(const char* line, const char* command, const char** rest) {
    size_t length = strlen(command);
    if (strncasecmp(line, command, length) != 0) return false;
    const char* after = line + length;
    if (*after != 0 && *after != ' ') return false;
    while (*after == ' ') after++;
    if (rest) *rest = after;
    return true;
}

void openFeedbackNote(ClientState* state) {
    state->editors.feedbackLineCount = 0;
    state->editors.feedbackEditLine = 0;
    goToScreen(state, SCR_FEEDBACK_WRITE);
}

namespace {

// A command's work, given the text after it; false when it does not take
// the line after all (/kick without a name), so the search goes on.
using CommandAction = bool (*)(ClientState* state, const char* rest);

struct ChatCommand {
    const char* name;
    CommandAction act;
};

bool commandQuit(ClientState* s, const char*) {
    s->timers.running = 0;
    return true;
}

bool commandMe(ClientState* s, const char* rest) {
    requestEmote(s, rest);
    return true;
}

bool commandFeedback(ClientState* s, const char*) {
    if (s->identity.testerFeedback) openFeedbackNote(s);
    else setNotice(s, "Feedback is closed right now.");
    return true;
}

// The picker mode is left alone: typed at a table whose pick turn is the
// caller's, the turn must survive a look at the categories.
bool commandSolo(ClientState* s, const char*) {
    enterScreen(s, SCR_CATEGORY_PICK);
    return true;
}

bool commandActions(ClientState* s, const char*) {
    s->chat.actionCount = 0;
    requestActions(s);
    goToScreen(s, SCR_ACTIONS);
    return true;
}

bool commandStart(ClientState* s, const char*) {
    sendRequest(s, REQ_HOST_START, "{}");
    return true;
}

bool commandLock(ClientState* s, const char*) {
    requestSetLock(s);
    return true;
}

bool commandNewCode(ClientState* s, const char*) {
    sendRequest(s, REQ_ROOM_REGENERATE_CODE, "{}");
    return true;
}

bool commandPage(ClientState* s, const char* rest) {
    if (strncasecmp(rest, "on", 2) == 0) requestSetPages(s, 1);
    else if (strncasecmp(rest, "off", 3) == 0) requestSetPages(s, 0);
    else setNotice(s, "Type /page on to allow invites, or /page off to block them.");
    return true;
}

bool commandKick(ClientState* s, const char* rest) {
    if (!rest[0]) return false;  // no name: not a kick, the line is chat
    requestKick(s, rest);
    return true;
}

bool commandInvite(ClientState* s, const char* rest) {
    if (!rest[0]) setNotice(s, "Who did you want to invite? Try /invite Bob");
    else requestInvite(s, rest);
    return true;
}

bool commandCode(ClientState* s, const char*) {
    char text[64];
    formatText(text, "Share code: %s", s->table.roomCode[0] ? s->table.roomCode : "(none)");
    appendSystemLine(s, "", text, CHAT_SYSTEM);
    return true;
}

// The first other player whose name begins with prefix, any case; -1 none.
int32_t findOtherPlayer(const ClientState* s, const char* prefix) {
    size_t length = strlen(prefix);
    int32_t count = minOf(s->table.playerCount, MAX_PLAYERS);
    for (int32_t i = 0; i < count; i++) {
        if (s->table.players[i].isMe) continue;
        if (strncasecmp(s->table.players[i].name, prefix, length) == 0) return i;
    }
    return -1;
}

bool commandReport(ClientState* s, const char* rest) {
    if (!rest[0]) {
        s->editors.reportIsTale = 0;
        s->editors.reportReason[0] = 0;
        s->editors.reportTargetName[0] = 0;
        s->editors.reportTargetId[0] = 0;
        s->editors.reportLineCount = 0;
        s->editors.reportStage = 2;  // ask whether it is about the tale or a player
        if (!reportBegin(s)) goToScreen(s, SCR_REPORT);
        return true;
    }
    int32_t target = findOtherPlayer(s, rest);
    if (target < 0) {
        setNotice(s, "Nobody here by that name.");
        return true;
    }
    copyText(s->editors.reportTargetId, s->table.players[target].id);
    copyText(s->editors.reportTargetName, s->table.players[target].name);
    s->editors.reportIsTale = 0;
    s->editors.reportReason[0] = 0;
    s->editors.reportLineCount = 0;
    if (reportBegin(s)) return true;
    s->editors.reportStage = 0;  // the player is named: ask for the reason
    goToScreen(s, SCR_REPORT);
    return true;
}

bool commandLeave(ClientState* s, const char*) {
    leaveTable(s);
    enterScreen(s, SCR_LOUNGE);
    return true;
}

bool commandWho(ClientState* s, const char*) {
    char text[64];
    formatText(text, "%d players online right now.", s->table.playerCountSeen);
    appendSystemLine(s, "", text, CHAT_SYSTEM);
    return true;
}

// Tried in this order; the first that takes the line ends the search.
constexpr ChatCommand CHAT_COMMANDS[] = {
    {"/quit", commandQuit},
    {"/me", commandMe},
    {"/feedback", commandFeedback},
    {"/solo", commandSolo},
    {"/actions", commandActions},
    {"/start", commandStart},
    {"/lock", commandLock},
    {"/newcode", commandNewCode},
    {"/page", commandPage},
    {"/kick", commandKick},
    {"/invite", commandInvite},
    {"/code", commandCode},
    {"/report", commandReport},
    {"/leave", commandLeave},
    {"/who", commandWho},
};
static_assert(sizeof CHAT_COMMANDS / sizeof CHAT_COMMANDS[0] == 15, "fifteen chat commands");

}  // namespace

void chatLine(ClientState* state, const char* line) {
    if (line[0] == '/') {
        for (const ChatCommand& command : CHAT_COMMANDS) {
            const char* rest = nullptr;
            if (matchCommand(line, command.name, &rest) && command.act(state, rest)) return;
        }
    }
    // The service reads ">name", "/name" and action words in plain chat.
    requestChat(state, line);
}
