#include "session/replies.h"

#include <cstring>

#include "session/requests.h"
#include "net/json.h"
#include "platform/text.h"
#include "state/client_state.h"
#include "state/state.h"
#include "state/story_gaps.h"

namespace {

constexpr const char* SOLO_START_FAILED = "Could not open that story.";
constexpr const char* NO_BLANKS = "That story has no blanks - odd!";
constexpr const char* SEND_FAILED = "Could not send that right now.";
constexpr const char* NO_SEAT = "Could not get you a seat there.";
constexpr const char* RESEND = "That could not be sent - please try again.";
constexpr const char* REPORT_THANKS = "Thank you - a real person will look at that.";
constexpr const char* CARE_UNREACHABLE = "Could not reach the Care Hub - please try again in a moment.";
constexpr const char* WORD_BLOCKED = "That word can't be used here - try another one.";
constexpr const char* DEFAULT_PROMPT_TYPE = "A WORD";
constexpr const char* DEFAULT_SENDER = "Wordwhirl";
constexpr const char* DEFAULT_SUBJECT = "(no subject)";
constexpr int32_t LETTER_DATE_CHARS = 10;  // "2026-12-06" out of a full time stamp
constexpr int32_t SOLO_STORY_CHARS = 4095;

bool replyOk(const JsonNode* data) { return jsonGetBool(data, "ok", 0) != 0; }

// The service's own words when it gives them, else ours.
const char* errorText(const JsonNode* data, const char* fallback) {
    const char* text = jsonGetString(data, "error", "");
    return text[0] ? text : fallback;
}

// A member that counts only as a string with something in it.
int32_t hasText(const JsonNode* node, const char* name) { return jsonGetString(node, name, "")[0] != 0; }

// ---- 1 solo:start ----

// A solo round starts from nothing: no table, no round, no clocks.
void forgetTableAndRound(ClientState* s) {
    s->round.promptCount = 0;
    s->round.promptIndex = 0;
    s->round.wordCheckPending = 0;
    s->round.answersSent = 0;
    s->round.timeUpSent = 0;
    forgetTable(s);
}

void takeBlanks(ClientState* s, const JsonNode* blanks) {
    for (const JsonNode* el = jsonFirstElement(blanks); el && s->round.promptCount < MAX_PROMPTS; el = el->next) {
        int32_t i = s->round.promptCount++;
        copyText(s->round.promptTypes[i], jsonGetString(el, "type", DEFAULT_PROMPT_TYPE));
        copyText(s->round.promptHints[i], jsonGetString(el, "hint", ""));
        s->round.blankIds[i] = jsonGetInt(el, "n", i + 1);
        s->round.answers[i][0] = 0;
    }
}

void onSoloStart(ClientState* s, const JsonNode* data) {
    if (!replyOk(data)) {
        setNotice(s, errorText(data, SOLO_START_FAILED));
        return;
    }
    forgetTableAndRound(s);
    takeBlanks(s, jsonGet(data, "blanks"));
    if (s->round.promptCount == 0) {
        setNotice(s, NO_BLANKS);
        return;
    }
    copyText(s->round.shownPromptType, s->round.promptTypes[0]);
    copyText(s->round.shownPromptHint, s->round.promptHints[0]);
    s->round.shownPromptIndex = 0;
    s->round.shownPromptTotal = s->round.promptCount;
    clearDeadlines(s);
    s->round.wordInputEcho[0] = 0;
    goToScreen(s, SCR_WORD_ENTRY);
    emitPresence(s, "solo");  // the caller was just unseated
}

// ---- 2 solo:submit, 12 submit:answers: a refused word goes back ----

void rejectFromReply(ClientState* s, const JsonNode* data) {
    wordRejected(s, jsonGetInt(data, "blankN", -1), jsonGetString(data, "error", ""));
}

void onSoloSubmit(ClientState* s, const JsonNode* data) {
    if (!replyOk(data)) {
        rejectFromReply(s, data);
        return;
    }
    const char* title = jsonGetString(data, "title", nullptr);
    if (title) copyText(s->round.roundTitle, title);
    copyTextMax(s->reveal.soloStory, jsonGetString(data, "text", ""), SOLO_STORY_CHARS);
    s->reveal.soloScroll = 0;
    s->round.promptCount = 0;
    s->round.answersSent = 0;
    enterScreen(s, SCR_SOLO_TALE);
}

void onSubmitAnswers(ClientState* s, const JsonNode* data) {
    if (!replyOk(data)) {
        rejectFromReply(s, data);
        return;
    }
    s->round.promptCount = 0;
    s->round.answersSent = 0;
    s->round.wordsDone = 1;
    s->view.contentDirty = 1;
}

// ---- 3 feedback:submit ----

void onFeedbackSubmit(ClientState* s, const JsonNode* data) {
    if (!replyOk(data)) {
        enterScreen(s, SCR_FEEDBACK_REVIEW);
        setNotice(s, errorText(data, SEND_FAILED));  // after the switch, which empties the notice
        return;
    }
    memset(s->editors.feedbackLines, 0, sizeof s->editors.feedbackLines);
    s->editors.feedbackLineCount = 0;
    s->editors.feedbackEditLine = 0;
    enterScreen(s, SCR_FEEDBACK_SENT);
}

// ---- 4 room:join, 5 room:create ----

void seatCaller(ClientState* s, const JsonNode* data, int32_t host) {
    s->table.inRoom = 1;
    s->table.isHost = host;
    s->table.presetLine[0] = 0;
    emitPresence(s, "room");
    goToScreen(s, SCR_TABLE);  // clears the notice too
    const JsonNode* room = jsonGet(data, "room");
    if (jsonIsType(room, JSON_OBJECT)) applyRoomState(s, room, 0);
}

void seatRefused(ClientState* s, const JsonNode* data) {
    if (!s->table.inRoom) enterScreen(s, SCR_LOUNGE);
    setNotice(s, errorText(data, NO_SEAT));  // the notice holds 255 characters
}

void onRoomJoin(ClientState* s, const JsonNode* data) {
    if (replyOk(data)) seatCaller(s, data, 0);
    else seatRefused(s, data);
}

void onRoomCreate(ClientState* s, const JsonNode* data) {
    if (replyOk(data)) seatCaller(s, data, 1);
    else seatRefused(s, data);
}

// ---- 6 mail:list: the answer is the mailbox, ok or not ----

void takeLetter(Letter* letter, const JsonNode* el) {
    memset(letter, 0, sizeof *letter);
    letter->id = jsonGetInt(el, "id", 0);
    letter->read = jsonGetInt(el, "read", 0);
    copyText(letter->sender, jsonGetString(el, "sender_label", DEFAULT_SENDER));
    copyText(letter->subject, jsonGetString(el, "subject", DEFAULT_SUBJECT));
    copyTextMax(letter->date, jsonGetString(el, "created_at", ""), LETTER_DATE_CHARS);
    copyText(letter->body, jsonGetString(el, "body", ""));
    letter->acceptsReply = hasText(el, "reply_to");
    letter->replied = hasText(el, "replied_at");
}

void onMailList(ClientState* s, const JsonNode* data) {
    s->mail.mailRequested = 0;
    s->mail.letterCount = 0;
    s->mail.unreadCount = 0;
    for (const JsonNode* el = jsonFirstElement(jsonGet(data, "mail")); el && s->mail.letterCount < MAX_LETTERS;
         el = el->next) {
        Letter* letter = &s->mail.letters[s->mail.letterCount++];
        takeLetter(letter, el);
        if (letter->read == 0) s->mail.unreadCount++;
    }
    if (s->view.screen == SCR_MAILBOX || s->view.screen == SCR_MAIN_MENU) s->view.contentDirty = 1;
}

// ---- 7 submission:submit ----

void onSubmission(ClientState* s, const JsonNode* data) {
    s->editors.storySent = 0;
    if (replyOk(data)) {
        goToScreen(s, SCR_STORY_SENT);
        return;
    }
    goToScreen(s, SCR_STORY_REVIEW);
    scanStoryGaps(s);
    s->editors.storyScroll = 0;
    setNotice(s, errorText(data, RESEND));
}

// ---- 9 report:story, report:player ----

void onReport(ClientState* s, const JsonNode* data) {
    enterScreen(s, s->editors.reportIsTale ? SCR_REVEAL : SCR_LOUNGE);
    setNotice(s, replyOk(data) ? REPORT_THANKS : errorText(data, SEND_FAILED));
}

// ---- 10 carehub:get ----

void onCareHub(ClientState* s, const JsonNode* data) {
    s->care.careRequested = 0;
    s->view.fullRedraw = 1;
    if (!replyOk(data)) {
        setNotice(s, CARE_UNREACHABLE);
        return;
    }
    layOutCareHub(s, jsonGet(data, "hub"));
    s->care.careLoaded = 1;
}

// ---- 11 word:check ----

// A refused word puts its prompt back in front of the caller; anything else
// (also a failed check) takes the word as typed.
void onWordCheck(ClientState* s, const JsonNode* data) {
    s->round.wordCheckPending = 0;
    if (replyOk(data) && jsonGetBool(data, "blocked", 0)) {
        bool held = s->round.promptIndex >= 0 && s->round.promptIndex < s->round.promptCount && s->round.promptIndex < MAX_PROMPTS;
        wordRejected(s, held ? s->round.blankIds[s->round.promptIndex] : -1, WORD_BLOCKED);
        return;
    }
    submitWord(s, s->round.pendingWord);
}

// ---- 13 mail:reply ----

void onMailReply(ClientState* s, const JsonNode* data) {
    if (!replyOk(data)) {
        setNotice(s, errorText(data, RESEND));  // the caller stays on the review
        return;
    }
    for (int32_t i = 0; i < s->mail.letterCount && i < MAX_LETTERS; i++)
        if (s->mail.letters[i].id == s->editors.replyToId) s->mail.letters[i].replied = 1;
    memset(s->editors.replyLines, 0, sizeof s->editors.replyLines);
    s->editors.replyLineCount = 0;
    s->editors.replyEditLine = 0;
    goToScreen(s, SCR_REPLY_SENT);  // clears the notice
}

constexpr ReplyRoute REPLY_ROUTES[] = {
    {ACK_SOLO_START, "solo:start", onSoloStart},
    {ACK_SOLO_SUBMIT, "solo:submit", onSoloSubmit},
    {ACK_FEEDBACK_SUBMIT, "feedback:submit", onFeedbackSubmit},
    {ACK_ROOM_JOIN, "room:join", onRoomJoin},
    {ACK_ROOM_CREATE, "room:create", onRoomCreate},
    {ACK_MAIL_LIST, "mail:list", onMailList},
    {ACK_SUBMISSION_SUBMIT, "submission:submit", onSubmission},
    {ACK_REPORT, "report:story / report:player", onReport},
    {ACK_CAREHUB_GET, "carehub:get", onCareHub},
    {ACK_WORD_CHECK, "word:check", onWordCheck},
    {ACK_SUBMIT_ANSWERS, "submit:answers", onSubmitAnswers},
    {ACK_MAIL_REPLY, "mail:reply", onMailReply},
};
static_assert(ACK_MAIL_REPLY == ACK_HIGHEST, "the reply table ends at the highest number");

// ---------------------------------------------------------------------------
// The care hub layout.

constexpr int32_t TAG_BLANK = 36;           // empty spacer lines
constexpr int32_t TAG_ENTRY_NAME = 136;     // bright cyan
constexpr int32_t TAG_ENTRY_NOTE = 137;     // bright white
constexpr int32_t TAG_ENTRY_CONTACT = 133;  // bright yellow
constexpr int32_t TAG_DISCLAIMER = 37;
constexpr int32_t TAG_INTRO = 137;
constexpr int32_t TAG_URGENT = 132;         // bright green box
constexpr int32_t TAG_SECTION_LIST = 137;
constexpr int32_t INDENT_NAME = 4;
constexpr int32_t INDENT_DETAIL = 7;
constexpr int32_t INDENT_TEXT = 4;
constexpr int32_t INDENT_URGENT = 1;
constexpr int32_t SECTION_TITLE_CHARS = 47;
constexpr int32_t URGENT_NAME_CHARS = 32;
constexpr int32_t URGENT_CONTACT_CHARS = 40;

// The urgent box: 76 characters wide, "[=] " and " [=]" around an inner
// band of 68 (columns 5 to 72) holding name, a 6-blank gap and contact.
constexpr const char* URGENT_EDGE = "[=]";
constexpr const char* URGENT_HEADING = "If you need someone right now, any hour, free and confidential";
constexpr int32_t URGENT_ROW_CHARS = 76;
constexpr int32_t URGENT_INNER = 68;
constexpr int32_t URGENT_GAP = 6;
constexpr int32_t URGENT_MIN_WIDTH = 8;
static_assert(4 + URGENT_INNER + 4 == URGENT_ROW_CHARS, "edges and band fill the row");
static_assert(URGENT_ROW_CHARS + INDENT_URGENT <= CARE_LINE_BYTES - 2, "a box row is never wrapped");
static_assert(URGENT_MIN_WIDTH * 2 + URGENT_GAP <= URGENT_INNER, "the narrowest columns fit the band");

// Lines of text: line feeds cut it into pieces of at most 255 characters,
// each wrapped on its own. A text ends without an empty piece after its
// last line feed; an empty text adds nothing.
void wrapParagraphs(char (*lines)[CARE_LINE_BYTES], int32_t* tags, int32_t* count, int32_t tag,
                    int32_t indent, const char* text) {
    const char* p = text ? text : "";
    while (*p) {
        const char* end = strchr(p, '\n');
        size_t length = end ? (size_t)(end - p) : strlen(p);
        char piece[CARE_WRAP_PIECE_MAX + 1];
        size_t keep = length < (size_t)CARE_WRAP_PIECE_MAX ? length : (size_t)CARE_WRAP_PIECE_MAX;
        copyTextN(piece, keep + 1, p);  // the piece ends at its line feed, or is cut
        wrapLines(lines, tags, count, tag, indent, piece);
        if (!end) return;
        p = end + 1;
    }
}

struct CarePage {
    ClientState* s;
    const char* disclaimer;
};

void poolWrap(ClientState* s, int32_t tag, int32_t indent, const char* text) {
    wrapLines(s->care.careSectionLines, s->care.careSectionLineTags, &s->care.careSectionLinesUsed, tag, indent, text);
}

void pageWrap(ClientState* s, int32_t tag, int32_t indent, const char* text) {
    wrapLines(s->care.careLines, s->care.careLineTags, &s->care.careLineCount, tag, indent, text);
}

void addUrgentContacts(ClientState* s, const JsonNode* entries) {
    for (const JsonNode* el = jsonFirstElement(entries); el && s->care.careUrgentCount < MAX_CARE_URGENT; el = el->next) {
        const char* name = jsonGetString(el, "name", "");
        if (!name[0]) continue;
        int32_t i = s->care.careUrgentCount++;
        formatText(s->care.careUrgentNames[i], "%.32s", name);
        formatText(s->care.careUrgentContacts[i], "%.40s", jsonGetString(el, "contact", ""));
    }
}
static_assert(sizeof(ClientState{}.care.careUrgentNames[0]) == URGENT_NAME_CHARS + 1, "urgent name width");
static_assert(sizeof(ClientState{}.care.careUrgentContacts[0]) == URGENT_CONTACT_CHARS + 1, "urgent contact width");

// The key of section `index`: its own letter, or 1, 2 ... 9 and then the
// characters after '9' for sections that bring none.
char sectionKey(const char* key, int32_t index) {
    if (key[0]) return key[0] >= 'a' && key[0] <= 'z' ? (char)(key[0] - 'a' + 'A') : key[0];
    return (char)('1' + index);
}

// What one entry of a section shows, in this order, each only when not empty.
struct EntryField {
    const char* member;
    int32_t tag;
    int32_t indent;
};
constexpr EntryField ENTRY_FIELDS[] = {
    {"name", TAG_ENTRY_NAME, INDENT_NAME},
    {"note", TAG_ENTRY_NOTE, INDENT_DETAIL},
    {"contact", TAG_ENTRY_CONTACT, INDENT_DETAIL},
    {"contact2", TAG_ENTRY_CONTACT, INDENT_DETAIL},
};

void addSection(const CarePage& page, const JsonNode* section) {
    ClientState* s = page.s;
    int32_t i = s->care.careSectionCount++;
    s->care.careSectionKeys[i] = sectionKey(jsonGetString(section, "key", ""), i);
    copyTextMax(s->care.careSectionTitles[i], jsonGetString(section, "title", ""), SECTION_TITLE_CHARS);
    int32_t first = s->care.careSectionLinesUsed;
    s->care.careSectionStart[i] = first;
    poolWrap(s, TAG_BLANK, 0, "");
    for (const JsonNode* el = jsonFirstElement(jsonGet(section, "entries")); el; el = el->next) {
        for (const EntryField& field : ENTRY_FIELDS) {
            const char* text = jsonGetString(el, field.member, "");
            if (text[0]) poolWrap(s, field.tag, field.indent, text);
        }
        poolWrap(s, TAG_BLANK, 0, "");
    }
    if (page.disclaimer[0]) {
        poolWrap(s, TAG_BLANK, 0, "");
        wrapParagraphs(s->care.careSectionLines, s->care.careSectionLineTags, &s->care.careSectionLinesUsed, TAG_DISCLAIMER,
                       INDENT_TEXT, page.disclaimer);
    }
    s->care.careSectionLineCount[i] = s->care.careSectionLinesUsed - first;
}

void addSections(const CarePage& page, const JsonNode* sections) {
    ClientState* s = page.s;
    for (const JsonNode* el = jsonFirstElement(sections); el; el = el->next) {
        if (jsonGetBool(el, "urgent", 0)) {
            addUrgentContacts(s, jsonGet(el, "entries"));
            continue;
        }
        if (s->care.careSectionCount >= MAX_CARE_SECTIONS) continue;
        addSection(page, el);
    }
}

template <size_t N>
int32_t longestText(const char (*texts)[N], int32_t count) {
    int32_t longest = 0;
    for (int32_t i = 0; i < count; i++) {
        int32_t length = (int32_t)strnlen(texts[i], N);
        if (length > longest) longest = length;
    }
    return longest;
}

struct UrgentWidths {
    int32_t name;
    int32_t contact;
    int32_t lead;  // blanks before the name, centring the pair in the band
};

// Names give way first, then contacts, neither below 8, until the pair and
// its gap fit the band.
UrgentWidths urgentWidths(const ClientState* s) {
    UrgentWidths w = {longestText(s->care.careUrgentNames, s->care.careUrgentCount),
                      longestText(s->care.careUrgentContacts, s->care.careUrgentCount), 0};
    while (w.name + w.contact + URGENT_GAP > URGENT_INNER) {
        if (w.name > URGENT_MIN_WIDTH) w.name--;
        else if (w.contact > URGENT_MIN_WIDTH) w.contact--;
        else break;
    }
    int32_t spare = URGENT_INNER - (w.name + w.contact + URGENT_GAP);
    w.lead = spare > 0 ? spare / 2 : 0;
    return w;
}

void addUrgentBox(ClientState* s) {
    pageWrap(s, TAG_BLANK, 0, "");
    char row[URGENT_ROW_CHARS + 1];
    formatText(row, "%s %s %s", "[=][=]", URGENT_HEADING, "[=][=]");
    pageWrap(s, TAG_URGENT, INDENT_URGENT, row);
    UrgentWidths w = urgentWidths(s);
    for (int32_t i = 0; i < s->care.careUrgentCount; i++) {
        char band[URGENT_INNER + 1];
        formatText(band, "%*s%-*.*s%*s%-*.*s", w.lead, "", w.name, w.name, s->care.careUrgentNames[i], URGENT_GAP, "",
                   w.contact, w.contact, s->care.careUrgentContacts[i]);
        formatText(row, "%s %-*s %s", URGENT_EDGE, URGENT_INNER, band, URGENT_EDGE);
        pageWrap(s, TAG_URGENT, INDENT_URGENT, row);
    }
}

// The sections two to a line, the left one padded to 36 columns.
void addSectionList(ClientState* s) {
    pageWrap(s, TAG_BLANK, 0, "");
    for (int32_t i = 0; i < s->care.careSectionCount; i += 2) {
        char left[40], right[40] = "", line[CARE_LINE_BYTES];
        formatText(left, "[%c] %.30s", s->care.careSectionKeys[i], s->care.careSectionTitles[i]);
        if (i + 1 < s->care.careSectionCount)
            formatText(right, "[%c] %.30s", s->care.careSectionKeys[i + 1], s->care.careSectionTitles[i + 1]);
        formatText(line, "%-36.36s%s", left, right);
        pageWrap(s, TAG_SECTION_LIST, INDENT_TEXT, line);
    }
}

}  // namespace

