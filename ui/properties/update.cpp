// The Update page: shows what the web service announced and, on request, runs the update's
// steps (download, check, install, restart) and shows each one's outcome. Everything runs on the
// dialog's thread, inside the click; the page's texts and bar change after each chunk.
#include "base/hyperlink.h"
#include "base/pause.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/text.h"
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/notify.h"
#include "drive/frontend.h"
#include "drive/webfolder.h"
#include "res/resource.h"
#include "service/update.h"
#include "service/update_rules.h"
#include "ui/properties/frame.h"
#include "ui/properties/pages.h"

#include <commctrl.h>

namespace {

constexpr const char* kChangeLogPage = NIMBARA_PORTAL_PAGE("ChangeLog");
constexpr COLORREF kBarColour = RGB(0, 100, 0);
constexpr int kBarChecked = 95;
constexpr int kBarConfirmed = 97;
constexpr int kBarRestarting = 100;
constexpr DWORD kRestartPauseMs = 1200;
constexpr const char* kUpdateDone =
    "Die Aktualisierung wurde erfolgreich vorgenommen.\r\nKlicken Sie bitte auf \"OK\" um das "
    "Programm in der aktualisierten Version neu zu starten.";

constexpr const char* kProgramInBackup =
    "Die Aktualisierung ist fehlgeschlagen, und das bisherige Programm konnte nicht wieder "
    "eingesetzt werden.\r\nEs liegt unter \"%s\".";

// The three choices; each radio button is a group of its own, so the page keeps them exclusive.
constexpr int kChoices[] = {IDC_UPDATE_NOW, IDC_UPDATE_LATER, IDC_UPDATE_SKIP};

} // namespace

static void showControl(HWND page, int id, bool visible) {
    ShowWindow(GetDlgItem(page, id), visible ? SW_SHOW : SW_HIDE);
}

static void enableControl(HWND page, int id, bool enabled) {
    EnableWindow(GetDlgItem(page, id), enabled);
}

static void setBar(HWND page, int position) {
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETPOS, position, 0);
}

static void uncheckOthers(HWND page, int chosen) {
    for (int id : kChoices)
        if (id != chosen)
            CheckDlgButton(page, id, BST_UNCHECKED);
}

// Nothing announced: nothing to show. The installed version announced: "Version aktuell".
// Another one: the choices, with "Jetzt aktualisieren" taken.
static void showUpdateState(HWND page) {
    const UpdateInfo& update = app.updateInfo;
    if (!update.announced)
        return;
    enableControl(page, IDC_UPDATE_SEARCH_LABEL, true);
    showControl(page, IDC_UPDATE_SEARCH_MARK, true);
    for (int mark : {IDC_UPDATE_CHECK_MARK, IDC_UPDATE_DOWNLOAD_MARK, IDC_UPDATE_CHECK_FAILED,
                     IDC_UPDATE_DOWNLOAD_FAILED})
        showControl(page, mark, false);
    enableControl(page, IDC_UPDATE_CHECK_LABEL, false);
    enableControl(page, IDC_UPDATE_DOWNLOAD_LABEL, false);
    setBar(page, 0);
    SetDlgItemTextA(page, IDC_UPDATE_AVAILABLE, update.version.c_str());
    SetDlgItemTextA(page, IDC_UPDATE_CHECKSUM, "");
    enableControl(page, IDC_UPDATE_CHECKSUM_LABEL, false);
    enableControl(page, IDC_UPDATE_AVAILABLE_LABEL, true);
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETBARCOLOR, 0, kBarColour);
    showControl(page, IDC_UPDATE_SEARCH, true);
    if (update.version != NIMBARA_CLIENT_VERSION) {
        for (int id : {IDC_UPDATE_QUESTION, IDC_UPDATE_NOW, IDC_UPDATE_LATER, IDC_UPDATE_GROUP,
                       IDC_UPDATE_SKIP})
            enableControl(page, id, true);
        enableControl(page, IDC_UPDATE_RUN, internetAvailable());
        SetDlgItemTextA(page, IDC_UPDATE_CHECKSUM, update.checksum.c_str());
        enableControl(page, IDC_UPDATE_CHECKSUM_LABEL, true);
    } else {
        enableControl(page, IDC_UPDATE_RUN, false);
        SetDlgItemTextA(page, IDC_UPDATE_SEARCH_LABEL, "Version aktuell");
    }
    SetDlgItemTextA(page, IDC_UPDATE_RUN, "Durchführen");
    CheckDlgButton(page, IDC_UPDATE_NOW, BST_CHECKED);
    uncheckOthers(page, IDC_UPDATE_NOW);
}

