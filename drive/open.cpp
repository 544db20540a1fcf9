// Opening the drive: the mapped letter in Explorer, mounted first when the drive is not
// connected; under the web-folder methods the network place, with the stored login refreshed.
#include "drive/open.h"

#include "base/registry.h"
#include "base/settings.h"
#include "base/shellopen.h"
#include "base/text.h"
#include "core/appstate.h"
#include "core/method.h"
#include "drive/frontend.h"
#include "drive/mount.h"
#include "drive/webfolder.h"

#include <shlobj.h>

#include <string>

static void openWebFolderPlace(HWND ownerWindow) {
    DWORD skip = 0;
    if (readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, settings::kDisableReKeyOnOpen,
                       &skip) &&
        skip == 1)
        rewriteStoredCredentials();
    else
        followAuthentication(refreshStoredLogin());
    char folder[MAX_PATH];
    char place[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_NETHOOD, nullptr, 0, folder) != S_OK ||
        !formatText(place, sizeof place, "%s\\Nimbara.%s\\", folder, kFolderShortcutClassId))
        return;
    shellOpen(ownerWindow, place, nullptr, SW_SHOW);
}

// A failed mount ends the open silently: the mount has told the user, and a refused login
// opens the drive once the new one is confirmed.
void openDrive(HWND ownerWindow) {
    if (isWebFolderMethod(selectConnectionMethod())) {
        openWebFolderPlace(ownerWindow);
        return;
    }
    if (!app.connected && !mountDrive(true))
        return;
    std::string driveLetter;
    if (readProductString(settings::kDriveLetter, &driveLetter))
        shellOpen(ownerWindow, driveLetter.c_str(), nullptr, SW_SHOW);
}
