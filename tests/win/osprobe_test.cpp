// The OS probe under the Windows versions Wine can report. The version of a running process is
// fixed at its start, so each version is probed in a child program, probe_child.exe, started
// with Wine's per-program version setting.
#include "base/osprobe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

typedef std::map<std::string, long long> ChildFields;

namespace {

const char* kChildVersionKey = "Software\\Wine\\AppDefaults\\probe_child.exe";

std::string childPath() {
    std::string dir;
    if (const char* bin = getenv("NIMBARA_BIN")) {
        // A Linux path; Wine shows the Linux root as drive Z:.
        dir = std::string("Z:") + bin;
        for (char& c : dir)
            if (c == '/')
                c = '\\';
    } else {
        char self[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
        dir.assign(self, n < sizeof self ? n : 0);
        dir.erase(dir.find_last_of('\\') == std::string::npos ? 0 : dir.find_last_of('\\'));
    }
    return dir + "\\probe_child.exe";
}

bool setChildVersion(const char* version) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kChildVersionKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                 static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Starts the child with its standard output on a pipe and returns what it printed.
bool runChild(const char* argument, std::string* output) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::string line = "\"" + childPath() + "\"";
    if (argument != nullptr)
        line = line + " " + argument;
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
        output->append(chunk, got);
    CloseHandle(readEnd);
    DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0 && exitCode == 0;
}

} // namespace

// Runs probe_child.exe under the Wine version name `version` and returns the fields of its line
// (see probe_child.cpp); reports a failure and returns no fields when the child did not answer.
// The method tests use it too.
ChildFields runProbeChild(const char* version, const char* argument) {
    ChildFields fields;
    if (!setChildVersion(version)) {
        ADD_FAILURE() << "cannot set the child's Windows version " << version;
        return fields;
    }
    std::string output;
    if (!runChild(argument, &output)) {
        ADD_FAILURE() << "probe_child.exe " << childPath() << " did not run; printed: " << output;
        return fields;
    }
    std::istringstream words(output);
    std::string word;
    while (words >> word) {
        size_t equals = word.find('=');
        if (equals != std::string::npos)
            fields[word.substr(0, equals)] = strtoll(word.c_str() + equals + 1, nullptr, 10);
    }
    if (fields.count("probe.edition") == 0)
        ADD_FAILURE() << "unexpected output of probe_child.exe: " << output;
    return fields;
}

namespace {

// What Wine reports for each version setting, and the edition code the classification gives for
// it. Wine runs 64-bit here, so even a 32-bit child sees AMD64 and no workstation is refined.
// Wine 8 reports its "win7" setting as a 6.1 server (product type 3, no enterprise bit), hence
// 1009; its "win2008r2" setting is the 6.1 workstation.
struct WineVersion {
    const char* name;
    unsigned major, minor;
    unsigned platform;
    unsigned edition;
};

const WineVersion kWineVersions[] = {
    {"nt40", 4, 0, 2, 1006},    {"win98", 4, 10, 1, 1004},  {"win2k", 5, 0, 2, 1011},
    {"winxp", 5, 1, 2, 1016},   {"win2003", 5, 2, 2, 1026}, {"vista", 6, 0, 2, 1029},
    {"win2008", 6, 0, 2, 1038}, {"win7", 6, 1, 2, 1009},
};

TEST(OsProbe, EditionUnderEachWineVersion) {
    for (const WineVersion& v : kWineVersions) {
        SCOPED_TRACE(v.name);
        ChildFields f = runProbeChild(v.name, nullptr);
        ASSERT_EQ(1, f["os.ok"]);
        // Wine took the setting: it reports the version asked for.
        EXPECT_EQ(v.major, f["os.major"]);
        EXPECT_EQ(v.minor, f["os.minor"]);
        EXPECT_EQ(v.platform, f["os.platform"]);
        // The probe hands out what Windows reported, the build number with all its bits.
        EXPECT_EQ(f["os.major"], f["probe.major"]);
        EXPECT_EQ(f["os.minor"], f["probe.minor"]);
        EXPECT_EQ(f["os.build"], f["probe.build"]);
        if (v.platform == 1) {
            EXPECT_EQ(0x040A, f["probe.build"] >> 16); // 98 keeps its version in the high word
        }
        EXPECT_EQ(v.edition, f["probe.edition"])
            << "product " << f["os.product"] << " suite " << f["os.suite"] << " csd1 "
            << f["os.csd1"] << " arch " << f["os.arch"];
        EXPECT_EQ(1, f["probe.is64"]);
        EXPECT_EQ(0, f["probe.is32"]);
    }
}

// A 32-bit build on 64-bit Windows sees the native architecture, as the 64-bit build does.
TEST(OsProbe, BitnessAndRepeatability) {
    OsProbe first;
    OsProbe second;
    EXPECT_TRUE(first.is64Bit());
    EXPECT_FALSE(first.is32Bit());
    EXPECT_NE(0u, first.majorVersion());
    EXPECT_EQ(first.majorVersion(), second.majorVersion());
    EXPECT_EQ(first.minorVersion(), second.minorVersion());
    EXPECT_EQ(first.buildNumber(), second.buildNumber());
    EXPECT_EQ(first.editionCode(), second.editionCode());
    EXPECT_EQ(first.is64Bit(), second.is64Bit());
}

} // namespace
