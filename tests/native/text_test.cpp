// Bounded text helpers: the edge of every buffer.
#include "base/text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Text, BufferEdgesAndAsciiCase) {
    char buffer[8];
    EXPECT_TRUE(formatText(buffer, 6, "%s:%d", "ab", 12));
    EXPECT_STREQ("ab:12", buffer);
    EXPECT_FALSE(formatText(buffer, 6, "%s:%d", "ab", 123));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(formatText(buffer, 0, "x"));
    EXPECT_TRUE(copyText(buffer, 6, "12345"));
    EXPECT_STREQ("12345", buffer);
    EXPECT_FALSE(copyText(buffer, 6, "123456"));
    EXPECT_STREQ("", buffer);

    // The cut copy keeps what fits and never writes past size; size 0 writes nothing.
    const char* cuts[][2] = {{"abcdef", "abc"}, {"abcd", "abc"}, {nullptr, ""}, {"abc", "abc"}};
    for (const auto& cut : cuts) {
        memset(buffer, 'x', sizeof buffer);
        copyTextCut(buffer, 4, cut[0]);
        EXPECT_STREQ(cut[1], buffer) << cut[0];
        EXPECT_EQ('x', buffer[4]) << cut[0];
    }
    copyTextCut(buffer, 0, "xyz");
    EXPECT_STREQ("abc", buffer);
    copyTextCut(buffer, 1, "xyz");
    EXPECT_STREQ("", buffer);

    // Only ASCII letters fold.
    EXPECT_TRUE(equalsIgnoringAsciiCase("LanManNT", "LANMANNT"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("WINNT", "WINN"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC4", "\xE4"));
    EXPECT_TRUE(equalsIgnoringAsciiCase(nullptr, nullptr));
    EXPECT_FALSE(equalsIgnoringAsciiCase("a", nullptr));
}
