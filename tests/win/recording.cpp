// Recording link-time stand-ins (see recording.h).
#include "recording.h"

#include "app/appstate.h"
#include "app/connectivity.h"
#include "app/notify.h"
#include "base/pause.h"
#include "base/shellopen.h"
#include "drive/drivewatch.h"
#include "drive/mount.h"
#include "drive/webfolder.h"
#include "ui/properties/frame.h"

namespace recording {

std::vector<std::string> calls;
bool scanFindsShare = false;
bool online = true;

void reset() {
    calls.clear();
    scanFindsShare = false;
    online = true;
}

std::string joined() {
    std::string all;
    for (const std::string& call : calls)
        all += call + ";";
    return all;
}

static void record(const std::string& call) {
    calls.push_back(call);
}

} // namespace recording

using recording::record;

BOOL showStatus(DWORD kind, const char* text, bool connected) {
    record("showStatus " + std::to_string(kind) + (connected ? " connected " : " disconnected ") +
           text);
    return TRUE;
}

void showMessage(const char* text) {
    record(std::string("showMessage ") + text);
}

// Not recorded: every network action asks it first.
bool internetAvailable() {
    return recording::online;
}

void pauseMilliseconds(DWORD milliseconds) {
    record("pause " + std::to_string(milliseconds));
}

bool shellOpen(HWND owner, const char* file, const char* parameters, int show) {
    record(std::string("shellOpen ") + (owner ? "window " : "none ") + file + " " +
           (parameters ? parameters : "") + " " + std::to_string(show));
    return true;
}

bool mountDrive(bool openAfter) {
    record(std::string("mountDrive ") + (openAfter ? "true" : "false"));
    return false;
}

void unmountDrive(bool clearCredentials) {
    record(std::string("unmountDrive ") + (clearCredentials ? "true" : "false"));
}

void autoMount() {
    record("autoMount");
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

INT_PTR showPropertiesDialog(HWND) {
    record("showPropertiesDialog " + std::to_string(app.propertiesStartPage));
    app.propertiesOpen = false;
    app.propertiesWindow = nullptr;
    return 0;
}

void buildWebFolderPlace(const std::string& share) {
    record("buildWebFolderPlace " + share);
}
