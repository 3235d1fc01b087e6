#include "session/requests.h"

#include <cstring>

#include "session/replies.h"
#include "session/screen_parts.h"
#include "session/screen_table.h"
#include "net/wire.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "state/story_gaps.h"

// ---------------------------------------------------------------------------
// The request table: one row per RequestKind, in enum order.

constexpr RequestRow REQUESTS[REQ_COUNT] = {
    {REQ_PRESENCE_ZONE, "presence:zone", ACK_NONE, nullptr},
    {REQ_LOBBY_REFRESH, "lobby:refresh", ACK_NONE, nullptr},  // quickSeat shows its own
    {REQ_ROOM_JOIN, "room:join", ACK_ROOM_JOIN, "Pulling up a chair..."},
    {REQ_ROOM_CREATE, "room:create", ACK_ROOM_CREATE, "Setting your table..."},
    {REQ_ROOM_UPDATE_PRESET, "room:update-preset", ACK_NONE, "Your table will play that one."},
    {REQ_CATEGORY_PICK, "category:pick", ACK_NONE, "Here we go..."},
    {REQ_CATEGORY_PICK_STORY, "category:pick-story", ACK_NONE, "Here we go..."},
    {REQ_REPORT_BEGIN, "report:begin", ACK_NONE, nullptr},  // reportBegin decides
    {REQ_ROOM_LEAVE, "room:leave", ACK_NONE, nullptr},
    {REQ_ROOM_START_NOW, "room:start-now", ACK_NONE, "Starting the game..."},
    {REQ_PICKER_CHOOSING, "picker:choosing", ACK_NONE, "Choose what everyone plays."},
    {REQ_PICKER_WAIT, "picker:wait", ACK_NONE,
     "Not ready yet - the table has been told, and you have more time."},
    {REQ_HOST_START, "host:start", ACK_NONE, nullptr},
    {REQ_ROOM_REGENERATE_CODE, "room:regenerate-code", ACK_NONE, nullptr},
    {REQ_ROOM_SET_LOCK, "room:set-lock", ACK_NONE, nullptr},
    {REQ_PLAYER_SET_PAGES, "player:set-pages", ACK_NONE, nullptr},
    {REQ_HOST_KICK, "host:kick", ACK_NONE, nullptr},
    {REQ_ROOM_INVITE, "room:invite", ACK_NONE, nullptr},
    {REQ_LOBBY_CHAT, "lobby:chat", ACK_NONE, nullptr},
    {REQ_ROOM_CHAT, "room:chat", ACK_NONE, nullptr},
    {REQ_LOBBY_EMOTE, "lobby:emote", ACK_NONE, nullptr},
    {REQ_ROOM_EMOTE, "room:emote", ACK_NONE, nullptr},
    {REQ_STORY_RATE, "story:rate", ACK_NONE, nullptr},
    {REQ_MAIL_LIST, "mail:list", ACK_MAIL_LIST, nullptr},
    {REQ_MAIL_MARK_READ, "mail:mark-read", ACK_NONE, nullptr},
    {REQ_MAIL_DELETE, "mail:delete", ACK_NONE, "Deleted."},
    {REQ_CAREHUB_GET, "carehub:get", ACK_CAREHUB_GET, nullptr},
    {REQ_SOLO_START, "solo:start", ACK_SOLO_START, "Fetching your story..."},
    {REQ_WORD_CHECK, "word:check", ACK_WORD_CHECK, nullptr},
    {REQ_SUBMIT_ANSWERS, "submit:answers", ACK_SUBMIT_ANSWERS, nullptr},
    {REQ_SOLO_SUBMIT, "solo:submit", ACK_SOLO_SUBMIT, "Weaving your tale..."},
    {REQ_ROOM_KNOCK, "room:knock", ACK_NONE, nullptr},
    {REQ_ROOM_KNOCK_REPLY, "room:knock-reply", ACK_NONE, nullptr},
    {REQ_ROOM_INVITE_REPLY, "room:invite-reply", ACK_NONE, "You turned the invite down."},
    {REQ_VOTE_CAST, "vote:cast", ACK_NONE, nullptr},
    {REQ_VOTE_DONE, "vote:done", ACK_NONE, "Waiting for everyone to finish reading..."},
    {REQ_ROOM_CONTINUE_AUTO, "room:continue-auto", ACK_NONE, "Waiting for the others..."},
    {REQ_ROOM_BACK_TO_ROOM, "room:back-to-room", ACK_NONE, "You're in. Waiting for everyone else..."},
    {REQ_FEEDBACK_SUBMIT, "feedback:submit", ACK_FEEDBACK_SUBMIT, "Sending..."},
    {REQ_MAIL_REPLY, "mail:reply", ACK_MAIL_REPLY, "Sending..."},
    {REQ_REPORT_PLAYER, "report:player", ACK_REPORT, "Sending..."},
    {REQ_REPORT_STORY, "report:story", ACK_REPORT, "Sending..."},
    {REQ_SUBMISSION_SUBMIT, "submission:submit", ACK_SUBMISSION_SUBMIT, "Sending your story..."},
};

