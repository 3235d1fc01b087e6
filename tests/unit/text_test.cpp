#include <gtest/gtest.h>

#include "platform/text.h"

TEST(Text, CopyCutsAndTerminates) {
    struct Case { const char* src; const char* want; } cases[] = {
        {"abc", "abc"}, {"abcdefgh", "abcdefg"}, {"", ""}, {nullptr, ""},
    };
    for (const Case& c : cases) {
        char dst[8];
        memset(dst, 'x', sizeof dst);
        copyText(dst, c.src);
        EXPECT_STREQ(dst, c.want);
    }
}

TEST(Text, FormatAndAppendStayInside) {
    char dst[6];
    EXPECT_EQ(formatText(dst, "%d-%s", 12, "abcdef"), 5);
    EXPECT_STREQ(dst, "12-ab");
    char buf[8] = "ab";
    appendText(buf, "cdefghij");
    EXPECT_STREQ(buf, "abcdefg");
    appendText(buf, "z");
    EXPECT_STREQ(buf, "abcdefg");
    char m[16];
    copyTextMax(m, "abcdefgh", 3);
    EXPECT_STREQ(m, "abc");
}
