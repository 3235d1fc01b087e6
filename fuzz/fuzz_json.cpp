// Fuzz target for the JSON reader: parse arbitrary bytes, then walk the whole
// tree and read every member through every accessor, checking that all
// pointers stay inside the document and that lookups agree with the walk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/json.h"

namespace {

constexpr size_t MAX_INPUT = 256 * 1024;  // well past what one node arena can take
char textBuf[MAX_INPUT + 1];
JsonDocument document;  // static: far too big for the stack
JsonNode* walkStack[JSON_MAX_NODES];  // containers still to visit; never more than the nodes

void check(bool ok) {
    if (!ok) abort();
}

bool inPool(const JsonDocument* doc, const char* s) {
    return s >= doc->strPool && s < doc->strPool + doc->strPoolUsed;
}

void checkText(const JsonDocument* doc, const char* s) {
    check(inPool(doc, s));
    size_t left = (size_t)(doc->strPool + doc->strPoolUsed - s);
    check(memchr(s, 0, left) != nullptr);  // terminated inside the used pool
}

// Every accessor on one member of an object, checked against the member itself.
void readMember(const JsonDocument* doc, const JsonNode* obj, const JsonNode* member) {
    checkText(doc, member->key);
    const JsonNode* found = jsonGet(obj, member->key);
    check(found != nullptr && strcmp(found->key, member->key) == 0);
    for (const JsonNode* m = obj->firstChild; m != found; m = m->next) check(strcmp(m->key, found->key) != 0);
    const char* s = jsonGetString(obj, member->key, nullptr);
    check((s != nullptr) == (found->type == JSON_STRING));
    bool numeric = found->type == JSON_NUMBER || found->type == JSON_BOOL;
    double d = jsonGetNumber(obj, member->key, -12345.0);
    check(numeric || d == -12345.0);
    int32_t b = jsonGetBool(obj, member->key, 7);
    check(numeric ? (b == (found->number != 0.0)) : b == 7);
    int32_t i = jsonGetInt(obj, member->key, 7);
    check(numeric ? i == jsonNumberToInt(found->number) : i == 7);
}

void checkNode(const JsonDocument* doc, const JsonNode* n) {
    check(n >= doc->nodes && n < doc->nodes + doc->nodeCount);
    check(n->type >= JSON_NULL && n->type <= JSON_OBJECT);
    if (n->type == JSON_STRING) checkText(doc, n->text);
    if (n->type == JSON_BOOL) check(n->number == 0.0 || n->number == 1.0);
    if (n->type != JSON_ARRAY && n->type != JSON_OBJECT) check(n->firstChild == nullptr);
}

// Iterative walk: the tree may be thousands of levels deep.
void walk(const JsonDocument* doc, JsonNode* root) {
    int32_t top = 0;
    int32_t seen = 1;
    checkNode(doc, root);
    check(root->key == nullptr);
    walkStack[top++] = root;
    while (top > 0) {
        JsonNode* c = walkStack[--top];
        for (JsonNode* k = c->firstChild; k; k = k->next) {
            checkNode(doc, k);
            seen++;
            check(seen <= doc->nodeCount);
            if (c->type == JSON_OBJECT)
                readMember(doc, c, k);
            else
                check(k->key == nullptr);
            if (k->firstChild) walkStack[top++] = k;
        }
        // Names the door really asks for, on whatever the node is.
        jsonGetString(c, "event", "");
        jsonGetNumber(c, "ackId", 0.0);
        jsonGetBool(c, "ok", 1);
        check(jsonGet(c, "") == nullptr || c->type == JSON_OBJECT);
    }
    check(seen == doc->nodeCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > MAX_INPUT) return 0;
    memcpy(textBuf, data, size);
    textBuf[size] = 0;
    JsonDocument* doc = &document;
    JsonNode* root = jsonParse(doc, textBuf);
    check(doc->nodeCount <= JSON_MAX_NODES);
    check(doc->strPoolUsed <= JSON_STR_POOL_BYTES);
    check((root != nullptr) == (doc->ok == 1));
    if (root) walk(doc, root);
    // Accessors on a null node never fail.
    check(jsonGet(nullptr, "x") == nullptr);
    return 0;
}
