// Replies to acknowledged requests: every kind of request carries its own
// fixed acknowledgement number, and this table says which handler reads the
// answer. Numbers outside the table (0, 8, negative, above 13) are ignored.
// Also owns the care hub layout into display lines and the line wrapper.
#pragma once
#include <cstdint>

#include "session/acks.h"
#include "state/client_state.h"

struct JsonNode;

using ReplyHandler = void (*)(ClientState* state, const JsonNode* data);

struct ReplyRoute {
    int32_t ackId;           // the request's fixed number
    const char* request;     // the request it answers
    ReplyHandler handler;    // reads the answer
};

// Hand one reply to the handler of its number.
void replyDispatch(ClientState* state, int32_t ackId, const JsonNode* data);

// The table row for ackId, or null when no request carries that number.
const ReplyRoute* replyRouteFor(int32_t ackId);

// Care hub line colours: ANSI 30-37, with CARE_BRIGHT added for the bright form.
constexpr int32_t CARE_BRIGHT = 100;
constexpr int32_t CARE_WRAP_PIECE_MAX = 255;  // a text is cut at line feeds into pieces this long
constexpr int32_t CARE_MAX_INDENT = 77;       // leaves at least one character of text per line

// Append text to a line array of 80-byte lines with a colour per line,
// wrapped at 78 - indent characters, each line led by `indent` blanks. A
// piece breaks at the last blank that keeps it within the width (the blank
// is dropped, the next piece's leading blanks skipped), else it is cut at
// the width. An empty or null text adds one empty line; nothing is added
// once MAX_CARE_LINES are held.
void wrapLines(char (*lines)[CARE_LINE_BYTES], int32_t* tags, int32_t* count, int32_t tag, int32_t indent,
               const char* text);

// Lay the carehub:get reply's "hub" out into the main page lines, the
// section pool, the section titles and keys and the urgent contacts.
void layOutCareHub(ClientState* state, const JsonNode* hub);