static constexpr bool requestRowsInOrder() {
    for (int32_t i = 0; i < REQ_COUNT; i++)
        if (REQUESTS[i].kind != i) return false;
    return true;
}
static_assert(requestRowsInOrder(), "request rows follow RequestKind");

int32_t sendRequest(ClientState* state, RequestKind kind, const char* data) {
    const RequestRow& row = REQUESTS[kind];
    int32_t sent = row.ack == ACK_NONE ? serverEmit(&state->conn, row.name, data)
                                        : serverEmitAck(&state->conn, row.name, data, row.ack);
    if (row.notice) setNotice(state, row.notice);
    return sent;
}

// ---------------------------------------------------------------------------
// Escaped fields. Free text is escaped into a buffer of the request's cap and
// then cut to the format's precision without splitting an escape pair.

template <size_t CAP>
static const char* escapeField(char (&dst)[CAP], const char* src, int32_t maxChars) {
    jsonEscapeText(dst, CAP, src);
    dst[escapedCut(dst, maxChars)] = 0;
    return dst;
}

// Appending formatted pieces to one request body, cut at its capacity.
struct TextBuild {
    char* out;
    size_t cap;
    size_t length;
};

__attribute__((format(printf, 2, 3)))
static void buildAppend(TextBuild* build, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    build->length += (size_t)formatTextV(build->out + build->length, build->cap - build->length, fmt, ap);
    va_end(ap);
}

static const char* boolText(int32_t on) { return on ? "true" : "false"; }

static constexpr int32_t SMALL_DATA = 64;  // every request of numbers alone fits
// A request of one escaped field of at most `chars` characters, its frame
// and its numbers (the longest frame, {"category":"","storyId":-2147483648},
// is 37 bytes).
constexpr size_t oneFieldData(int32_t chars) { return jsonEscapedMax(chars) + 48; }

// A request whose data is one member holding text, escaped and cut to LIMIT
// characters. The key is at most 20 characters: the margin above holds it.
template <int32_t LIMIT>
void sendTextMember(ClientState* state, RequestKind kind, const char* key, const char* text) {
    char escaped[jsonEscapeCap(LIMIT)], data[oneFieldData(LIMIT)];
    formatText(data, "{\"%.20s\":\"%s\"}", key, escapeField(escaped, text, LIMIT));
    sendRequest(state, kind, data);
}

// ---------------------------------------------------------------------------
// Requests with data.

void emitPresence(ClientState* state, const char* zone) {
    char data[32];
    formatText(data, "\"%.20s\"", zone ? zone : "");
    sendRequest(state, REQ_PRESENCE_ZONE, data);
}

void requestLobbyRefresh(ClientState* state) { sendRequest(state, REQ_LOBBY_REFRESH, "{}"); }

void requestRoomCreate(ClientState* state) {
    char name[jsonEscapeCap(40)], category[jsonEscapeCap(60)];
    char data[128 + jsonEscapedMax(40) + jsonEscapedMax(60)];  // the frame is 115 bytes with both flags false
    formatText(data,
               "{\"name\":\"%s\",\"isPublic\":true,\"locked\":%s,\"maxPlayers\":6,"
               "\"roundRobinPicking\":%s,\"category\":\"%s\",\"storyId\":%d}",
               escapeField(name, state->table.createName, 40), boolText(state->table.createLocked),
               boolText(state->table.createRoundRobin), escapeField(category, state->table.pickCategory, 60),
               state->table.pickStoryId);
    sendRequest(state, REQ_ROOM_CREATE, data);
}

void requestUpdatePreset(ClientState* state, const char* category, int32_t storyId) {
    char escaped[jsonEscapeCap(60)], data[oneFieldData(60)];
    formatText(data, "{\"category\":\"%s\",\"storyId\":%d}", escapeField(escaped, category, 60), storyId);
    sendRequest(state, REQ_ROOM_UPDATE_PRESET, data);
}

void requestCategoryPick(ClientState* state, const char* category) {
    if (!category || !category[0]) sendRequest(state, REQ_CATEGORY_PICK, "{}");
    else sendTextMember<60>(state, REQ_CATEGORY_PICK, "category", category);
}

