#include "session/events_round.h"

#include <cstring>

#include "host/nodelog.h"
#include "session/requests.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"

namespace {

// The deadline ms from now, held inside the window signed tick differences
// can order; 0 means "none", so a deadline landing on tick 0 is stored as 1.
uint32_t deadlineInMs(const ClientState* state, int64_t ms) {
    if (ms < 0) ms = 0;
    if (ms > (int64_t)MAX_DEADLINE_SECS * 1000) ms = (int64_t)MAX_DEADLINE_SECS * 1000;
    uint32_t at = tickMs(&state->clock) + (uint32_t)ms;
    return at ? at : 1;
}

uint32_t deadlineInSecs(const ClientState* state, int32_t secs) {
    return deadlineInMs(state, (int64_t)secs * 1000);
}

// The caller's own record: the first player marked as the caller.
const PlayerRecord* myRecord(const ClientState* state) {
    for (int32_t i = 0; i < state->table.playerCount && i < MAX_PLAYERS; i++)
        if (state->table.players[i].isMe) return &state->table.players[i];
    return nullptr;
}

bool namesMe(const ClientState* state, const char* playerId) {
    const PlayerRecord* me = myRecord(state);
    return me && playerId[0] && strcmp(me->id, playerId) == 0;
}

// A word belongs to the caller when its author is the caller's record. An
// empty author id names nobody (players without ids would all match it).
int32_t authorIsMe(const ClientState* state, const char* authorId) {
    if (!authorId[0]) return 0;
    for (int32_t i = 0; i < state->table.playerCount && i < MAX_PLAYERS; i++)
        if (strcmp(state->table.players[i].id, authorId) == 0) return state->table.players[i].isMe;
    return 0;
}

void takePickCategories(ClientState* state, const JsonNode* list) {
    if (!jsonIsType(list, JSON_ARRAY)) return;
    state->picker.categoryCount = 0;
    for (const JsonNode* el = list->firstChild; el && state->picker.categoryCount < MAX_CATEGORIES; el = el->next) {
        const char* name = jsonIsType(el, JSON_STRING) ? el->text : jsonGetString(el, "name", "");
        if (name[0]) copyText(state->picker.categoryNames[state->picker.categoryCount++], name);
    }
    state->picker.categoriesFromPick = 1;
}

void takeOtherPicker(ClientState* state, const JsonNode* data) {
    copyText(state->table.pickerName, jsonGetString(data, "pickerName", DEFAULT_PICKER_NAME));
}

// A member that is a string replaces the held text; anything else keeps it.
template <size_t N>
void keepOrTake(char (&dst)[N], const JsonNode* obj, const char* member) {
    const JsonNode* node = jsonGet(obj, member);
    if (jsonIsType(node, JSON_STRING)) copyText(dst, node->text);
}

void showPrompt(ClientState* state, int32_t index) {
    copyText(state->round.shownPromptType, state->round.promptTypes[index]);
    copyText(state->round.shownPromptHint, state->round.promptHints[index]);
    state->round.shownPromptIndex = index;
}

void takeBlanks(ClientState* state, const JsonNode* list) {
    for (const JsonNode* el = jsonFirstElement(list); el && state->round.promptCount < MAX_PROMPTS; el = el->next) {
        int32_t i = state->round.promptCount;
        copyText(state->round.promptTypes[i], jsonGetString(el, "type", DEFAULT_PROMPT_TYPE));
        copyText(state->round.promptHints[i], jsonGetString(el, "hint", ""));
        state->round.blankIds[i] = jsonGetInt(el, "n", i + 1);
        state->round.answers[i][0] = 0;
        state->round.promptCount++;
    }
}

// Fill the next reveal slot from el; 1 when its word was found in the story
// at or after *searchFrom (which then moves past it).
int32_t takeRevealWord(ClientState* state, const JsonNode* el, int32_t* searchFrom) {
    RevealWord* w = &state->reveal.revealWords[state->reveal.revealWordCount];
    memset(w, 0, sizeof *w);
    w->n = jsonGetInt(el, "n", 0);
    copyText(w->value, jsonGetString(el, "value", ""));
    copyText(w->authorId, jsonGetString(el, "authorId", ""));
    w->mine = authorIsMe(state, w->authorId);
    if (!w->value[0]) return 0;
    const char* found = strstr(state->reveal.revealStory + *searchFrom, w->value);
    if (!found) return 0;
    w->storyOffset = (int32_t)(found - state->reveal.revealStory);
    *searchFrom = w->storyOffset + (int32_t)strlen(w->value);
    return 1;
}

void clearRoundProgress(ClientState* state) {
    state->round.wordsDone = 0;
    state->timers.scoresDeadline = 0;
    state->timers.pickDeadline = 0;
    state->timers.revealDeadline = 0;
    state->timers.wordDeadline = 0;
    state->timers.startDeadline = 0;
    state->round.promptCount = 0;
    state->reveal.revealWordCount = 0;
}

}  // namespace

