// The line protocol with the game service: one JSON object per line in both
// directions. Owns framing (send a line, hand out received lines from the
// growing receive buffer), the emit envelopes, the stories and actions
// commands, and the escaping of free text put into requests.
#pragma once
#include <cstddef>
#include <cstdint>

struct ServerConnection;

constexpr int32_t WIRE_BUFFER_START = 16384;     // first capacity of either buffer
constexpr int32_t WIRE_BUFFER_MAX = 1048576;     // no line may be longer than 1 MiB
constexpr int32_t WIRE_READ_CHUNK = 4096;        // one read from the connection
constexpr int32_t WIRE_GROW_BELOW = 1024;        // grow when less space than this is free
constexpr int32_t WIRE_EMIT_SIZE = 32768;        // the formatted emit line, never allocated
constexpr int32_t WIRE_EMIT_NAME_MAX = 60;
constexpr int32_t WIRE_EMIT_DATA_MAX = 32648;    // emit data without acknowledgement number
constexpr int32_t WIRE_EMIT_ACK_DATA_MAX = 32628;
constexpr int32_t WIRE_RETRY_SLEEP_MS = 2;       // pause before a write is tried again
constexpr int32_t WIRE_CATEGORY_MAX = 60;        // stories: the category cut to this many characters

// Escaped free text grows: " and \ take two bytes, a CP437 character above
// 127 takes its two or three UTF-8 bytes. These size every escape buffer.
constexpr int32_t JSON_ESCAPE_GROWTH = 3;
// The most bytes an escapedCut to maxChars keeps.
constexpr size_t jsonEscapedMax(int32_t maxChars) { return (size_t)JSON_ESCAPE_GROWTH * (size_t)maxChars; }
// A jsonEscapeText cap that loses none of the first `chars` characters.
constexpr size_t jsonEscapeCap(int32_t chars) { return jsonEscapedMax(chars) + 8; }

// Send text and one line feed; nothing is escaped or added. A write the
// socket cannot take yet is retried; any other failure marks the connection
// dead. 1 sent, 0 failed (also when not connected or text is null).
int serverSendLine(ServerConnection* conn, const char* text);

// {"cmd":"emit","name":...,"data":...}; data must already be a JSON value,
// null or empty sends {}. The name is cut to 60 characters.
int serverEmit(ServerConnection* conn, const char* name, const char* data);
// The same with the request's fixed acknowledgement number.
int serverEmitAck(ServerConnection* conn, const char* name, const char* data, int ackId);

// One page of a category's story list; the category is escaped here.
int serverSendStories(ServerConnection* conn, const char* category, int offset);
// The list of emote actions.
int serverSendActions(ServerConnection* conn);

// Reads what the connection has; 1 with *line pointing at the next complete
// line (no line feed, valid until the next call or serverClose), else 0.
int serverReceiveLine(ServerConnection* conn, const char** line);
// 1 when a line can be had without waiting on the socket: a whole line is
// already in the receive buffer, or the TLS session holds received bytes.
int serverInputWaiting(const ServerConnection* conn);

// CP437 free text into the inside of a JSON string: " and \ get a
// backslash; tab, line feed and carriage return become a space; bytes
// 128-255 become their characters in UTF-8; other control bytes are dropped.
// Writing stops once cap - 7 bytes are out, never inside a character;
// always terminated.
void jsonEscapeText(char* dst, size_t cap, const char* src);

// The length in bytes of the longest cut of escaped text holding at most
// maxChars characters that ends neither inside an escape pair (\" \\ \n
// \uXXXX ...) nor inside a UTF-8 sequence. An escape pair counts as its
// bytes and a UTF-8 sequence as one: it was one typed character. Every
// request that applies a precision to escaped text must cut with it and
// print with "%.*s", never with a fixed "%.Ns": a plain cut can leave a lone
// backslash that swallows the closing quote, or half a character.
int escapedCut(const char* escaped, int maxChars);
