// What Windows says about its drives, as the scan and the volume broadcasts ask it: the drive
// roots, a drive's type and the connection name of a mapped drive. Kept in a translation unit of
// its own so that tests can link a version that lists the drives they need.
#pragma once

#include <windows.h>

DWORD logicalDriveStrings(DWORD size, char* buffer); // GetLogicalDriveStringsA
UINT driveType(const char* root);                    // GetDriveTypeA
DWORD connectionName(const char* localName, char* remoteName, DWORD* size); // WNetGetConnectionA