void requestCategoryPickStory(ClientState* state, int32_t storyId) {
    char data[SMALL_DATA];
    formatText(data, "{\"storyId\":%d}", storyId);
    sendRequest(state, REQ_CATEGORY_PICK_STORY, data);
}

void requestSetLock(ClientState* state) {
    sendRequest(state, REQ_ROOM_SET_LOCK, state->table.roomLocked ? "{\"on\":false}" : "{\"on\":true}");
}

void requestSetPages(ClientState* state, int32_t on) {
    sendRequest(state, REQ_PLAYER_SET_PAGES, on ? "{\"on\":true}" : "{\"on\":false}");
}

void requestKick(ClientState* state, const char* name) {
    sendTextMember<40>(state, REQ_HOST_KICK, "name", name);
}

void requestInvite(ClientState* state, const char* name) {
    sendTextMember<40>(state, REQ_ROOM_INVITE, "targetName", name);
}

void requestChat(ClientState* state, const char* text) {
    char escaped[jsonEscapeCap(500)], data[oneFieldData(500)];
    formatText(data, "\"%s\"", escapeField(escaped, text, 500));
    sendRequest(state, state->table.inRoom ? REQ_ROOM_CHAT : REQ_LOBBY_CHAT, data);
}

void requestEmote(ClientState* state, const char* text) {
    sendTextMember<500>(state, state->table.inRoom ? REQ_ROOM_EMOTE : REQ_LOBBY_EMOTE, "text", text);
}

void requestRateStory(ClientState* state, int32_t rating) {
    char data[SMALL_DATA];
    formatText(data, "{\"storyId\":%d,\"rating\":%d}", state->table.rateStoryId, rating);
    sendRequest(state, REQ_STORY_RATE, data);
}

void requestMailList(ClientState* state) {
    state->mail.mailRequested = 1;
    sendRequest(state, REQ_MAIL_LIST, "{}");
}

void requestMailMarkRead(ClientState* state, int32_t letterId) {
    char data[SMALL_DATA];
    formatText(data, "{\"id\":%d}", letterId);
    sendRequest(state, REQ_MAIL_MARK_READ, data);
}

void requestMailDelete(ClientState* state, int32_t letterId) {
    char data[SMALL_DATA];
    formatText(data, "{\"id\":%d}", letterId);
    sendRequest(state, REQ_MAIL_DELETE, data);
}

void requestCareHub(ClientState* state) {
    state->care.careRequested = 1;
    sendRequest(state, REQ_CAREHUB_GET, "{}");
}

void requestSoloStart(ClientState* state, int32_t storyId) {
    char data[SMALL_DATA];
    formatText(data, "{\"templateId\":%d}", storyId);
    sendRequest(state, REQ_SOLO_START, data);
}

void requestWordCheck(ClientState* state, const char* word) {
    sendTextMember<90>(state, REQ_WORD_CHECK, "text", word);
}

void requestKnock(ClientState* state, const char* knockId) {
    sendTextMember<44>(state, REQ_ROOM_KNOCK, "knockId", knockId);
}

void requestKnockReply(ClientState* state, int32_t allow) {
    char escaped[jsonEscapeCap(44)], data[oneFieldData(44)];
    formatText(data, "{\"knockId\":\"%s\",\"allow\":%s}", escapeField(escaped, state->table.joinRequestKnockId, 44),
               boolText(allow));
    sendRequest(state, REQ_ROOM_KNOCK_REPLY, data);
}

void requestInviteReply(ClientState* state) {
    sendTextMember<44>(state, REQ_ROOM_INVITE_REPLY, "fromId", state->table.inviteFromId);
}

void requestVote(ClientState* state, int32_t blankN) {
    char data[SMALL_DATA];
    formatText(data, "{\"blankN\":%d}", blankN);
    sendRequest(state, REQ_VOTE_CAST, data);
}

void requestStories(ClientState* state, const char* category, int32_t offset) {
    serverSendStories(&state->conn, category, offset);
}

void requestActions(ClientState* state) { serverSendActions(&state->conn); }

// ---------------------------------------------------------------------------
// Multi-line texts: the feedback note, the mail reply and the report note.

static constexpr size_t NOTE_LINE_ESCAPE_CAP = jsonEscapeCap(EDIT_LINE_BYTES - 1);
static constexpr int32_t REPORT_NOTE_SENT_MAX = 1000;
static_assert(NOTE_OBJECT_SIZE > FEEDBACK_NOTE_LIMIT + 32, "feedback note and its tail fit");
static_assert(NOTE_OBJECT_SIZE > MAIL_REPLY_LIMIT + 32, "reply and its tail fit");
static_assert(NOTE_OBJECT_SIZE > REPORT_NOTE_LIMIT + 2 * jsonEscapedMax(40) + 64, "report note and its fields fit");

