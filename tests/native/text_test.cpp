// Bounded text helpers: the edge of every buffer.
#include "base/text.h"

#include <gtest/gtest.h>

TEST(Text, FormatAndCopyRefuseWhatDoesNotFit) {
    char buffer[6];
    EXPECT_TRUE(formatText(buffer, sizeof buffer, "%s:%d", "ab", 12));
    EXPECT_STREQ("ab:12", buffer);
    EXPECT_FALSE(formatText(buffer, sizeof buffer, "%s:%d", "ab", 123));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(formatText(buffer, 0, "x"));

    EXPECT_TRUE(copyText(buffer, sizeof buffer, "12345"));
    EXPECT_STREQ("12345", buffer);
    EXPECT_FALSE(copyText(buffer, sizeof buffer, "123456"));
    EXPECT_STREQ("", buffer);
    EXPECT_TRUE(copyText(buffer, sizeof buffer, nullptr));
    EXPECT_STREQ("", buffer);
}

TEST(Text, AsciiCaseInsensitiveEquality) {
    EXPECT_TRUE(equalsIgnoringAsciiCase("LanManNT", "LANMANNT"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("LANMANNT", "LANMANNTX"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("WINNT", "WINN"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC4", "\xE4")); // only ASCII letters fold
    EXPECT_TRUE(equalsIgnoringAsciiCase(nullptr, nullptr));
    EXPECT_FALSE(equalsIgnoringAsciiCase("a", nullptr));
}
