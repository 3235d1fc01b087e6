// Acknowledgement numbers: one fixed number per kind of request that expects
// an answer, not a counter, so a reply routes on its number alone and a
// late reply to an earlier request of the same kind reads like a fresh one.
// The request table sends them and the reply table routes on them; both
// take them from here. 8 is unused.
#pragma once
#include <cstdint>

constexpr int32_t ACK_NONE = 0;  // a plain emit
constexpr int32_t ACK_SOLO_START = 1;
constexpr int32_t ACK_SOLO_SUBMIT = 2;
constexpr int32_t ACK_FEEDBACK_SUBMIT = 3;
constexpr int32_t ACK_ROOM_JOIN = 4;
constexpr int32_t ACK_ROOM_CREATE = 5;
constexpr int32_t ACK_MAIL_LIST = 6;
constexpr int32_t ACK_SUBMISSION_SUBMIT = 7;
constexpr int32_t ACK_REPORT = 9;
constexpr int32_t ACK_CAREHUB_GET = 10;
constexpr int32_t ACK_WORD_CHECK = 11;
constexpr int32_t ACK_SUBMIT_ANSWERS = 12;
constexpr int32_t ACK_MAIL_REPLY = 13;
constexpr int32_t ACK_HIGHEST = 13;  // no request carries a larger number
