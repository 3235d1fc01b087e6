// Replies to acknowledged requests: every kind of request carries its own
// fixed acknowledgement number, and this table says which handler reads the
// answer. Numbers outside the table (0, 8, negative, above 13) are ignored.
#pragma once
#include <cstdint>

struct ClientState;
struct JsonNode;

constexpr int32_t ACK_WORD_CHECK = 11;
constexpr int32_t ACK_HIGHEST = 13;  // no request carries a larger number

using ReplyHandler = void (*)(ClientState* state, const JsonNode* data);

struct ReplyRoute {
    int32_t ackId;           // the request's fixed number
    const char* request;     // the request it answers
    ReplyHandler handler;    // null: the answer changes nothing yet
};

// Hand one reply to the handler of its number.
void replyDispatch(ClientState* state, int32_t ackId, const JsonNode* data);

// The table row for ackId, or null when no request carries that number.
const ReplyRoute* replyRouteFor(int32_t ackId);
