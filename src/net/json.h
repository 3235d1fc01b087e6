// The JSON document reader: turns one line from the game service into a tree
// of nodes held in a fixed arena and string pool, reused for every line, so
// parsing never allocates. Reads go through accessors that take a default for
// every missing or mistyped member. Strings are read as UTF-8 and held in
// CP437, one byte per character: a character CP437 lacks becomes its plain
// Latin letter where one is obvious, else '?'; so does a broken sequence.
#pragma once
#include <cstdint>

enum JsonType : int32_t {
    JSON_NULL = 0,
    JSON_BOOL = 1,
    JSON_NUMBER = 2,
    JSON_STRING = 3,
    JSON_ARRAY = 4,
    JSON_OBJECT = 5,
};

constexpr int32_t JSON_MAX_NODES = 6144;       // every value, member and container is one node
constexpr int32_t JSON_STR_POOL_BYTES = 32768; // all strings and member names of one text, each with its NUL
constexpr int32_t JSON_SCRATCH_BYTES = 32768;  // room one decoded string may need on its way into the pool
constexpr int32_t JSON_STRING_LIMIT = 32763;   // decoded bytes after which only the closing quote may follow
static_assert(JSON_STRING_LIMIT + 1 + 1 <= JSON_SCRATCH_BYTES,
              "a string at the limit plus one escape or character (one byte each) and its NUL must fit the scratch room");
static_assert(JSON_SCRATCH_BYTES <= JSON_STR_POOL_BYTES, "a decoded string never needs more than the pool");
static_assert(JSON_MAX_NODES >= 1024, "a room snapshot or a 40-table list needs several hundred nodes");

struct JsonNode {
    int32_t type;          // a JsonType
    const char* key;       // member name when the node is an object member; null otherwise
    const char* text;      // string value (NUL-terminated, in the pool); null for other types
    double number;         // number value; 1.0 / 0.0 for a boolean
    JsonNode* firstChild;  // first element or member of an array/object; null when empty
    JsonNode* next;        // next sibling in the parent; null for the last
};

// One array or object still open during a parse: where its next child goes.
struct JsonOpenContainer {
    JsonNode* node;  // the array or object
    JsonNode* last;  // its last child so far; null while empty
};

// 416 KiB on a 64-bit build: its owner keeps it off the stack. A tree in it is valid
// until the next jsonReset or jsonParse on it.
struct JsonDocument {
    JsonNode nodes[JSON_MAX_NODES];     // the node arena
    int32_t nodeCount;                  // nodes in use
    char strPool[JSON_STR_POOL_BYTES];  // decoded strings and member names, each NUL-terminated
    int32_t strPoolUsed;                // bytes of strPool in use
    int32_t ok;                         // 1 until the parse meets an error or a limit
    // The parse's own stack instead of recursion, so a hostile nesting depth
    // cannot exhaust the call stack. Every container takes a node, so the
    // nesting can never exceed the node limit.
    JsonOpenContainer open[JSON_MAX_NODES];
};

// Empty the document: three stores, nothing cleared.
void jsonReset(JsonDocument* doc);

// Reset doc and parse one value from the start of the NUL-terminated text.
// Returns the root, or null on malformed text or a text beyond the limits.
// Whatever follows the first complete value is ignored.
JsonNode* jsonParse(JsonDocument* doc, const char* text);

// 1 when node is there and of the JsonType `type`: a missing member and a
// member of the wrong kind read alike, as every default in here does.
bool jsonIsType(const JsonNode* node, int32_t type);

// The first element of an array, to walk with `next`; null when list is
// null, empty or not an array.
const JsonNode* jsonFirstElement(const JsonNode* list);

// The first member of object `node` named exactly `name`; null when node is
// null, not an object, or has no such member.
JsonNode* jsonGet(const JsonNode* node, const char* name);

// The member's string when it is a string, else def.
const char* jsonGetString(const JsonNode* node, const char* name, const char* def);

// The member's value when it is a number or a boolean, else def.
double jsonGetNumber(const JsonNode* node, const char* name, double def);

// 1 when the member is a number or boolean other than 0.0, 0 when it is 0.0;
// def when it is missing or of another type.
int32_t jsonGetBool(const JsonNode* node, const char* name, int32_t def);

// A JSON number as an int: truncated toward zero, clamped to the int32 range
// (NaN gives 0), so a hostile 1e300 can never make a cast undefined.
int32_t jsonNumberToInt(double value);

// jsonGetNumber truncated to an int through jsonNumberToInt; def when the
// member is missing or of another type.
int32_t jsonGetInt(const JsonNode* node, const char* name, int32_t def);