// ---- the pick turn ----

void onCategoryPick(ClientState* state, const JsonNode* data) {
    const char* pickerId = jsonGetString(data, "pickerId", "");
    takePickCategories(state, jsonGet(data, "categories"));
    if (namesMe(state, pickerId)) {
        int32_t secs = jsonGetInt(data, "pickSeconds", 0);
        state->table.pickerMode = 3;
        state->table.pickTimerOn = secs > 0;
        state->timers.pickDeadline = secs > 0 ? deadlineInSecs(state, secs) : 0;
        state->table.pickerName[0] = 0;
        state->table.pickTurn = 1;
        state->table.returnPendingNames[0] = 0;
    } else {
        takeOtherPicker(state, data);
        state->table.pickerMode = 0;
        state->table.pickTurn = 0;
        state->table.pickTimerOn = 0;
        state->timers.pickDeadline = 0;
    }
    goToScreen(state, SCR_TABLE);
}

void onPickerWaiting(ClientState* state, const JsonNode* data) {
    int32_t secs = jsonGetInt(data, "seconds", PICK_WAIT_DEFAULT_SECS);
    state->timers.pickDeadline = deadlineInSecs(state, secs >= PICK_WAIT_MIN_SECS ? secs : PICK_WAIT_DEFAULT_SECS);
    if (namesMe(state, jsonGetString(data, "pickerId", "")))
        setNotice(state, PICK_WAIT_TEXT);
    else
        takeOtherPicker(state, data);
    state->view.contentDirty = 1;
}

void onPickerWarning(ClientState* state, const JsonNode* data) {
    int32_t secs = jsonGetInt(data, "seconds", 0);
    state->timers.pickDeadline = secs > 0 ? deadlineInSecs(state, secs) : 0;
    state->view.contentDirty = 1;
}

void onCategorySpin(ClientState* state, const JsonNode*) { setNotice(state, CATEGORY_SPIN_TEXT); }

// ---- words ----

void onPrompts(ClientState* state, const JsonNode* data) {
    state->table.pickerName[0] = 0;
    state->table.pickTurn = 0;
    state->table.pickTimerOn = 0;
    state->timers.pickDeadline = 0;
    const JsonNode* tale = jsonGet(data, "template");
    if (jsonIsType(tale, JSON_OBJECT)) {
        keepOrTake(state->round.roundTitle, tale, "title");
        keepOrTake(state->round.roundCategory, tale, "category");
    }
    state->round.promptCount = 0;
    state->round.promptIndex = 0;
    state->round.wordCheckPending = 0;
    state->round.wordsDone = 0;
    state->round.answersSent = 0;
    state->round.timeUpSent = 0;
    takeBlanks(state, jsonGet(data, "blanks"));

    state->round.shownPromptType[0] = 0;
    state->round.shownPromptHint[0] = 0;
    state->round.shownPromptIndex = 0;
    if (state->round.promptCount > 0) showPrompt(state, 0);
    state->round.shownPromptTotal = state->round.promptCount > 0 ? state->round.promptCount : 1;
    state->round.totalBlanks = jsonGetInt(data, "totalBlanks", 0);

    double secs = jsonGetNumber(data, "seconds", WORD_SECONDS_DEFAULT);
    state->timers.wordDeadline = deadlineInMs(state, jsonNumberToInt(secs * 1000.0));
    state->timers.startDeadline = 0;
    state->round.wordInputEcho[0] = 0;
    enterScreen(state, SCR_WORD_ENTRY);
}

