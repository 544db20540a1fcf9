// Connection-method selection against Wine's real registry. Under other Windows versions the
// selection runs in probe_child.exe, since a process's version is fixed at its start; the
// version-independent parts run in this process.
#include "base/osprobe.h"
#include "base/registry.h"
#include "base/settings.h"
#include "drive/method.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

// Defined with the OS probe tests.
std::map<std::string, long long> runProbeChild(const char* version, const char* argument);

namespace {

const long long kAbsent = -1;

void setMachineDword(const char* name, DWORD v) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings::kWebClientParametersKey,
                                             0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v));
    RegCloseKey(key);
}

void deleteValue(HKEY root, const char* subKey, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Every test starts and ends without the redirector values; the product key is cleaned by the
// test main.
class Method : public testing::Test {
protected:
    void SetUp() override { clearRedirectorValues(); }
    void TearDown() override { clearRedirectorValues(); }

    static void clearRedirectorValues() {
        deleteValue(HKEY_LOCAL_MACHINE, settings::kWebClientParametersKey, settings::kUseBasicAuth);
        deleteValue(HKEY_LOCAL_MACHINE, settings::kWebClientParametersKey,
                    settings::kBasicAuthLevel);
        deleteValue(HKEY_CURRENT_USER, settings::kInternetSettingsKey,
                    settings::kDisableBasicOverClearChannel);
    }
};

struct Scenario {
    const char* what;
    const char* version;
    unsigned major, minor; // what Wine reports for the version
    long long forceMethod;
    long long ssl;
    const char* sslText; // SSL stored as a string instead
    long long useBasicAuth;
    long long basicAuthLevel;
    long long disableOverClear;
    long long expected;
};

TEST_F(Method, SelectionUnderOlderWindows) {
    const Scenario scenarios[] = {
        {"forced 3 on 2000", "win2k", 5, 0, 3, 0, nullptr, kAbsent, kAbsent, kAbsent, 3},
        {"2000, SSL absent", "win2k", 5, 0, kAbsent, kAbsent, nullptr, 1, kAbsent, kAbsent, 2},
        {"2000, SSL 0", "win2k", 5, 0, kAbsent, 0, nullptr, kAbsent, kAbsent, kAbsent, 1},
        {"2000, SSL as a string", "win2k", 5, 0, kAbsent, kAbsent, "0", kAbsent, kAbsent, kAbsent,
         2},
        {"XP without UseBasicAuth", "winxp", 5, 1, kAbsent, kAbsent, nullptr, kAbsent, 2, 0, 3},
        {"XP, Basic, level 0", "winxp", 5, 1, kAbsent, kAbsent, nullptr, 1, 0, kAbsent, 5},
        {"XP, Basic blocked over plain HTTP", "winxp", 5, 1, kAbsent, kAbsent, nullptr, 1, kAbsent,
         1, 3},
        {"Vista, Basic, no level, SSL absent", "vista", 6, 0, kAbsent, kAbsent, nullptr, 1, kAbsent,
         kAbsent, 6},
        {"Vista, Basic, level 1, SSL 0", "vista", 6, 0, kAbsent, 0, nullptr, 1, 1, kAbsent, 3},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        deleteKeyTree(settings::kProductKey);
        clearRedirectorValues();
        if (s.forceMethod != kAbsent)
            writeDwordSetting(settings::kProductKey, settings::kForceMethod,
                              static_cast<DWORD>(s.forceMethod));
        if (s.ssl != kAbsent)
            writeDwordSetting(settings::kProductKey, settings::kSsl, static_cast<DWORD>(s.ssl));
        if (s.sslText != nullptr)
            writeStringSetting(settings::kProductKey, settings::kSsl, s.sslText);
        if (s.useBasicAuth != kAbsent)
            setMachineDword(settings::kUseBasicAuth, static_cast<DWORD>(s.useBasicAuth));
        if (s.basicAuthLevel != kAbsent)
            setMachineDword(settings::kBasicAuthLevel, static_cast<DWORD>(s.basicAuthLevel));
        if (s.disableOverClear != kAbsent)
            writeDwordSetting(settings::kInternetSettingsKey,
                              settings::kDisableBasicOverClearChannel,
                              static_cast<DWORD>(s.disableOverClear));

        std::map<std::string, long long> child = runProbeChild(s.version, "method");
        EXPECT_EQ(s.major, child["probe.major"]);
        EXPECT_EQ(s.minor, child["probe.minor"]);
        ASSERT_EQ(1u, child.count("method"));
        EXPECT_EQ(s.expected, child["method"]);
    }
}

TEST_F(Method, ForcedMethodIsReturnedUnchanged) {
    EXPECT_EQ(0, forcedMethod());
    writeStringSetting(settings::kProductKey, settings::kForceMethod, "3");
    EXPECT_EQ(0, forcedMethod()); // not a DWORD
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 7);
    EXPECT_EQ(7, forcedMethod());
    EXPECT_EQ(7, selectConnectionMethod());
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 0xFFFFFFFF);
    EXPECT_EQ(-1, forcedMethod());
    EXPECT_EQ(-1, selectConnectionMethod());
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 1);
    setMachineDword(settings::kUseBasicAuth, 1);
    EXPECT_EQ(1, selectConnectionMethod()); // the redirector settings do not matter
}

// This process runs under the prefix's own version, Vista or later.
TEST_F(Method, AutomaticSelectionInThisProcess) {
    ASSERT_GT(OsProbe().majorVersion(), 5u);
    EXPECT_TRUE(isVistaOrLater());
    EXPECT_EQ(4, selectConnectionMethod());
    writeDwordSetting(settings::kProductKey, settings::kSsl, 0);
    EXPECT_EQ(3, selectConnectionMethod());
    setMachineDword(settings::kUseBasicAuth, 1);
    EXPECT_EQ(5, selectConnectionMethod());
    deleteValue(HKEY_CURRENT_USER, settings::kProductKey, settings::kSsl);
    EXPECT_EQ(6, selectConnectionMethod());
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 0);
    EXPECT_EQ(6, selectConnectionMethod()); // 0 means automatic
}

} // namespace
