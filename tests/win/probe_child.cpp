// Child program of the OS probe and method tests: a test sets the Windows version Wine reports to
// this program, starts it and reads one line from its standard output with what Windows itself
// reports and what the probe made of it. With the argument "method" it adds the connection
// method chosen under that version.
//
// Line: os.ok=1 os.major=5 os.minor=1 os.build=2600 os.platform=2 os.product=1 os.suite=256
//       os.csd1=101 os.arch=9 probe.major=5 probe.minor=1 probe.build=2600 probe.edition=1016
//       probe.is64=1 probe.is32=0 [method=3]
#define _WIN32_WINNT 0x0600
#include "base/osprobe.h"
#include "drive/method.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    OSVERSIONINFOEXA os;
    memset(&os, 0, sizeof os);
    os.dwOSVersionInfoSize = sizeof os;
    BOOL ok = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&os));
    SYSTEM_INFO system;
    memset(&system, 0, sizeof system);
    GetNativeSystemInfo(&system);

    OsProbe probe;
    printf("os.ok=%d os.major=%lu os.minor=%lu os.build=%lu os.platform=%lu os.product=%u "
           "os.suite=%u os.csd1=%u os.arch=%u ",
           ok ? 1 : 0, os.dwMajorVersion, os.dwMinorVersion, os.dwBuildNumber, os.dwPlatformId,
           static_cast<unsigned>(os.wProductType), static_cast<unsigned>(os.wSuiteMask),
           static_cast<unsigned>(static_cast<unsigned char>(os.szCSDVersion[1])),
           static_cast<unsigned>(system.wProcessorArchitecture));
    printf("probe.major=%lu probe.minor=%lu probe.build=%lu probe.edition=%lu probe.is64=%d "
           "probe.is32=%d",
           probe.majorVersion(), probe.minorVersion(), probe.buildNumber(), probe.editionCode(),
           probe.is64Bit() ? 1 : 0, probe.is32Bit() ? 1 : 0);
    if (argc > 1 && strcmp(argv[1], "method") == 0)
        printf(" method=%ld", static_cast<long>(selectConnectionMethod()));
    printf("\n");
    fflush(stdout);
    return 0;
}