// ---------------------------------------------------------------------------

void wrapLines(char (*lines)[CARE_LINE_BYTES], int32_t* tags, int32_t* count, int32_t tag, int32_t indent,
               const char* text) {
    if (indent < 0) indent = 0;
    if (indent > CARE_MAX_INDENT) indent = CARE_MAX_INDENT;
    const int32_t width = 78 - indent;
    const char* rest = text ? text : "";
    bool first = true;
    do {
        if (*count >= MAX_CARE_LINES || *count < 0) return;
        int32_t length = (int32_t)strlen(rest);
        int32_t take = length, skip = length;  // characters kept, characters consumed
        if (length > width) {
            // A blank right after a full-width piece still counts: the piece stays whole.
            int32_t blank = -1;
            for (int32_t at = 0; at <= width; at++)
                if (rest[at] == ' ') blank = at;
            take = blank >= 0 ? blank : width;
            skip = blank >= 0 ? blank + 1 : width;
        }
        char* line = lines[*count];
        memset(line, ' ', (size_t)indent);
        copyTextN(line + indent, (size_t)take + 1, rest);
        if (first && length == 0) line[0] = 0;  // an empty text is one empty line
        tags[*count] = tag;
        (*count)++;
        first = false;
        rest += skip;
        while (*rest == ' ') rest++;
    } while (*rest);
}

void layOutCareHub(ClientState* s, const JsonNode* hub) {
    s->care.careSectionCount = 0;
    s->care.careSectionLinesUsed = 0;
    s->care.careLineCount = 0;
    s->care.careUrgentCount = 0;
    s->care.careSectionScroll = 0;
    s->care.careScroll = 0;
    s->care.careSectionOpen = -1;
    if (!jsonIsType(hub, JSON_OBJECT)) hub = nullptr;
    CarePage page = {s, jsonGetString(hub, "disclaimer", "")};
    if (hub) addSections(page, jsonGet(hub, "sections"));
    wrapParagraphs(s->care.careLines, s->care.careLineTags, &s->care.careLineCount, TAG_INTRO, INDENT_TEXT,
                   jsonGetString(hub, "intro", ""));
    if (s->care.careUrgentCount > 0) addUrgentBox(s);
    addSectionList(s);
    s->care.careLoaded = 1;
    s->view.fullRedraw = 1;
}

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
