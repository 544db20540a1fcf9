// The properties dialog, its pages and links (dialog_driver.h), against the local provider service.
#include "base/hyperlink.h"
#include "base/osprobe.h"
#include "base/registry.h"
#include "deployment.h"
#include "dialog_driver.h"
#include "drive/frontend.h"
#include "iat.h"
#include "provider_client.h"
#include "ui/properties/infotext.h"
#include "res/resource.h"

#include <commctrl.h>
#include <wininet.h>

#include <cstring>
#include <tuple>
#include <utility>

using namespace dialogtest;

namespace {

// Link properties, and link procedures or none, left on a window as WM_DESTROY reaches it.
int propertiesLeft = 0;
BOOL CALLBACK countLinkProperty(HWND, LPCSTR name, HANDLE) {
    return propertiesLeft += HIWORD(UINT_PTR(name)) && !strncmp(name, "_Hyperlink_", 11), TRUE;
}
LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam) {
    auto sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (sent->message == WM_DESTROY) {
        EnumPropsA(sent->hwnd, countLinkProperty);
        auto procedure = WNDPROC(GetWindowLongPtrA(sent->hwnd, GWLP_WNDPROC));
        propertiesLeft +=
            !procedure || procedure == hyperlinkStaticProc || procedure == hyperlinkParentProc;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// It opens on Login, whose links subclass it once and are blue; the help link and F1 minimise it
// and open the help page; a second request brings it back. Closing frees fonts and link properties.
TEST_F(Dialog, OpensOnLoginWithItsLinks) {
    std::vector<HGDIOBJ> fonts;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, afterMessage, nullptr, GetCurrentThreadId());
    reg::set("DAVUser", "");
    run(kPageUsed, {[&](HWND frame) {
            HWND page = shownPage(frame); // Login: the links below are its own
            EXPECT_EQ(GetDlgItem(page, IDC_LOGIN_NAME), GetFocus());
            EXPECT_FALSE(shown(GetDlgItem(page, IDC_LOGIN_STORED_NOTE))); // DAVUser empty
            // A pixel left and two up of the tab control's place in the frame's window coordinates.
            RECT tabs, outer, at;
            POINT origin = {0, 0};
            GetWindowRect(GetDlgItem(frame, IDC_PROPERTIES_TABS), &tabs);
            GetWindowRect(frame, &outer), GetWindowRect(page, &at), ClientToScreen(frame, &origin);
            EXPECT_TRUE(at.left == origin.x + tabs.left - outer.left - 1 &&
                        at.right - at.left > 99 && at.top == origin.y + tabs.top - outer.top - 2 &&
                        at.bottom - at.top > 99);
            EXPECT_EQ(page, GetWindow(frame, GW_CHILD));
            EXPECT_EQ("\xDC&bernehmen", text(frame, IDC_APPLY)); // Windows-1252
            std::string captions;
            for (int index = 0; index < 5; ++index) { // the tabs in their order
                char caption[32] = "";
                TCITEMA item = {TCIF_TEXT, 0, 0, caption, sizeof caption, 0, 0};
                SendDlgItemMessageA(frame, IDC_PROPERTIES_TABS, TCM_GETITEMA, index, LPARAM(&item));
                captions += caption + std::string("|");
            }
            EXPECT_EQ("&Allgemein|&Login|&Einstellungen|&Update|&Info|", captions);
            for (WORD focus : {EN_SETFOCUS, EN_KILLFOCUS})
                press(page, IDC_LOGIN_NAME, focus);
            EXPECT_FALSE(enabled(frame, IDC_APPLY)); // focus is no change
            press(page, IDC_LOGIN_PASSWORD, EN_CHANGE);
            EXPECT_TRUE(enabled(frame, IDC_APPLY)); // typing is
            // The page's own procedure, kept once.
            EXPECT_NE(HANDLE(hyperlinkParentProc), GetPropA(page, "_Hyperlink_Original_Proc_"));
            HDC dc = GetDC(page);
            for (int id :
                 {IDC_PASSWORD_CHANGE_LINK, IDC_PASSWORD_FORGOTTEN_LINK, IDC_LOGIN_STORED_NOTE}) {
                SetTextColor(dc, RGB(1, 2, 3));
                SendMessageA(page, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(GetDlgItem(page, id)));
                EXPECT_EQ(id != IDC_LOGIN_STORED_NOTE, GetTextColor(dc) == RGB(0, 0, 255)) << id;
            }
            ReleaseDC(page, dc);
            for (HWND link :
                 {GetDlgItem(page, IDC_PASSWORD_CHANGE_LINK),
                  GetDlgItem(page, IDC_PASSWORD_FORGOTTEN_LINK), GetDlgItem(frame, IDC_HELP_LINK)})
                fonts.push_back(GetPropA(link, "_Hyperlink_Underline_Font_"));
            for (int id : {IDC_PASSWORD_CHANGE_LINK, IDC_PASSWORD_FORGOTTEN_LINK}) {
                for (WORD notice : {STN_CLICKED, STN_DBLCLK}) // a double-click opens it once
                    press(page, id, notice);
                EXPECT_TRUE(IsIconic(frame)) << id;
                ShowWindow(frame, SW_RESTORE);
            }
            SendDlgItemMessageA(frame, IDC_HELP_LINK, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            EXPECT_TRUE(IsIconic(frame));
            ShowWindow(frame, SW_RESTORE);
            HELPINFO f1 = {sizeof f1, HELPINFO_WINDOW, IDC_LOGIN_NAME, nullptr, 0, {0, 0}};
            SendDlgItemMessageA(page, IDC_LOGIN_NAME, WM_HELP, 0, reinterpret_cast<LPARAM>(&f1));
            EXPECT_TRUE(IsIconic(frame));
            bringPropertiesForward(kPageGeneral);
            EXPECT_FALSE(IsIconic(frame) || shown(page));
            EXPECT_EQ(0, SendDlgItemMessageA(frame, IDC_PROPERTIES_TABS, TCM_GETCURSEL, 0, 0));
            EXPECT_EQ(nullptr, GetDlgItem(shownPage(frame), IDC_LOGIN_NAME));
            bringPropertiesForward(kPageLogin);
            EXPECT_EQ(page, shownPage(frame)); // the same page again
            press(frame, IDCANCEL);
        }});
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(0, propertiesLeft);
    app.instance = GetModuleHandleA("kernel32.dll"); // no dialog there: not left marked open
    EXPECT_TRUE(runPropertiesDialog(kPageGeneral) == -1 && !app.propertiesOpen);
    app.instance = GetModuleHandleA(nullptr);
    app.mainWindow = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, 0, 0, 0, 0);
    DestroyWindow(app.mainWindow); // an owner gone: 0, and not left marked open either
    EXPECT_TRUE(runPropertiesDialog(kPageGeneral) == 0 && !app.propertiesOpen);
    for (HGDIOBJ font : fonts)
        EXPECT_TRUE(font && GetObjectType(font) == 0); // made, and deleted
    std::string portal = "shellOpen window http://" NIMBARA_PORTAL_HOST "/Nimbara/WindowsClient/";
    EXPECT_EQ(portal + "PasswortAendern  1;" + portal + "PasswortVergessen  1;" + portal +
                  "Hilfe  1;" + portal + "Hilfe  1;",
              recording::calls);
}

// A mount waiting for the login runs on OK and opens the drive only when it succeeded; a page
// never opened is never applied. Apply stores and disables itself, Abbrechen keeps that; OK applies
// again.
TEST_F(Dialog, OkApplyAndAbbrechen) {
    reg::set("SaveCredentials", 1); // stored: a Login page never opened would write its 0
    // The retry the login request sets, the button, whether the mount succeeds, what was done.
    for (const auto& [retry, button, mounts, done] :
         {std::tuple{2, IDOK, true, "mountDrive true;openDrive window;"},
          {1, IDOK, true, "mountDrive false;remountAfterResume;"},
          {2, IDOK, false, "mountDrive true;"},
          {2, IDCANCEL, true, "remountAfterResume;"}}) {
        recording::mount = [mounts = mounts](bool) {
            EXPECT_FALSE(app.propertiesOpen || app.propertiesWindow); // a new request may open it
            app.retryAfterLogin = mounts ? 0 : 2; // as a mount refused again leaves it
            return mounts;
        };
        HWND owner = std::exchange(app.mainWindow, nullptr); // the login request: to this thread
        requestLogin(retry == 2);
        MSG posted;
        EXPECT_TRUE(PeekMessageA(&posted, nullptr, WM_USER + 100, WM_USER + 100, PM_REMOVE));
        app.mainWindow = owner;
        recording::calls.clear();
        app.resumeCheckPending = retry == 1 || button == IDCANCEL; // checked once it closes
        EXPECT_EQ(button,
                  run(retry == 1 ? kPageGeneral : kPageLogin, {[r = retry, b = button](HWND frame) {
                          r == 1 ? markChanged(shownPage(frame)) : void();
                          press(frame, b);
                      }}));
        EXPECT_TRUE(done == recording::calls && !app.resumeCheckPending) << recording::calls;
        EXPECT_EQ(mounts ? 0 : 2, app.retryAfterLogin);
    }
    EXPECT_EQ("1-", reg::get("SaveCredentials") + reg::get("AutoMount"));
    reg::remove({"SaveCredentials"});
    auto clickAndApply = [](HWND frame) {
        press(frame, IDC_APPLY); // nothing pending yet: it stays open
        EXPECT_TRUE(app.propertiesOpen);
        click(shownPage(frame), IDC_SAVE_CREDENTIALS);
        press(frame, IDC_APPLY);
        EXPECT_FALSE(enabled(frame, IDC_APPLY));
    };
    run(kPageLogin, {clickAndApply, [](HWND frame) {
                         click(shownPage(frame), IDC_SAVE_CREDENTIALS);
                         press(frame, IDCANCEL); // not applied
                     }});
    EXPECT_EQ("1", reg::get("SaveCredentials"));
    run(kPageLogin, {clickAndApply, [](HWND frame) {
                         reg::set("SaveCredentials", 7);
                         press(frame, IDOK);
                     }});
    EXPECT_EQ("0", reg::get("SaveCredentials"));
}

// Types a login and presses the button (OK from another tab): closed or away from Login, the
// status area (stored note and mark, error and mark), then the fields.
std::string login(HWND frame, const char* password, const char* answer, int button = IDC_APPLY) {
    provider::script({{answer}});
    HWND page = shownPage(frame);
    SetDlgItemTextA(page, IDC_LOGIN_NAME, "anna");
    SetDlgItemTextA(page, IDC_LOGIN_PASSWORD, password);
    button == IDOK ? bringPropertiesForward(kPageInfo) : void();
    press(frame, button);
    std::string state = !app.propertiesOpen ? "closed " : shownPage(frame) != page ? "away " : "";
    for (int id :
         {IDC_LOGIN_STORED_NOTE, IDC_LOGIN_SUCCESS_MARK, IDC_LOGIN_ERROR, IDC_LOGIN_FAILURE_MARK})
        state += shown(GetDlgItem(page, id)) ? "+" : "-";
    return state + text(page, IDC_LOGIN_NAME) + text(page, IDC_LOGIN_PASSWORD);
}

// Not reached and refused keep the fields for a correction, and OK keeps the dialog open on Login;
// a login that succeeds on OK empties them and mounts a connected drive again.
TEST_F(Dialog, LoginOnThePage) {
    provider::use("http");
    reg::set({{"authApiHost", "127.0.0.1:1"}, {"DAVUser", "kept"}});
    app.connected = true;
    run(kPageGeneral, {[&](HWND frame) {
            bringPropertiesForward(kPageLogin); // made now, it takes the focus
            EXPECT_EQ(GetDlgItem(shownPage(frame), IDC_LOGIN_NAME), GetFocus());
            EXPECT_EQ("Loginfehler: Bitte versuchen Sie es erneut.\r\nBitte beachten Sie, dass die "
                      "Logindaten Ihrer Registrierung auf " NIMBARA_PORTAL_HOST
                      " ben\xF6tigt werden.",
                      text(shownPage(frame), IDC_LOGIN_ERROR));
            for (int id : {IDC_LOGIN_STORED_NOTE, IDC_LOGIN_SUCCESS_MARK, IDC_LOGIN_FAILURE_MARK})
                EXPECT_EQ(id != IDC_LOGIN_FAILURE_MARK, shown(GetDlgItem(shownPage(frame), id)));
            EXPECT_EQ("", text(shownPage(frame), IDC_LOGIN_NAME)); // a stored login is not shown
            EXPECT_EQ("--++annaportal", login(frame, "portal", "", IDOK)); // kept for a correction
            reg::set("authApiHost", provider::host("http"));
            EXPECT_EQ("--++anna", login(frame, "", "")); // one field empty: nothing is sent
            EXPECT_EQ("--++annawrong", login(frame, "wrong", "Status: 200\r\n", IDOK));
            // Sent to a page instead: the dialog makes way, and closing it will mount nothing.
            app.retryAfterLogin = kRetryMountAndOpen;
            EXPECT_EQ("--++annap", login(frame, "p", "Status: 409\r\nMessage: http://p/x\r\n"));
            EXPECT_TRUE(IsIconic(frame) && app.retryAfterLogin == kRetryNothing);
            ShowWindow(frame, SW_RESTORE);
            // A new letter too: the new login is stored before the drive moves to the letter.
            bringPropertiesForward(kPageSettings);
            HWND settings = shownPage(frame);
            EXPECT_TRUE(IsChild(settings, GetFocus()));
            EXPECT_EQ("X:", text(settings, IDC_DRIVE_LETTER_LIST)); // none stored
            reg::set("DriveLetter", "T:");
            SendDlgItemMessageA(settings, IDC_DRIVE_LETTER_LIST, CB_SELECTSTRING, -1, LPARAM("Q:"));
            press(settings, IDC_DRIVE_LETTER_LIST, CBN_SELCHANGE);
            bringPropertiesForward(kPageLogin);
            recording::mount = [](bool) { // the reconnection fails: OK closes all the same
                return recording::record(std::to_string(provider::requests().size())), false;
            };
            EXPECT_EQ("closed ++--",
                      login(frame, "portal", "Name: dav\r\nPassword: p\r\nShare: s\r\n", IDOK));
        }});
    ASSERT_EQ(3u, provider::requests().size());
    EXPECT_NE(std::string::npos, provider::requests()[2].path.find("=anna&password=portal&"));
    EXPECT_EQ("shellOpen none http://p/x  5;unmountDrive false;mountDrive false;3;"
              "unmountDrive false;mountDrive false;3;",
              recording::calls);
    app.retryAfterLogin = kRetryMountAndOpen; // a page named with the dialog closed: no mount
    followAuthentication({AuthResult::Failed, "", false, "http://p/y"});
    EXPECT_EQ(kRetryNothing, app.retryAfterLogin);
}

// What the General page sets up: the picture shown, then the type, the figures ("~" when
// hidden), the letter and the package, then the usage bar's position and range.
std::string general(HWND page) {
    std::string all =
        shown(GetDlgItem(page, IDC_CONNECTED_PICTURE)) ? "connected|" : "not connected|";
    for (int id :
         {IDC_CONNECTION_TYPE, IDC_USED_BYTES, IDC_USED_PRETTY, IDC_FREE_BYTES, IDC_FREE_PRETTY,
          IDC_TOTAL_BYTES, IDC_TOTAL_PRETTY, IDC_DRIVE_TEXT, IDC_PACKAGE_LINK})
        all += (shown(GetDlgItem(page, id)) ? "" : "~") + text(page, id) + "|";
    return all + std::to_string(SendDlgItemMessageA(page, IDC_USAGE_BAR, PBM_GETPOS, 0, 0)) + "/" +
           std::to_string(SendDlgItemMessageA(page, IDC_USAGE_BAR, PBM_GETRANGE, FALSE, 0));
}

// Whether the refresh button could be pressed while the service was asked.
HWND refreshButton = nullptr;
std::string refreshWhileAsking;
decltype(&InternetOpenA) realInternetOpen;
HINTERNET WINAPI openWatched(LPCSTR agent, DWORD type, LPCSTR proxy, LPCSTR bypass, DWORD flags) {
    refreshWhileAsking += std::to_string(IsWindowEnabled(refreshButton));
    return realInternetOpen(agent, type, proxy, bypass, flags);
}

// Not connected and not reached; a refresh with both (the button off meanwhile); the brushes.
HGDIOBJ greenBrush;
TEST_F(Dialog, GeneralPageShowsTheDriveAndItsQuota) {
    reg::set({{"statApiProto", "http"}, {"statApiHost", "127.0.0.1:1"}});
    reg::set({{"DAVUser", "dav"}, {"DAVPasswd", "pw"}});
    run(kPageGeneral, {[&](HWND frame) {
            HWND page = shownPage(frame);
            EXPECT_EQ("not connected|Nichtverbundenes Netzlaufwerk|~|unbekannt|~|unbekannt|~|"
                      "unbekannt|Laufwerk T:||0/100",
                      general(page));
            reg::set({{"statApiHost", provider::host("http")}, {"DriveLetter", "X:\\"}});
            provider::script(
                {{"Status: 200\r\nQuota-Used-Bytes: 5\r\nQuota-Total-Bytes: 10\r\n"
                  "Quota-Available-Bytes: 5\r\nQuota-Used-Pretty: 5 B\r\nQuota-Available-"
                  "Pretty: 5 B\r\nQuota-Total-Pretty: 10 B\r\nPackage-Name: S\r\n"}});
            app.connected = true;
            refreshButton = GetDlgItem(page, IDC_REFRESH);
            ImportRedirect opens("wininet.dll", "InternetOpenA", openWatched, &realInternetOpen);
            press(page, IDC_REFRESH);
            EXPECT_EQ("0", refreshWhileAsking);
            EXPECT_EQ("connected|Netzlaufwerk|5|5 B|5|5 B|10|10 B|Laufwerk X:\\|S|50/100",
                      general(page));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_REFRESH)) && IsWindowEnabled(page) &&
                        GetPropA(GetDlgItem(page, IDC_PACKAGE_LINK), "_Hyperlink_From_Static_"));
            // No status: the figures sent go in, the bar follows, the others stay as they were.
            provider::script({{"Quota-Used-Bytes: 2\r\nQuota-Total-Bytes: 10\r\n"}});
            press(page, IDC_REFRESH);
            EXPECT_EQ("connected|Netzlaufwerk|~2|unbekannt|~5|unbekannt|~10|unbekannt|"
                      "Laufwerk X:\\|S|20/100",
                      general(page));
            auto brush = [page](int id) {
                return SendMessageA(page, WM_CTLCOLORSTATIC, 0, LPARAM(GetDlgItem(page, id)));
            };
            LOGBRUSH green = {};
            greenBrush = HGDIOBJ(brush(IDC_USED_SQUARE));
            GetObjectA(greenBrush, sizeof green, &green);
            EXPECT_TRUE(green.lbColor == RGB(0, 110, 0) && // one green; the rest as is
                        brush(IDC_USED_SQUARE) == brush(IDC_USED_SQUARE) &&
                        brush(IDC_FREE_SQUARE) == LRESULT(GetStockObject(WHITE_BRUSH)) &&
                        brush(IDC_DRIVE_TEXT) != brush(IDC_FREE_SQUARE));
            for (WORD notice : {STN_DBLCLK, STN_CLICKED}) { // the package link: a click, aside
                press(page, IDC_PACKAGE_LINK, notice);
                EXPECT_EQ(notice == STN_CLICKED, IsIconic(frame) != FALSE);
            }
            ShowWindow(frame, SW_RESTORE);
            EXPECT_EQ("shellOpen window http://" NIMBARA_PORTAL_HOST
                      "/Nimbara/WindowsClient/Produktwechsel  1;",
                      recording::calls);
            EXPECT_TRUE(SendDlgItemMessageA(page, IDC_USAGE_BAR, PBM_GETBARCOLOR, 0, 0) ==
                            RGB(0, 100, 0) && // the bar a darker green on white
                        SendDlgItemMessageA(page, IDC_USAGE_BAR, PBM_GETBKCOLOR, 0, 0) ==
                            RGB(255, 255, 255));
        }},
        "general");
    EXPECT_EQ(0, GetObjectType(greenBrush)); // deleted with the page
}