// ---- the reveal ----

void onStoryReveal(ClientState* state, const JsonNode* data) {
    state->reveal.revealWordCount = 0;
    state->reveal.revealCursor = 0;
    copyText(state->round.roundTitle, jsonGetString(data, "title", ""));
    copyText(state->reveal.revealStory, jsonGetString(data, "story", ""));
    int32_t searchFrom = 0;
    for (const JsonNode* el = jsonFirstElement(jsonGet(data, "words"));
         el && state->reveal.revealWordCount < MAX_REVEAL_WORDS; el = el->next)
        state->reveal.revealWordCount += takeRevealWord(state, el, &searchFrom);
    int32_t voteSecs = jsonGetInt(data, "voteSeconds", 0);
    state->timers.revealDeadline = voteSecs > 0 ? deadlineInSecs(state, voteSecs) : 0;
    state->timers.wordDeadline = 0;
    enterScreen(state, SCR_REVEAL);
}

void onWordTally(ClientState* state, const JsonNode* data) {
    int32_t blankN = jsonGetInt(data, "blankN", -1);
    for (int32_t i = 0; i < state->reveal.revealWordCount && i < MAX_REVEAL_WORDS; i++) {
        if (state->reveal.revealWords[i].n != blankN) continue;
        state->reveal.revealWords[i].laughs = jsonGetInt(data, "laughs", 0);
        state->view.contentDirty = 1;
        return;
    }
}

void onVoterDone(ClientState* state, const JsonNode* data) {
    char names[STILL_READING_NAMES * (STILL_READING_NAME_MAX + 2) + 1] = "";
    int32_t taken = 0;
    for (const JsonNode* el = jsonFirstElement(jsonGet(data, "pendingNames"));
         el && taken < STILL_READING_NAMES; el = el->next) {
        if (!jsonIsType(el, JSON_STRING) || !el->text[0]) continue;
        if (taken++) appendText(names, ", ");
        char name[STILL_READING_NAME_MAX + 1];
        copyText(name, el->text);
        appendText(names, name);
    }
    formatText(state->reveal.stillReading, "%.180s", names);
    state->view.noticeDirty = 1;
}

// ---- after the round ----

void onRoundResults(ClientState* state, const JsonNode* data) {
    const JsonNode* list = jsonGet(data, "standings");
    if (!jsonIsType(list, JSON_ARRAY)) list = jsonGet(data, "players");
    if (jsonIsType(list, JSON_ARRAY)) applyPlayerList(state, list);
    state->timers.revealDeadline = 0;
    enterScreen(state, SCR_SCORES);
}

void onRatePrompt(ClientState* state, const JsonNode* data) {
    state->table.rateStoryId = jsonGetInt(data, "storyId", 0);
    copyText(state->table.rateTitle, jsonGetString(data, "title", ""));
    const JsonNode* mine = jsonGet(data, "mine");
    state->table.rateGiven = jsonIsType(mine, JSON_NUMBER) ? jsonNumberToInt(mine->number) : 2;
    state->view.fullRedraw = 1;
    state->view.noticeDirty = 1;
}

void onFinalWarning(ClientState* state, const JsonNode* data) {
    int32_t secs = jsonGetInt(data, "seconds", 0);
    if (state->view.screen == SCR_SCORES && secs > 0) state->timers.scoresDeadline = deadlineInSecs(state, secs);
    char line[96];
    if (secs > 0)
        formatText(line, FINAL_WARNING_SECS_TEXT, secs);
    else
        copyText(line, FINAL_WARNING_NOW_TEXT);
    appendSystemLine(state, "", line, CHAT_SYSTEM);
}

void onRoundAborted(ClientState* state, const JsonNode* data) {
    char reason[256];
    copyText(reason, jsonGetString(data, "reason", DEFAULT_ABORT_REASON));
    appendSystemLine(state, "", reason, CHAT_SYSTEM);
    clearRoundProgress(state);
    if (state->table.inRoom) goToScreen(state, SCR_TABLE);
    setNotice(state, reason);
}