// Append each line escaped, "\n" (backslash, n) before all but the first.
// The first line that would take the whole text past limit ends the join.
static void joinNoteLines(char* out, size_t cap, int32_t limit, const char (*lines)[EDIT_LINE_BYTES],
                          int32_t count, int32_t maxLines) {
    size_t length = strnlen(out, cap);
    if (count > maxLines) count = maxLines;
    for (int32_t i = 0; i < count; i++) {
        char escaped[NOTE_LINE_ESCAPE_CAP];
        jsonEscapeText(escaped, sizeof escaped, lines[i]);
        size_t add = strlen(escaped) + (i > 0 ? 2 : 0);
        if (length + add > (size_t)limit || length + add >= cap) return;
        if (i > 0) appendTextN(out, cap, "\\n");
        appendTextN(out, cap, escaped);
        length += add;
    }
}

int32_t buildFeedbackObject(const ClientState* state, char* out, size_t cap) {
    formatTextN(out, cap, "{\"text\":\"");
    joinNoteLines(out, cap, FEEDBACK_NOTE_LIMIT, state->editors.feedbackLines, state->editors.feedbackLineCount,
                  MAX_FEEDBACK_LINES);
    appendTextN(out, cap, "\",\"source\":\"bbs\"}");
    return (int32_t)strnlen(out, cap);
}

int32_t buildReplyObject(const ClientState* state, char* out, size_t cap) {
    formatTextN(out, cap, "{\"id\":%d,\"text\":\"", state->editors.replyToId);
    joinNoteLines(out, cap, MAIL_REPLY_LIMIT, state->editors.replyLines, state->editors.replyLineCount, MAX_REPLY_LINES);
    appendTextN(out, cap, "\"}");
    return (int32_t)strnlen(out, cap);
}

int32_t buildReportObject(const ClientState* state, char* out, size_t cap) {
    char note[REPORT_NOTE_LIMIT + 1] = "";
    joinNoteLines(note, sizeof note, REPORT_NOTE_LIMIT, state->editors.reportLines, state->editors.reportLineCount,
                  MAX_REPORT_LINES);
    note[escapedCut(note, REPORT_NOTE_SENT_MAX)] = 0;
    char reason[jsonEscapeCap(40)];
    escapeField(reason, state->editors.reportReason, 40);
    if (state->editors.reportIsTale)
        return formatTextN(out, cap, "{\"templateId\":0,\"reason\":\"%s\",\"note\":\"%s\"}", reason, note);
    char target[jsonEscapeCap(40)];
    return formatTextN(out, cap, "{\"targetSocketId\":\"%s\",\"reason\":\"%s\",\"note\":\"%s\"}",
                       escapeField(target, state->editors.reportTargetId, 40), reason, note);
}

void requestFeedback(ClientState* state) {
    char data[NOTE_OBJECT_SIZE];
    buildFeedbackObject(state, data, sizeof data);
    sendRequest(state, REQ_FEEDBACK_SUBMIT, data);
}

void requestMailReply(ClientState* state) {
    char data[NOTE_OBJECT_SIZE];
    buildReplyObject(state, data, sizeof data);
    sendRequest(state, REQ_MAIL_REPLY, data);
}

void requestReport(ClientState* state) {
    char data[NOTE_OBJECT_SIZE];
    buildReportObject(state, data, sizeof data);
    sendRequest(state, state->editors.reportIsTale ? REQ_REPORT_STORY : REQ_REPORT_PLAYER, data);
}

// ---------------------------------------------------------------------------
// The answers object.

// The worst round: every prompt held, each id of 11 characters, each answer
// escaped and cut to 60; nothing may be cut off the end of the object.
static constexpr int32_t ANSWER_ENTRY_WORST = 1 + (2 + 11) + 1 + (2 + (int32_t)jsonEscapedMax(ANSWER_SENT_MAX));  // ,"id":"..."
static_assert(MAX_PROMPTS <= 128, "the answers buffer is sized for 128 prompts");
static_assert(ANSWERS_BUFFER > 12 + MAX_PROMPTS * ANSWER_ENTRY_WORST + 2, "a full round of answers fits");

