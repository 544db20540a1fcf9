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

// The shell link as the shell reads it; lengths count up to the 16-bit limit.
TEST(DriveRules, WebFolderLinkFile) {
    // Header; ID list: My Computer, web folders, the folder item; the list's end, terminal block.
    const std::string expected =
        "4C0000000114020000000000C00000000000004601000000" + std::string(72, '0') + "01000000" +
        std::string(24, '0') + "520014001F50E04FD020EA3A6910A2D808002B30309D" +
        "14002E0000DFEABD65C2D011BCED00A0C90AB50F28004C5000014257" + std::string(32, '0') +
        "1000000001004E0000000100FC000000000000000000";
    std::vector<unsigned char> b;
    ASSERT_TRUE(webFolderLinkBytes("\xFC", "N", &b));
    std::string hex;
    for (unsigned char byte : b)
        hex += "0123456789ABCDEF"[byte >> 4], hex += "0123456789ABCDEF"[byte & 15];
    EXPECT_EQ(expected, hex);
    ASSERT_TRUE(webFolderLinkBytes("https://dav.nimbara.example/anna-mueller", "Nimbara", &b));
    EXPECT_EQ(254u, b.size());
    EXPECT_EQ(172, b.at(76) | b.at(77) << 8);
    const std::string longest((0xFFFF - 78) / 2 - 1, 'a');
    EXPECT_TRUE(webFolderLinkBytes(longest.c_str(), "N", &b));
    EXPECT_EQ(0xFFFE, b.at(76) | b.at(77) << 8);
    EXPECT_FALSE(webFolderLinkBytes((longest + "a").c_str(), "N", &b));
}
