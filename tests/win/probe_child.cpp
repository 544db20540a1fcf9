// Child program of the OS probe test: writes to the file its argument names the version Windows
// reports, what the probe made of it, the connection method and the remote name it maps under.
#include "base/osprobe.h"
#include "drive/drive_rules.h"
#include "core/method.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    OSVERSIONINFOA os = {sizeof os, 0, 0, 0, 0, ""};
    GetVersionExA(&os);
    OsProbe probe;
    FILE* out = argc == 2 ? fopen(argv[1], "w") : nullptr;
    if (out == nullptr)
        return 1;
    ConnectionMethod method = selectConnectionMethod();
    char remote[64] = "";
    formatRemoteName(remote, sizeof remote, method, probe.majorVersion(), "h", "s");
    fprintf(out, "%lu.%lu.%lu %lu.%lu.%lu %lu %d %ld%s%s\n", os.dwMajorVersion, os.dwMinorVersion,
            os.dwBuildNumber, probe.majorVersion(), probe.minorVersion(), probe.buildNumber(),
            probe.editionCode(), probe.is64Bit() ? 1 : 0, static_cast<long>(method),
            *remote ? " " : "", remote);
    return fclose(out) == 0 ? 0 : 1;
}