int32_t buildAnswers(const ClientState* state, char* out, int32_t cap) {
    if (cap <= 0) return 0;
    int32_t count = minOf(state->round.promptCount, MAX_PROMPTS);
    TextBuild build = {out, (size_t)cap, 0};
    buildAppend(&build, "{\"answers\":{");
    const char* comma = "";
    for (int32_t i = 0; i < count; i++) {
        if (!state->round.answers[i][0]) continue;  // a gap left out is the service's to fill
        char escaped[ANSWER_ESCAPE_CAP];
        buildAppend(&build, "%s\"%d\":\"%s\"", comma, state->round.blankIds[i],
                    escapeField(escaped, state->round.answers[i], ANSWER_SENT_MAX));
        comma = ",";
    }
    buildAppend(&build, "}}");
    return (int32_t)build.length;
}

// ---------------------------------------------------------------------------
// The submission object.

static constexpr int32_t MAX_RENUMBERED_GAPS = 30;
static constexpr size_t STORY_LINE_ESCAPE_CAP = jsonEscapeCap(STORY_LINE_REWRITTEN_MAX);
static_assert(MAX_STORY_GAPS <= MAX_RENUMBERED_GAPS, "every gap found has its entry within the limit");
static_assert(SUBMISSION_OBJECT_SIZE <= (size_t)WIRE_EMIT_ACK_DATA_MAX, "the submission fits one emit");

// Length of the gap opening at text[0] ("{type}" or "{type:hint}", no "{"
// inside), 0 when this "{" opens no gap.
static int32_t gapLength(const char* text) {
    int32_t at = 1;
    while (text[at] && text[at] != ':' && text[at] != '}' && text[at] != '{') at++;
    if (at == 1) return 0;  // "{}", "{:", "{{" or "{" at the end
    if (text[at] == ':') {
        at++;
        while (text[at] && text[at] != '}' && text[at] != '{') at++;
    }
    return text[at] == '}' ? at + 1 : 0;
}

void renumberStoryGaps(const char* line, int32_t* gapNumber, char* out, size_t cap) {
    size_t limit = cap - 1 < (size_t)STORY_LINE_REWRITTEN_MAX ? cap - 1 : (size_t)STORY_LINE_REWRITTEN_MAX;
    size_t length = 0;
    out[0] = 0;
    for (const char* p = line ? line : ""; *p;) {
        int32_t gap = *p == '{' ? gapLength(p) : 0;
        // Gaps cut off the end still count, so later lines match the gap
        // list; gaps past the 30th stay as typed.
        if (gap > 0 && *gapNumber < MAX_RENUMBERED_GAPS) {
            char number[16];
            formatText(number, "{%d}", ++*gapNumber);
            for (const char* n = number; *n && length < limit; n++) out[length++] = *n;
            p += gap;
            continue;
        }
        if (length < limit) out[length++] = *p;
        p++;
    }
    out[length] = 0;
}

static void appendStoryLines(ClientState* state, TextBuild* build) {
    int32_t gapNumber = 0;
    int32_t count = minOf(state->editors.storyLineCount, MAX_STORY_LINES);
    for (int32_t i = 0; i < count; i++) {
        char rewritten[STORY_LINE_REWRITTEN_MAX + 1], escaped[STORY_LINE_ESCAPE_CAP];
        renumberStoryGaps(state->editors.storyLines[i], &gapNumber, rewritten, sizeof rewritten);
        jsonEscapeText(escaped, sizeof escaped, rewritten);
        size_t add = strlen(escaped) + (i > 0 ? 2 : 0);
        if (build->length + add > (size_t)STORY_TEXT_LIMIT) return;
        buildAppend(build, "%s%s", i > 0 ? "\\n" : "", escaped);
    }
}

static void appendStoryBlanks(ClientState* state, TextBuild* build) {
    scanStoryGaps(state);
    int32_t count = minOf(state->editors.storyGapCount, MAX_STORY_GAPS);
    for (int32_t i = 0; i < count && build->length <= (size_t)STORY_BLANKS_LIMIT; i++) {
        char type[jsonEscapeCap(30)], hint[jsonEscapeCap(60)];
        const GapRecord& gap = state->editors.storyGaps[i];
        buildAppend(build, "%s{\"n\":%d,\"type\":\"%s\",\"hint\":\"%s\"}", i > 0 ? "," : "", gap.ordinal,
                    escapeField(type, gap.name, 30), escapeField(hint, gap.hint, 60));
    }
}

// The suggested category, unless it is empty or only the "asked for" marker.
static const char* requestedCategory(const ClientState* state) {
    const char* text = state->editors.storyRequestedCategory;
    return text[0] == 1 && text[1] == 0 ? "" : text;
}