std::string nameSpace(const char* folder) {
    return std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + folder +
           "\\NameSpace\\{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}";
}
decltype(&GetDriveTypeA) realDriveType;
UINT WINAPI driveTypes(LPCSTR root) { // R: a network drive, C: and S: unknown; "X:\\" is a root
    return strlen(root) != 3              ? DRIVE_NO_ROOT_DIR
           : *root == 'R'                 ? DRIVE_REMOTE
           : *root == 'S' || *root == 'C' ? DRIVE_UNKNOWN
                                          : realDriveType(root);
}
std::string notified; // whether My Computer's entry was there each time Explorer was told
void WINAPI notifyShell(LONG, UINT, LPCVOID, LPCVOID) {
    notified += reg::get("", nameSpace("MyComputer").c_str()) + ";";
}
BOOL WINAPI windowsXp(OSVERSIONINFOA* version) {
    return version->dwMajorVersion = 5, version->dwMinorVersion = 1;
}

// Z: is offered though in use, with the free letters (not R:, a network drive); Apply writes every
// box and reconnects under the new letter; the Explorer entries go as whole keys; no selection
// stores no letter; on XP SSL is not stored. The web-folder methods have no letter.
TEST_F(Dialog, SettingsPageAppliesItsChoices) {
    reg::set("DriveLetter", "Z:");
    reg::set({{"AutoMount", 1}, {"MyComputerIcon", 2}, {"DesktopIcon", 1}, {"SSL", 1}});
    recording::unmount = [] { recording::record(reg::get("DriveLetter")), app.connected = false; };
    realDriveType = redirectImport("kernel32.dll", "GetDriveTypeA", driveTypes);
    ImportRedirect shellNotices("shell32.dll", "SHChangeNotify", notifyShell);
    recording::mount = [](bool) { return recording::record(reg::get("DriveLetter")), true; };
    app.connected = true;
    auto stored = [] { // the entries' titles, and what is below them
        std::string all = reg::get("AutoMount") + reg::get("MyComputerIcon") +
                          reg::get("DesktopIcon") + reg::get("SSL") + reg::get("DriveLetter");
        for (const std::string& key : {nameSpace("MyComputer"), nameSpace("Desktop")})
            all += " " + reg::get("", key.c_str()) + reg::get("", (key + "\\Below").c_str());
        return all;
    };
    auto clickBoxes = [](HWND page) {
        for (int id : {IDC_AUTOSTART, IDC_MY_COMPUTER_ICON, IDC_DESKTOP_ICON})
            click(page, id);
    };
    run(kPageSettings, {[&](HWND frame) {
            HWND page = shownPage(frame);
            EXPECT_EQ("Z: Verschl\xFCsselte Dateitransfers",
                      text(page, IDC_DRIVE_LETTER_LIST) + " " + text(page, IDC_SSL));
            EXPECT_EQ(23, SendDlgItemMessageA(page, IDC_DRIVE_LETTER_LIST, CB_GETCOUNT, 0, 0));
            EXPECT_TRUE(IsDlgButtonChecked(page, IDC_AUTO_MOUNT) && IsChild(page, GetFocus()) &&
                        !enabled(page, IDC_AUTO_MOUNT) && enabled(page, IDC_SSL) &&
                        enabled(page, IDC_DRIVE_LETTER_LIST));
            for (int id : {IDC_AUTOSTART, IDC_SSL})
                press(page, id, BN_SETFOCUS);
            EXPECT_FALSE(enabled(frame, IDC_APPLY));
            clickBoxes(page);
            EXPECT_TRUE(enabled(page, IDC_AUTO_MOUNT));
            SendDlgItemMessageA(page, IDC_DRIVE_LETTER_LIST, CB_SELECTSTRING, -1, LPARAM("D:"));
            press(page, IDC_DRIVE_LETTER_LIST, CBN_SELCHANGE);
            press(frame, IDC_APPLY);
            EXPECT_EQ("unmountDrive false;Z:;mountDrive false;D:;", recording::calls);
            EXPECT_EQ("1101D: Nimbara- --|Nimbara;", stored() + "|" + notified);
            for (const char* folder : {"MyComputer", "Desktop"})
                reg::set("", "x", (nameSpace(folder) + "\\Below").c_str());
            clickBoxes(page);
            click(page, IDC_SSL);
            SendDlgItemMessageA(page, IDC_DRIVE_LETTER_LIST, CB_SETCURSEL, -1, 0);
            // Pressed on XP: the redirect lasts for this statement only.
            ImportRedirect("kernel32.dll", "GetVersionExA", windowsXp), press(frame, IDC_APPLY);
            EXPECT_EQ("1011D: -- Nimbarax", stored());
            EXPECT_FALSE(autostartEnabled());
            for (int id : {IDC_AUTOSTART, IDC_AUTO_MOUNT, IDC_MY_COMPUTER_ICON, IDC_DESKTOP_ICON,
                           IDC_SSL, IDC_DRIVE_LETTER_LIST}) { // each a change of its own
                press(page, id, id == IDC_DRIVE_LETTER_LIST ? CBN_SELCHANGE : BN_CLICKED);
                EXPECT_TRUE(enabled(frame, IDC_APPLY)) << id;
                press(frame, IDC_APPLY);
            }
        }},
        "settings");
    redirectImport("kernel32.dll", "GetDriveTypeA", realDriveType);
    reg::set("ForceMethod", 1);
    reg::set("DriveLetter", "t:"); // matches no entry
    setAutostart(true);
    reg::remove({"SSL"}); // absent: shown unchecked
    run(kPageSettings, {[](HWND frame) {
            HWND page = shownPage(frame);
            EXPECT_TRUE(text(page, IDC_DRIVE_LETTER_LIST).empty() && enabled(page, IDC_SSL) &&
                        !IsDlgButtonChecked(page, IDC_SSL));
            for (int round = 0; round < 3; ++round) { // started on, then off, then on again
                for (int id : {IDC_DRIVE_LETTER_LIST, IDC_DRIVE_LETTER_LABEL, IDC_DRIVE_LETTER_NOTE,
                               IDC_AUTO_MOUNT})
                    EXPECT_FALSE(enabled(page, id)) << id;
                click(page, IDC_AUTOSTART);
            }
            click(page, IDC_SSL);
            ImportRedirect xp("kernel32.dll", "GetVersionExA", windowsXp);
            press(frame, IDOK); // before Vista SSL stays as stored
        }});
    EXPECT_EQ("-", reg::get("SSL"));
    reg::remove({"ForceMethod"});
}

