// The Login page: takes the login of the provider's web portal and, when the frame applies,
// sends it once to the authentication call, which stores the WebDAV login the service answers
// with. The portal login itself is never stored; the page shows only whether a login is stored,
// holds the choice to keep it on this computer, and links to the portal's password pages.
#include "ui/properties/frame.h"
#include "ui/properties/pages.h"

#include "base/hyperlink.h"
#include "base/registry.h"
#include "base/settings.h"
#include "core/appstate.h"
#include "drive/frontend.h"
#include "drive/mount.h"
#include "drive/webfolder.h"
#include "res/resource.h"

#include <string>

constexpr const char* kPasswordChangePage = NIMBARA_PORTAL_PAGE("PasswortAendern");
constexpr const char* kPasswordForgottenPage = NIMBARA_PORTAL_PAGE("PasswortVergessen");

static void showControl(HWND page, int id, bool visible) {
    ShowWindow(GetDlgItem(page, id), visible ? SW_SHOW : SW_HIDE);
}

// The status area: the stored note with the success mark, or the error with the failure mark.
static void showLoginStored(HWND page, bool stored) {
    showControl(page, IDC_LOGIN_STORED_NOTE, stored);
    showControl(page, IDC_LOGIN_SUCCESS_MARK, stored);
    showControl(page, IDC_LOGIN_ERROR, !stored);
    showControl(page, IDC_LOGIN_FAILURE_MARK, !stored);
}

// The fields stay empty: a stored login is never shown.
static void setUpLoginPage(HWND page) {
    showDwordSetting(page, settings::kSaveCredentials, IDC_SAVE_CREDENTIALS);
    std::string userName;
    if (readProductString(settings::kDavUser, &userName) && !userName.empty()) {
        showControl(page, IDC_LOGIN_STORED_NOTE, true);
        showControl(page, IDC_LOGIN_SUCCESS_MARK, true);
    }
}

// Only a real change marks the dialog as changed: a field merely receiving or losing the focus
// would otherwise let OK write the check box over a SaveCredentials the user never touched.
static bool runLoginCommand(HWND page, int id, int notification) {
    switch (id) {
    case IDC_LOGIN_NAME:
    case IDC_LOGIN_PASSWORD:
        if (notification == EN_CHANGE)
            markChanged(page);
        return true;
    case IDC_SAVE_CREDENTIALS:
        if (notification == BN_CLICKED)
            markBoxChanged(page, id);
        return true;
    case IDC_PASSWORD_CHANGE_LINK:
        if (notification == STN_CLICKED)
            openWebPage(page, kPasswordChangePage, true);
        return true;
    case IDC_PASSWORD_FORGOTTEN_LINK:
        if (notification == STN_CLICKED)
            openWebPage(page, kPasswordForgottenPage, true);
        return true;
    default:
        return false;
    }
}

// A login that reached no service counts as failed here: nothing was stored, so the page must
// not claim otherwise. The fields hold at most 255 characters each; a longer text is cut by the
// control, but a name or password of that length is beyond what the call sends, so it is
// refused by the call and never used cut. The portal password is wiped once sent; a failed
// login keeps the fields for a correction. False only for a login tried and failed.
bool applyLoginPage(HWND page) {
    applyDwordSetting(page, settings::kSaveCredentials, IDC_SAVE_CREDENTIALS, true);
    char userName[256] = "";
    char password[256] = "";
    GetDlgItemTextA(page, IDC_LOGIN_NAME, userName, sizeof userName);
    GetDlgItemTextA(page, IDC_LOGIN_PASSWORD, password, sizeof password);
    if (userName[0] == '\0' || password[0] == '\0') {
        SecureZeroMemory(password, sizeof password);
        return true;
    }
    AuthOutcome outcome = refreshLogin(userName, password);
    SecureZeroMemory(password, sizeof password);
    followAuthentication(outcome);
    if (outcome.result != AuthResult::Succeeded) {
        showLoginStored(page, false);
        return false;
    }
    SetDlgItemTextA(page, IDC_LOGIN_NAME, "");
    SetDlgItemTextA(page, IDC_LOGIN_PASSWORD, "");
    showLoginStored(page, true);
    if (app.connected) {
        unmountDrive(false);
        mountDrive(false);
    }
    return true;
}

INT_PTR CALLBACK loginPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            makeHyperlink(page, IDC_PASSWORD_CHANGE_LINK);
            makeHyperlink(page, IDC_PASSWORD_FORGOTTEN_LINK);
            setUpLoginPage(page);
            return TRUE;
        case WM_COMMAND:
            return runLoginCommand(page, LOWORD(wParam), HIWORD(wParam));
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE; // nothing may leave a page procedure; the step simply did not happen
    }
}
