#include "session/events_lobby.h"

#include <cstring>

#include "session/requests.h"
#include "net/json.h"
#include "net/wire.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"

namespace {

constexpr const char* GREETING_PLACEHOLDER = "{username}";
constexpr const char* DEFAULT_CATEGORY_KIND = "normal";
constexpr const char* DEFAULT_STORY_TITLE = "A Tale";
constexpr const char* DEFAULT_TABLE_NAME = "Quick Match";
constexpr const char* DEFAULT_KNOCKER = "Somebody";
constexpr const char* DEFAULT_INVITER = "Somebody";
constexpr const char* DEFAULT_INVITE_TABLE = "their table";
constexpr int32_t DEFAULT_TABLE_SEATS = 4;  // a table that names no seat count

bool sameText(const char* a, const char* b) { return strcmp(a, b) == 0; }

// An array member, or data itself when it has no such member (some lists
// arrive bare).
const JsonNode* listOf(const JsonNode* data, const char* member) {
    const JsonNode* list = jsonGet(data, member);
    return list ? list : data;
}

// ---- authed ----

// The greeting with the first "{username}" replaced by the confirmed name;
// later placeholders stay as text.
void takeGreeting(ClientState* state, const char* text) {
    const char* at = strstr(text, GREETING_PLACEHOLDER);
    if (!at) {
        copyText(state->identity.greeting, text);
        return;
    }
    int before = (int)(at - text);
    formatText(state->identity.greeting, "%.*s%s%s", before, text, state->identity.myName,
               at + strlen(GREETING_PLACEHOLDER));
}

void takeIdentity(ClientState* state, const JsonNode* data) {
    const JsonNode* you = jsonGet(data, "you");
    state->identity.greeting[0] = 0;
    if (!jsonIsType(you, JSON_OBJECT)) return;
    copyText(state->identity.myName, jsonGetString(you, "name", state->caller.callerName));
    const char* greeting = jsonGetString(you, "greeting", "");
    if (greeting[0]) takeGreeting(state, greeting);
}

// Maintenance wins over a time-out or ban. 1 when the log-in was refused
// for one of those reasons; the rest of the message is then not applied.
int32_t takeRefusal(ClientState* state, const JsonNode* data) {
    if (jsonGetBool(data, "maintenance", 0)) {
        copyText(state->standing.maintenanceText, jsonGetString(data, "error", ""));
        state->standing.maintenance = 1;
        return 1;
    }
    int32_t timedOut = jsonGetBool(data, "timedOut", 0);
    if (!timedOut && !jsonGetBool(data, "banned", 0)) return 0;
    copyText(state->standing.barredError, jsonGetString(data, "error", ""));
    copyText(state->standing.barredUntil, jsonGetString(data, "until", ""));
    copyText(state->standing.barredReason, jsonGetString(data, "reason", ""));
    state->standing.barred = 1;
    state->standing.barredTimedOut = timedOut;
    return 1;
}

// Members of an absent object keep what the door already holds.
void takeFeatures(ClientState* state, const JsonNode* features) {
    if (!jsonIsType(features, JSON_OBJECT)) return;
    state->identity.testerFeedback = jsonGetBool(features, "tester_feedback", 1);
    copyText(state->identity.feedbackLabel, jsonGetString(features, "feedback_label", ""));
}

void takeBoard(ClientState* state, const JsonNode* bbs) {
    if (!jsonIsType(bbs, JSON_OBJECT)) return;
    copyText(state->identity.boardName, jsonGetString(bbs, "board", ""));
    copyText(state->identity.sysopName, jsonGetString(bbs, "sysop", ""));
}

// Categories come as bare names or as objects with a name and a kind.
void takeCategories(ClientState* state, const JsonNode* list) {
    state->picker.categoryCount2 = 0;
    state->picker.categoryCount = 0;
    state->picker.categoriesFromPick = 0;
    for (const JsonNode* el = jsonFirstElement(list); el && state->picker.categoryCount2 < MAX_CATEGORIES;
         el = el->next) {
        const char* name = jsonIsType(el, JSON_STRING) ? el->text : jsonGetString(el, "name", "");
        if (!name[0]) continue;
        int32_t i = state->picker.categoryCount2;
        copyText(state->picker.categoryKinds[i], jsonGetString(el, "kind", DEFAULT_CATEGORY_KIND));
        copyText(state->picker.categoryNames2[i], name);
        copyText(state->picker.categoryNames[i], name);
        state->picker.categoryCount2++;
        state->picker.categoryCount++;
    }
}

// ---- Lounge tables ----

void takeTable(TableRecord* t, const JsonNode* el) {
    memset(t, 0, sizeof *t);
    copyText(t->code, jsonGetString(el, "code", ""));
    copyText(t->name, jsonGetString(el, "name", DEFAULT_TABLE_NAME));
    t->players = jsonGetInt(el, "players", 0);
    t->capacity = jsonGetInt(el, "max", jsonGetInt(el, "capacity", DEFAULT_TABLE_SEATS));
    t->locked = jsonGetBool(el, "locked", 0);
    copyText(t->knockId, jsonGetString(el, "knockId", ""));
    t->autoHost = jsonGetBool(el, "autoHost", 0);
    t->inGame = jsonGetBool(el, "inGame", 0);
}

// The first table, in list order, with a free seat and no lock; null when
// every table is busy.
const TableRecord* firstOpenTable(const ClientState* state) {
    for (int32_t i = 0; i < state->lobby.tableCount; i++) {
        const TableRecord* t = &state->lobby.tables[i];
        if (!t->locked && t->players < t->capacity) return t;
    }
    return nullptr;
}

// The caller asked for a quick seat and no table was free then; this fresh
// list decides it: a seat, or the Lounge to wait in.
void finishQuickSeat(ClientState* state) {
    state->lobby.quickSeatPending = 0;
    const TableRecord* open = firstOpenTable(state);
    if (open) {
        joinTable(state, open->code);
        return;
    }
    enterScreen(state, SCR_LOUNGE);
    setNotice(state, QUICK_SEAT_BUSY);  // after the switch, which empties the notice
}

// room:kicked and room:timeout-removed: the caller is off the table.
void leaveRemoved(ClientState* state, const JsonNode* data, const char* defaultText) {
    const char* text = jsonGetString(data, "message", defaultText);
    clearTableFields(state);
    enterScreen(state, SCR_LOUNGE);
    setNotice(state, text);
    appendSystemLine(state, "", text, CHAT_SYSTEM);
}

// ---- chat ----

void takeChatLine(ClientState* state, const JsonNode* data) {
    const char* kind = jsonGetString(data, "kind", "");
    const char* sender = jsonGetString(data, "name", jsonGetString(data, "who", ""));
    const char* text = jsonGetString(data, "text", "");
    if (jsonGetBool(data, "whisper", 0)) {
        char line[256];
        if (sameText(jsonGetString(data, "direction", "in"), "out"))
            formatText(line, "You whisper to %.28s: %.180s", sender, text);
        else
            formatText(line, "%.28s whispers to you: %.180s", sender, text);
        appendSystemLine(state, "", line, CHAT_PRIVATE);
        return;
    }
    const char* to = jsonGetString(data, "directedTo", "");
    if (to[0]) {
        appendChatLine(state, sender, text, CHAT_DIRECTED, sameText(to, state->identity.myName) ? "" : to);
        return;
    }
    if (sameText(kind, "action") || sameText(kind, "emote"))
        appendSystemLine(state, "", text, CHAT_ACTION);
    else if (sameText(kind, "system") || sameText(kind, "notice") || !sender[0])
        appendSystemLine(state, "", text, CHAT_SYSTEM);
    else
        appendSystemLine(state, sender, text, CHAT_SAID);
}

}  // namespace

