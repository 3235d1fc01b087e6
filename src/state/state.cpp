#include "state/state.h"

#include <cstring>

#include "host/markers.h"
#include "host/nodelog.h"
#include "net/json.h"
#include "platform/text.h"
#include "terminal/screen.h"

namespace {

struct InkEntry {
    const char* name;
    int32_t colour;
};

constexpr InkEntry INKS[] = {
    {"gold", 31}, {"cyan", 36}, {"green", 32}, {"magenta", 35}, {"blue", 34}, {"orange", 33},
};

// New players without an ink take these by their position in the list.
constexpr int32_t PALETTE[] = {31, 36, 32, 35};
constexpr int32_t PALETTE_SIZE = (int32_t)(sizeof PALETTE / sizeof PALETTE[0]);

// Round states in which the snapshot's template names the tale being played.
constexpr const char* ROUND_STATES[] = {"collecting", "voting", "results", "gameover"};

// Screens a snapshot must not pull the caller away from: a round or a
// dialogue is in progress there.
constexpr int32_t STAY_SCREENS[] = {
    SCR_WORD_ENTRY, SCR_REVEAL, SCR_CATEGORY_PICK, SCR_TALE_PICK, SCR_CREATE_TABLE,
};

constexpr size_t PENDING_JOIN_LIMIT = 221;  // returnPendingNames stops growing past this
constexpr size_t PENDING_NAME_CHARS = 30;   // each waited-for name is cut to this
static_assert(PENDING_JOIN_LIMIT + 2 + PENDING_NAME_CHARS < sizeof(TableState::returnPendingNames),
              "the last separator and name always fit");

// A tick value for a deadline or a time stamp: 0 means "none", so a moment
// that happens to fall on tick 0 is stored as 1.
uint32_t tickStamp(uint32_t tick) { return tick ? tick : 1; }

bool isArray(const JsonNode* node) { return node && node->type == JSON_ARRAY; }

// First old player that is the same as (id, name): ids decide when both
// sides have one, names otherwise.
const PlayerRecord* findOld(const PlayerRecord* old, int32_t oldCount, const char* id,
                            const char* name) {
    for (int32_t i = 0; i < oldCount; i++) {
        bool byId = id[0] && old[i].id[0];
        if (byId ? strcmp(old[i].id, id) == 0 : strcmp(old[i].name, name) == 0) return &old[i];
    }
    return nullptr;
}

void fillPlayer(ClientState* state, PlayerRecord* p, const JsonNode* el, const PlayerRecord* old,
                int32_t index) {
    const char* id = jsonGetString(el, "id", "");
    memset(p, 0, sizeof *p);
    copyText(p->name, jsonGetString(el, "name", "?"));
    copyText(p->id, id);
    p->isHost = jsonGetBool(el, "isHost", 0);
    p->ready = jsonGetBool(el, "ready", 0) || jsonGetBool(el, "submitted", 0);
    p->isMe = state->identity.myName[0] && strcmp(state->identity.myName, p->name) == 0;
    p->laughs = jsonGetInt(el, "laughs", old ? old->laughs : 0);
    p->bbsNumber = jsonGetInt(el, "bbsNumber", old ? old->bbsNumber : 0);
    copyText(p->source, jsonGetString(el, "source", old ? old->source : "web"));
    int32_t ink = inkColour(jsonGetString(el, "ink", ""));
    p->colour = ink ? ink : old ? old->colour : paletteColour(index);
}

bool idListed(const JsonNode* ids, const char* id) {
    for (const JsonNode* n = ids->firstChild; n; n = n->next)
        if (n->type == JSON_STRING && strcmp(n->text, id) == 0) return true;
    return false;
}

// Names of the seated players the table still waits for: those whose id is
// not in the snapshot's list of players who have come back.
void collectReturnPending(ClientState* state, const JsonNode* returned) {
    char* out = state->table.returnPendingNames;
    const size_t cap = sizeof state->table.returnPendingNames;
    out[0] = 0;
    if (!isArray(returned) || !returned->firstChild) return;
    bool first = true;
    for (int32_t i = 0; i < state->table.playerCount; i++) {
        const PlayerRecord* p = &state->table.players[i];
        if (idListed(returned, p->id)) continue;
        if (!first && strlen(out) <= PENDING_JOIN_LIMIT) appendTextN(out, cap, ", ");
        first = false;
        char name[PENDING_NAME_CHARS + 1];
        copyText(name, p->name);
        if (strlen(out) <= PENDING_JOIN_LIMIT) appendTextN(out, cap, name);
    }
}

void takeRoundTitle(ClientState* state, const JsonNode* room) {
    const char* roundState = jsonGetString(room, "state", "");
    for (const char* s : ROUND_STATES) {
        if (strcmp(roundState, s) != 0) continue;
        const JsonNode* tpl = jsonGet(room, "template");
        copyText(state->round.roundTitle, jsonGetString(tpl, "title", state->round.roundTitle));
        copyText(state->round.roundCategory, jsonGetString(tpl, "category", state->round.roundCategory));
        return;
    }
    state->round.roundTitle[0] = 0;
    state->round.roundCategory[0] = 0;
}

bool mayLeaveScreen(const ClientState* state) {
    for (int32_t s : STAY_SCREENS)
        if (state->view.screen == s) return false;
    return state->table.pickerMode == 0;
}

// The light go-to: new screen, full redraw, typed line and notice emptied.
void moveToTable(ClientState* state) {
    state->view.screen = SCR_TABLE;
    state->view.fullRedraw = 1;
    state->input.inputLine[0] = 0;
    state->input.inputLen = 0;
    state->input.noticeText[0] = 0;
}

void chooseRoomScreen(ClientState* state, const JsonNode* room, int32_t mayShowTable) {
    // Already at the table: the body redraw is enough, and going there again
    // would wipe the line the caller is typing.
    if (state->view.screen == SCR_TABLE) return;
    if (state->view.screen == SCR_SCORES) {
        if (strcmp(jsonGetString(room, "state", ""), "waiting") == 0) moveToTable(state);
        return;
    }
    if (mayShowTable && mayLeaveScreen(state)) moveToTable(state);
}

}  // namespace

