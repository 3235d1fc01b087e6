#include <gtest/gtest.h>

#include <set>

#include "tales.h"

TEST(HouseTales, SplitGapsKeepsBracesThatOpenNoGap) {
    struct Case {
        const char* text;
        std::vector<std::string> parts;
        std::vector<std::string> types;
    };
    const Case cases[] = {
        {"A {ADJECTIVE:describe it} cat met {NOUN}.", {"A ", " cat met ", "."}, {"ADJECTIVE", "NOUN"}},
        {"{} then {NOUN}", {"{} then ", ""}, {"NOUN"}},
        {"a { b {NOUN}", {"a { b ", ""}, {"NOUN"}},
        {"{:hint} {NOUN", {"{:hint} {NOUN"}, {}},
        {"{A{B} x", {"{A", " x"}, {"B"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> parts;
        std::vector<TaleBlank> blanks;
        taleSplitGaps(c.text, &parts, &blanks);
        EXPECT_EQ(parts, c.parts) << c.text;
        std::vector<std::string> types;
        for (size_t i = 0; i < blanks.size(); ++i) {
            types.push_back(blanks[i].type);
            EXPECT_EQ(blanks[i].n, static_cast<int>(i) + 1);
        }
        EXPECT_EQ(types, c.types) << c.text;
    }
}

TEST(HouseTales, FillUsesWordsAndMarksMissingOnes) {
    Tale t{};
    taleSplitGaps("The {ADJECTIVE:x} {NOUN} sang.", &t.parts, &t.blanks);
    EXPECT_EQ(t.blanks[0].hint, "x");
    EXPECT_EQ(taleFill(t, {{1, "green"}, {2, "kettle"}}), "The green kettle sang.");
    EXPECT_EQ(taleFill(t, {{2, "kettle"}}), "The [ADJECTIVE] kettle sang.");
}

TEST(HouseTales, BadEntriesAreSkippedWithAReason) {
    const char* text = R"({"categories":[{"name":"A"},{"name":"A"}],"tales":[
        {"id":1,"title":"ok","category":"A","text":"{NOUN}"},
        {"id":1,"title":"twice","category":"A","text":"{NOUN}"},
        {"id":2,"title":"nowhere","category":"B","text":"{NOUN}"},
        {"id":3,"title":"plain","category":"A","text":"no gaps"},
        {"id":"4","title":"string id","category":"A","text":"{NOUN}"}]})";
    Library lib;
    std::string log;
    ASSERT_TRUE(talesLoadText(text, &lib, &log));
    ASSERT_EQ(lib.tales.size(), 1u);
    EXPECT_EQ(lib.categories.size(), 1u);
    EXPECT_EQ(lib.categories[0].kind, "normal");
    for (const char* why : {"taken", "unknown category", "no gaps", "named twice"}) {
        EXPECT_NE(log.find(why), std::string::npos) << why;
    }
    EXPECT_FALSE(talesLoadText("not json", &lib, &log));
    EXPECT_FALSE(talesLoadText(R"({"categories":[],"tales":[]})", &lib, &log));
}

TEST(HouseTales, StoryPagesCoverTheCategoryOnce) {
    std::string text = R"({"categories":[{"name":"Big"},{"name":"Small"}],"tales":[)";
    for (int i = 1; i <= 25; ++i) {
        text += (i > 1 ? "," : "") + std::string(R"({"id":)") + std::to_string(i) +
                R"(,"title":"T)" + std::to_string(i) + R"(","category":")" + (i == 25 ? "Small" : "Big") +
                R"(","text":"{NOUN} {VERB}"})";
    }
    text += "]}";
    Library lib;
    std::string log;
    ASSERT_TRUE(talesLoadText(text, &lib, &log));
    struct Case {
        int64_t offset;
        size_t items;
        int firstId;
    };
    const Case cases[] = {{0, 10, 1}, {10, 10, 11}, {20, 4, 21}, {24, 0, 0}, {-5, 10, 1}};
    for (const Case& c : cases) {
        Json page = storiesPage(lib, "Big", c.offset);
        EXPECT_EQ(page["total"], 24) << c.offset;
        ASSERT_EQ(page["items"].size(), c.items) << c.offset;
        if (c.items) {
            EXPECT_EQ(page["items"][0]["id"], c.firstId);
            EXPECT_EQ(page["items"][0]["blanks"], 2);
            EXPECT_EQ(page["items"][0]["category"], "Big");
        }
    }
    EXPECT_EQ(storiesPage(lib, "Nope", 0)["total"], 0);
    EXPECT_EQ(storiesPage(lib, "Small", 0)["items"].size(), 1u);
}

TEST(HouseTales, ShippedLibraryIsComplete) {
    Library lib;
    std::string log;
    ASSERT_TRUE(talesLoadFile(WW_TALES_FILE, &lib, &log)) << log;
    EXPECT_TRUE(log.empty()) << log;
    EXPECT_GE(lib.tales.size(), 30u);
    EXPECT_GE(lib.categories.size(), 6u);
    std::set<std::string> kinds;
    for (const Category& c : lib.categories) {
        kinds.insert(c.kind);
        EXPECT_FALSE(talesOfCategory(lib, c.name).empty()) << c.name;
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"normal", "holiday", "limited"}));
    for (const Tale& t : lib.tales) {
        EXPECT_GE(t.blanks.size(), 8u) << t.title;
        EXPECT_LE(t.blanks.size(), 16u) << t.title;
        EXPECT_EQ(taleFill(t, {}).find('{'), std::string::npos) << t.title;
    }
}