// SSL and SaveCredentials absent count as on, shown unchecked: pages only looked at leave them
// absent; a box clicked on and off again stores the 0 it shows.
TEST_F(Dialog, AbsentOnSettingsStayUnlessChanged) {
    reg::remove({"SSL", "SaveCredentials", "ForceMethod"});
    for (int clicks : {0, 2}) {
        run(kPageSettings, {[clicks](HWND frame) {
                HWND settings = shownPage(frame);
                bringPropertiesForward(kPageLogin);
                for (int n = 0; n < clicks; ++n)
                    click(settings, IDC_SSL), click(shownPage(frame), IDC_SAVE_CREDENTIALS);
                markChanged(settings);
                press(frame, IDOK);
            }});
        EXPECT_EQ(clicks ? "00" : "--", reg::get("SSL") + reg::get("SaveCredentials"));
    }
}

// EqualSid that never matches the Administrators group, as for a user outside it.
decltype(&EqualSid) realEqualSid = nullptr;
BOOL WINAPI notAdministrators(PSID a, PSID b) {
    return realEqualSid(a, b) && *GetSidSubAuthority(a, *GetSidSubAuthorityCount(a) - 1) != 544;
}

// The read-only text from this system's facts, for Wine's administrator and for another user.
TEST_F(Dialog, InfoPageShowsTheRuntimeText) {
    reg::set("ForceMethod", 4);
    OsProbe p;
    RuntimeFacts facts = {4, p.majorVersion(), p.minorVersion(), p.buildNumber(), 0, true, true, 4};
    facts.editionCode = p.editionCode(), facts.is32Bit = p.is32Bit();
    for (bool administrator : {true, false}) {
        facts.administrator = administrator;
        if (!administrator)
            realEqualSid = redirectImport("advapi32.dll", "EqualSid", notAdministrators);
        run(kPageInfo, {[&](HWND frame) {
                HWND page = shownPage(frame);
                EXPECT_EQ(runtimeInfoText(facts) + "|E-Mail an " NIMBARA_SUPPORT_ADDRESS
                                                   " verfassen.",
                          text(page, IDC_RUNTIME_INFO) + "|" + text(page, IDC_SUPPORT_MAIL_LINK));
                EXPECT_TRUE(GetWindowLongA(GetDlgItem(page, IDC_RUNTIME_INFO), GWL_STYLE) &
                            ES_READONLY);
            }},
            administrator ? "info" : "info-user");
    }
    redirectImport("advapi32.dll", "EqualSid", realEqualSid);
}

