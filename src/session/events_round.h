// Handlers of the events that drive a round at a table: the pick turn, the
// prompts, the reveal with its laughs and readers, the standings, the rating
// prompt, the last warning and a stopped round. Each turns the service's
// times into tickMs deadlines and picks the screen; none of them draws.
#pragma once
#include <cstdint>

struct ClientState;
struct JsonNode;

constexpr int32_t PICK_WAIT_DEFAULT_SECS = 90;  // a chooser's extra time when the service names none (or too little)
constexpr int32_t PICK_WAIT_MIN_SECS = 5;       // below this the extra time is taken as unset
constexpr double WORD_SECONDS_DEFAULT = 90.0;   // word entry when game:prompts names no time
// Longest deadline taken from the service: deadlines are ordered by signed
// 32-bit tick differences, so anything near 24 days would read as passed.
constexpr int32_t MAX_DEADLINE_SECS = 24 * 60 * 60;
static_assert((int64_t)MAX_DEADLINE_SECS * 1000 < INT32_MAX, "a deadline must stay ahead of now");
constexpr int32_t STILL_READING_NAMES = 4;      // readers named on the reveal footer
constexpr int32_t STILL_READING_NAME_MAX = 20;  // characters of each reader's name

constexpr const char* DEFAULT_PICKER_NAME = "someone";
constexpr const char* DEFAULT_PROMPT_TYPE = "A WORD";
constexpr const char* DEFAULT_ABORT_REASON = "The game was stopped.";
constexpr const char* PICK_WAIT_TEXT = "Take your time - the table knows you are still talking.";
constexpr const char* CATEGORY_SPIN_TEXT = "Choosing a category...";
constexpr const char* FINAL_WARNING_SECS_TEXT =
    "Still there? Answer within %d seconds or you'll be sent back to the Lounge.";
constexpr const char* FINAL_WARNING_NOW_TEXT = "Still there? Answer now or you'll be sent back to the Lounge.";

void onCategoryPick(ClientState* state, const JsonNode* data);
void onPickerWaiting(ClientState* state, const JsonNode* data);
void onPickerWarning(ClientState* state, const JsonNode* data);
void onCategorySpin(ClientState* state, const JsonNode* data);
void onPrompts(ClientState* state, const JsonNode* data);
// Words are matched to the story left to right: a word that cannot be found
// after the previous one is dropped.
void onStoryReveal(ClientState* state, const JsonNode* data);
void onWordTally(ClientState* state, const JsonNode* data);
void onVoterDone(ClientState* state, const JsonNode* data);
void onRoundResults(ClientState* state, const JsonNode* data);
void onRatePrompt(ClientState* state, const JsonNode* data);
void onFinalWarning(ClientState* state, const JsonNode* data);
void onRoundAborted(ClientState* state, const JsonNode* data);
