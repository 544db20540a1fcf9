// The OS probe and the connection-method selection under the Windows versions Wine can report,
// each in a child program started under Wine's per-program version setting (a process's version
// is fixed at its start).
#include "base/osprobe.h"
#include "base/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* kKey = "Software\\Qelto\\Nimbara";
const char* kWebClient = "SYSTEM\\CurrentControlSet\\Services\\WebClient\\Parameters";
const char* kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const long kAbsent = -1;

void setDword(HKEY root, const char* subKey, const char* name, long v) {
    DWORD value = static_cast<DWORD>(v);
    if (v == kAbsent)
        RegDeleteKeyValueA(root, subKey, name);
    else
        RegSetKeyValueA(root, subKey, name, REG_DWORD, &value, sizeof value);
}

// Runs the child under the Wine version name and reads what it wrote: major, minor and build
// as Windows reports them, the same from the probe, the edition, 64-bit, the method; and the
// remote name it maps under.
std::vector<long long> runChild(const char* version, std::string* remote) {
    writeStringSetting("Software\\Wine\\AppDefaults\\probe_child.exe", "Version", version);
    std::string line = std::string("Z:") + getenv("NIMBARA_BIN") + "/probe_child.exe probe.out";
    std::replace(line.begin(), line.end(), '/', '\\');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &process));
    DeleteFileA("probe.out"); // nothing left from the version before
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    deleteKeyTree("Software\\Wine\\AppDefaults\\probe_child.exe");
    std::vector<long long> seen(9);
    std::ifstream in("probe.out");
    for (long long& value : seen)
        in >> value;
    EXPECT_TRUE(in) << "probe_child.exe wrote nothing readable";
    if (!(in >> *remote))
        remote->clear(); // none under the web-folder methods
    return seen;
}

struct Scenario {
    const char* version;
    unsigned major, minor; // what Wine reports for it
    unsigned edition;
    long forceMethod, ssl, useBasicAuth, basicAuthLevel, disableOverClear;
    long method;
    const char* remote;
};

// Wine runs 64-bit here, so even the 32-bit child sees AMD64 and no workstation is refined;
// Wine 8 reports its "win7" as a 6.1 server, hence 1009. Under XP Basic is allowed without the
// level check (no check before Vista) unless it is blocked over plain HTTP.
const Scenario kScenarios[] = {
    {"nt40", 4, 0, 1006, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, 2, ""},
    {"win98", 4, 10, 1004, kAbsent, 0, kAbsent, kAbsent, kAbsent, 1, ""},
    {"win2k", 5, 0, 1011, 3, kAbsent, kAbsent, kAbsent, kAbsent, 3, "http:\\\\h\\s"}, // forced
    {"winxp", 5, 1, 1016, kAbsent, kAbsent, kAbsent, 2, 0, 3, "http:\\\\h\\s"},
    {"winxp", 5, 1, 1016, 4, kAbsent, kAbsent, kAbsent, kAbsent, 4, "https:\\\\h\\s"},
    {"winxp", 5, 1, 1016, kAbsent, kAbsent, 1, 0, kAbsent, 5, "http:\\\\h\\s"},
    {"winxp", 5, 1, 1016, kAbsent, kAbsent, 1, kAbsent, 1, 3, "http:\\\\h\\s"},
    {"vista", 6, 0, 1029, kAbsent, kAbsent, 1, kAbsent, kAbsent, 6, "https://h/s"},
    {"win2008", 6, 0, 1038, kAbsent, 0, 1, 1, kAbsent, 3, "http://h/s"},
    {"win7", 6, 1, 1009, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, 4, "https://h/s"},
};

TEST(OsProbe, EditionAndMethodUnderEachVersion) {
    for (const Scenario& s : kScenarios) {
        SCOPED_TRACE(std::string(s.version) + " method " + std::to_string(s.method));
        setDword(HKEY_CURRENT_USER, kKey, "ForceMethod", s.forceMethod);
        setDword(HKEY_CURRENT_USER, kKey, "SSL", s.ssl);
        setDword(HKEY_LOCAL_MACHINE, kWebClient, "UseBasicAuth", s.useBasicAuth);
        setDword(HKEY_LOCAL_MACHINE, kWebClient, "BasicAuthLevel", s.basicAuthLevel);
        setDword(HKEY_CURRENT_USER, kInternet, "DisableBasicOverClearChannel", s.disableOverClear);
        std::string remote;
        std::vector<long long> seen = runChild(s.version, &remote);
        // Wine took the setting; the edition, the native architecture (also for the 32-bit
        // build), the method and the remote name.
        EXPECT_EQ((std::vector<long long>{s.major, s.minor, s.edition, 1, s.method}),
                  (std::vector<long long>{seen[0], seen[1], seen[6], seen[7], seen[8]}));
        EXPECT_EQ(s.remote, remote);
        // The probe's version, build number with all its bits (98 keeps 4.10 in the high word).
        EXPECT_EQ(std::vector<long long>(seen.begin(), seen.begin() + 3),
                  std::vector<long long>(seen.begin() + 3, seen.begin() + 6));
    }
    setDword(HKEY_LOCAL_MACHINE, kWebClient, "UseBasicAuth", kAbsent);
    setDword(HKEY_LOCAL_MACHINE, kWebClient, "BasicAuthLevel", kAbsent);
}

} // namespace