// ---- log-in and command answers ----

void onAuthed(ClientState* state, const JsonNode* data) {
    takeIdentity(state, data);
    state->view.menuGreetingDirty = 1;
    state->identity.authed = 1;  // the main menu redraws its greeting row
    state->identity.authOk = jsonGetBool(data, "ok", 1);
    if (!state->identity.authOk && takeRefusal(state, data)) return;
    applyAnnouncements(state, data);
    if (state->identity.authOk) requestMailList(state);
    takeFeatures(state, jsonGet(data, "features"));
    takeBoard(state, jsonGet(data, "bbs"));
    takeCategories(state, jsonGet(data, "categories"));
    state->picker.storyCount = 0;
    state->identity.onlineTotal = jsonGetInt(data, "onlineTotal", state->identity.onlineTotal);
    state->view.fullRedraw = 1;
}

void onStories(ClientState* state, const JsonNode* data) {
    int32_t offset = jsonGetInt(data, "offset", 0);
    if (offset != 0 && offset != state->picker.storyCount) return;  // a page of an older request
    if (offset == 0) {
        state->picker.storyCount = 0;
        state->picker.storyFirstShown = 0;
    }
    state->picker.storyTotal = jsonGetInt(data, "total", 0);
    state->picker.storyOffset = offset;
    int32_t added = 0;
    for (const JsonNode* el = jsonFirstElement(jsonGet(data, "items")); el && state->picker.storyCount < MAX_STORIES;
         el = el->next) {
        int32_t i = state->picker.storyCount;
        copyText(state->picker.storyTitles[i], jsonGetString(el, "title", DEFAULT_STORY_TITLE));
        copyText(state->picker.storyCategories[i], jsonGetString(el, "category", ""));
        state->picker.storyIds[i] = jsonGetInt(el, "id", 0);
        state->picker.storyBlanks[i] = jsonGetInt(el, "blanks", 0);
        state->picker.storyCount++;
        added++;
    }
    state->picker.storyLoading = 0;
    state->view.contentDirty = 1;
    // The whole list of the category is fetched page by page on its own.
    int32_t sel = state->picker.categorySel;
    bool more = added > 0 && state->picker.storyCount < state->picker.storyTotal && state->picker.storyCount < MAX_STORIES;
    if (more && sel >= 0 && sel < state->picker.categoryCount)
        serverSendStories(&state->conn, state->picker.categoryNames[sel], state->picker.storyCount);
}