int32_t inkColour(const char* ink) {
    if (!ink) return 0;
    for (const InkEntry& e : INKS)
        if (strcmp(ink, e.name) == 0) return e.colour;
    return 0;
}

int32_t paletteColour(int32_t index) {
    if (index < 0) index = 0;
    return PALETTE[index % PALETTE_SIZE];
}

void applyPlayerList(ClientState* state, const JsonNode* list) {
    PlayerRecord old[MAX_PLAYERS];
    int32_t oldCount = state->table.playerCount;
    if (oldCount < 0) oldCount = 0;
    if (oldCount > MAX_PLAYERS) oldCount = MAX_PLAYERS;
    memcpy(old, state->table.players, sizeof old);
    state->table.playerCount = 0;
    if (!isArray(list)) return;
    for (const JsonNode* el = list->firstChild; el && state->table.playerCount < MAX_PLAYERS; el = el->next) {
        int32_t index = state->table.playerCount;
        const PlayerRecord* prev = findOld(old, oldCount, jsonGetString(el, "id", ""),
                                           jsonGetString(el, "name", "?"));
        fillPlayer(state, &state->table.players[index], el, prev, index);
        state->table.playerCount++;
    }
    state->view.contentDirty = 1;
}

void applyRoomState(ClientState* state, const JsonNode* room, int32_t mayShowTable) {
    if (!room) return;
    const JsonNode* players = jsonGet(room, "players");
    const char* code = jsonGetString(room, "code", "");
    if (code[0]) copyTextMax(state->table.roomCode, code, 7);
    state->table.inRoom = 1;
    state->table.roomLocked = jsonGetBool(room, "locked", 0);
    const char* name = jsonGetString(room, "name", "");
    if (name[0]) copyText(state->table.roomName, name);
    state->table.roomAutoHost = jsonGetBool(room, "autoHost", 0);
    state->table.roomRoundRobin = jsonGetBool(room, "roundRobinPicking", 0);

    // Waited-for names come from the players held before this snapshot.
    collectReturnPending(state, jsonGet(room, "roomReturnPending"));
    if (players) applyPlayerList(state, players);
    state->table.playerCountSeen = state->table.playerCount;

    int32_t startsInMs = jsonNumberToInt(jsonGetNumber(room, "startsInMs", -1));
    if (startsInMs >= 0)
        state->timers.startDeadline = tickStamp(tickMs(&state->clock) + (uint32_t)startsInMs);
    else if (state->view.screen == SCR_TABLE)
        state->timers.startDeadline = 0;
    state->view.contentDirty = 1;

    takeRoundTitle(state, room);
    chooseRoomScreen(state, room, mayShowTable);
}

