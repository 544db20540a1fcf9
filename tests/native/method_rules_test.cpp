// Connection-method rules: the choice by version and redirector settings, the Basic test, the
// encryption preference, the credential kind and the information texts.
#include "drive/method_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

DwordSetting absent() {
    return DwordSetting();
}

DwordSetting dword(uint32_t v) {
    DwordSetting s;
    s.readable = true;
    s.value = v;
    return s;
}

RedirectorSettings redirector(DwordSetting useBasicAuth, DwordSetting basicAuthLevel = absent(),
                              DwordSetting disableOverClear = absent()) {
    RedirectorSettings s;
    s.useBasicAuth = useBasicAuth;
    s.basicAuthLevel = basicAuthLevel;
    s.disableBasicOverClearChannel = disableOverClear;
    return s;
}

TEST(MethodRules, SslPreference) {
    EXPECT_TRUE(sslPreferredFrom(absent()));
    DwordSetting unreadableZero;
    unreadableZero.value = 0;
    EXPECT_TRUE(sslPreferredFrom(unreadableZero));
    EXPECT_TRUE(sslPreferredFrom(dword(1)));
    EXPECT_FALSE(sslPreferredFrom(dword(0)));
    EXPECT_FALSE(sslPreferredFrom(dword(2)));
    EXPECT_FALSE(sslPreferredFrom(dword(0xFFFFFFFF)));
}

TEST(MethodRules, BasicAuthAllowed) {
    struct Case {
        const char* what;
        RedirectorSettings settings;
        bool withoutLevel;
        bool withLevel;
    } cases[] = {
        {"nothing set", redirector(absent()), false, false},
        {"UseBasicAuth 0", redirector(dword(0)), false, false},
        {"UseBasicAuth 1", redirector(dword(1)), true, true},
        {"UseBasicAuth 2", redirector(dword(2)), true, true},
        {"level 2", redirector(dword(1), dword(2)), true, true},
        {"level 0", redirector(dword(1), dword(0)), true, false},
        {"level 1", redirector(dword(1), dword(1)), true, false},
        {"level 3", redirector(dword(1), dword(3)), true, false},
        {"level 2 without UseBasicAuth", redirector(absent(), dword(2)), false, false},
        {"level 2, UseBasicAuth 0", redirector(dword(0), dword(2)), false, false},
        {"clear channel allowed", redirector(dword(1), absent(), dword(0)), true, true},
        {"clear channel blocked", redirector(dword(1), absent(), dword(1)), false, false},
        {"clear channel blocked by 5", redirector(dword(1), dword(2), dword(5)), false, false},
        {"clear channel 0 cannot allow", redirector(dword(0), dword(2), dword(0)), false, false},
        {"level 1, clear channel 0", redirector(dword(1), dword(1), dword(0)), true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.withoutLevel, basicAuthAllowedFrom(c.settings, false)) << c.what;
        EXPECT_EQ(c.withLevel, basicAuthAllowedFrom(c.settings, true)) << c.what;
    }
}

TEST(MethodRules, SelectionByVersion) {
    const RedirectorSettings none = redirector(absent());
    const RedirectorSettings basic = redirector(dword(1));
    const RedirectorSettings basicLevel0 = redirector(dword(1), dword(0));
    const RedirectorSettings basicLevel1 = redirector(dword(1), dword(1));
    const RedirectorSettings basicLevel2 = redirector(dword(1), dword(2));
    const RedirectorSettings basicBlocked = redirector(dword(1), absent(), dword(1));
    struct Case {
        uint32_t major, minor;
        bool ssl;
        const RedirectorSettings* settings;
        ConnectionMethod expected;
    } cases[] = {
        // NT 4 and the 95/98/Me family: web folders, by the encryption preference alone.
        {4, 0, true, &none, 2},
        {4, 0, false, &none, 1},
        {4, 10, true, &basic, 2},
        {4, 90, false, &basic, 1},
        // Windows 2000 likewise.
        {5, 0, true, &basic, 2},
        {5, 0, false, &none, 1},
        // XP, 2003 and any other 5.x: Basic without the level, never the preference.
        {5, 1, true, &none, 3},
        {5, 1, false, &none, 3},
        {5, 1, true, &basic, 5},
        {5, 1, false, &basic, 5},
        {5, 1, true, &basicLevel0, 5},
        {5, 1, true, &basicBlocked, 3},
        {5, 2, true, &basicLevel1, 5},
        {5, 2, false, &none, 3},
        {5, 7, true, &basic, 5},
        // Before NT 4.
        {3, 51, true, &basic, 3},
        {3, 10, false, &none, 3},
        {0, 0, true, &none, 3},
        // Vista and later: Basic with the level, and the preference.
        {6, 0, true, &basic, 6},
        {6, 0, false, &basic, 5},
        {6, 0, true, &basicLevel2, 6},
        {6, 0, false, &basicLevel2, 5},
        {6, 0, true, &basicLevel1, 4},
        {6, 0, false, &basicLevel1, 3},
        {6, 0, true, &basicLevel0, 4},
        {6, 0, true, &none, 4},
        {6, 0, false, &none, 3},
        {6, 1, true, &basicBlocked, 4},
        {6, 1, false, &basicBlocked, 3},
        {10, 0, true, &basic, 6},
        {0xFFFFFFFF, 0, false, &none, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, methodForVersion(c.major, c.minor, c.ssl, *c.settings))
            << c.major << "." << c.minor << " ssl " << c.ssl;
}

TEST(MethodRules, CredentialKindAndProvider) {
    for (ConnectionMethod m : {1, 2}) {
        EXPECT_EQ(2, credentialKind(m)) << m;
        EXPECT_TRUE(isWebFolderMethod(m)) << m;
    }
    for (ConnectionMethod m : {3, 4}) {
        EXPECT_EQ(1, credentialKind(m)) << m;
        EXPECT_FALSE(isWebFolderMethod(m)) << m;
    }
    for (ConnectionMethod m : {5, 6, 0, 7, 9, -1, -2, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(0, credentialKind(m)) << m;
        EXPECT_FALSE(isWebFolderMethod(m)) << m;
    }
}

// The text of each method follows from its provider, its authentication and whether the data
// travels encrypted.
TEST(MethodRules, InformationText) {
    for (ConnectionMethod m = 1; m <= 6; ++m) {
        std::string expected = std::string("Provider: ") + (m <= 2 ? "WebFolders" : "WebClient") +
                               "\r\nAuth: " + (m == 3 || m == 4 ? "Session Key" : "Basic") +
                               "\r\nSSL/Auth: JA\r\nSSL/Daten: " + (m % 2 == 0 ? "JA" : "-") +
                               "\r\n";
        ASSERT_NE(nullptr, methodInfoText(m)) << m;
        EXPECT_EQ(expected, methodInfoText(m)) << m;
    }
    for (ConnectionMethod m : {0, 7, 9, -1, INT32_MIN})
        EXPECT_EQ(nullptr, methodInfoText(m)) << m;
}

} // namespace