static bool downloadFailed(HWND page) {
    showControl(page, IDC_UPDATE_DOWNLOAD_FAILED, true);
    return false;
}

// A size text too long for the counter leaves the counter empty. 0 bytes: the download begins.
static void showReceived(HWND page, uint32_t received, long expected) {
    if (received == 0)
        SetDlgItemTextA(page, IDC_UPDATE_STEP, "Download");
    char counter[64];
    formatText(counter, sizeof counter, "%lu/%s Bytes", static_cast<unsigned long>(received),
               app.updateInfo.fileSize.c_str());
    SetDlgItemTextA(page, IDC_UPDATE_COUNTER, counter);
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETPOS, downloadBarPosition(received, expected),
                        0);
}

// Without a TEMP folder nothing is asked, and no row fails.
static bool showDownload(HWND page, const char* tempDir, UpdateFiles* files) {
    enableControl(page, IDC_UPDATE_BAR, true);
    enableControl(page, IDC_UPDATE_DOWNLOAD_LABEL, true);
    long expected = expectedUpdateSize(app.updateInfo.fileSize);
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETSTEP, 1, 0);
    auto progress = [page, expected](uint32_t received) { showReceived(page, received, expected); };
    DownloadOutcome outcome =
        downloadUpdate(app.updateInfo.location.c_str(), tempDir, expected, progress, files);
    if (outcome == DownloadOutcome::NoTempFolder)
        return false;
    if (outcome == DownloadOutcome::Failed)
        return downloadFailed(page);
    showControl(page, IDC_UPDATE_DOWNLOAD_MARK, true);
    return true;
}

static bool showCheck(HWND page, const UpdateFiles& files) {
    SetDlgItemTextA(page, IDC_UPDATE_STEP, "Dateiprüfung");
    SetDlgItemTextA(page, IDC_UPDATE_COUNTER, "");
    enableControl(page, IDC_UPDATE_CHECK_LABEL, true);
    UpdateCheck check;
    if (!checkUpdate(files, app.updateInfo, &check)) {
        showControl(page, IDC_UPDATE_CHECK_FAILED, true);
        return false;
    }
    setBar(page, kBarChecked);
    SetDlgItemTextA(page, IDC_UPDATE_CHECKSUM, check.crc);
    showControl(page, IDC_UPDATE_CHECK_MARK, check.matches);
    showControl(page, IDC_UPDATE_CHECK_FAILED, !check.matches);
    return check.matches;
}

static void tellWhereTheProgramIs(const char* backup) {
    char text[kUpdatePathSize + 128];
    if (!formatText(text, sizeof text, kProgramInBackup, backup))
        copyText(text, sizeof text, "Die Aktualisierung ist fehlgeschlagen.");
    showMessage(text);
}

// The install has no row of its own in the panel: a failure shows on the last row, the check,
// since the download did succeed.
static bool showInstall(HWND page, const char* tempDir, UpdateFiles* files) {
    InstallOutcome outcome = installUpdate(tempDir, files);
    if (outcome == InstallOutcome::Installed)
        return true;
    if (outcome == InstallOutcome::ProgramInBackup)
        tellWhereTheProgramIs(files->backup);
    showControl(page, IDC_UPDATE_CHECK_MARK, false);
    showControl(page, IDC_UPDATE_CHECK_FAILED, true);
    return false;
}

static void showRestart(HWND page, const UpdateFiles& files) {
    showInformation(kUpdateDone);
    setBar(page, kBarConfirmed);
    pauseMilliseconds(kRestartPauseMs);
    SetDlgItemTextA(page, IDC_UPDATE_STEP, "");
    SetDlgItemTextA(page, IDC_UPDATE_COUNTER, "");
    setBar(page, kBarRestarting);
    startUpdated(page, files);
}