int32_t buildSubmissionObject(ClientState* state, char* out, size_t cap) {
    TextBuild build = {out, cap, 0};
    out[0] = 0;
    char title[jsonEscapeCap(STORY_TITLE_SENT_MAX)];
    buildAppend(&build, "{\"title\":\"%s\",\"storyText\":\"",
                escapeField(title, state->editors.storyTitle, STORY_TITLE_SENT_MAX));
    appendStoryLines(state, &build);
    buildAppend(&build, "\",\"blanks\":[");
    appendStoryBlanks(state, &build);
    char category[jsonEscapeCap(40)], requested[jsonEscapeCap(40)], rating[jsonEscapeCap(8)], email[jsonEscapeCap(90)];
    buildAppend(&build,
                "],\"category\":\"%s\",\"requestedCategory\":\"%s\",\"rating\":\"%s\","
                "\"email\":\"%s\",\"agreedToTerms\":true,\"termsMethod\":\"typed-i-agree\"}",
                escapeField(category, state->editors.storyCategory, 40),
                escapeField(requested, requestedCategory(state), 40),
                escapeField(rating, state->editors.storyRating, 8), escapeField(email, state->editors.storyEmail, 90));
    return (int32_t)build.length;
}

void requestSubmission(ClientState* state) {
    static_assert(SUBMISSION_OBJECT_SIZE < 32768, "kept on the stack");
    char data[SUBMISSION_OBJECT_SIZE];
    buildSubmissionObject(state, data, sizeof data);
    sendRequest(state, REQ_SUBMISSION_SUBMIT, data);
}

// ---------------------------------------------------------------------------
// The screen switch.

void clearDeadlines(ClientState* state) {
    state->timers.startDeadline = 0;
    state->timers.wordDeadline = 0;
    state->timers.revealDeadline = 0;
    state->timers.scoresDeadline = 0;
    state->timers.pickDeadline = 0;
}

void enterWelcome(ClientState* state) {
    clearDeadlines(state);
}

void enterMainMenu(ClientState* state) {
    emitPresence(state, "welcome");
    clearDeadlines(state);
}

void enterLounge(ClientState* state) {
    emitPresence(state, "lounge");
    clearDeadlines(state);
    state->table.presetLine[0] = 0;
    state->lobby.loungePage = 0;
    state->lobby.codeEntry = 0;
    requestLobbyRefresh(state);
}

void enterWordEntry(ClientState* state) {
    state->round.wordInputEcho[0] = 0;
    if (!state->table.inRoom) emitPresence(state, "solo");
}

void enterReveal(ClientState* state) {
    state->reveal.revealCursor = 0;
    state->reveal.revealDone = 0;
    state->reveal.stillReading[0] = 0;
}

void enterScores(ClientState* state) {
    state->timers.scoresDeadline = 0;
    state->table.rateStoryId = 0;
    state->table.rateGiven = 2;  // no vote yet
    state->table.rateTitle[0] = 0;
}

// A table pick may have replaced the list the pickers show; a solo or host
// pick shows the caller's own list again.
void enterPicker(ClientState* state) {
    if (state->table.pickerMode == 0 && !state->table.inRoom) emitPresence(state, "solo");
    if (state->table.pickerMode == 3 || !state->picker.categoriesFromPick || state->picker.categoryCount2 <= 0) return;
    int32_t count = minOf(state->picker.categoryCount2, MAX_CATEGORIES);
    for (int32_t i = 0; i < count; i++) copyText(state->picker.categoryNames[i], state->picker.categoryNames2[i]);
    state->picker.categoryCount = count;
    state->picker.categoriesFromPick = 0;
}

void enterGuide(ClientState* state) {
    state->view.guidePage = 0;
    state->view.guideFrame = 0;
    clearDeadlines(state);
}

void enterMailbox(ClientState* state) {
    state->mail.readScroll = 0;
    requestMailList(state);
}

void enterReading(ClientState* state) { state->mail.readScroll = 0; }

void enterSubmitIntro(ClientState* state) {
    state->editors.storyTitle[0] = 0;
    state->editors.storyCategory[0] = 0;
    state->editors.storyRequestedCategory[0] = 0;
    state->editors.storyEmail[0] = 0;
    copyText(state->editors.storyRating, "PG");
    state->editors.storyLineCount = 0;
    state->editors.storyEditLine = 0;
    state->editors.storyGapCount = 0;
    state->editors.storyScroll = 0;
    state->editors.storySent = 0;
}

void enterStoryReview(ClientState* state) {
    scanStoryGaps(state);
    state->editors.storyScroll = 0;
}