void applyAnnouncements(ClientState* state, const JsonNode* data) {
    state->mail.announcementCount = 0;
    const JsonNode* list = jsonGet(data, "announcements");
    if (!isArray(list)) return;
    for (const JsonNode* el = list->firstChild; el && state->mail.announcementCount < MAX_ANNOUNCEMENTS;
         el = el->next) {
        int32_t id = jsonGetInt(el, "id", 0);
        if (markerHasDismissed(state->caller.userRecord, id)) continue;
        Announcement* a = &state->mail.announcements[state->mail.announcementCount++];
        memset(a, 0, sizeof *a);
        a->id = id;
        a->read = markerHasRead(state->caller.userRecord, id);
        copyText(a->title, jsonGetString(el, "title", "(untitled)"));
        copyText(a->body, jsonGetString(el, "body", ""));
    }
}

void setNotice(ClientState* state, const char* text) {
    if (!text) {
        state->input.noticeText[0] = 0;
        state->input.noticeTick = 0;
        return;
    }
    copyText(state->input.noticeText, text);
    state->input.noticeTick = tickStamp(tickMs(&state->clock));
    state->view.noticeDirty = 1;
}

void appendChatLine(ClientState* state, const char* name, const char* text, int32_t kind,
                    const char* tag) {
    if (state->chat.chatCount >= MAX_CHAT_LINES) {
        memmove(&state->chat.chatLog[0], &state->chat.chatLog[1], sizeof(ChatLine) * (MAX_CHAT_LINES - 1));
        state->chat.chatCount = MAX_CHAT_LINES - 1;
    }
    if (state->chat.chatCount < 0) state->chat.chatCount = 0;
    ChatLine* line = &state->chat.chatLog[state->chat.chatCount++];
    memset(line, 0, sizeof *line);
    copyText(line->name, name);
    copyText(line->text, text);
    line->kind = kind;
    copyText(line->tag, tag);
    state->chat.chatScroll = 0;
    state->view.chatDirty = 1;
}

void appendSystemLine(ClientState* state, const char* name, const char* text, int32_t kind) {
    appendChatLine(state, name, text, kind, "");
}

int32_t editInputLine(ClientState* state, int32_t key) {
    int32_t len = state->input.inputLen;
    if (key == KEY_BACKSPACE) {
        if (len > 0) {
            state->input.inputLine[--state->input.inputLen] = 0;
            state->view.inputDirty = 1;
        }
        return 0;
    }
    if (key == KEY_ENTER) return len > 0;
    // CP437 characters: printable ASCII and 128-254 (255 is telnet's escape
    // byte and never a typed character).
    bool character = (key >= 32 && key <= 126) || (key >= 128 && key <= 254);
    if (!character) return 0;
    // A key past the end is refused out loud: a caller typing on would
    // otherwise lose it without a sign.
    if (len >= INPUT_MAX_CHARS) {
        setNotice(state, INPUT_FULL_NOTICE);
        return 0;
    }
    state->input.inputLine[len] = (char)key;
    state->input.inputLine[len + 1] = 0;
    state->input.inputLen = len + 1;
    state->view.inputDirty = 1;
    return 0;
}

void requestRepaint(ClientState* state) {
    screenForget(&state->term);
    state->view.fullRedraw = 1;
}

void forgetTable(ClientState* state) {
    state->table.rateStoryId = 0;
    state->table.rateGiven = 2;  // no vote yet
    state->table.rateTitle[0] = 0;
    state->table.inRoom = 0;
    state->table.isHost = 0;
    state->table.roomCode[0] = 0;
    state->table.roomName[0] = 0;
    state->table.presetLine[0] = 0;
    state->table.pickerName[0] = 0;
    state->table.returnPendingNames[0] = 0;
    state->table.roomAutoHost = 0;
    state->table.roomRoundRobin = 0;
    state->table.playerCount = 0;
    state->table.playerCountSeen = 0;
    state->round.wordsDone = 0;
    state->table.pickerMode = 0;
    state->table.pickTurn = 0;
    state->table.pickTimerOn = 0;
    state->timers.startDeadline = 0;
    state->timers.wordDeadline = 0;
    state->timers.revealDeadline = 0;
    state->timers.scoresDeadline = 0;
    state->timers.pickDeadline = 0;
    state->reveal.revealWordCount = 0;
    state->reveal.revealCursor = 0;
}