// What the link's procedures send and invalidate, and a hand cursor that may be missing.
std::vector<WPARAM> fontsSet;
std::vector<BOOL> erased;
bool noHand = false;
decltype(&SendMessageA) realSend;
decltype(&InvalidateRect) realInvalidate;
decltype(&LoadCursorA) realLoadCursor;
LRESULT WINAPI sendRecorded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    message == WM_SETFONT ? fontsSet.push_back(wParam) : void();
    return realSend(window, message, wParam, lParam);
}
BOOL WINAPI invalidateRecorded(HWND window, const RECT* area, BOOL erase) {
    return erased.push_back(erase), realInvalidate(window, area, erase);
}
HCURSOR WINAPI loadCursor(HINSTANCE module, LPCSTR name) {
    return noHand && name == IDC_HAND ? nullptr : realLoadCursor(module, name);
}

// A link made once: its font or the system font underlined while the mouse is over it, the hand
// cursor or else the arrow, blue on the parent's own brush; all given back when it goes.
TEST(Hyperlink, FollowsTheMouseWithItsOwnFont) {
    ImportRedirect sends("user32.dll", "SendMessageA", sendRecorded, &realSend);
    ImportRedirect invalidates("user32.dll", "InvalidateRect", invalidateRecorded, &realInvalidate);
    ImportRedirect cursors("user32.dll", "LoadCursorA", loadCursor, &realLoadCursor);
    HWND parent = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 300, 300, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
    HFONT own = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HDC dc = GetDC(parent);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, afterMessage, nullptr, GetCurrentThreadId());
    for (HFONT font : {own, HFONT(nullptr)}) {
        HWND plain = CreateWindowA("STATIC", "", WS_CHILD, 0, 50, 50, 20, parent, HMENU(8), 0, 0);
        HWND link = CreateWindowA("STATIC", "", WS_CHILD, 10, 10, 50, 20, parent, HMENU(7), 0, 0);
        SendMessageA(link, WM_SETFONT, WPARAM(font), FALSE);
        EXPECT_TRUE(makeHyperlink(parent, 7) && attachHyperlink(link));
        EXPECT_FALSE(makeHyperlink(parent, 9) || attachHyperlink(nullptr));
        EXPECT_TRUE(GetWindowLongPtrA(link, GWL_STYLE) & SS_NOTIFY);
        for (HWND window : {parent, link}) // each subclassed once
            EXPECT_FALSE(
                GetPropA(window, "_Hyperlink_Original_Proc_") == HANDLE(hyperlinkStaticProc) ||
                GetPropA(window, "_Hyperlink_Original_Proc_") == HANDLE(hyperlinkParentProc));
        HANDLE underline = GetPropA(link, "_Hyperlink_Underline_Font_");
        LOGFONTA made = {}, base = {};
        GetObjectA(underline, sizeof made, &made);
        GetObjectA(font ? HGDIOBJ(font) : GetStockObject(SYSTEM_FONT), sizeof base, &base);
        EXPECT_TRUE(made.lfUnderline && !made.lfStrikeOut && made.lfHeight == base.lfHeight &&
                    !strcmp(made.lfFaceName, base.lfFaceName));
        fontsSet.clear(), erased.clear();
        for (int x : {5, 45, 55}) // over it, still over it, beside it
            SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(x, 5));
        EXPECT_EQ((std::vector<WPARAM>{WPARAM(underline), WPARAM(font)}), fontsSet);
        EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE}), erased);
        EXPECT_EQ(nullptr, GetCapture());
        for (bool missing : {false, true}) {
            noHand = missing;
            EXPECT_EQ(1, SendMessageA(link, WM_SETCURSOR, WPARAM(link), HTCLIENT));
            EXPECT_EQ(LoadCursorA(nullptr, missing ? IDC_ARROW : IDC_HAND), GetCursor());
        }
        LRESULT plainBrush = SendMessageA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(plain));
        EXPECT_NE(RGB(0, 0, 255), GetTextColor(dc));
        EXPECT_EQ(plainBrush, SendMessageA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(link)));
        EXPECT_EQ(RGB(0, 0, 255), GetTextColor(dc));
        fontsSet.clear(), DestroyWindow(link);
        EXPECT_EQ((std::vector<WPARAM>{WPARAM(font)}), fontsSet);
        EXPECT_TRUE(GetObjectType(underline) == 0 && (!font || GetObjectType(font) == OBJ_FONT));
        DestroyWindow(plain);
    }
    ReleaseDC(parent, dc), DestroyWindow(parent), UnhookWindowsHookEx(hook), DeleteObject(own);
    EXPECT_EQ(0, propertiesLeft);
}

} // namespace
