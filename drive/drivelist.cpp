// The drives as Windows reports them (see drivelist.h).
#include "drive/drivelist.h"

#include <winnetwk.h>

DWORD logicalDriveStrings(DWORD size, char* buffer) {
    return GetLogicalDriveStringsA(size, buffer);
}

UINT driveType(const char* root) {
    return GetDriveTypeA(root);
}

DWORD connectionName(const char* localName, char* remoteName, DWORD* size) {
    return WNetGetConnectionA(localName, remoteName, size);
}
