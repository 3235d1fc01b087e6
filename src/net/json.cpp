// JSON reader: an iterative parser (an explicit stack of open containers
// instead of recursion, so a hostile nesting depth cannot exhaust the call
// stack) filling a fixed node arena and string pool. Strings arrive in
// UTF-8 and are kept in CP437, one byte per character.
#include "net/json.h"

#include <cstdlib>
#include <cstring>

#include "platform/cp437.h"

namespace {

// Byte classes for the hot loops: whitespace, and the bytes that stop a
// plain run inside a string (quote, backslash, end of text, and every byte
// of a UTF-8 sequence, which becomes one CP437 byte).
constexpr unsigned char CLASS_SPACE = 1;
constexpr unsigned char CLASS_STRING_STOP = 2;

struct ByteClasses {
    unsigned char of[256];
};

constexpr ByteClasses makeByteClasses() {
    ByteClasses t{};
    t.of[(unsigned char)' '] = CLASS_SPACE;
    t.of[(unsigned char)'\t'] = CLASS_SPACE;
    t.of[(unsigned char)'\n'] = CLASS_SPACE;
    t.of[(unsigned char)'\r'] = CLASS_SPACE;
    t.of[(unsigned char)'"'] = CLASS_STRING_STOP;
    t.of[(unsigned char)'\\'] = CLASS_STRING_STOP;
    t.of[0] = CLASS_STRING_STOP;
    for (int b = 0x80; b < 0x100; b++) t.of[b] = CLASS_STRING_STOP;
    return t;
}

constexpr ByteClasses byteClasses = makeByteClasses();

// Single-character escapes: the byte they stand for, 0 when not one.
constexpr ByteClasses makeSimpleEscapes() {
    ByteClasses t{};
    t.of[(unsigned char)'"'] = '"';
    t.of[(unsigned char)'\\'] = '\\';
    t.of[(unsigned char)'/'] = '/';
    t.of[(unsigned char)'b'] = '\b';
    t.of[(unsigned char)'f'] = '\f';
    t.of[(unsigned char)'n'] = '\n';
    t.of[(unsigned char)'r'] = '\r';
    t.of[(unsigned char)'t'] = '\t';
    return t;
}

constexpr ByteClasses simpleEscapes = makeSimpleEscapes();

inline const char* skipSpace(const char* p) {
    while (byteClasses.of[(unsigned char)*p] == CLASS_SPACE) p++;
    return p;
}

JsonNode* newNode(JsonDocument* doc, int32_t type) {
    if (doc->nodeCount >= JSON_MAX_NODES) {
        doc->ok = 0;
        return nullptr;
    }
    JsonNode* n = &doc->nodes[doc->nodeCount++];
    n->type = type;
    n->key = nullptr;
    n->text = nullptr;
    n->number = 0.0;
    n->firstChild = nullptr;
    n->next = nullptr;
    return n;
}

// Value of one hex digit, -1 when c is not one.
inline int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at p; -1 when any of them is not a hex digit (the end of
// the text included, so this never reads past the terminator).
int readHex4(const char* p) {
    int v = 0;
    for (int i = 0; i < 4; i++) {
        int d = hexValue(p[i]);
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

// A \u escape with p just after the 'u': the code point, or -1 on a bad
// digit; *end is where decoding goes on. A high surrogate takes a following
// low one with it; a lone surrogate stands for nothing and reads as U+FFFD.
int32_t decodeUnicodeEscape(const char* p, const char** end) {
    int cp = readHex4(p);
    if (cp < 0) return -1;
    p += 4;
    *end = p;
    if (cp < 0xD800 || cp > 0xDFFF) return cp;
    if (cp <= 0xDBFF && p[0] == '\\' && p[1] == 'u') {
        int low = readHex4(p + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            *end = p + 6;
            return 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return (int32_t)UNICODE_REPLACEMENT;
}

// Decode a string whose opening quote is just before p, straight into the
// free tail of the pool (that tail is the scratch room: nothing else is
// written there until the string is done). Returns the text, or null with
// doc->ok cleared; *end is set past the closing quote.
const char* parseString(JsonDocument* doc, const char* p, const char** end) {
    unsigned char* out = (unsigned char*)doc->strPool + doc->strPoolUsed;
    // Bytes this string may take before its NUL: what the pool has left,
    // and never more than the limit plus one escape.
    int32_t room = JSON_STR_POOL_BYTES - doc->strPoolUsed - 1;
    int32_t n = 0;
    for (;;) {
        // Plain run: the common case, one table look-up per byte.
        int32_t runLimit = room < JSON_STRING_LIMIT + 1 ? room : JSON_STRING_LIMIT + 1;
        while (n < runLimit && byteClasses.of[(unsigned char)*p] != CLASS_STRING_STOP) out[n++] = (unsigned char)*p++;
        unsigned char c = (unsigned char)*p;
        if (c == '"') break;
        // Only an escape or a character goes on, and only with room: the
        // length rule and the pool. Either gives one byte.
        if (c == 0 || n > JSON_STRING_LIMIT || n >= room) break;
        if (c >= 0x80) {
            uint32_t cp = 0;
            p += utf8Decode((const unsigned char*)p, &cp);
            out[n++] = unicodeToCp437(cp);
            continue;
        }
        if (c != '\\') break;
        char e = p[1];
        if (e == 'u') {
            const char* after;
            int32_t cp = decodeUnicodeEscape(p + 2, &after);
            if (cp < 0) break;
            out[n++] = unicodeToCp437((uint32_t)cp);
            p = after;
            continue;
        }
        unsigned char s = simpleEscapes.of[(unsigned char)e];
        if (s == 0) break;
        out[n++] = s;
        p += 2;
    }
    if (*p != '"' || n > room) {  // n > room only when the pool was already full
        doc->ok = 0;
        return nullptr;
    }
    out[n] = 0;
    doc->strPoolUsed += n + 1;
    *end = p + 1;
    return (const char*)out;
}

// Plain integers (the bulk of what the service sends) are read directly;
// everything else goes through strtod. Up to 15 digits convert exactly, so
// the result is the same as strtod's.
const char* parseNumber(const char* p, double* value) {
    const char* q = p;
    bool negative = *q == '-';
    if (negative) q++;
    uint64_t v = 0;
    const char* digits = q;
    while (*q >= '0' && *q <= '9' && q - digits < 16) v = v * 10 + (uint64_t)(*q++ - '0');
    size_t count = (size_t)(q - digits);
    char c = *q;
    bool plain = count > 0 && count <= 15 && !(c >= '0' && c <= '9') && c != '.' && c != 'e' && c != 'E' &&
                 c != 'x' && c != 'X';
    if (plain) {
        *value = negative ? -(double)v : (double)v;
        return q;
    }
    char* end = nullptr;
    *value = strtod(p, &end);
    return end;
}

// true / false / null, compared as a prefix. Null on no match.
const char* parseLiteral(JsonNode* node, const char* p) {
    if (strncmp(p, "true", 4) == 0) {
        node->type = JSON_BOOL;
        node->number = 1.0;
        return p + 4;
    }
    if (strncmp(p, "false", 5) == 0) {
        node->type = JSON_BOOL;
        return p + 5;
    }
    if (strncmp(p, "null", 4) == 0) return p + 4;
    return nullptr;
}

// Hook node into the innermost open container (or make it the root).
inline void attach(JsonOpenContainer* stack, int32_t depth, JsonNode* node, JsonNode** root) {
    if (depth == 0) {
        *root = node;
        return;
    }
    JsonOpenContainer* top = &stack[depth - 1];
    if (top->last)
        top->last->next = node;
    else
        top->node->firstChild = node;
    top->last = node;
}

// One scalar value at p (after whitespace). Returns where it ends, or null.
const char* parseScalar(JsonDocument* doc, const char* p, JsonNode* node) {
    char c = *p;
    if (c == '"') {
        node->type = JSON_STRING;
        node->text = parseString(doc, p + 1, &p);
        return node->text ? p : nullptr;
    }
    if (c == '-' || (c >= '0' && c <= '9')) {
        node->type = JSON_NUMBER;
        const char* end = parseNumber(p, &node->number);
        return end > p ? end : nullptr;
    }
    return parseLiteral(node, p);
}

}  // namespace

void jsonReset(JsonDocument* doc) {
    doc->nodeCount = 0;
    doc->strPoolUsed = 0;
    doc->ok = 1;
}

// The parse is a small state machine: VALUE reads one value, MEMBER reads a
// member name and its colon, AFTER looks for the comma or closing bracket
// that follows a value inside a container.
JsonNode* jsonParse(JsonDocument* doc, const char* text) {
    jsonReset(doc);
    if (!text) {
        doc->ok = 0;
        return nullptr;
    }
    JsonOpenContainer* stack = doc->open;
    int32_t depth = 0;
    JsonNode* root = nullptr;
    const char* pendingKey = nullptr;
    const char* p = text;

value:
    p = skipSpace(p);
    {
        char c = *p;
        JsonNode* node = newNode(doc, JSON_NULL);
        if (!node) return nullptr;
        node->key = pendingKey;
        pendingKey = nullptr;
        attach(stack, depth, node, &root);
        if (c == '[' || c == '{') {
            node->type = c == '[' ? JSON_ARRAY : JSON_OBJECT;
            stack[depth].node = node;
            stack[depth].last = nullptr;
            depth++;
            p = skipSpace(p + 1);
            if (*p == (c == '[' ? ']' : '}')) {
                p++;
                depth--;
                goto after;
            }
            if (c == '[') goto value;
            goto member;
        }
        p = parseScalar(doc, p, node);
        if (!p) goto fail;
        goto after;
    }

member:
    // Whitespace already skipped.
    if (*p != '"') goto fail;
    pendingKey = parseString(doc, p + 1, &p);
    if (!pendingKey) goto fail;
    p = skipSpace(p);
    if (*p != ':') goto fail;
    p++;
    goto value;

after:
    if (depth == 0) return doc->ok ? root : nullptr;
    p = skipSpace(p);
    {
        bool isArray = stack[depth - 1].node->type == JSON_ARRAY;
        if (*p == ',') {
            p++;
            if (isArray) goto value;
            p = skipSpace(p);
            goto member;
        }
        if (*p == (isArray ? ']' : '}')) {
            p++;
            depth--;
            goto after;
        }
    }

fail:
    doc->ok = 0;
    return nullptr;
}

bool jsonIsType(const JsonNode* node, int32_t type) { return node && node->type == type; }

const JsonNode* jsonFirstElement(const JsonNode* list) {
    return jsonIsType(list, JSON_ARRAY) ? list->firstChild : nullptr;
}

JsonNode* jsonGet(const JsonNode* node, const char* name) {
    if (!node || node->type != JSON_OBJECT || !name) return nullptr;
    for (JsonNode* m = node->firstChild; m; m = m->next)
        if (m->key && strcmp(m->key, name) == 0) return m;
    return nullptr;
}

const char* jsonGetString(const JsonNode* node, const char* name, const char* def) {
    const JsonNode* m = jsonGet(node, name);
    return m && m->type == JSON_STRING ? m->text : def;
}

double jsonGetNumber(const JsonNode* node, const char* name, double def) {
    const JsonNode* m = jsonGet(node, name);
    return m && (m->type == JSON_NUMBER || m->type == JSON_BOOL) ? m->number : def;
}

int32_t jsonGetBool(const JsonNode* node, const char* name, int32_t def) {
    const JsonNode* m = jsonGet(node, name);
    if (!m || (m->type != JSON_NUMBER && m->type != JSON_BOOL)) return def;
    return m->number != 0.0 ? 1 : 0;
}

int32_t jsonNumberToInt(double value) {
    if (value != value) return 0;  // NaN
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return (int32_t)value;
}

int32_t jsonGetInt(const JsonNode* node, const char* name, int32_t def) {
    const JsonNode* m = jsonGet(node, name);
    return m && (m->type == JSON_NUMBER || m->type == JSON_BOOL) ? jsonNumberToInt(m->number) : def;
}
