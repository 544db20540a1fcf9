// Connection-method rules: the choice, the Basic test, encryption, credential kind and texts.
#include "core/method_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

// A DWORD as read; -1 stands for a value that is not there.
static DwordSetting dword(int64_t v) {
    return {v >= 0, static_cast<uint32_t>(v)};
}

TEST(MethodRules, SslPreferenceAndBasicAuth) {
    for (auto [ssl, preferred] : {std::pair{-1, true}, {1, true}, {0, false}, {2, false}})
        EXPECT_EQ(preferred, sslPreferredFrom(dword(ssl))) << ssl;

    // The three settings; Basic allowed without and with the level.
    const int64_t cases[][5] = {{-1, -1, -1, 0, 0}, {0, -1, -1, 0, 0}, {2, -1, -1, 1, 1},
                                {1, 2, -1, 1, 1},   {1, 1, -1, 1, 0},  {1, 3, -1, 1, 0},
                                {-1, 2, -1, 0, 0},  {1, -1, 0, 1, 1},  {1, 2, 1, 0, 0},
                                {1, 2, 5, 0, 0},    {0, 2, 0, 0, 0},   {1, 1, 0, 1, 0}};
    for (const auto& c : cases) {
        const RedirectorSettings settings{dword(c[0]), dword(c[1]), dword(c[2])};
        EXPECT_EQ(c[3] == 1, basicAuthAllowedFrom(settings, false)) << "row " << &c - cases;
        EXPECT_EQ(c[4] == 1, basicAuthAllowedFrom(settings, true)) << "row " << &c - cases;
    }
}

// Major, minor, encryption preferred, the three settings, the method.
TEST(MethodRules, SelectionByVersion) {
    const int64_t cases[][7] = {
        {4, 0, 1, -1, -1, -1, 2}, {4, 90, 0, 1, -1, -1, 1}, {5, 0, 1, 1, -1, -1, 2},
        {5, 0, 0, -1, -1, -1, 1}, {5, 1, 1, -1, -1, -1, 3}, {5, 1, 0, 1, -1, -1, 5},
        {5, 2, 1, 1, 1, -1, 5},   {5, 1, 1, 1, -1, 1, 3},   {3, 51, 1, 1, -1, -1, 3},
        {6, 0, 1, 1, -1, -1, 6},  {6, 0, 0, 1, 2, -1, 5},   {6, 0, 1, 1, 1, -1, 4},
        {6, 1, 0, 1, -1, 1, 3},   {10, 0, 1, 1, -1, -1, 6}, {0xFFFFFFFF, 0, 0, -1, -1, -1, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(c[6], methodForVersion(static_cast<uint32_t>(c[0]), static_cast<uint32_t>(c[1]),
                                         c[2] == 1, {dword(c[3]), dword(c[4]), dword(c[5])}))
            << "row " << &c - cases;
}

// Each method's text and credential kind follow from its provider, authentication and encryption.
TEST(MethodRules, CredentialKindAndInformationText) {
    for (ConnectionMethod m = 1; m <= 6; ++m) {
        const bool webFolders = m <= 2, sessionKey = m == 3 || m == 4;
        EXPECT_EQ(webFolders, isWebFolderMethod(m)) << m;
        EXPECT_EQ(webFolders ? 2 : sessionKey ? 1 : 0, credentialKind(m)) << m;
        ASSERT_NE(nullptr, methodInfoText(m)) << m;
        EXPECT_EQ(std::string("Provider: ") + (webFolders ? "WebFolders" : "WebClient") +
                      "\r\nAuth: " + (sessionKey ? "Session Key" : "Basic") +
                      "\r\nSSL/Auth: JA\r\nSSL/Daten: " + (m % 2 == 0 ? "JA" : "-") + "\r\n",
                  methodInfoText(m))
            << m;
    }
    for (ConnectionMethod m : {0, 7, -1, INT32_MIN}) {
        EXPECT_EQ(nullptr, methodInfoText(m)) << m;
        EXPECT_EQ(0, credentialKind(m)) << m;
        EXPECT_FALSE(isWebFolderMethod(m)) << m;
    }
}
