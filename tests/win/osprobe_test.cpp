// The OS probe and the connection method with Windows' answers scripted: the version record (its
// extended form refused, as before NT 4 SP6 and on 95/98/Me, or refused altogether), the native
// architecture beside a plain GetSystemInfo that answers x86, and the registry as it stands.
#include "base/osprobe.h"
#include "core/method.h"
#include "iat.h"
#include "registry_access.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

namespace {

struct Answers {
    DWORD platform, major, minor, build;
    const char* servicePack;
    WORD suite;
    BYTE type;
    bool extended, answers;
    WORD architecture;
} os;

BOOL WINAPI scriptedVersion(OSVERSIONINFOA* v) {
    bool extended = v->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA);
    if (!os.answers || (extended && !os.extended) ||
        (!extended && v->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)))
        return FALSE;
    v->dwPlatformId = os.platform, v->dwMajorVersion = os.major, v->dwMinorVersion = os.minor;
    v->dwBuildNumber = os.build;
    snprintf(v->szCSDVersion, sizeof v->szCSDVersion, "%s", os.servicePack);
    if (extended)
        reinterpret_cast<OSVERSIONINFOEXA*>(v)->wSuiteMask = os.suite,
        reinterpret_cast<OSVERSIONINFOEXA*>(v)->wProductType = os.type;
    return TRUE;
}
void WINAPI nativeInfo(SYSTEM_INFO* system) {
    *system = {}, system->wProcessorArchitecture = os.architecture, system->wProcessorLevel = 9;
}
void WINAPI plainInfo(SYSTEM_INFO* system) {
    *system = {}, system->wProcessorLevel = 9;
}
decltype(&GetProcAddress) realProcAddress;
FARPROC WINAPI procAddress(HMODULE module, LPCSTR name) {
    return strcmp(name, "GetNativeSystemInfo")
               ? realProcAddress(module, name)
               : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(nativeInfo));
}

// What Windows answers and the user's DisableBasicOverClearChannel (UseBasicAuth is 1, NT 4's
// "ProductType" 80 bytes); what the probe makes of it: version, edition, 64-bit, the method.
TEST(OsProbe, EditionAndMethodFromWhatWindowsAnswers) {
    const std::tuple<Answers, DWORD, const char*> cases[] = {
        {{2, 5, 1, 2600, "", 0x200, 1, true, false, 9}, 0, "0.0.0 1000 0 3"}, // nothing answered
        {{2, 4, 0, 1381, "Service Pack 5", 0, 0, false, true, 0}, 0, "4.0.1381 1009 0 2"},
        {{1, 4, 0, 0x040003B6, " B", 0, 0, false, true, 0}, 0, "4.0.67109814 1002 0 2"},
        {{2, 5, 1, 2600, "", 0x200, 1, true, true, 0}, 0, "5.1.2600 1017 0 5"}, // XP Home
        {{2, 5, 1, 2600, "", 0, 1, true, true, 0}, 1, "5.1.2600 1018 0 3"},
        {{2, 5, 2, 3790, "", 0x2, 3, true, true, 9}, 0, "5.2.3790 1027 1 5"},  // x64
        {{2, 5, 2, 3790, "", 0x80, 2, true, true, 6}, 0, "5.2.3790 1025 1 5"}, // Itanium
        {{2, 6, 1, 7601, "", 0x80, 3, true, true, 9}, 0, "6.1.7601 1009 1 6"}};
    ImportRedirect version("kernel32.dll", "GetVersionExA", scriptedVersion);
    ImportRedirect plain("kernel32.dll", "GetSystemInfo", plainInfo);
    ImportRedirect native("kernel32.dll", "GetProcAddress", procAddress, &realProcAddress);
    const char* webClient = "SYSTEM\\CurrentControlSet\\Services\\WebClient\\Parameters";
    const char* options = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
    const std::string before = reg::raw("ProductType", options, HKEY_LOCAL_MACHINE);
    reg::setBytes("ProductType", REG_SZ, "LanmanNT" + std::string(72, '\0'), options,
                  HKEY_LOCAL_MACHINE);
    reg::set("UseBasicAuth", 1, webClient, HKEY_LOCAL_MACHINE);
    for (const auto& [answers, disableOverClear, seen] : cases) {
        os = answers;
        reg::set("DisableBasicOverClearChannel", disableOverClear,
                 "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
        OsProbe p;
        EXPECT_EQ(seen, std::to_string(p.majorVersion()) + "." + std::to_string(p.minorVersion()) +
                            "." + std::to_string(p.buildNumber()) + " " +
                            std::to_string(p.editionCode()) + " " + std::to_string(p.is64Bit()) +
                            " " + std::to_string(selectConnectionMethod()));
    }
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, webClient, "UseBasicAuth");
    before.empty()
        ? void(RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, options, "ProductType"))
        : reg::setBytes("ProductType", REG_SZ, before.substr(2), options, HKEY_LOCAL_MACHINE);
}

} // namespace