void onActions(ClientState* state, const JsonNode* data) {
    state->chat.actionCount = 0;
    state->chat.actionTotal = jsonGetInt(data, "total", 0);
    for (const JsonNode* el = jsonFirstElement(jsonGet(data, "items")); el && state->chat.actionCount < MAX_ACTIONS;
         el = el->next) {
        if (!jsonIsType(el, JSON_STRING) || !el->text[0]) continue;
        copyText(state->chat.actions[state->chat.actionCount++], el->text);
    }
    state->view.contentDirty = 1;
}

void onFeaturesUpdate(ClientState* state, const JsonNode* data) {
    state->identity.testerFeedback = jsonGetBool(data, "tester_feedback", 1);
}

// ---- Lounge ----

void onLobbyRoster(ClientState* state, const JsonNode* data) {
    if (state->table.inRoom) return;  // the player list holds the table while seated
    applyPlayerList(state, listOf(data, "players"));
    state->table.playerCountSeen = state->table.playerCount;
}

void onLobbyRooms(ClientState* state, const JsonNode* data) {
    state->lobby.tableCount = 0;
    for (const JsonNode* el = jsonFirstElement(listOf(data, "rooms")); el && state->lobby.tableCount < MAX_TABLES;
         el = el->next)
        takeTable(&state->lobby.tables[state->lobby.tableCount++], el);
    // The list on screen changed either way, also when a seat is being taken.
    state->view.contentDirty = 1;
    if (state->lobby.quickSeatPending) finishQuickSeat(state);
}

