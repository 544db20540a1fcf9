// Mapping and unmapping the share. The mount checks the connection, clears stale mappings of
// the share, refreshes the WebDAV login at the web service and maps the drive through the
// redirector; every outcome becomes a balloon. It all runs on the one thread, pauses included.
#include "drive/mount.h"

#include "base/osprobe.h"
#include "base/pause.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/text.h"
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/method.h"
#include "core/notify.h"
#include "drive/drive_rules.h"
#include "drive/drivelist.h"
#include "drive/drivewatch.h"
#include "drive/frontend.h"
#include "drive/webfolder.h"

#include <winnetwk.h>

#include <string>

// The remote name, the user name and the password: at most 255 characters each.
static const size_t kMappingTextSize = 256;

static std::string readSetting(const char* name, const char* fallback) {
    std::string text;
    return readProductString(name, &text) ? text : fallback;
}

static bool settingIsOne(const char* name) {
    DWORD v = 0;
    return readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, name, &v) && v == 1;
}

static DWORD addConnection(char* driveLetter, char* remoteName, const char* password,
                           const char* userName) {
    NETRESOURCEA resource = {};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpLocalName = driveLetter;
    resource.lpRemoteName = remoteName;
    return WNetAddConnection2A(&resource, password, userName, CONNECT_UPDATE_PROFILE);
}

static bool isRetried(DWORD result) {
    return result != NO_ERROR && mappingErrorText(result) == nullptr;
}

// The stored WebDAV login refreshed at the service; false when the service refused it. A service
// that cannot be reached lets the mount go on with the login stored.
static bool refreshedLogin() {
    AuthOutcome outcome = refreshStoredLogin();
    followAuthentication(outcome);
    return outcome.accepted();
}

static bool reportMapping(DWORD result) {
    if (result == NO_ERROR) {
        app.connected = true;
        announceConnectionState(true);
        return true;
    }
    const char* text = mappingErrorText(result);
    if (text == nullptr)
        text = "Ihr System aktualisiert den Verbindungsstatus.\r\nBitte versuchen Sie es in 1-2 "
               "Minuten erneut.";
    showStatus(kBalloonError, text, false);
    return false;
}

bool mountDrive(bool openAfter) {
    unmountDrive(false);
    if (!internetAvailable()) {
        showStatus(kBalloonInformation, "Sie haben derzeit keine Verbindung zum Internet.", false);
        return false;
    }
    scanMappedDrives(true);
    showStatus(kBalloonInformation, "Verbinde zur Nimbara.\r\nEinen Moment bitte.", false);
    if (!settingIsOne(settings::kDisableReKeyOnOpen) && !refreshedLogin()) {
        showStatus(kBalloonError,
                   "Der Verbindungsaufbau ist fehlgeschlagen.\r\nBitte geben Sie Ihre "
                   "Zugangsdaten erneut ein.",
                   false);
        requestLogin(openAfter);
        return false;
    }

    std::string driveLetter = readSetting(settings::kDriveLetter, settings::kDefaultDriveLetter);
    std::string host = readSetting(settings::kDavHost, settings::kDefaultDavHost);
    std::string share = readSetting(settings::kDavShare, settings::kDefaultDavShare);
    char userName[kMappingTextSize];
    bool fits = copyText(userName, sizeof userName, readSetting(settings::kDavUser, "").c_str());
    OsProbe probe;
    ConnectionMethod method = selectConnectionMethod();
    if (isWebFolderMethod(method))
        return false;
    char remoteName[kMappingTextSize];
    fits = formatRemoteName(remoteName, sizeof remoteName, method, probe.majorVersion(),
                            host.c_str(), share.c_str()) &&
           fits;
    char password[kMappingTextSize];
    fits = copyText(password, sizeof password, readSetting(settings::kDavPassword, "").c_str()) &&
           fits;
    // Cut at 255 characters, a name would map another share and a password fail the login.
    if (!fits) {
        showMessage("Ein interner Fehler ist aufgetreten.");
        return false;
    }

    DWORD result = addConnection(&driveLetter[0], remoteName, password, userName);
    // Retry: an unlisted code is taken for a redirector still updating its connections (the
    // stale mappings were only just cancelled), as the notices tell the user.
    for (DWORD n = 1; n <= 3 && isRetried(result); ++n) {
        unmountDrive(false);
        if (n == 2)
            showStatus(kBalloonInformation,
                       "Ein Aktualisierungskonflikt wurde festgestellt.\r\nDie Behebung kann bis "
                       "zu einer Minute dauern.",
                       false);
        pauseMilliseconds(n * 20000);
        result = addConnection(&driveLetter[0], remoteName, password, userName);
    }
    SecureZeroMemory(password, sizeof password);
    // Keep the letter the drive went to: opening and disconnecting read only a stored letter,
    // so a first connection under the default would be neither opened nor ever disconnected.
    std::string stored;
    if (result == NO_ERROR && !readProductString(settings::kDriveLetter, &stored))
        storeDriveLetter(driveLetter.c_str());
    return reportMapping(result);
}

// The second cancel forces what the first left open (files still in use on the drive), after a
// pause for the redirector; with nothing mapped under the letter there is nothing to wait for.
void unmountDrive(bool clearCredentials) {
    std::string driveLetter;
    if (readProductString(settings::kDriveLetter, &driveLetter)) {
        DWORD first = WNetCancelConnection2A(driveLetter.c_str(), CONNECT_UPDATE_PROFILE, FALSE);
        if (first != ERROR_NOT_CONNECTED)
            pauseMilliseconds(250);
        WNetCancelConnection2A(driveLetter.c_str(), CONNECT_UPDATE_PROFILE, TRUE);
    }
    if (clearCredentials && !saveCredentialsEnabled())
        clearStoredConnection();
}

void autoMount() {
    if (!settingIsOne(settings::kAutoMount))
        return;
    if (saveCredentialsEnabled())
        mountDrive(false);
    else
        showStatus(kBalloonError,
                   "Automatisches Verbinden fehlgeschlagen,\r\nSie haben keine Logindaten "
                   "gespeichert.",
                   false);
}

// After sleep Windows may have dropped the mapping: a drive the client had connected and that is
// no longer mapped under its letter is mapped again. Nothing to do without a connection, or under
// the web-folder methods, which map no drive.
void remountAfterResume() {
    if (!app.connected || isWebFolderMethod(selectConnectionMethod()))
        return;
    std::string driveLetter = readSetting(settings::kDriveLetter, settings::kDefaultDriveLetter);
    char remoteName[kMappingTextSize];
    DWORD size = sizeof remoteName;
    if (connectionName(driveLetter.c_str(), remoteName, &size) == NO_ERROR)
        return;
    mountDrive(false);
}
