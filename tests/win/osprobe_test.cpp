// The OS probe and the connection-method selection under the Windows versions Wine can report,
// each in a child program started under Wine's per-program version setting (a process's version
// is fixed at its start).
#include "base/osprobe.h"
#include "base/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <string>

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

// What the child saw, in the order it writes it.
struct Seen {
    unsigned long major = 0, minor = 0, build = 0, probeMajor = 0, probeMinor = 0, probeBuild = 0,
                  edition = 0;
    int is64 = 0;
    long method = 0;
};

// Runs the child under the Wine version name and reads what it wrote.
Seen runChild(const char* version) {
    writeStringSetting("Software\\Wine\\AppDefaults\\probe_child.exe", "Version", version);
    char directory[MAX_PATH], output[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    GetTempFileNameA(directory, "prb", 0, output);
    std::string line = std::string("Z:") + getenv("NIMBARA_BIN") + "/probe_child.exe " + output;
    for (char& c : line)
        c = c == '/' ? '\\' : c;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    deleteKeyTree("Software\\Wine\\AppDefaults\\probe_child.exe");
    Seen seen;
    FILE* in = fopen(output, "r");
    EXPECT_TRUE(in != nullptr &&
                fscanf(in, "%lu %lu %lu %lu %lu %lu %lu %d %ld", &seen.major, &seen.minor,
                       &seen.build, &seen.probeMajor, &seen.probeMinor, &seen.probeBuild,
                       &seen.edition, &seen.is64, &seen.method) == 9)
        << "probe_child.exe wrote nothing readable";
    if (in != nullptr)
        fclose(in);
    DeleteFileA(output);
    return seen;
}

struct Scenario {
    const char* version;
    unsigned major, minor; // what Wine reports for it
    unsigned edition;
    long forceMethod, ssl, useBasicAuth, basicAuthLevel, disableOverClear;
    long method;
};

// Wine runs 64-bit here, so even the 32-bit child sees AMD64 and no workstation is refined;
// Wine 8 reports its "win7" as a 6.1 server, hence 1009.
const Scenario kScenarios[] = {
    {"nt40", 4, 0, 1006, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, 2},
    {"win98", 4, 10, 1004, kAbsent, 0, kAbsent, kAbsent, kAbsent, 1},
    {"win2k", 5, 0, 1011, 3, kAbsent, kAbsent, kAbsent, kAbsent, 3}, // forced
    {"winxp", 5, 1, 1016, kAbsent, kAbsent, kAbsent, 2, 0, 3},
    {"winxp", 5, 1, 1016, kAbsent, kAbsent, 1, 0, kAbsent, 5}, // no level check before Vista
    {"winxp", 5, 1, 1016, kAbsent, kAbsent, 1, kAbsent, 1, 3}, // Basic blocked over HTTP
    {"win2003", 5, 2, 1026, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, 3},
    {"vista", 6, 0, 1029, kAbsent, kAbsent, 1, kAbsent, kAbsent, 6},
    {"win2008", 6, 0, 1038, kAbsent, 0, 1, 1, kAbsent, 3},
    {"win7", 6, 1, 1009, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, 4},
};

TEST(OsProbe, EditionAndMethodUnderEachVersion) {
    for (const Scenario& s : kScenarios) {
        SCOPED_TRACE(std::string(s.version) + " method " + std::to_string(s.method));
        setDword(HKEY_CURRENT_USER, kKey, "ForceMethod", s.forceMethod);
        setDword(HKEY_CURRENT_USER, kKey, "SSL", s.ssl);
        setDword(HKEY_LOCAL_MACHINE, kWebClient, "UseBasicAuth", s.useBasicAuth);
        setDword(HKEY_LOCAL_MACHINE, kWebClient, "BasicAuthLevel", s.basicAuthLevel);
        setDword(HKEY_CURRENT_USER, kInternet, "DisableBasicOverClearChannel", s.disableOverClear);
        Seen seen = runChild(s.version);
        EXPECT_EQ(s.major, seen.major); // Wine took the setting
        EXPECT_EQ(s.minor, seen.minor);
        EXPECT_EQ(seen.major, seen.probeMajor);
        EXPECT_EQ(seen.minor, seen.probeMinor);
        EXPECT_EQ(seen.build, seen.probeBuild); // all its bits: 98 keeps 4.10 in the high word
        EXPECT_EQ(s.edition, seen.edition);
        EXPECT_EQ(1, seen.is64); // the native architecture, also for the 32-bit build
        EXPECT_EQ(s.method, seen.method);
    }
    setDword(HKEY_LOCAL_MACHINE, kWebClient, "UseBasicAuth", kAbsent);
    setDword(HKEY_LOCAL_MACHINE, kWebClient, "BasicAuthLevel", kAbsent);
}

} // namespace
