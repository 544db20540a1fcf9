// The drive watch: finds the share among the mapped drives, follows it to another drive letter,
// follows the volume broadcasts, and tells the user when the drive comes or goes.
#include "drive/drivewatch.h"

#include "base/registry.h"
#include "base/settings.h"
#include "base/text.h"
#include "core/appstate.h"
#include "core/notify.h"
#include "drive/drive_rules.h"
#include "drive/drivelist.h"

#include <winnetwk.h>

#include <cstring>
#include <string>
#include <vector>

static std::string readSetting(const char* name, const char* fallback) {
    std::string text;
    return readProductString(name, &text) ? text : fallback;
}

void announceConnectionState(bool isConnected) {
    if (isConnected)
        showStatus(kBalloonInformation, "Ihre Nimbara\r\nist verbunden.", true);
    else
        showStatus(kBalloonInformation, "Die Verbindung zu Ihrer Nimbara wurde getrennt.", false);
}

static ConnectionForms storedShareForms() {
    return connectionForms(readSetting(settings::kDavHost, settings::kDefaultDavHost),
                           readSetting(settings::kDavShare, settings::kDefaultDavShare));
}

// The connection name of a remote drive; false for a drive that is not remote or whose name
// cannot be read into 255 characters.
static bool remoteNameOf(const char* root, const char* localName, std::string* name) {
    if (driveType(root) != DRIVE_REMOTE)
        return false;
    char text[255];
    DWORD size = sizeof text;
    if (connectionName(localName, text, &size) != NO_ERROR)
        return false;
    *name = text;
    return true;
}

static void noteLetterChanged(const char* localName) {
    showStatus(kBalloonInformation, "Der Laufwerksbuchstabe Ihrer Nimbara\r\nwurde geändert.",
               true);
    storeDriveLetter(localName);
}

// The drive roots, each ended by a NUL, the list by an empty root. More than 24 drives do not
// fit the first 100 characters: then Windows is asked again with the size it reported (a drive
// may come meanwhile, hence more than one more try).
static std::vector<char> driveRoots() {
    std::vector<char> roots(100, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD length = logicalDriveStrings(static_cast<DWORD>(roots.size()), roots.data());
        if (length < roots.size())
            return roots;
        roots.assign(length + 1, '\0');
    }
    return std::vector<char>(1, '\0');
}

bool scanMappedDrives(bool cancel) {
    std::vector<char> roots = driveRoots();
    ConnectionForms forms = storedShareForms();
    std::string storedLetter = readSetting(settings::kDriveLetter, settings::kDefaultDriveLetter);
    bool found = false;
    for (const char* root = roots.data(); *root != '\0'; root += strlen(root) + 1) {
        char localName[3] = {root[0], root[1], '\0'};
        std::string name;
        if (!remoteNameOf(root, localName, &name) || name != forms.unc)
            continue;
        if (cancel) {
            WNetCancelConnection2A(localName, CONNECT_UPDATE_PROFILE, TRUE);
            continue;
        }
        if (storedLetter != localName)
            noteLetterChanged(localName);
        found = true;
    }
    return found;
}

void handleVolumeBroadcast(bool arrival, const DEV_BROADCAST_HDR* header) {
    std::string storedLetter = readSetting(settings::kDriveLetter, "");
    ConnectionForms forms = storedShareForms();
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_VOLUME)
        return;
    DWORD mask = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header)->dbcv_unitmask;
    char localName[3];
    if (arrival) {
        for (int index = 0; index < 26; ++index) {
            if (!unitMaskHasDrive(mask, index))
                continue;
            // GetDriveTypeA wants the root with its backslash; the connection, the drive name.
            char root[4];
            formatText(root, sizeof root, "%c:\\", 'A' + index);
            formatText(localName, sizeof localName, "%c:", 'A' + index);
            std::string name;
            if (!remoteNameOf(root, localName, &name) || !isAnyConnectionForm(forms, name))
                continue;
            if (storedLetter != localName)
                noteLetterChanged(localName);
            else
                announceConnectionState(true);
            app.connected = true;
        }
        return;
    }
    // Only the lowest drive of a removal counts, whatever its type.
    formatText(localName, sizeof localName, "%c:", firstDriveLetter(mask));
    if (storedLetter == localName) {
        app.connected = false;
        announceConnectionState(false);
    }
}
