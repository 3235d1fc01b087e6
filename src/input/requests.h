// Requests to the game service that go with moving around: the screen
// switch (which reports the caller's whereabouts and fetches what a screen
// needs), the light go-to, and the word store that sends the answers once
// every prompt of a round has one.
#pragma once
#include <cstdint>

struct ClientState;

// Acknowledgement numbers of the requests sent from here.
constexpr int32_t ACK_SOLO_SUBMIT = 2;
constexpr int32_t ACK_MAIL_LIST = 6;
constexpr int32_t ACK_CAREHUB_GET = 10;
constexpr int32_t ACK_SUBMIT_ANSWERS = 12;

constexpr int32_t ANSWER_ESCAPE_CAP = 512;  // each answer is escaped with this cap...
constexpr int32_t ANSWER_SENT_MAX = 60;     // ...then cut to this many characters
// {"answers":{ + per prompt ,"<id>":"<60>" + }}; an int id is at most 11 characters.
constexpr int32_t ANSWERS_BUFFER = 16 + 128 * (1 + 2 + 11 + 3 + ANSWER_SENT_MAX + 1) + 4;
static_assert(ANSWERS_BUFFER <= 16244, "every answer of a full round must fit one acknowledged emit");

// The screen switch: screen set, full redraw, typed line and notice cleared,
// then whatever entering that screen sends or resets.
void enterScreen(ClientState* state, int32_t screen);
// enterScreen(SCR_MAIN_MENU).
void returnToMenu(ClientState* state);
// The light go-to: screen, full redraw, typed line and notice cleared; nothing else.
void goToScreen(ClientState* state, int32_t screen);

// "presence:zone" with one of "welcome", "lounge", "solo", "room".
void emitPresence(ClientState* state, const char* zone);
// startDeadline, wordDeadline, revealDeadline, scoresDeadline, pickDeadline to 0.
void clearDeadlines(ClientState* state);

// Store an accepted word for the prompt being answered and show the next
// prompt; once all are answered send them ("submit:answers" at a table,
// "solo:submit" alone).
void submitWord(ClientState* state, const char* word);
// The answers object of the round into out; returns its length.
int32_t buildAnswers(const ClientState* state, char* out, int32_t cap);
