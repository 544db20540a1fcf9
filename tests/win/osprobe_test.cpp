// The OS probe and the method under each Windows version Wine reports, in a child program each.
#include "registry_access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <process.h>

namespace {

const char* kWebClient = "SYSTEM\\CurrentControlSet\\Services\\WebClient\\Parameters";
const char* kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const long kAbsent = -1;

void setDword(HKEY root, const char* subKey, const char* name, long v) {
    v == kAbsent ? void(RegDeleteKeyValueA(root, subKey, name))
                 : reg::set(name, DWORD(v), subKey, root);
}

// Wine version, the five settings; what the child sees: version, edition, 64-bit, method, remote
// name. Wine 8's "win7" is a 6.1 server.
const struct {
    const char* version;
    long forceMethod, ssl, useBasicAuth, basicAuthLevel, disableOverClear;
    const char* seen;
} kScenarios[] = {
    {"nt40", kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, "4.0 1006 1 2"},
    {"win98", kAbsent, 0, kAbsent, kAbsent, kAbsent, "4.10 1004 1 1"},
    {"win2k", 3, kAbsent, kAbsent, kAbsent, kAbsent, "5.0 1011 1 3 http:\\\\h\\s"}, // forced
    {"winxp", kAbsent, kAbsent, 1, 0, kAbsent, "5.1 1016 1 5 http:\\\\h\\s"},
    {"winxp", kAbsent, kAbsent, 1, kAbsent, 1, "5.1 1016 1 3 http:\\\\h\\s"},
    {"vista", kAbsent, kAbsent, 1, kAbsent, kAbsent, "6.0 1029 1 6 https://h/s"},
    {"win2008", kAbsent, 0, 1, 1, kAbsent, "6.0 1038 1 3 http://h/s"},
    {"win7", kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, "6.1 1009 1 4 https://h/s"},
};

TEST(OsProbe, EditionAndMethodUnderEachVersion) {
    const char* key = "Software\\Wine\\AppDefaults\\probe_child.exe";
    std::string child = std::string("Z:") + getenv("NIMBARA_BIN") + "/probe_child.exe";
    std::replace(child.begin(), child.end(), '/', '\\');
    for (const auto& s : kScenarios) {
        setDword(HKEY_CURRENT_USER, reg::kProduct, "ForceMethod", s.forceMethod);
        setDword(HKEY_CURRENT_USER, reg::kProduct, "SSL", s.ssl);
        setDword(HKEY_LOCAL_MACHINE, kWebClient, "UseBasicAuth", s.useBasicAuth);
        setDword(HKEY_LOCAL_MACHINE, kWebClient, "BasicAuthLevel", s.basicAuthLevel);
        setDword(HKEY_CURRENT_USER, kInternet, "DisableBasicOverClearChannel", s.disableOverClear);
        reg::set("Version", s.version, key);
        DeleteFileA("probe.out"); // nothing left from the version before
        EXPECT_EQ(0, _spawnl(_P_WAIT, child.c_str(), child.c_str(), "probe.out", nullptr));
        RegDeleteTreeA(HKEY_CURRENT_USER, key);
        // Windows' version and the probe's, with all bits of the build (98: 4.10 in its high word).
        std::ifstream out("probe.out");
        std::string windows, probe, rest;
        std::getline(out >> windows >> probe, rest);
        EXPECT_EQ(windows, probe) << s.seen;
        EXPECT_EQ(s.seen, windows.substr(0, windows.rfind('.')) + rest);
    }
    setDword(HKEY_LOCAL_MACHINE, kWebClient, "UseBasicAuth", kAbsent);
    setDword(HKEY_LOCAL_MACHINE, kWebClient, "BasicAuthLevel", kAbsent);
}

} // namespace
