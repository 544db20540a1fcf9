// The drive's portable rules: mapping-error texts, remote names, connection forms, unit masks
// and the web-folder link file.
#include "drive/drive_rules.h"
#include "drive/linkfile.h"

#include <gtest/gtest.h>

#include <string>

TEST(DriveRules, MappingErrorTexts) {
    // Listed codes at the edges of the table's runs; their neighbours are retried (null).
    EXPECT_STREQ("Zugriff verweigert.", mappingErrorText(5));
    EXPECT_STREQ("\xDC"
                 "berpr\xFC"
                 "fen Sie bitte Ihre Logindaten.",
                 mappingErrorText(86));
    EXPECT_STREQ("Ihre Nimbara ist bereits verbunden.", mappingErrorText(85));
    EXPECT_STREQ("Ein allgemeiner Fehler ist aufgetreten.", mappingErrorText(1208));
    EXPECT_STREQ("Der Verbindungsversuch wurde abgebrochen.", mappingErrorText(1223));
    for (uint32_t retried : {0u, 6u, 65u, 87u, 1201u, 1207u, 1209u, 1221u, 1224u, 2250u})
        EXPECT_EQ(nullptr, mappingErrorText(retried)) << retried;
}

TEST(DriveRules, RemoteNames) {
    struct Case {
        ConnectionMethod method;
        uint32_t major;
        const char* name;
    } const cases[] = {{3, 5, "http:\\\\h\\s"},
                       {4, 5, "https:\\\\h\\s"},
                       {5, 6, "http://h/s"},
                       {6, 6, "https://h/s"},
                       {4, 10, "https://h/s"},
                       {3, 4, "http:\\\\h\\s"},
                       {1, 6, ""},
                       {2, 5, ""},
                       {7, 6, ""}};
    for (const Case& c : cases) {
        char name[256] = "x";
        EXPECT_TRUE(formatRemoteName(name, sizeof name, c.method, c.major, "h", "s"));
        EXPECT_STREQ(c.name, name) << c.method << " " << c.major;
    }
    // "https://" and "/" leave 246 characters of 255 for host and share; one more is refused.
    char name[256];
    EXPECT_TRUE(formatRemoteName(name, sizeof name, 6, 6, std::string(245, 'h').c_str(), "s"));
    EXPECT_EQ(255u, std::string(name).size());
    EXPECT_FALSE(formatRemoteName(name, sizeof name, 6, 6, std::string(246, 'h').c_str(), "s"));
    EXPECT_STREQ("", name);
}

TEST(DriveRules, ConnectionForms) {
    ConnectionForms forms = connectionForms("h", "s");
    EXPECT_EQ("\\\\h\\s", forms.unc);
    for (const char* name : {"\\\\h\\s", "\\\\h@SSL\\s", "http://h/s", "https://h/s"})
        EXPECT_TRUE(isAnyConnectionForm(forms, name)) << name;
    for (const char* name : {"\\\\H\\s", "\\\\h\\s\\", "https:\\\\h\\s", "\\\\h@ssl\\s", ""})
        EXPECT_FALSE(isAnyConnectionForm(forms, name)) << name;
}

TEST(DriveRules, UnitMasks) {
    EXPECT_TRUE(unitMaskHasDrive(1u << 25, 25));
    EXPECT_FALSE(unitMaskHasDrive(1u << 26, 26));
    EXPECT_FALSE(unitMaskHasDrive(0xFFFFFFFF, -1));
    EXPECT_FALSE(unitMaskHasDrive(1u << 3, 4));
    EXPECT_EQ('A', firstDriveLetter(0x1));
    EXPECT_EQ('T', firstDriveLetter((1u << 19) | (1u << 22)));
    EXPECT_EQ('Z', firstDriveLetter(1u << 25));
    EXPECT_EQ('Z' + 1, firstDriveLetter(1u << 27));
    EXPECT_EQ('Z' + 1, firstDriveLetter(0));
}

static uint32_t le(const std::vector<unsigned char>& b, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | b.at(at + i);
    return v;
}

// "Nimbara" and an address of 40 characters: item 3 of 130 bytes, an ID list of 172, a file of
// 254.
TEST(DriveRules, WebFolderLinkFile) {
    const std::string address = "https://dav.nimbara.example/anna-mueller";
    ASSERT_EQ(40u, address.size());
    std::vector<unsigned char> b;
    ASSERT_TRUE(webFolderLinkBytes(address.c_str(), "Nimbara", &b));
    ASSERT_EQ(254u, b.size());
    EXPECT_EQ(0x4Cu, le(b, 0, 4));
    EXPECT_EQ(0x00021401u, le(b, 4, 4));
    EXPECT_EQ(0x46u, b[19]);
    EXPECT_EQ(1u, le(b, 20, 4)); // HasLinkTargetIDList only
    EXPECT_EQ(1u, le(b, 60, 4)); // ShowCommand
    EXPECT_EQ(172u, le(b, 76, 2));
    EXPECT_EQ(0x501F0014u, le(b, 78, 4));
    EXPECT_EQ(0x002E0014u, le(b, 98, 4));
    EXPECT_EQ(0x0FB50AC9u, le(b, 114, 4));
    EXPECT_EQ(130u, le(b, 118, 2));
    EXPECT_EQ(0x0100504Cu, le(b, 120, 4));
    EXPECT_EQ(0x5742u, le(b, 124, 2));
    EXPECT_EQ(0x10u, le(b, 142, 4));
    EXPECT_EQ(7u, le(b, 146, 2));
    EXPECT_EQ(uint32_t{'N'}, le(b, 148, 2));
    EXPECT_EQ(uint32_t{'a'}, le(b, 160, 2));
    EXPECT_EQ(0u, le(b, 162, 2));
    EXPECT_EQ(40u, le(b, 164, 2));
    EXPECT_EQ(uint32_t{'h'}, le(b, 166, 2));
    EXPECT_EQ(uint32_t{'r'}, le(b, 244, 2));
    EXPECT_EQ(0u, le(b, 246, 4)); // the address's terminator, the end of the ID list
    EXPECT_EQ(0u, le(b, 250, 4)); // the terminal block
    // Bytes above 0x7F are widened as they are.
    ASSERT_TRUE(webFolderLinkBytes("\xFC", "", &b));
    EXPECT_EQ(0xFCu, le(b, 152, 2));
    // Sizes beyond 16 bits are refused.
    EXPECT_TRUE(webFolderLinkBytes(std::string(32728, 'a').c_str(), "", &b));
    EXPECT_EQ(65534u, le(b, 76, 2));
    EXPECT_FALSE(webFolderLinkBytes(std::string(32729, 'a').c_str(), "", &b));
}