void onLobbyChat(ClientState* state, const JsonNode* data) {
    if (state->table.inRoom) return;
    takeChatLine(state, data);
}

void onRoomChat(ClientState* state, const JsonNode* data) { takeChatLine(state, data); }

void onLobbyEmote(ClientState* state, const JsonNode* data) {
    if (state->table.inRoom) return;
    onRoomEmote(state, data);
}

void onRoomEmote(ClientState* state, const JsonNode* data) {
    appendSystemLine(state, "", jsonGetString(data, "text", ""), CHAT_ACTION);
}

void onPresenceTotal(ClientState* state, const JsonNode* data) {
    state->identity.onlineTotal = jsonGetInt(data, "online", state->identity.onlineTotal);
    if (state->view.screen == SCR_MAIN_MENU) state->view.menuGreetingDirty = 1;
}

void showNoticeLine(ClientState* state, const JsonNode* data, int32_t kind) {
    const char* text = jsonIsType(data, JSON_STRING)
                           ? data->text
                           : jsonGetString(data, "text", jsonGetString(data, "message", ""));
    if (!text[0]) return;
    appendSystemLine(state, "", text, kind);
}

void onLobbyNotice(ClientState* state, const JsonNode* data) { showNoticeLine(state, data, CHAT_SYSTEM); }

void onRoomNotice(ClientState* state, const JsonNode* data) { showNoticeLine(state, data, CHAT_SYSTEM); }

void onLobbyContent(ClientState* state, const JsonNode* data) {
    applyAnnouncements(state, data);
    if (state->view.screen == SCR_ANNOUNCEMENTS || state->view.screen == SCR_MAIN_MENU) state->view.contentDirty = 1;
}

// ---- table ----

void onRoomState(ClientState* state, const JsonNode* data) { applyRoomState(state, data, 1); }

void onRoomKnock(ClientState* state, const JsonNode* data) {
    copyText(state->table.joinRequestName, jsonGetString(data, "name", DEFAULT_KNOCKER));
    copyText(state->table.joinRequestKnockId, jsonGetString(data, "knockId", ""));
    state->table.joinRequestPending = 1;
    state->view.noticeDirty = 1;
    char line[80];
    formatText(line, "%.20s is asking to join your table.", state->table.joinRequestName);
    appendSystemLine(state, "", line, CHAT_SYSTEM);
}

void onLobbyInvite(ClientState* state, const JsonNode* data) {
    copyText(state->table.inviteFrom, jsonGetString(data, "from", DEFAULT_INVITER));
    copyText(state->table.inviteTable, jsonGetString(data, "roomName", DEFAULT_INVITE_TABLE));
    copyText(state->table.inviteCode, jsonGetString(data, "code", ""));
    copyText(state->table.inviteFromId, jsonGetString(data, "fromId", ""));
    state->table.invitePending = 1;
    state->view.noticeDirty = 1;
    char line[96];
    formatText(line, "%.20s is inviting you to \"%.40s\".", state->table.inviteFrom, state->table.inviteTable);
    appendSystemLine(state, "", line, CHAT_SYSTEM);
}

void clearTableFields(ClientState* state) {
    forgetTable(state);
    // A knock on the table the caller has left can no longer be answered,
    // and its prompt would swallow every key in the Lounge.
    state->table.joinRequestPending = 0;
    state->table.joinRequestName[0] = 0;
    state->table.joinRequestKnockId[0] = 0;
}

void onRoomTimeoutRemoved(ClientState* state, const JsonNode* data) {
    leaveRemoved(state, data, TIMEOUT_REMOVED_TEXT);
}

void onRoomKicked(ClientState* state, const JsonNode* data) { leaveRemoved(state, data, KICKED_TEXT); }
