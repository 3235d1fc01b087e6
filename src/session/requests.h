// Requests to the game service and the screen switch. Owns the data of every
// emit and command the caller's actions send (format, acknowledgement number,
// notice while the answer is awaited), enterScreen with the presence report
// and the light go-to, and the shared table, picker, report and word
// operations. Never draws.
#pragma once
#include <cstddef>
#include <cstdint>

#include "net/wire.h"
#include "session/acks.h"
#include "state/client_state.h"

struct ClientState;

// Every emitted request; REQUESTS holds name, acknowledgement and notice.
enum RequestKind : int32_t {
    REQ_PRESENCE_ZONE,
    REQ_LOBBY_REFRESH,
    REQ_ROOM_JOIN,
    REQ_ROOM_CREATE,
    REQ_ROOM_UPDATE_PRESET,
    REQ_CATEGORY_PICK,
    REQ_CATEGORY_PICK_STORY,
    REQ_REPORT_BEGIN,
    REQ_ROOM_LEAVE,
    REQ_ROOM_START_NOW,
    REQ_PICKER_CHOOSING,
    REQ_PICKER_WAIT,
    REQ_HOST_START,
    REQ_ROOM_REGENERATE_CODE,
    REQ_ROOM_SET_LOCK,
    REQ_PLAYER_SET_PAGES,
    REQ_HOST_KICK,
    REQ_ROOM_INVITE,
    REQ_LOBBY_CHAT,
    REQ_ROOM_CHAT,
    REQ_LOBBY_EMOTE,
    REQ_ROOM_EMOTE,
    REQ_STORY_RATE,
    REQ_MAIL_LIST,
    REQ_MAIL_MARK_READ,
    REQ_MAIL_DELETE,
    REQ_CAREHUB_GET,
    REQ_SOLO_START,
    REQ_WORD_CHECK,
    REQ_SUBMIT_ANSWERS,
    REQ_SOLO_SUBMIT,
    REQ_ROOM_KNOCK,
    REQ_ROOM_KNOCK_REPLY,
    REQ_ROOM_INVITE_REPLY,
    REQ_VOTE_CAST,
    REQ_VOTE_DONE,
    REQ_ROOM_CONTINUE_AUTO,
    REQ_ROOM_BACK_TO_ROOM,
    REQ_FEEDBACK_SUBMIT,
    REQ_MAIL_REPLY,
    REQ_REPORT_PLAYER,
    REQ_REPORT_STORY,
    REQ_SUBMISSION_SUBMIT,
    REQ_COUNT,
};

struct RequestRow {
    RequestKind kind;    // the row's own kind: the table is checked against the enum
    const char* name;    // emit name
    int32_t ack;         // ACK_*, ACK_NONE = plain emit
    const char* notice;  // shown once sent; null = none
};
extern const RequestRow REQUESTS[REQ_COUNT];

// Emits one request with its acknowledgement number, then shows its notice.
// data must be a JSON value; null sends {}. The notice comes last, so call
// this after any screen switch that goes with it. 1 sent, 0 failed.
int32_t sendRequest(ClientState* state, RequestKind kind, const char* data);

// ---- Requests with data. Each escapes its free text and cuts it with
// escapedCut, so no escape pair is ever split by a precision. ----
// "presence:zone" with one of "welcome", "lounge", "solo", "room".
void emitPresence(ClientState* state, const char* zone);
void requestLobbyRefresh(ClientState* state);
// room:create from createName, createLocked, createRoundRobin, pickCategory, pickStoryId.
void requestRoomCreate(ClientState* state);
void requestUpdatePreset(ClientState* state, const char* category, int32_t storyId);
// category:pick, {} for an empty category.
void requestCategoryPick(ClientState* state, const char* category);
void requestCategoryPickStory(ClientState* state, int32_t storyId);
// room:set-lock: true locks an unlocked table, false unlocks a locked one.
void requestSetLock(ClientState* state);
void requestSetPages(ClientState* state, int32_t on);
void requestKick(ClientState* state, const char* name);
void requestInvite(ClientState* state, const char* name);
// Chat and emote go to the table when seated, else to the Lounge.
void requestChat(ClientState* state, const char* text);
void requestEmote(ClientState* state, const char* text);
void requestRateStory(ClientState* state, int32_t rating);
// mail:list; sets mailRequested.
void requestMailList(ClientState* state);
void requestMailMarkRead(ClientState* state, int32_t letterId);
void requestMailDelete(ClientState* state, int32_t letterId);
// carehub:get; sets careRequested.
void requestCareHub(ClientState* state);
void requestSoloStart(ClientState* state, int32_t storyId);
void requestWordCheck(ClientState* state, const char* word);
void requestKnock(ClientState* state, const char* knockId);
// room:knock-reply with joinRequestKnockId.
void requestKnockReply(ClientState* state, int32_t allow);
// room:invite-reply with inviteFromId.
void requestInviteReply(ClientState* state);
void requestVote(ClientState* state, int32_t blankN);
// The note editors and the report: the stored lines joined (see requests.cpp).
void requestFeedback(ClientState* state);
void requestMailReply(ClientState* state);
// report:story when reportIsTale, else report:player.
void requestReport(ClientState* state);
void requestSubmission(ClientState* state);
// Commands: one page of a category's tales; the emote action list.
void requestStories(ClientState* state, const char* category, int32_t offset);
void requestActions(ClientState* state);

