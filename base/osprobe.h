// OsProbe: asks Windows once, at construction, for its version, edition and processor
// architecture. Each user makes a fresh probe; nothing is cached between uses.
#pragma once

#include <windows.h>

class OsProbe {
public:
    OsProbe();

    DWORD majorVersion() const { return version_.dwMajorVersion; }
    DWORD minorVersion() const { return version_.dwMinorVersion; }
    DWORD buildNumber() const { return version_.dwBuildNumber; }
    DWORD editionCode() const { return edition_; }
    bool is64Bit() const;
    bool is32Bit() const { return !is64Bit(); }

private:
    DWORD edition_;
    OSVERSIONINFOEXA version_;
    SYSTEM_INFO system_;
    BOOL extended_;
};
