// The frame of the properties dialog: the tab control with its five pages, OK, Abbrechen and
// Übernehmen, the help link and the version label. Pages are created the first time their tab
// is selected and live until the dialog ends; the frame collects their change signal, applies
// them on OK or Übernehmen, and on closing finishes a mount that waited for a new login.
#include "ui/properties/frame.h"

#include "base/hyperlink.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/shellopen.h"
#include "core/appstate.h"
#include "drive/frontend.h"
#include "drive/mount.h"
#include "drive/open.h"
#include "res/resource.h"
#include "ui/properties/pages.h"

#include <commctrl.h>

#include <utility>

namespace {

constexpr int kPageCount = 5;

// One row of the tab table: its index is the meaning of the page number everywhere.
struct PageEntry {
    int index;
    const char* caption;
    int resource;
    DLGPROC procedure;
};

const PageEntry kPages[kPageCount] = {
    {kPageGeneral, "&Allgemein", IDD_PAGE_GENERAL, generalPageProc},
    {kPageLogin, "&Login", IDD_PAGE_LOGIN, loginPageProc},
    {kPageSettings, "&Einstellungen", IDD_PAGE_SETTINGS, settingsPageProc},
    {kPageUpdate, "&Update", IDD_PAGE_UPDATE, updatePageProc},
    {kPageInfo, "&Info", IDD_PAGE_INFO, infoPageProc},
};

constexpr const char* kHelpPage = NIMBARA_PORTAL_PAGE("Hilfe");

// The state of the one dialog that can exist at a time.
struct FrameState {
    HWND pageWindows[kPageCount] = {};
    BYTE currentPage = 0;
    bool changesPending = false;
};

FrameState frameState;

} // namespace

static HWND tabControl(HWND frame) {
    return GetDlgItem(frame, IDC_PROPERTIES_TABS);
}

// The page goes to the tab control's body: its position is taken from the outer rectangles of
// the tab control and of the frame; it keeps its own size and comes above the tab control.
static void placePage(HWND frame, HWND page) {
    RECT tabs, outer;
    GetWindowRect(tabControl(frame), &tabs);
    GetWindowRect(frame, &outer);
    SetWindowPos(page, HWND_TOP, tabs.left - outer.left - 1, tabs.top - outer.top - 2, 0, 0,
                 SWP_NOSIZE);
    InvalidateRect(page, nullptr, TRUE);
}

static HWND createPage(HWND frame, const PageEntry& entry) {
    HWND page = CreateDialogParamA(app.instance, MAKEINTRESOURCEA(entry.resource), frame,
                                   entry.procedure, 0);
    if (page != nullptr)
        placePage(frame, page);
    return page;
}

// Shows the page of the tab control's selection, creating it on its first selection. A page
// that could not be created stays null and is tried again at the next selection of its tab.
static void switchPage(HWND frame) {
    int selection = static_cast<int>(SendMessageA(tabControl(frame), TCM_GETCURSEL, 0, 0));
    if (selection < 0 || selection >= kPageCount)
        return;
    HWND current = frameState.pageWindows[frameState.currentPage];
    if (current != nullptr)
        ShowWindow(current, SW_HIDE);
    HWND& page = frameState.pageWindows[selection];
    if (page == nullptr)
        page = createPage(frame, kPages[selection]);
    frameState.currentPage = static_cast<BYTE>(selection);
    if (page != nullptr)
        ShowWindow(page, SW_SHOW);
}

// The selection and the notification that follows it, as the frame's own control would send it.
static void selectPage(HWND frame, int index) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(tabControl(frame), TCM_SETCURSEL, index, 0,
                        SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG, 5000, &ignored);
    NMHDR header = {};
    header.hwndFrom = nullptr;
    header.idFrom = 0;
    header.code = TCN_SELCHANGE;
    SendMessageA(frame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

static void insertTabs(HWND frame) {
    for (const PageEntry& entry : kPages) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(entry.caption);
        SendMessageA(tabControl(frame), TCM_INSERTITEMA, entry.index,
                     reinterpret_cast<LPARAM>(&item));
    }
}

