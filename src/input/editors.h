// Typed lines of the editors and the report dialogue: the story submission
// editor, the feedback and mail reply note editors and the report. The line
// handler hands every line typed on those screens here. Also owns the two
// report reason tables (label shown, code sent) the report screen lists.
#pragma once
#include <cstdint>

struct ClientState;

// True on the screens whose typed lines belong to an editor or the report.
bool isEditorScreen(int32_t screen);

// One typed line on an editor screen.
void editorLine(ClientState* state, const char* line);

// A report reason: what the caller reads and what the service is sent.
struct ReportReason {
    const char* label;  // shown as "[%d] %s"
    const char* code;   // sent as the report's "reason"
};
constexpr int32_t TALE_REASON_COUNT = 5;
constexpr int32_t PLAYER_REASON_COUNT = 7;
constexpr ReportReason TALE_REASONS[TALE_REASON_COUNT] = {
    {"Inappropriate content", "inappropriate-content"},
    {"Offensive language", "offensive-language"},
    {"Poor quality", "low-quality"},
    {"Spam", "spam"},
    {"Something else", "other"},
};
constexpr ReportReason PLAYER_REASONS[PLAYER_REASON_COUNT] = {
    {"Harassment", "harassment"},
    {"Hate speech", "hate-speech"},
    {"Pretending to be someone else", "impersonation"},
    {"Cheating", "cheating"},
    {"Their name or profile", "inappropriate-name-or-profile"},
    {"Spam", "spam"},
    {"Something else", "other"},
};

// Categories the story's category screen lists (two columns of ten, A to T):
// a letter past the last one listed picks nothing.
constexpr int32_t STORY_CATEGORY_LETTERS = 20;
