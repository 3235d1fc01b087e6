#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/json.h"

namespace {

struct JsonFixture : ::testing::Test {
    std::unique_ptr<JsonDocument> doc = std::make_unique<JsonDocument>();
    JsonNode* parse(const std::string& text) { return jsonParse(doc.get(), text.c_str()); }
};

int childCount(const JsonNode* n) {
    int c = 0;
    for (const JsonNode* k = n->firstChild; k; k = k->next) c++;
    return c;
}

using JsonStructure = JsonFixture;

TEST_F(JsonStructure, WellFormedTexts) {
    struct Case { const char* text; int type; int children; } cases[] = {
        {" { \r\n\t} ", JSON_OBJECT, 0},  {"[ \n ]", JSON_ARRAY, 0},  {"{\"a\":1} trailing text", JSON_OBJECT, 1},
        {"[1,\"x\",true,false,null,{},[]]", JSON_ARRAY, 7},
        {" { \"a\" : [ 1 , 2 ] , \"b\" : { } } ", JSON_OBJECT, 2},
        {"trueish", JSON_BOOL, 0},  {"null,", JSON_NULL, 0},  {"12abc", JSON_NUMBER, 0},
        {"\"just a string\"", JSON_STRING, 0},  {"[]]", JSON_ARRAY, 0},
    };
    for (const Case& c : cases) {
        const JsonNode* root = parse(c.text);
        ASSERT_NE(root, nullptr) << c.text;
        EXPECT_EQ(root->type, c.type) << c.text;
        EXPECT_EQ(childCount(root), c.children) << c.text;
        EXPECT_EQ(root->key, nullptr) << c.text;
        EXPECT_EQ(doc->ok, 1) << c.text;
    }
}

TEST_F(JsonStructure, MalformedTextsYieldNoTree) {
    const char* cases[] = {
        "",      "   ",      "[1,2,]",  "{\"a\":1,}", "{\"a\" 1}", "{a:1}",  "[1 2]",   "{\"a\":1",
        "[",     "\"abc",    "\"\\x\"",  "\"\\u12\"", "\"\\u12G4\"", "\"\\u",   "[truex]", "-x",
        "{,}",   "[,1]",     "{\"a\":}", "tru",       "fals",      "[-]",    "{\"a\":1]", "[1}",
        "\"a\\",  "{\"a\"}",  "{1:2}",   "\f{}",      "[1,,2]",    "]",      "+1",      ".5",
        "[\"a\" \"b\"]", "{\"a\"::1}", "'a'",
    };
    for (const char* text : cases) {
        EXPECT_EQ(parse(text), nullptr) << "[" << text << "]";
        EXPECT_EQ(doc->ok, 0) << "[" << text << "]";
    }
    EXPECT_EQ(jsonParse(doc.get(), nullptr), nullptr);
}

TEST_F(JsonStructure, TreeKeepsOrderKeysAndDuplicates) {
    const JsonNode* root = parse(R"({"b":[10,"x",null],"a":{"k":false},"b":2})");
    ASSERT_NE(root, nullptr);
    const JsonNode* b = root->firstChild;
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->key, "b");
    ASSERT_EQ(b->type, JSON_ARRAY);
    const JsonNode* e = b->firstChild;
    EXPECT_EQ(e->number, 10.0);
    EXPECT_EQ(e->key, nullptr);  // array elements have no name
    EXPECT_STREQ(e->next->text, "x");
    EXPECT_EQ(e->next->next->type, JSON_NULL);
    EXPECT_EQ(e->next->next->next, nullptr);
    const JsonNode* a = b->next;
    EXPECT_STREQ(a->key, "a");
    EXPECT_STREQ(a->firstChild->key, "k");
    EXPECT_EQ(a->firstChild->type, JSON_BOOL);
    EXPECT_STREQ(a->next->key, "b");
    EXPECT_EQ(a->next->next, nullptr);
    EXPECT_EQ(jsonGet(root, "b"), b);  // the first of two equal names
    EXPECT_EQ(doc->nodeCount, 8);
}

using JsonStrings = JsonFixture;