void enterStoryEdit(ClientState* state) { state->editors.storyEditLine = 0; }

void enterStoryCategory(ClientState* state) {
    if (state->picker.categoryCount == 0) requestLobbyRefresh(state);  // its answer brings the names
}

void enterFeedbackEdit(ClientState* state) { state->editors.feedbackEditLine = 0; }
void enterReplyEditor(ClientState* state) { state->editors.replyEditLine = 0; }

void enterCareHub(ClientState* state) {
    state->care.careScroll = 0;
    state->care.careSectionOpen = -1;
    if (!state->care.careLoaded && !state->care.careRequested) requestCareHub(state);
}

void enterCareTopic(ClientState* state) { state->care.careSectionScroll = 0; }

void goToScreen(ClientState* state, int32_t screen) {
    state->view.screen = screen;
    state->view.fullRedraw = 1;
    state->input.inputLine[0] = 0;
    state->input.inputLen = 0;
    setNotice(state, nullptr);
}

void enterScreen(ClientState* state, int32_t screen) {
    goToScreen(state, screen);
    EnterFn enter = screenDesc(screen).enter;
    if (enter) enter(state);
}

void returnToMenu(ClientState* state) { enterScreen(state, SCR_MAIN_MENU); }

// ---------------------------------------------------------------------------
// Tables and the picker.

void leaveTable(ClientState* state) {
    sendRequest(state, REQ_ROOM_LEAVE, "{}");
    forgetTable(state);
}

// A share code is letters and digits, yet it is typed free text like any
// other: it is escaped first and only then cut to 7, at a pair boundary, so
// a stray quote or backslash can neither break the request line nor leave a
// lone backslash that swallows the closing quote. No code holds a letter
// beyond ASCII, so those are left out rather than sent as UTF-8.
static constexpr int32_t SHARE_CODE_MAX = 7;

void joinTable(ClientState* state, const char* code) {
    if (!code || !code[0]) {
        setNotice(state, "That table is no longer there.");
        return;
    }
    char ascii[INPUT_LINE_BYTES];
    int32_t kept = 0;
    for (const char* p = code; *p && kept < INPUT_LINE_BYTES - 1; p++)
        if ((unsigned char)*p < 128) ascii[kept++] = *p;
    ascii[kept] = 0;
    char escaped[2 * INPUT_LINE_BYTES + 8], data[64];  // room for a whole ASCII line escaped
    jsonEscapeText(escaped, sizeof escaped, ascii);
    formatText(data, "{\"code\":\"%.*s\"}", escapedCut(escaped, SHARE_CODE_MAX), escaped);
    sendRequest(state, REQ_ROOM_JOIN, data);
}

void quickSeat(ClientState* state) {
    int32_t count = minOf(state->lobby.tableCount, MAX_TABLES);
    for (int32_t i = 0; i < count; i++) {
        const TableRecord& table = state->lobby.tables[i];
        if (table.locked || table.players >= table.capacity) continue;
        joinTable(state, table.code);
        return;
    }
    state->lobby.quickSeatPending = 1;  // the next table list finishes the seating
    requestLobbyRefresh(state);
    setNotice(state, "Finding you a table...");
}

void pickerChoose(ClientState* state, const char* category, int32_t storyId, const char* title) {
    switch (state->table.pickerMode) {
    case 2:  // a new table
        copyText(state->table.pickCategory, category);
        state->table.pickStoryId = storyId;
        state->table.pickerMode = 0;
        goToScreen(state, SCR_TABLE);
        requestRoomCreate(state);
        return;
    case 3:  // the caller's turn
        goToScreen(state, SCR_TABLE);
        state->table.pickerMode = 0;
        state->table.pickTurn = 0;
        state->table.pickTimerOn = 0;
        state->timers.pickDeadline = 0;
        state->table.pickerName[0] = 0;
        if (storyId > 0) requestCategoryPickStory(state, storyId);
        else requestCategoryPick(state, category);
        return;
    case 1:  // the host changes what the table plays
        formatText(state->table.presetLine, "Playing:  %.58s", title ? title : "");
        state->table.pickerMode = 0;
        goToScreen(state, SCR_TABLE);
        requestUpdatePreset(state, category, storyId);
        return;
    default:  // solo: the line handler asks for the tale itself
        return;
    }
}

void pickerCancel(ClientState* state) {
    switch (state->table.pickerMode) {
    case 1:
        state->table.pickerMode = 0;
        goToScreen(state, SCR_TABLE);
        return;
    case 2:
        state->table.pickerMode = 0;
        state->table.createStage = 0;
        enterScreen(state, SCR_LOUNGE);
        return;
    case 3:
        setNotice(state, "It's your turn - pick one, or press * for a surprise.");
        return;
    default:
        returnToMenu(state);
        return;
    }
}