static void forgetDialog() {
    app.propertiesOpen = false;
    app.propertiesWindow = nullptr;
}

static INT_PTR createFrame(HWND frame) {
    SetFocus(frame);
    app.propertiesWindow = frame;
    for (HWND& page : frameState.pageWindows)
        page = nullptr;
    makeHyperlink(frame, IDC_HELP_LINK);
    insertTabs(frame);
    selectPage(frame, app.propertiesStartPage == kPageUsed ? kPageLogin : app.propertiesStartPage);
    app.propertiesStartPage = kPageUsed;
    SetDlgItemTextA(frame, IDC_CLIENT_VERSION, NIMBARA_CLIENT_VERSION);
    frameState.changesPending = false;
    return TRUE;
}

void markChanged(HWND page) {
    frameState.changesPending = true;
    EnableWindow(GetDlgItem(GetParent(page), IDC_APPLY), TRUE);
}

// A box the user clicked keeps that mark in its own user data until the dialog ends.
void markBoxChanged(HWND page, int checkBoxId) {
    SetWindowLongPtrA(GetDlgItem(page, checkBoxId), GWLP_USERDATA, 1);
    markChanged(page);
}

// The pages' changes stay pending after an apply, so a later OK applies the visited pages again.
// A login that OK could not make keeps the dialog open on the Login page, with what was typed.
bool commitChanges(HWND frame, int result, bool closeAfter) {
    bool outcome = true;
    if (frameState.changesPending) {
        if (!applyChanges() && closeAfter) {
            selectPage(frame, kPageLogin);
            return false;
        }
        if (closeAfter)
            outcome = closePropertiesDialog(frame, result);
        EnableWindow(GetDlgItem(frame, IDC_APPLY), FALSE);
    } else {
        EnableWindow(GetDlgItem(frame, IDC_APPLY), FALSE);
        if (closeAfter)
            outcome = closePropertiesDialog(frame, result);
    }
    return outcome;
}

// A page that was never shown in this dialog is never applied. False when the Login page tried a
// login that failed; the settings are applied all the same.
bool applyChanges() {
    bool loggedIn = true;
    if (frameState.pageWindows[kPageLogin] != nullptr)
        loggedIn = applyLoginPage(frameState.pageWindows[kPageLogin]);
    if (frameState.pageWindows[kPageSettings] != nullptr)
        applySettingsPage(frameState.pageWindows[kPageSettings]);
    return loggedIn;
}

// The mount that waits for a new login. A mount whose login refresh the service refused asks
// for the login (requestLogin): it notes here whether to mount again, and to open the drive
// after, and the dialog opens on its Login page. When the dialog closes, the pending mount is
// taken and cleared before it runs: a mount that is refused again asks once more and leaves its
// own retry for the dialog it opens. Abbrechen clears it, and so does a page the service sends
// the user to instead (followAuthentication), so that closing the dialog mounts nothing.
static int takePendingMount() {
    int retry = app.retryAfterLogin;
    app.retryAfterLogin = kRetryNothing;
    return retry;
}

void requestLogin(bool openAfter) {
    app.retryAfterLogin = openAfter ? kRetryMountAndOpen : kRetryMount;
    PostMessageA(app.mainWindow, UM_OPEN_SETTINGS, 0, 0);
}

// The drive is opened only after a mount that succeeded; opening would otherwise start a second
// mount at once.
bool closePropertiesDialog(HWND frame, int result) {
    forgetDialog();
    EndDialog(frame, static_cast<WORD>(result));
    int retry = takePendingMount();
    if (retry != kRetryNothing && mountDrive(retry == kRetryMountAndOpen) &&
        retry == kRetryMountAndOpen)
        openDrive(app.mainWindow);
    if (std::exchange(app.resumeCheckPending, false))
        remountAfterResume();
    return true;
}

