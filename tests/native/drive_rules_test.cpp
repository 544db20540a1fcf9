// The drive's portable rules: mapping-error texts, remote names, unit masks and the web-folder
// link file. The connection forms are shown where the scan and the broadcasts use them.
#include "drive/drive_rules.h"
#include "drive/linkfile.h"

#include <gtest/gtest.h>

#include <string>

TEST(DriveRules, MappingErrorTexts) {
    EXPECT_STREQ("Zugriff verweigert.", mappingErrorText(5));
    EXPECT_STREQ("\xDC"
                 "berpr\xFC"
                 "fen Sie bitte Ihre Logindaten.",
                 mappingErrorText(86));
    EXPECT_STREQ("Der Verbindungsversuch wurde abgebrochen.", mappingErrorText(1223));
    // Neighbours of the listed codes are retried.
    for (uint32_t retried : {0u, 4u, 84u, 87u, 1201u, 1207u, 1209u, 1224u})
        EXPECT_EQ(nullptr, mappingErrorText(retried)) << retried;
}

TEST(DriveRules, RemoteNames) {
    // Method, Windows major version, name; "https://" and "/" leave 246 of 255 characters.
    const std::tuple<ConnectionMethod, uint32_t, std::string, const char*> cases[] = {
        {3, 5, "h", "http:\\\\h\\s"},
        {4, 5, "h", "https:\\\\h\\s"},
        {5, 6, "h", "http://h/s"},
        {6, 10, "h", "https://h/s"},
        {2, 6, "h", ""},
        {7, 5, "h", ""},
        {6, 6, std::string(245, 'h'), nullptr},
        {6, 6, std::string(246, 'h'), ""}};
    for (const auto& [method, major, host, name] : cases) {
        char buffer[256] = "x";
        bool fits = formatRemoteName(buffer, sizeof buffer, method, major, host.c_str(), "s");
        EXPECT_EQ(host.size() < 246, fits) << method << " " << major;
        EXPECT_EQ(name ? name : "https://" + host + "/s", std::string(buffer));
    }
}

TEST(DriveRules, UnitMasks) {
    EXPECT_TRUE(unitMaskHasDrive(1u << 25, 25));
    EXPECT_FALSE(unitMaskHasDrive(1u << 26, 26));
    EXPECT_EQ('T', firstDriveLetter((1u << 19) | (1u << 22)));
    EXPECT_EQ('Z' + 1, firstDriveLetter(1u << 27));
}

static uint32_t at(const std::vector<unsigned char>& b, size_t offset, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | b.at(offset + i);
    return v;
}

// "Nimbara" and a 40-character address: item 3 of 130 bytes, ID list 172, file 254.
TEST(DriveRules, WebFolderLinkFile) {
    std::vector<unsigned char> b;
    ASSERT_TRUE(webFolderLinkBytes("https://dav.nimbara.example/anna-mueller", "Nimbara", &b));
    ASSERT_EQ(254u, b.size());
    // Four bytes at each offset, little-endian: 0xAC is the ID list's 172, 0x82 item 3's 130.
    const std::pair<size_t, uint32_t> fields[] = {
        {0, 0x4C},         {4, 0x00021401},   {16, 0x46000000},  {20, 1},
        {60, 1},           {76, 0x1400AC},    {78, 0x501F0014},  {98, 0x002E0014},
        {114, 0x0FB50AC9}, {118, 0x504C0082}, {122, 0x57420100}, {142, 0x10},
        {146, 0x004E0007}, {162, 0x00280000}, {166, 0x740068},   {244, 'r'},
        {246, 0},          {250, 0}};
    for (const auto& [offset, value] : fields)
        EXPECT_EQ(value, at(b, offset, 4)) << offset;
    ASSERT_TRUE(webFolderLinkBytes("\xFC", "", &b)); // bytes are widened as they are
    EXPECT_EQ(0xFCu, at(b, 152, 2));
    EXPECT_TRUE(webFolderLinkBytes(std::string(32728, 'a').c_str(), "", &b));
    EXPECT_EQ(65534u, at(b, 76, 2));
    EXPECT_FALSE(webFolderLinkBytes(std::string(32729, 'a').c_str(), "", &b));
}
