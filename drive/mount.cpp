// Mapping and unmapping the share. Not built yet: the commands that reach these (connect,
// disconnect, quit, /mount, /umount, /tray) arrive here and change nothing for now.
#include "drive/mount.h"

bool mountDrive(bool) {
    return false;
}

void unmountDrive(bool) {}

void autoMount() {}
