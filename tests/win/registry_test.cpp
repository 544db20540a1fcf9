// Registry classes and setting accessors against Wine's real registry.
#include "base/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* kKey = "Software\\Qelto\\Nimbara";
const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void rawSet(const char* subKey, const char* name, DWORD type, const void* data, DWORD size) {
    RegSetKeyValueA(HKEY_CURRENT_USER, subKey, name, type, data, size);
}

// "TYPE:bytes" of a value as the registry holds it; "" when absent.
std::string rawGet(const char* subKey, const char* name) {
    char buffer[1024];
    DWORD size = sizeof buffer, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, subKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer,
                     &size) != ERROR_SUCCESS)
        return "";
    return std::to_string(type) + ":" + std::string(buffer, size);
}

TEST(Registry, ReadsByType) {
    DWORD seven = 7;
    rawSet(kKey, "DriveLetter", REG_DWORD, &seven, 4);
    rawSet(kKey, "SaveCredentials", REG_SZ, "0", 2);
    const BYTE bigEndian[4] = {1, 2, 3, 4}, shortDword[2] = {0x34, 0x12};
    rawSet(kKey, "Big", REG_DWORD_BIG_ENDIAN, bigEndian, 4);
    rawSet(kKey, "Short", REG_DWORD, shortDword, 2);
    rawSet(kKey, "Multi", REG_MULTI_SZ, "first\0second\0", 14);
    // Stored by another program without its terminating NUL.
    rawSet(kKey, "Bare", REG_LINK, "abc", 3);

    // A value of the wrong type reads as absent: the caller's default applies.
    std::string text;
    EXPECT_FALSE(readProductString("DriveLetter", &text));
    EXPECT_TRUE(saveCredentialsEnabled()); // a string "0" is not the DWORD 0

    DWORD number = 0;
    EXPECT_TRUE(readDwordValue(HKEY_CURRENT_USER, kKey, "Big", &number));
    EXPECT_EQ(0, memcmp(&number, bigEndian, 4)); // the bytes as stored
    // Shorter than four bytes: zero-filled, never read beyond the buffer.
    EXPECT_TRUE(readDwordValue(HKEY_CURRENT_USER, kKey, "Short", &number));
    EXPECT_EQ(0x1234u, number);
    EXPECT_TRUE(readProductString("Multi", &text));
    EXPECT_EQ("first", text);
    EXPECT_TRUE(readProductString("Bare", &text));
    EXPECT_EQ("abc", text);
}

TEST(Registry, DriveLetterAndSaveCredentials) {
    EXPECT_FALSE(driveLetterDiffers("X:")); // nothing stored
    EXPECT_TRUE(saveCredentialsEnabled());
    storeDriveLetter("T:");
    EXPECT_EQ(std::string("1:T:\0", 5), rawGet(kKey, "DriveLetter"));
    EXPECT_FALSE(driveLetterDiffers("T:"));
    EXPECT_TRUE(driveLetterDiffers("t:"));
    for (DWORD v : {0u, 2u, 1u}) {
        writeDwordSetting(kKey, "SaveCredentials", v);
        EXPECT_EQ(v == 1, saveCredentialsEnabled()) << v;
    }
}

TEST(Registry, Autostart) {
    EXPECT_FALSE(setAutostart(false));
    EXPECT_TRUE(setAutostart(true));
    const std::string byDefault = "1:%PROGRAMFILES%\\Qelto\\Nimbara\\Nimbara.exe /tray";
    EXPECT_EQ(byDefault + '\0', rawGet(kRunKey, "Nimbara"));
    // An existing command is kept, even when the install directory changed since.
    writeStringSetting(kKey, "InstallDir", "C:\\Elsewhere");
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ(byDefault + '\0', rawGet(kRunKey, "Nimbara"));
    EXPECT_TRUE(setAutostart(false));

    // 255 characters fit the command buffer with its terminator; 256 would be cut: refused.
    const std::string suffix = "\\Nimbara.exe /tray";
    std::string fits = "C:\\" + std::string(255 - suffix.size() - 3, 'd');
    writeStringSetting(kKey, "InstallDir", fits.c_str());
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ("1:" + fits + suffix + '\0', rawGet(kRunKey, "Nimbara"));
    EXPECT_TRUE(setAutostart(false));
    writeStringSetting(kKey, "InstallDir", (fits + "x").c_str());
    EXPECT_FALSE(setAutostart(true));
    EXPECT_FALSE(autostartEnabled());
}

} // namespace
