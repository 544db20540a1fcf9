// The drive's portable rules: remote names, the lowest drive of a mask, the web-folder link file.
#include "drive/drive_rules.h"
#include "drive/linkfile.h"

#include <gtest/gtest.h>

// Method and Windows major version: before Vista the URL with backslashes; method 7 maps nothing.
TEST(DriveRules, RemoteNames) {
    const std::tuple<ConnectionMethod, uint32_t, const char*> cases[] = {
        {4, 5, "https:\\\\h\\s"}, {5, 6, "http://h/s"}, {6, 6, "https://h/s"}, {7, 5, ""}};
    for (const auto& [method, major, name] : cases) {
        char buffer[256] = "x";
        formatRemoteName(buffer, sizeof buffer, method, major, "h", "s");
        EXPECT_STREQ(name, buffer) << method << " " << major;
    }
}

TEST(DriveRules, LowestDriveOfAMask) {
    EXPECT_EQ('T', firstDriveLetter((1u << 19) | (1u << 22)));
    EXPECT_EQ('Z' + 1, firstDriveLetter(1u << 27)); // none of the 26
}

// "Nimbara" and a 40-character address: an ID list of 172 bytes, a file of 254.
TEST(DriveRules, WebFolderLinkFile) {
    std::vector<unsigned char> b;
    ASSERT_TRUE(webFolderLinkBytes("https://dav.nimbara.example/anna-mueller", "Nimbara", &b));
    EXPECT_EQ(254u, b.size());
    EXPECT_EQ(172, b.at(76) | b.at(77) << 8);
}
