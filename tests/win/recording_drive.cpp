// Recording versions of the drive's entry points: mounting, the drive watch and opening.
#include "recording.h"

#include "drive/drivewatch.h"
#include "drive/mount.h"
#include "drive/open.h"

using recording::record;

bool mountDrive(bool openAfter) {
    record(std::string("mountDrive ") + (openAfter ? "true" : "false"));
    return recording::mount(openAfter);
}

void unmountDrive(bool clearCredentials) {
    record(std::string("unmountDrive ") + (clearCredentials ? "true" : "false"));
    recording::unmount();
}

void autoMount() {
    record("autoMount");
}

void remountAfterResume() {
    record("remountAfterResume");
}

void openDrive(HWND owner) {
    record(owner ? "openDrive window" : "openDrive none");
}

bool scanMappedDrives(bool cancel) {
    record(std::string("scanMappedDrives ") + (cancel ? "true" : "false"));
    return recording::scanFindsShare;
}

void handleVolumeBroadcast(bool arrival, const DEV_BROADCAST_HDR*) {
    record(std::string("handleVolumeBroadcast ") + (arrival ? "arrival" : "removal"));
}
