// Scripted drive list (see scripted_drives.h). The roots are answered as Windows does: the
// list's length without its final NUL when it fits, else the size it needs.
#include "scripted_drives.h"

#include "drive/drivelist.h"
#include "recording.h"

#include <cstring>

std::vector<scripted::Drive> scripted::drives;

static const scripted::Drive* find(const char* name) {
    for (const scripted::Drive& drive : scripted::drives)
        if (drive.letter == name[0])
            return &drive;
    return nullptr;
}

DWORD logicalDriveStrings(DWORD size, char* buffer) {
    recording::record("drives " + std::to_string(size));
    std::string roots;
    for (const scripted::Drive& drive : scripted::drives)
        roots += std::string(1, drive.letter) + ":\\" + '\0';
    if (roots.size() + 1 > size)
        return static_cast<DWORD>(roots.size() + 1);
    memcpy(buffer, roots.c_str(), roots.size() + 1);
    return static_cast<DWORD>(roots.size());
}

UINT driveType(const char* root) {
    const scripted::Drive* drive = find(root);
    return drive ? drive->type : DRIVE_NO_ROOT_DIR;
}

DWORD connectionName(const char* localName, char* remoteName, DWORD* size) {
    const scripted::Drive* drive = find(localName);
    if (drive == nullptr || drive->name.empty())
        return ERROR_NOT_CONNECTED;
    if (drive->name.size() + 1 > *size)
        return ERROR_MORE_DATA;
    memcpy(remoteName, drive->name.c_str(), drive->name.size() + 1);
    return NO_ERROR;
}
