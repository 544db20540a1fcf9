// Drive watch and opening. Not built yet: open requests and volume broadcasts arrive here and
// change nothing for now, and the look for an already mapped share finds nothing.
#include "drive/drivewatch.h"

void openDrive(HWND) {}

bool scanMappedDrives(bool) {
    return false;
}

void handleVolumeBroadcast(bool, const DEV_BROADCAST_HDR*) {}
