// Registry classes and accessors against Wine's real registry.
#include "base/registry.h"
#include "base/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* kKey = settings::kProductKey;

void rawSet(const char* subKey, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_WRITE,
                                             nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

// Type and bytes of a value as the registry holds them; type REG_NONE with "" when absent.
std::string rawGet(const char* subKey, const char* name, DWORD* type) {
    *type = REG_NONE;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char buffer[1024];
    DWORD size = sizeof buffer;
    LONG result =
        RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        *type = REG_NONE;
        return "";
    }
    return std::string(buffer, size);
}

bool keyExists(const char* subKey) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

TEST(Registry, ValueOfTheWrongTypeReadsAsAbsent) {
    DWORD number = 7;
    rawSet(kKey, "DriveLetter", REG_DWORD, &number, sizeof number);
    rawSet(kKey, "SaveCredentials", REG_SZ, "0", 2);
    std::string text = "unchanged";
    EXPECT_FALSE(readProductString("DriveLetter", &text));
    EXPECT_EQ("unchanged", text);
    EXPECT_FALSE(driveLetterDiffers("X:"));
    EXPECT_TRUE(saveCredentialsEnabled()); // a string "0" is not the DWORD 0
    DWORD out = 42;
    EXPECT_FALSE(readDwordValue(HKEY_CURRENT_USER, kKey, "SaveCredentials", &out));
    EXPECT_EQ(42u, out);
}

TEST(Registry, GettersByType) {
    const BYTE bigEndian[4] = {0x01, 0x02, 0x03, 0x04};
    rawSet(kKey, "Big", REG_DWORD_BIG_ENDIAN, bigEndian, 4);
    rawSet(kKey, "Multi", REG_MULTI_SZ, "first\0second\0", 14);
    rawSet(kKey, "Expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
    // Another program stored these strings without their terminating NUL (Wine's ANSI calls
    // add one to REG_SZ on the way, so the wide call and a link value show the bare bytes).
    rawSet(kKey, "BareLink", REG_LINK, "abc", 3);
    HKEY product;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &product));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(product, L"BareWide", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(L"xyz"), 6));
    RegCloseKey(product);

    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue big, multi, expand, bareLink, bareWide;
    DWORD number = 0;
    ASSERT_TRUE(key.read(kKey, "Big", &big));
    ASSERT_TRUE(big.getDword(&number));
    EXPECT_EQ(0, memcmp(&number, bigEndian, 4)); // the bytes as stored, not reordered
    const char* text = nullptr;
    EXPECT_FALSE(big.getString(&text));

    ASSERT_TRUE(key.read(kKey, "Multi", &multi));
    ASSERT_TRUE(multi.getString(&text));
    EXPECT_STREQ("first", text);
    EXPECT_FALSE(multi.getDword(&number));

    ASSERT_TRUE(key.read(kKey, "Expand", &expand));
    ASSERT_TRUE(expand.getString(&text));
    EXPECT_STREQ("%TEMP%\\x", text);

    ASSERT_TRUE(key.read(kKey, "BareLink", &bareLink));
    EXPECT_EQ(3u, bareLink.size());
    ASSERT_TRUE(bareLink.getString(&text));
    EXPECT_STREQ("abc", text);
    ASSERT_TRUE(key.read(kKey, "BareWide", &bareWide));
    ASSERT_TRUE(bareWide.getString(&text));
    EXPECT_STREQ("xyz", text);

    // A DWORD value shorter than four bytes reads as zero-filled, never beyond its buffer.
    const BYTE shortDword[2] = {0x34, 0x12};
    rawSet(kKey, "Short", REG_DWORD, shortDword, 2);
    RegistryValue shortValue;
    ASSERT_TRUE(key.read(kKey, "Short", &shortValue));
    ASSERT_TRUE(shortValue.getDword(&number));
    EXPECT_EQ(0x1234u, number);

    RegistryValue missing;
    EXPECT_FALSE(key.read(kKey, "Missing", &missing));
    EXPECT_FALSE(key.read("Software\\Qelto\\NoSuchKey", "Missing", &missing));
}