// ---- Request bodies, built apart so their limits can be checked. Every
// size below allows for the growth of escaping: a character may take three
// bytes once escaped (jsonEscapedMax), while the cuts count characters. ----
constexpr int32_t ANSWER_SENT_MAX = 60;     // each answer escaped and cut to this many characters
constexpr size_t ANSWER_ESCAPE_CAP = jsonEscapeCap(ANSWER_SENT_MAX);
// {"answers":{ + per prompt ,"<id>":"<60>" + }}; an int id is at most 11 characters.
constexpr int32_t ANSWERS_BUFFER = 16 + MAX_PROMPTS * (1 + 2 + 11 + 3 + (int32_t)jsonEscapedMax(ANSWER_SENT_MAX) + 1) + 4;
static_assert(ANSWERS_BUFFER <= WIRE_EMIT_ACK_DATA_MAX, "every answer of a full round must fit one acknowledged emit");
// The answers object of the round into out; returns its length.
int32_t buildAnswers(const ClientState* state, char* out, int32_t cap);
// Multi-line texts: lines escaped and joined by \n up to a limit that
// every line of a full editor fits, whatever its characters.
constexpr int32_t NOTE_LINE_ESCAPED_MAX = (int32_t)jsonEscapedMax(EDIT_LINE_BYTES - 1);
constexpr int32_t noteLimit(int32_t lines) { return lines * (NOTE_LINE_ESCAPED_MAX + 2); }
constexpr int32_t FEEDBACK_NOTE_LIMIT = noteLimit(MAX_FEEDBACK_LINES);
constexpr int32_t MAIL_REPLY_LIMIT = noteLimit(MAX_REPLY_LINES);
constexpr int32_t REPORT_NOTE_LIMIT = noteLimit(MAX_REPORT_LINES);
constexpr size_t NOTE_OBJECT_SIZE = 3072;  // the longest joined object and its tail
int32_t buildFeedbackObject(const ClientState* state, char* out, size_t cap);
int32_t buildReplyObject(const ClientState* state, char* out, size_t cap);
int32_t buildReportObject(const ClientState* state, char* out, size_t cap);
// Submission: story lines with their gaps renumbered, then the gap list.
constexpr int32_t STORY_LINE_REWRITTEN_MAX = 76;
constexpr int32_t STORY_TITLE_SENT_MAX = 70;
// The title and every story line at their longest, with the frame between.
constexpr int32_t STORY_TEXT_LIMIT =
    32 + (int32_t)jsonEscapedMax(STORY_TITLE_SENT_MAX) + MAX_STORY_LINES * ((int32_t)jsonEscapedMax(STORY_LINE_REWRITTEN_MAX) + 2);
// One gap entry at its longest: ,{"n":%d,"type":"<30>","hint":"<60>"}.
constexpr int32_t STORY_GAP_ENTRY_MAX = 40 + (int32_t)jsonEscapedMax(30) + (int32_t)jsonEscapedMax(60);
constexpr int32_t STORY_BLANKS_LIMIT = STORY_TEXT_LIMIT + 16 + MAX_STORY_GAPS * STORY_GAP_ENTRY_MAX;  // no gap entry is added past this
// The closing fields: category, suggestion, rating, address and the terms.
constexpr int32_t STORY_CLOSING_MAX = 160 + (int32_t)(2 * jsonEscapedMax(40) + jsonEscapedMax(8) + jsonEscapedMax(90));
constexpr size_t SUBMISSION_OBJECT_SIZE = STORY_BLANKS_LIMIT + STORY_GAP_ENTRY_MAX + STORY_CLOSING_MAX;
int32_t buildSubmissionObject(ClientState* state, char* out, size_t cap);
// One story line with each gap replaced by "{n}"; *gapNumber counts gaps
// across the story (the last number used) and stops renumbering after 30.
void renumberStoryGaps(const char* line, int32_t* gapNumber, char* out, size_t cap);

// ---- The screen switch and the shared operations. ----
// Switch screens and send what entering the screen sends.
void enterScreen(ClientState* state, int32_t screen);
// The light go-to: screen, full redraw, typed line and notice cleared; no
// requests, nothing else reset.
void goToScreen(ClientState* state, int32_t screen);
// enterScreen(SCR_MAIN_MENU).
void returnToMenu(ClientState* state);
// startDeadline, wordDeadline, revealDeadline, scoresDeadline, pickDeadline to 0.
void clearDeadlines(ClientState* state);
// room:leave and forget the table; the caller switches screen itself.
void leaveTable(ClientState* state);
void joinTable(ClientState* state, const char* code);
void quickSeat(ClientState* state);
void pickerChoose(ClientState* state, const char* category, int32_t storyId, const char* title);
void pickerCancel(ClientState* state);
// report:begin; true when the report waits (round on, or seated: leave first).
bool reportBegin(ClientState* state);
// Store an accepted word for the prompt being answered and show the next
// empty prompt; once all are answered send them ("submit:answers" at a table,
// "solo:submit" alone).
void submitWord(ClientState* state, const char* word);
// A refused word or set: every stored answer kept, the caller put on the
// gap to type again (the one named, else the first empty, else the last).
void wordRejected(ClientState* state, int32_t blankId, const char* message);
// The word clock of a table round has run out.
bool wordTimeUp(const ClientState* state);
// Once the word clock has run out at a table, send the answers given so far
// (once a round; not while a word is in its check, nor with none given).
void sendAnswersAtTimeUp(ClientState* state);