// The chain stops at the first step that fails; its mark tells which. A TEMP longer than any
// path buffer counts as missing.
static void runUpdate(HWND page) {
    showUpdateState(page);
    enableControl(page, IDC_UPDATE_RUN, false);
    enableControl(page, IDC_UPDATE_SEARCH, false);
    char buffer[kUpdatePathSize];
    const char* temp = updateTempFolder(buffer);
    UpdateFiles files;
    if (!showDownload(page, temp, &files) || !showCheck(page, files))
        discardDownload(temp, &files);
    else if (showInstall(page, temp, &files))
        showRestart(page, files);
    enableControl(page, IDC_UPDATE_RUN, true);
    enableControl(page, IDC_UPDATE_SEARCH, true);
}

// The search repeats the login with the stored credentials; the dialog is open, so an
// announcement opens no second one.
static void searchUpdate(HWND page) {
    followAuthentication(refreshStoredLogin());
    if (app.updateInfo.announced)
        showUpdateState(page);
}

static void setUpUpdatePage(HWND page) {
    makeHyperlink(page, IDC_UPDATE_CHANGES_LINK);
    SetDlgItemTextA(page, IDC_UPDATE_INSTALLED, NIMBARA_CLIENT_VERSION);
    showUpdateState(page);
    if (!app.updateInfo.announced) {
        SetDlgItemTextA(page, IDC_UPDATE_RUN, "Update suchen");
        enableControl(page, IDC_UPDATE_RUN, internetAvailable());
    }
}

static void closeDialog(HWND page) {
    closePropertiesDialog(GetParent(page), IDC_UPDATE_RUN);
}

static void runChosen(HWND page) {
    if (!app.updateInfo.announced) {
        enableControl(page, IDC_UPDATE_SEARCH_LABEL, true);
        showControl(page, IDC_UPDATE_SEARCH, false);
        searchUpdate(page);
    } else if (IsDlgButtonChecked(page, IDC_UPDATE_NOW) == BST_CHECKED) {
        runUpdate(page);
    } else if (IsDlgButtonChecked(page, IDC_UPDATE_LATER) == BST_CHECKED) {
        closeDialog(page);
    } else if (IsDlgButtonChecked(page, IDC_UPDATE_SKIP) == BST_CHECKED) {
        writeStringSetting(settings::kProductKey, settings::kUpdateIgnoreVersion,
                           app.updateInfo.version.c_str());
        closeDialog(page);
    }
}

// Only a web address from the service is opened; any other falls back to the change log.
static void openChanges(HWND page) {
    const UpdateInfo& update = app.updateInfo;
    bool announcedPage = update.announced && isWebAddress(update.infoUri.c_str());
    openWebPage(page, announcedPage ? update.infoUri.c_str() : kChangeLogPage, true);
}

// The choices act on any notification, the buttons and the link on their click.
static void runUpdateCommand(HWND page, int id, int notification) {
    switch (id) {
    case IDC_UPDATE_NOW:
    case IDC_UPDATE_LATER:
    case IDC_UPDATE_SKIP:
        uncheckOthers(page, id);
        break;
    case IDC_UPDATE_RUN:
        if (notification == BN_CLICKED)
            runChosen(page);
        break;
    case IDC_UPDATE_SEARCH:
        if (notification != BN_CLICKED)
            break;
        showControl(page, IDC_UPDATE_SEARCH, false);
        showControl(page, IDC_UPDATE_SEARCH_MARK, false);
        enableControl(page, IDC_UPDATE_RUN, false);
        SetDlgItemTextA(page, IDC_UPDATE_SEARCH_LABEL, "Suche Updates");
        enableControl(page, IDC_UPDATE_SEARCH_LABEL, true);
        searchUpdate(page);
        break;
    case IDC_UPDATE_CHANGES_LINK:
        if (notification == STN_CLICKED)
            openChanges(page);
        break;
    default:
        break;
    }
}

// Every message is answered with false, the set-up's too: the frame keeps the focus.
INT_PTR CALLBACK updatePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    try {
        if (message == WM_INITDIALOG)
            setUpUpdatePage(page);
        else if (message == WM_COMMAND)
            runUpdateCommand(page, LOWORD(wParam), HIWORD(wParam));
    } catch (...) {
        // nothing may leave a page procedure; the step simply did not happen
    }
    return FALSE;
}