TEST_F(JsonStrings, EscapesDecodeToBytes) {
    struct Case { const char* literal; std::string bytes; } cases[] = {
        {R"("x\u00e9y")", "x\x82y"},                          // into CP437, one byte each
        {R"("\uD83D\uDE00!")", "?!"},                        // a pair: one character CP437 lacks
        {R"("\ud83dA")", "?A"},                               // lone high surrogate
        {R"("\ud83d\u0041")", "?A"},                          // next escape decoded by itself
        {R"("\ud83d\ud83d\ude00")", "??"},
        {R"("\ude00")", "?"},                                 // lone low surrogate
        {R"("\ud800\udc00\udbff\udfff")", "??"},              // pair bounds
        {R"("\udc00\ud800")", "??"},                          // wrong order: two lone ones
        {R"("\u007f\u0080\u00A0\u2500\u0142\u2019\uFFFF")", "\x7F?\xFF\xC4l'?"},
        {R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {"\"raw \x01\x1F\xC3\xA9\xFF\"", "raw \x01\x1F\x82?"},
        {"\"Zo\xC3\xAB \xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x98\x95 \xC2\xA3\"", "Zo\x89 L\xA2" "dz ? \x9C"},
        {"\"\xE2\x82x \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \x80\"", "?x ?? ? ? ?"},  // broken sequences
        {R"("")", ""},
    };
    for (const Case& c : cases) {
        const JsonNode* root = parse(c.literal);
        ASSERT_NE(root, nullptr) << c.literal;
        ASSERT_EQ(root->type, JSON_STRING) << c.literal;
        EXPECT_EQ(std::string(root->text), c.bytes) << c.literal;
        EXPECT_EQ(doc->strPoolUsed, (int32_t)c.bytes.size() + 1) << c.literal;
    }
}

TEST_F(JsonStrings, DecodedLengthAndPoolLimits) {
    // Up to 32764 plain bytes may be decoded; one more fails even though the
    // pool could hold it. An escape right at the limit may still complete.
    struct Case { std::string literal; bool ok; } cases[] = {
        {"\"" + std::string(32764, 'a') + "\"", true},
        {"\"" + std::string(32765, 'a') + "\"", false},
        {"\"" + std::string(32763, 'a') + "\\ud83d\\ude00\"", true},
        {"\"" + std::string(32764, 'a') + "\\n\"", false},
        {"[\"" + std::string(16383, 'a') + "\",\"" + std::string(16383, 'b') + "\"]", true},
        {"[\"" + std::string(16383, 'a') + "\",\"" + std::string(16384, 'b') + "\"]", false},
        {"[\"" + std::string(16383, 'a') + "\",\"" + std::string(16382, 'b') + "\\u00e9\"]", true},
        {"[\"" + std::string(16383, 'a') + "\",\"" + std::string(16383, 'b') + "\\u00e9\"]", false},
        {"[\"" + std::string(16383, 'a') + "\",\"" + std::string(16383, 'b') + "\xC3\xA9\"]", false},
        {"[\"" + std::string(32764, 'a') + "\",\"a\",\"\"]", true},
        {"[\"" + std::string(32764, 'a') + "\",\"a\",\"\",\"\"]", false},  // pool already full
        {"{\"" + std::string(16383, 'k') + "\":\"" + std::string(16383, 'v') + "\"}", true},
        {"{\"" + std::string(16384, 'k') + "\":\"" + std::string(16383, 'v') + "\"}", false},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const JsonNode* root = parse(cases[i].literal);
        EXPECT_EQ(root != nullptr, cases[i].ok) << "case " << i;
        if (root) EXPECT_LE(doc->strPoolUsed, JSON_STR_POOL_BYTES) << "case " << i;
    }
    const JsonNode* full = parse("\"" + std::string(32763, 'a') + "\\ud83d\\ude00\"");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(doc->strPoolUsed, JSON_STRING_LIMIT + 2);
    EXPECT_EQ(std::string(full->text).substr(32762), "a?");
}

using JsonNumbers = JsonFixture;

using JsonAccessors = JsonFixture;

TEST_F(JsonAccessors, ReadsWithDefaults) {
    const JsonNode* root = parse(R"({"s":"str","n":2.5,"z":0,"t":true,"f":false,"nul":null,)"
                                 R"("arr":[1],"obj":{"in":"side"},"Name":"x","neg":-2.9})");
    ASSERT_NE(root, nullptr);
    struct StrCase { const char* name; const char* want; } strs[] = {
        {"s", "str"}, {"n", "def"}, {"t", "def"}, {"nul", "def"}, {"arr", "def"},
        {"obj", "def"}, {"missing", "def"}, {"name", "def"}, {"Name", "x"}, {"in", "def"},
    };
    for (const StrCase& c : strs) EXPECT_STREQ(jsonGetString(root, c.name, "def"), c.want) << c.name;

    struct NumCase { const char* name; double want; int32_t boolWant; int32_t intWant; } nums[] = {
        {"n", 2.5, 1, 2},     {"z", 0.0, 0, 0},      {"t", 1.0, 1, 1},       {"f", 0.0, 0, 0},
        {"neg", -2.9, 1, -2}, {"s", -7.0, -1, -7},   {"nul", -7.0, -1, -7},  {"arr", -7.0, -1, -7},
        {"obj", -7.0, -1, -7}, {"missing", -7.0, -1, -7},
    };
    for (const NumCase& c : nums) {
        EXPECT_EQ(jsonGetNumber(root, c.name, -7.0), c.want) << c.name;
        EXPECT_EQ(jsonGetBool(root, c.name, -1), c.boolWant) << c.name;
        EXPECT_EQ(jsonGetInt(root, c.name, -7), c.intWant) << c.name;
    }
    EXPECT_STREQ(jsonGetString(jsonGet(root, "obj"), "in", ""), "side");
}

TEST(JsonNumberToInt, TruncatesAndClamps) {
    struct Case { double v; int32_t want; } cases[] = {
        {2.99, 2},          {-2.99, -2},        {2147483647.0, INT32_MAX}, {3e9, INT32_MAX},
        {INFINITY, INT32_MAX}, {-2147483648.0, INT32_MIN}, {-1e300, INT32_MIN}, {-INFINITY, INT32_MIN},
        {NAN, 0},           {2147483646.5, 2147483646},
    };
    for (const Case& c : cases) EXPECT_EQ(jsonNumberToInt(c.v), c.want) << c.v;
}

using JsonLimits = JsonFixture;

std::string arrayOf(int values) {
    std::string s = "[";
    for (int i = 0; i < values; i++) s += i ? ",0" : "0";
    return s + "]";
}

std::string nested(int levels, const char* open, const char* close) {
    std::string s;
    for (int i = 0; i < levels; i++) s += open;
    for (int i = 0; i < levels; i++) s += close;
    return s;
}

TEST_F(JsonLimits, NodeLimitCountsEveryValue) {
    // The array itself is one node, so 6143 elements fill the arena exactly.
    struct Case { std::string text; bool ok; } cases[] = {
        {arrayOf(JSON_MAX_NODES - 1), true},
        {arrayOf(JSON_MAX_NODES), false},
        {nested(JSON_MAX_NODES, "[", "]"), true},
        {nested(JSON_MAX_NODES + 1, "[", "]"), false},
        {nested(JSON_MAX_NODES / 2, "{\"k\":[", "]}"), true},
        {nested(JSON_MAX_NODES / 2, "{\"k\":[", "]}").insert(JSON_MAX_NODES / 2 * 6, "0"), false},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const JsonNode* root = parse(cases[i].text);
        EXPECT_EQ(root != nullptr, cases[i].ok) << "case " << i;
        EXPECT_LE(doc->nodeCount, JSON_MAX_NODES) << "case " << i;
    }
    const JsonNode* root = parse(arrayOf(JSON_MAX_NODES - 1));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childCount(root), JSON_MAX_NODES - 1);
    EXPECT_EQ(doc->nodeCount, JSON_MAX_NODES);
}

TEST_F(JsonLimits, HostileNestingFailsWithoutCrashing) {
    const std::string cases[] = {
        std::string(JSON_MAX_NODES, '['),
        std::string(200000, '{'),
        nested(100000, "{\"a\":[", "]}"),
        nested(JSON_MAX_NODES, "[", "") + "1" + nested(JSON_MAX_NODES, "", "]"),
    };
    for (const std::string& text : cases) EXPECT_EQ(parse(text), nullptr) << text.size();
    // Deep but within the arena: walk to the bottom.
    const JsonNode* n = parse(nested(JSON_MAX_NODES - 1, "[", "]").insert(JSON_MAX_NODES - 1, "7"));
    ASSERT_NE(n, nullptr);
    int depth = 0;
    while (n->type == JSON_ARRAY) {
        n = n->firstChild;
        depth++;
    }
    EXPECT_EQ(depth, JSON_MAX_NODES - 1);
    EXPECT_EQ(n->number, 7.0);
}

}  // namespace
