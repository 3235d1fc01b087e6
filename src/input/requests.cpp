#include "input/requests.h"

#include "net/wire.h"
#include "platform/text.h"
#include "screens/story_gaps.h"
#include "state/client_state.h"
#include "state/state.h"

namespace {

void clearTypedLine(ClientState* s) {
    s->inputLine[0] = 0;
    s->inputLen = 0;
}

void enterWelcome(ClientState* s) {
    s->welcomeDrawn = 0;  // the next paint is a full one; the stars keep their places
    clearDeadlines(s);
}

void enterMainMenu(ClientState* s) {
    emitPresence(s, "welcome");
    clearDeadlines(s);
}

void enterLounge(ClientState* s) {
    emitPresence(s, "lounge");
    clearDeadlines(s);
    s->presetLine[0] = 0;
    s->loungePage = 0;
    s->codeEntry = 0;
    serverEmit(&s->conn, "lobby:refresh", "{}");
}

void enterWordEntry(ClientState* s) {
    s->wordInputEcho[0] = 0;
    if (!s->inRoom) emitPresence(s, "solo");
}

void enterReveal(ClientState* s) {
    s->revealCursor = 0;
    s->revealDone = 0;
    s->stillReading[0] = 0;
}

void enterScores(ClientState* s) {
    s->scoresDeadline = 0;
    s->rateStoryId = 0;
    s->rateGiven = 2;  // no vote yet
    s->rateTitle[0] = 0;
}

// The pickers show the authed category list again unless the caller is
// choosing for the table's turn, whose list came with the pick.
void enterPicker(ClientState* s) {
    if (s->pickerMode == 0 && !s->inRoom) emitPresence(s, "solo");
    if (s->pickerMode == 3 || !s->categoriesFromPick || s->categoryCount <= 0) return;
    int32_t n = s->categoryCount > MAX_CATEGORIES ? MAX_CATEGORIES : s->categoryCount;
    for (int32_t i = 0; i < n; i++) copyText(s->categoryNames[i], s->categoryNames2[i]);
    s->categoryCount2 = n;
    s->categoriesFromPick = 0;
}

void enterGuide(ClientState* s) {
    s->guidePage = 0;
    s->guideFrame = 0;
    s->guidePageDrawn = 0;
    s->guideFrameShown = -1;
    clearDeadlines(s);
}

void enterMailbox(ClientState* s) {
    s->readScroll = 0;
    s->mailRequested = 1;
    serverEmitAck(&s->conn, "mail:list", "{}", ACK_MAIL_LIST);
}

void enterReading(ClientState* s) { s->readScroll = 0; }

void enterSubmitIntro(ClientState* s) {
    s->storyTitle[0] = 0;
    s->storyCategory[0] = 0;
    s->storyRequestedCategory[0] = 0;
    s->storyEmail[0] = 0;
    copyText(s->storyRating, "PG");
    s->storyLineCount = 0;
    s->storyEditLine = 0;
    s->storyGapCount = 0;
    s->storyScroll = 0;
    s->storySent = 0;
}

void enterStoryReview(ClientState* s) {
    scanStoryGaps(s);
    s->storyScroll = 0;
}

void enterStoryEdit(ClientState* s) { s->storyEditLine = 0; }

void enterStoryCategory(ClientState* s) {
    if (s->categoryCount2 == 0) serverEmit(&s->conn, "lobby:refresh", "{}");  // its answer brings the names
}

void enterFeedbackEdit(ClientState* s) { s->feedbackEditLine = 0; }
void enterReplyEditor(ClientState* s) { s->replyEditLine = 0; }

void enterCareHub(ClientState* s) {
    s->careScroll = 0;
    s->careSectionOpen = -1;
    if (s->careLoaded || s->careRequested) return;
    s->careRequested = 1;
    serverEmitAck(&s->conn, "carehub:get", "{}", ACK_CAREHUB_GET);
}

void enterCareTopic(ClientState* s) { s->careSectionScroll = 0; }

using EnterFn = void (*)(ClientState* s);
struct EnterRow {
    int32_t screen;
    EnterFn enter;
};

constexpr EnterRow ENTER_ROWS[] = {
    {SCR_WELCOME, enterWelcome},
    {SCR_MAIN_MENU, enterMainMenu},
    {SCR_LOUNGE, enterLounge},
    {SCR_WORD_ENTRY, enterWordEntry},
    {SCR_REVEAL, enterReveal},
    {SCR_SCORES, enterScores},
    {SCR_CATEGORY_PICK, enterPicker},
    {SCR_TALE_PICK, enterPicker},
    {SCR_SOLO_TALE, enterPicker},
    {SCR_GUIDE, enterGuide},
    {SCR_MAILBOX, enterMailbox},
    {SCR_LETTER, enterReading},
    {SCR_ANNOUNCEMENTS, enterReading},
    {SCR_ANNOUNCEMENT, enterReading},
    {SCR_SUBMIT_INTRO, enterSubmitIntro},
    {SCR_STORY_REVIEW, enterStoryReview},
    {SCR_STORY_EDIT, enterStoryEdit},
    {SCR_STORY_CATEGORY, enterStoryCategory},
    {SCR_FEEDBACK_EDIT, enterFeedbackEdit},
    {SCR_REPLY_WRITE, enterReplyEditor},
    {SCR_REPLY_REVIEW, enterReplyEditor},
    {SCR_REPLY_EDIT, enterReplyEditor},
    {SCR_CARE_HUB, enterCareHub},
    {SCR_CARE_TOPIC, enterCareTopic},
};

// Append the escaped answer cut to what the request carries, without
// splitting an escape pair.
int32_t appendAnswer(char* out, int32_t cap, int32_t len, bool first, int32_t blankId,
                     const char* answer) {
    char escaped[ANSWER_ESCAPE_CAP];
    jsonEscapeText(escaped, sizeof escaped, answer);
    int32_t cut = escapedCut(escaped, ANSWER_SENT_MAX);
    if (len >= cap - 1) return len;
    len += formatTextN(out + len, (size_t)(cap - len), "%s\"%d\":\"%.*s\"", first ? "" : ",",
                       blankId, cut, escaped);
    return len;
}

}  // namespace

