// The report dialogue's screen: its four stages (tale or player, which
// player, the reason, the note) and the two reason tables, which the line
// input shares to turn a typed number into the code that is sent.
#pragma once
#include <cstdint>

#include "screens/canvas.h"

struct ClientState;

// One reason: the label the caller reads, the code the service gets.
struct ReportReason {
    const char* label;
    const char* code;
};

constexpr ReportReason REPORT_TALE_REASONS[] = {
    {"Inappropriate content", "inappropriate-content"},
    {"Offensive language", "offensive-language"},
    {"Poor quality", "low-quality"},
    {"Spam", "spam"},
    {"Something else", "other"},
};
constexpr ReportReason REPORT_PLAYER_REASONS[] = {
    {"Harassment", "harassment"},
    {"Hate speech", "hate-speech"},
    {"Pretending to be someone else", "impersonation"},
    {"Cheating", "cheating"},
    {"Their name or profile", "inappropriate-name-or-profile"},
    {"Spam", "spam"},
    {"Something else", "other"},
};
constexpr int32_t REPORT_TALE_REASON_COUNT =
    (int32_t)(sizeof REPORT_TALE_REASONS / sizeof REPORT_TALE_REASONS[0]);
constexpr int32_t REPORT_PLAYER_REASON_COUNT =
    (int32_t)(sizeof REPORT_PLAYER_REASONS / sizeof REPORT_PLAYER_REASONS[0]);
static_assert(REPORT_TALE_REASON_COUNT == 5 && REPORT_PLAYER_REASON_COUNT == 7,
              "the reasons are typed as one digit from the list");

// The reason typed as number (1-based) for a tale or a player, or null when
// the number is not in that list.
const ReportReason* reportReasonAt(int32_t isTale, int32_t number);

// The label of a code in the target's list, or the code itself when the
// list does not have it.
const char* reportReasonLabel(int32_t isTale, const char* code);

void paintReport(Canvas* cv, const ClientState* cs);
