// The web-folder network place: a folder "Nimbara.{folder-shortcut class}" among the user's
// network places, holding the link file that leads to the share's web address.
#include "drive/webfolder.h"

#include "base/osprobe.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/text.h"
#include "core/method.h"
#include "drive/linkfile.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

// The web address, the place folder and the link path: at most 255 characters each.
static const size_t kPlaceTextSize = 256;

// Windows NT 4 keeps the network places folder in the shell's folder list; later versions
// answer SHGetFolderPathA.
static bool networkPlacesFolder(DWORD majorVersion, char* folder, size_t size) {
    if (majorVersion == 4) {
        RegistryKey key(HKEY_CURRENT_USER);
        RegistryValue value;
        const char* text = nullptr;
        if (key.read("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     "NetHood", &value) &&
            value.getString(&text) && strlen(text) >= 3)
            return copyText(folder, size, text);
        return copyText(folder, size, "C:\\WINDOWS\\Nethood");
    }
    return SHGetFolderPathA(nullptr, CSIDL_NETHOOD, nullptr, 0, folder) == S_OK;
}

// A text that does not fit its 255 characters leaves the place as it was: a place cut short
// would lead to another share, or be written somewhere else.
void buildWebFolderPlace(const std::string& share) {
    std::string host;
    if (!readProductString(settings::kDavHost, &host))
        host = settings::kDefaultDavHost;
    DWORD ssl = 0;
    bool secure =
        readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, settings::kSsl, &ssl) && ssl == 1;
    char address[kPlaceTextSize];
    if (!formatText(address, sizeof address, secure ? "https://%s/%s" : "http://%s/%s",
                    host.c_str(), share.c_str()))
        return;
    OsProbe probe;
    char folder[MAX_PATH];
    if (!networkPlacesFolder(probe.majorVersion(), folder, sizeof folder))
        return;
    char placeFolder[kPlaceTextSize];
    char linkPath[kPlaceTextSize];
    if (!formatText(placeFolder, sizeof placeFolder, "%s\\Nimbara.%s", folder,
                    kFolderShortcutClassId) ||
        !formatText(linkPath, sizeof linkPath, "%s\\Nimbara.%s\\Target.lnk", folder,
                    kFolderShortcutClassId))
        return;
    CreateDirectoryA(placeFolder, nullptr);
    writeWebFolderLink(address, "Nimbara", linkPath);
}

bool writeWebFolderLink(const char* address, const char* displayName, const char* linkPath) {
    std::vector<unsigned char> bytes;
    if (!webFolderLinkBytes(address, displayName, &bytes))
        return false;
    HANDLE file = CreateFileA(linkPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    BOOL closed = CloseHandle(file);
    return wrote && closed && written == bytes.size();
}

// The place is built at the store under the first web-folder method only: the second opens the
// share through the shell's web folders without a place of its own.
static AuthOutcome withPlace(AuthOutcome outcome) {
    if (outcome.result == AuthResult::Succeeded && selectConnectionMethod() == 1)
        buildWebFolderPlace(outcome.share);
    return outcome;
}

AuthOutcome refreshLogin(const std::string& userName, const std::string& password) {
    return withPlace(authenticate(userName, password));
}

AuthOutcome refreshStoredLogin() {
    return withPlace(authenticateStored());
}

void clearStoredConnection() {
    storeConnection("", "", "");
    if (selectConnectionMethod() == 1)
        buildWebFolderPlace("");
}