void clearDeadlines(ClientState* state) {
    state->startDeadline = 0;
    state->wordDeadline = 0;
    state->revealDeadline = 0;
    state->scoresDeadline = 0;
    state->pickDeadline = 0;
}

void emitPresence(ClientState* state, const char* zone) {
    char data[32];
    formatText(data, "\"%.20s\"", zone);
    serverEmit(&state->conn, "presence:zone", data);
}

void goToScreen(ClientState* state, int32_t screen) {
    state->screen = screen;
    state->fullRedraw = 1;
    clearTypedLine(state);
    setNotice(state, nullptr);
}

void enterScreen(ClientState* state, int32_t screen) {
    goToScreen(state, screen);
    for (const EnterRow& row : ENTER_ROWS) {
        if (row.screen == screen) {
            row.enter(state);
            return;
        }
    }
}

void returnToMenu(ClientState* state) { enterScreen(state, SCR_MAIN_MENU); }

int32_t buildAnswers(const ClientState* state, char* out, int32_t cap) {
    if (cap <= 0) return 0;
    int32_t len = formatTextN(out, (size_t)cap, "{\"answers\":{");
    int32_t n = state->promptCount > MAX_PROMPTS ? MAX_PROMPTS : state->promptCount;
    for (int32_t i = 0; i < n; i++)
        len = appendAnswer(out, cap, len, i == 0, state->blankIds[i], state->answers[i]);
    if (len < cap - 1) len += formatTextN(out + len, (size_t)(cap - len), "}}");
    return len;
}

void submitWord(ClientState* state, const char* word) {
    if (state->promptCount <= 0) return;
    int32_t count = state->promptCount > MAX_PROMPTS ? MAX_PROMPTS : state->promptCount;
    int32_t slot = state->promptIndex;
    if (slot < 0) slot = 0;
    if (slot > count - 1) slot = count - 1;
    copyText(state->answers[slot], word);
    state->promptIndex = slot + 1;
    if (slot + 1 < count) {
        copyText(state->shownPromptType, state->promptTypes[slot + 1]);
        copyText(state->shownPromptHint, state->promptHints[slot + 1]);
        state->shownPromptIndex = slot + 1;
        state->wordInputEcho[0] = 0;
        state->contentDirty = 1;
        return;
    }
    char answers[ANSWERS_BUFFER];
    buildAnswers(state, answers, ANSWERS_BUFFER);
    if (state->inRoom) {
        serverEmitAck(&state->conn, "submit:answers", answers, ACK_SUBMIT_ANSWERS);
        return;
    }
    serverEmitAck(&state->conn, "solo:submit", answers, ACK_SOLO_SUBMIT);
    setNotice(state, "Weaving your tale...");
}
