// Registry classes and setting accessors against Wine's real registry.
#include "base/registry.h"
#include "registry_access.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The wrong type reads as absent; a short DWORD is zero-filled; a string without NUL is read whole.
TEST(Registry, ReadsByType) {
    reg::set("DriveLetter", 7);
    reg::set("SaveCredentials", "0");
    reg::setBytes("Big", REG_DWORD_BIG_ENDIAN, "\1\2\3\4");
    reg::setBytes("Short", REG_DWORD, "\x34\x12");
    reg::setBytes("Multi", REG_MULTI_SZ, std::string("first\0second\0", 14));
    reg::setBytes("Bare", REG_LINK, "abc");
    auto text = [](const char* name) {
        std::string value = "-";
        return readProductString(name, &value) ? value : "-";
    };
    EXPECT_EQ("-|first|abc", text("DriveLetter") + "|" + text("Multi") + "|" + text("Bare"));
    EXPECT_TRUE(saveCredentialsEnabled()); // a string "0" is not the DWORD 0
    DWORD big = 0, small = 0;
    EXPECT_TRUE(readDwordValue(HKEY_CURRENT_USER, reg::kProduct, "Big", &big) &&
                readDwordValue(HKEY_CURRENT_USER, reg::kProduct, "Short", &small));
    EXPECT_EQ(0x04030201u, big); // the bytes as stored
    EXPECT_EQ(0x1234u, small);
}

// The default command; an existing one is kept; 255 characters fit, 256 are refused.
TEST(Registry, Autostart) {
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string byDefault = "1:%PROGRAMFILES%\\Qelto\\Nimbara\\Nimbara.exe /tray";
    EXPECT_FALSE(setAutostart(false));
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ(byDefault + '\0', reg::raw("Nimbara", run));
    reg::set("InstallDir", "C:\\Elsewhere");
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ(byDefault + '\0', reg::raw("Nimbara", run));
    EXPECT_TRUE(setAutostart(false));
    const std::string suffix = "\\Nimbara.exe /tray";
    std::string fits = "C:\\" + std::string(255 - suffix.size() - 3, 'd');
    reg::set("InstallDir", fits);
    EXPECT_TRUE(setAutostart(true));
    EXPECT_EQ("1:" + fits + suffix + '\0', reg::raw("Nimbara", run));
    EXPECT_TRUE(setAutostart(false));
    reg::set("InstallDir", fits + "x");
    EXPECT_FALSE(setAutostart(true));
    EXPECT_FALSE(autostartEnabled());
}

} // namespace