INT_PTR runPropertiesDialog(int startPage) {
    app.propertiesStartPage = startPage;
    app.propertiesOpen = true;
    return showPropertiesDialog(app.mainWindow);
}

void bringPropertiesForward(int page) {
    ShowWindow(app.propertiesWindow, SW_SHOWNORMAL);
    SetFocus(app.propertiesWindow);
    selectPage(app.propertiesWindow, page);
}

// An announced update opens the dialog on its Update page, unless the dialog is open already
// (its Update page may be the one that asked). A page the service names is opened in the
// browser with the dialog minimised.
void followAuthentication(const AuthOutcome& outcome) {
    if (outcome.offerUpdate && !app.propertiesOpen)
        runPropertiesDialog(kPageUpdate);
    if (outcome.redirectPage.empty())
        return;
    if (app.propertiesOpen)
        ShowWindow(app.propertiesWindow, SW_MINIMIZE);
    takePendingMount();
    shellOpen(nullptr, outcome.redirectPage.c_str(), nullptr, SW_SHOW);
}

void openWebPage(HWND window, const char* url, bool fromPage) {
    ShowWindow(fromPage ? GetParent(window) : window, SW_MINIMIZE);
    shellOpen(window, url, nullptr, SW_SHOWNORMAL);
}

// An absent value, or one of another type, leaves the box as it is: unchecked on a new page.
void showDwordSetting(HWND page, const char* valueName, int checkBoxId) {
    DWORD value = 0;
    if (readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, valueName, &value))
        CheckDlgButton(page, checkBoxId, value == 1 ? BST_CHECKED : BST_UNCHECKED);
}

// The box written as 1 or 0. An absent value that counts as on (SSL, SaveCredentials) shows
// unchecked: unless the user clicked the box, writing 0 would turn the setting off behind the
// user's back, so it is left absent.
void applyDwordSetting(HWND page, const char* valueName, int checkBoxId, bool absentMeansOn) {
    DWORD value = 0;
    bool checked = IsDlgButtonChecked(page, checkBoxId) == BST_CHECKED;
    bool clicked = GetWindowLongPtrA(GetDlgItem(page, checkBoxId), GWLP_USERDATA) != 0;
    if (absentMeansOn && !checked && !clicked &&
        !readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, valueName, &value))
        return;
    writeDwordSetting(settings::kProductKey, valueName, checked ? 1 : 0);
}

// Buttons and the link act on their click; Escape and the title bar's close button arrive as
// Abbrechen.
static void runFrameCommand(HWND frame, int id) {
    switch (id) {
    case IDC_APPLY:
        commitChanges(frame, IDC_APPLY, false);
        break;
    case IDOK:
        commitChanges(frame, IDOK, true);
        break;
    case IDCANCEL:
        takePendingMount();
        closePropertiesDialog(frame, IDCANCEL);
        break;
    case IDC_HELP_LINK:
        openWebPage(frame, kHelpPage, false);
        break;
    default:
        break;
    }
}

static INT_PTR CALLBACK frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            return createFrame(frame);
        case WM_NOTIFY:
            if (lParam == 0 || reinterpret_cast<const NMHDR*>(lParam)->code != TCN_SELCHANGE)
                return FALSE;
            switchPage(frame);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED)
                return FALSE;
            runFrameCommand(frame, LOWORD(wParam));
            return TRUE;
        case WM_HELP:
            openWebPage(frame, kHelpPage, false);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE; // nothing may leave a dialog procedure; the step simply did not happen
    }
}

// A dialog that could not be created at all is not taken for open, so the next request opens one.
INT_PTR showPropertiesDialog(HWND owner) {
    INT_PTR result =
        DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_PROPERTIES), owner, frameProc, 0);
    if (result == -1 || result == 0) // 0: an owner that is no window (any more)
        forgetDialog();
    return result;
}
