// The Settings page: the drive letter, starting with Windows and connecting by itself, the
// storage's icons in the computer folder and on the desktop, and encrypted transfers. It shows
// the stored settings when it is created, reports each change to the frame, and writes them
// when the frame applies; a new letter makes a connected drive reconnect under it.
#include "ui/properties/frame.h"
#include "ui/properties/pages.h"

#include "base/registry.h"
#include "base/settings.h"
#include "core/appstate.h"
#include "core/method.h"
#include "drive/mount.h"
#include "res/resource.h"

#include <shlobj.h>

#include <string>

static bool isChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

static void enableControl(HWND page, int id, bool enabled) {
    EnableWindow(GetDlgItem(page, id), enabled);
}

// Under the web-folder methods there is no drive letter, and nothing to connect at start.
static bool webFolders() {
    return isWebFolderMethod(selectConnectionMethod());
}

// The letters C to Z that no drive uses, and always the stored letter (X: when none is stored),
// which is selected. A stored letter that matches no entry ("t:") leaves the list unselected.
static void fillDriveLetters(HWND page) {
    HWND list = GetDlgItem(page, IDC_DRIVE_LETTER_LIST);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    std::string stored = "X:";
    readProductString(settings::kDriveLetter, &stored);
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const char text[] = {letter, ':', '\0'};
        const char root[] = {letter, ':', '\\', '\0'};
        UINT type = GetDriveTypeA(root);
        bool isStored = stored == text;
        if (type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR && !isStored)
            continue;
        LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (isStored)
            SendMessageA(list, CB_SETCURSEL, index, 0);
    }
}

static void setUpSettingsPage(HWND page) {
    bool noLetter = webFolders();
    showDwordSetting(page, settings::kAutoMount, IDC_AUTO_MOUNT);
    showDwordSetting(page, settings::kMyComputerIcon, IDC_MY_COMPUTER_ICON);
    showDwordSetting(page, settings::kDesktopIcon, IDC_DESKTOP_ICON);
    bool autostart = autostartEnabled();
    CheckDlgButton(page, IDC_AUTOSTART, autostart ? BST_CHECKED : BST_UNCHECKED);
    enableControl(page, IDC_AUTO_MOUNT, autostart);
    if (noLetter)
        for (int id :
             {IDC_DRIVE_LETTER_LIST, IDC_DRIVE_LETTER_LABEL, IDC_DRIVE_LETTER_NOTE, IDC_AUTO_MOUNT})
            enableControl(page, id, false);
    fillDriveLetters(page);
    showDwordSetting(page, settings::kSsl, IDC_SSL);
    if (isVistaOrLater() || noLetter)
        enableControl(page, IDC_SSL, true);
}

// Only a click (by mouse, keyboard or message) is a change: the boxes also notify when they
// merely gain or lose the focus, and that alone must not let OK write every setting, an absent
// SSL among them as 0.
static bool runSettingsCommand(HWND page, int id, int notification) {
    switch (id) {
    case IDC_AUTOSTART:
        if (notification != BN_CLICKED)
            return true;
        markChanged(page);
        enableControl(page, IDC_AUTO_MOUNT, isChecked(page, IDC_AUTOSTART) && !webFolders());
        return true;
    case IDC_DRIVE_LETTER_LIST:
        if (notification == CBN_SELCHANGE)
            markChanged(page);
        return true;
    case IDC_DESKTOP_ICON:
    case IDC_AUTO_MOUNT:
    case IDC_MY_COMPUTER_ICON:
    case IDC_SSL:
        if (notification == BN_CLICKED)
            markBoxChanged(page, id);
        return true;
    default:
        return false;
    }
}

// A list without a selection reads as the empty text: that is no letter, and storing it would
// leave the drive without one. A connected drive is disconnected under the old letter first.
static void applyDriveLetter(HWND page) {
    char letter[256] = "";
    GetDlgItemTextA(page, IDC_DRIVE_LETTER_LIST, letter, sizeof letter);
    if (letter[0] == '\0' || !driveLetterDiffers(letter))
        return;
    bool wasConnected = app.connected;
    if (wasConnected)
        unmountDrive(false);
    storeDriveLetter(letter);
    if (wasConnected)
        mountDrive(false);
}

// The Explorer entry goes as a whole key: whatever Explorer or an installer put below it too.
static void applyShellIcon(HWND page, int id, const char* valueName, const char* nameSpaceKey) {
    bool shown = isChecked(page, id);
    applyDwordSetting(page, valueName, id, false);
    if (shown)
        writeStringSetting(nameSpaceKey, "", settings::kNameSpaceTitle);
    else
        deleteKeyTree(nameSpaceKey);
}

// Encryption is a choice only from Vista on; older systems keep SSL as it is.
void applySettingsPage(HWND page) {
    applyDwordSetting(page, settings::kAutoMount, IDC_AUTO_MOUNT, false);
    setAutostart(isChecked(page, IDC_AUTOSTART));
    applyDriveLetter(page);
    applyShellIcon(page, IDC_MY_COMPUTER_ICON, settings::kMyComputerIcon,
                   settings::kMyComputerNameSpaceKey);
    applyShellIcon(page, IDC_DESKTOP_ICON, settings::kDesktopIcon, settings::kDesktopNameSpaceKey);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (isVistaOrLater())
        applyDwordSetting(page, settings::kSsl, IDC_SSL, true);
}

INT_PTR CALLBACK settingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            setUpSettingsPage(page);
            return TRUE;
        case WM_COMMAND:
            return runSettingsCommand(page, LOWORD(wParam), HIWORD(wParam));
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE; // nothing may leave a page procedure; the step simply did not happen
    }
}
