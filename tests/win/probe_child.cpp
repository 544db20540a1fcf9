// Child program of the OS probe test: prints what Windows reports under the version Wine was
// told to report to this program, what the probe made of it, and the connection method chosen.
#include "base/osprobe.h"
#include "drive/method.h"

#include <windows.h>

#include <cstdio>

int main() {
    OSVERSIONINFOA os = {};
    os.dwOSVersionInfoSize = sizeof os;
    GetVersionExA(&os);
    OsProbe probe;
    printf("os.major=%lu os.minor=%lu os.build=%lu probe.major=%lu probe.minor=%lu "
           "probe.build=%lu probe.edition=%lu probe.is64=%d method=%ld\n",
           os.dwMajorVersion, os.dwMinorVersion, os.dwBuildNumber, probe.majorVersion(),
           probe.minorVersion(), probe.buildNumber(), probe.editionCode(), probe.is64Bit() ? 1 : 0,
           static_cast<long>(selectConnectionMethod()));
    return 0;
}