TEST(Registry, WritesCreateKeysAndNullStringIsOneNul) {
    const char* deep = "Software\\Qelto\\Nimbara\\a\\b\\c";
    ASSERT_FALSE(keyExists("Software\\Qelto"));
    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue value;
    ASSERT_TRUE(value.setString(nullptr, false));
    ASSERT_TRUE(key.write(deep, "Empty", value));
    DWORD type = 0;
    std::string stored = rawGet(deep, "Empty", &type);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string(1, '\0'), stored);

    writeDwordSetting(kKey, "AutoMount", 1);
    stored = rawGet(kKey, "AutoMount", &type);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(std::string("\x01\0\0\0", 4), stored);

    writeStringSetting(kKey, "DAVUser", "anna");
    EXPECT_EQ(std::string("anna\0", 5), rawGet(kKey, "DAVUser", &type));

    // A value object that never got a buffer has nothing to write.
    RegistryValue empty;
    EXPECT_FALSE(key.write(kKey, "Nothing", empty));
    rawGet(kKey, "Nothing", &type);
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), type);
}

TEST(Registry, RemoveValuesAndKeyTrees) {
    DWORD one = 1;
    rawSet("Software\\Qelto\\Tree\\a\\b\\c", "v", REG_DWORD, &one, 4);
    rawSet("Software\\Qelto\\Tree\\a\\d", "v", REG_DWORD, &one, 4);
    rawSet("Software\\Qelto\\Tree\\e", "v", REG_DWORD, &one, 4);
    rawSet("Software\\Qelto\\Tree", "top", REG_DWORD, &one, 4);
    RegistryKey key(HKEY_CURRENT_USER);

    EXPECT_TRUE(key.remove("Software\\Qelto\\Tree", "top"));
    EXPECT_FALSE(key.remove("Software\\Qelto\\Tree", "top"));
    EXPECT_TRUE(key.remove("Software\\Qelto\\Tree", nullptr));
    EXPECT_FALSE(keyExists("Software\\Qelto\\Tree"));
    EXPECT_TRUE(keyExists("Software\\Qelto"));
    EXPECT_FALSE(key.remove("Software\\Qelto\\Tree", nullptr));

    rawSet("Software\\Qelto\\Other\\x", "v", REG_DWORD, &one, 4);
    deleteKeyTree("Software\\Qelto\\Other");
    EXPECT_FALSE(keyExists("Software\\Qelto\\Other"));
}

TEST(Registry, DriveLetterAndSaveCredentials) {
    EXPECT_FALSE(driveLetterDiffers("T:"));
    EXPECT_TRUE(saveCredentialsEnabled());
    storeDriveLetter("T:");
    EXPECT_FALSE(driveLetterDiffers("T:"));
    EXPECT_TRUE(driveLetterDiffers("t:"));
    EXPECT_TRUE(driveLetterDiffers("X:"));

    for (DWORD v : {0u, 2u}) {
        writeDwordSetting(kKey, "SaveCredentials", v);
        EXPECT_FALSE(saveCredentialsEnabled()) << v;
    }
    writeDwordSetting(kKey, "SaveCredentials", 1);
    EXPECT_TRUE(saveCredentialsEnabled());
}

TEST(Registry, Autostart) {
    DWORD type = 0;
    EXPECT_FALSE(autostartEnabled());
    EXPECT_FALSE(setAutostart(false));

    const std::string byDefault =
        std::string("%PROGRAMFILES%\\Qelto\\Nimbara\\Nimbara.exe /tray") + '\0';
    EXPECT_TRUE(setAutostart(true));
    EXPECT_TRUE(autostartEnabled());
    EXPECT_EQ(byDefault, rawGet(settings::kRunKey, "Nimbara", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

    // An existing command is kept, even when the install directory changed since.
    writeStringSetting(kKey, "InstallDir", "C:\\Elsewhere");
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ(byDefault, rawGet(settings::kRunKey, "Nimbara", &type));

    EXPECT_TRUE(setAutostart(false));
    EXPECT_FALSE(autostartEnabled());
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ(std::string("C:\\Elsewhere\\Nimbara.exe /tray") + '\0',
              rawGet(settings::kRunKey, "Nimbara", &type));
    EXPECT_TRUE(setAutostart(false));
}

TEST(Registry, AutostartRefusesACommandThatWouldBeCut) {
    // 255 characters fit the command buffer with its terminator; 256 do not.
    const std::string suffix = "\\Nimbara.exe /tray";
    std::string fits = "C:\\" + std::string(255 - suffix.size() - 3, 'd');
    writeStringSetting(kKey, "InstallDir", fits.c_str());
    DWORD type = 0;
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ(fits + suffix + std::string(1, '\0'), rawGet(settings::kRunKey, "Nimbara", &type));
    EXPECT_TRUE(setAutostart(false));

    std::string tooLong = fits + "x";
    writeStringSetting(kKey, "InstallDir", tooLong.c_str());
    EXPECT_FALSE(setAutostart(true));
    EXPECT_FALSE(autostartEnabled());
}

} // namespace