// ---------------------------------------------------------------------------
// Reports and the words of a round.

bool reportBegin(ClientState* state) {
    sendRequest(state, REQ_REPORT_BEGIN, "{}");
    int32_t s = state->view.screen;
    if (s == SCR_WORD_ENTRY || s == SCR_REVEAL || s == SCR_SCORES) {
        state->editors.reportDeferred = 1;
        setNotice(state, "Noted. Your report will open when this game is done.");
        return true;
    }
    if (state->table.inRoom) {
        state->editors.leaveReportPrompt = 1;  // the prompt asks to leave the table first
        state->view.noticeDirty = 1;
        return true;
    }
    return false;
}

static void showPrompt(ClientState* state, int32_t i) {
    copyText(state->round.shownPromptType, state->round.promptTypes[i]);
    copyText(state->round.shownPromptHint, state->round.promptHints[i]);
    state->round.shownPromptIndex = i;
}

static void sendAnswers(ClientState* state) {
    static_assert(ANSWERS_BUFFER < 32768, "kept on the stack");
    char data[ANSWERS_BUFFER];
    buildAnswers(state, data, ANSWERS_BUFFER);
    sendRequest(state, state->table.inRoom ? REQ_SUBMIT_ANSWERS : REQ_SOLO_SUBMIT, data);
    state->round.answersSent = 1;
}

static int32_t heldPrompts(const ClientState* state) {
    return minOf(state->round.promptCount, MAX_PROMPTS);
}

// The first prompt with no answer, or -1. Answers kept from a refused set
// are not asked again, so only the empty ones are typed.
static int32_t firstEmptyPrompt(const ClientState* state) {
    for (int32_t i = 0; i < heldPrompts(state); i++) {
        if (!state->round.answers[i][0]) return i;
    }
    return -1;
}

void submitWord(ClientState* state, const char* word) {
    int32_t count = heldPrompts(state);
    if (count <= 0) return;
    int32_t slot = state->round.promptIndex < 0 ? 0 : state->round.promptIndex;
    if (slot > count - 1) slot = count - 1;
    copyText(state->round.answers[slot], word);
    int32_t next = firstEmptyPrompt(state);
    state->round.promptIndex = next < 0 ? count : next;
    if (next >= 0) {
        showPrompt(state, next);
        state->round.wordInputEcho[0] = 0;
        state->view.contentDirty = 1;
        return;
    }
    sendAnswers(state);
}

// Every stored answer is kept: the caller goes to the gap the service named
// when it is one of ours (its word is the one refused), else to the first
// empty gap, else to the last, and types only that word again.
void wordRejected(ClientState* state, int32_t blankId, const char* message) {
    int32_t count = heldPrompts(state);
    int32_t at = -1;
    for (int32_t i = 0; i < count && at < 0; i++) {
        if (state->round.blankIds[i] == blankId) at = i;
    }
    if (at < 0) at = firstEmptyPrompt(state);
    if (at < 0) at = count - 1;
    if (at >= 0) {
        state->round.promptIndex = at;
        showPrompt(state, at);
    }
    state->round.wordsDone = 0;
    state->round.answersSent = 0;
    state->round.wordInputEcho[0] = 0;
    state->view.contentDirty = 1;
    state->view.inputDirty = 1;
    // The go-to clears the notice, so the notice follows it.
    bool moved = state->view.screen != SCR_WORD_ENTRY;
    if (moved) goToScreen(state, SCR_WORD_ENTRY);
    setNotice(state, message && message[0] ? message : "That word can't be used here - try another one.");
    if (moved && !state->table.inRoom) emitPresence(state, "solo");
}

bool wordTimeUp(const ClientState* state) {
    uint32_t deadline = state->timers.wordDeadline;
    return deadline > 0 && tickPassed(tickMs(&state->clock), deadline);
}

void sendAnswersAtTimeUp(ClientState* state) {
    const RoundState* r = &state->round;
    if (!state->table.inRoom || r->wordsDone || r->answersSent || r->timeUpSent || r->wordCheckPending) return;
    if (!wordTimeUp(state)) return;
    bool anyAnswer = false;
    for (int32_t i = 0; i < heldPrompts(state); i++) anyAnswer = anyAnswer || r->answers[i][0] != 0;
    if (!anyAnswer) return;  // nothing typed: the service fills every gap itself
    state->round.timeUpSent = 1;
    sendAnswers(state);
}
