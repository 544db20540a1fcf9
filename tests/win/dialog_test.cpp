// The properties dialog, its pages and its links in the real modal dialog, driven by steps a
// timer runs in the dialog's own loop; the Login and General pages against the local provider
// service.
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "base/hyperlink.h"
#include "base/osprobe.h"
#include "base/registry.h"
#include "deployment.h"
#include "iat.h"
#include "provider_client.h"
#include "dialog_driver.h"
#include "recording.h"
#include "ui/properties/frame.h"
#include "ui/properties/infotext.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>

using namespace dialogtest;

namespace {

// Without a chosen tab it opens on Login; a second request brings it back on General.
TEST_F(Dialog, OpensOnLoginAndComesForwardOnGeneral) {
    run(kPageUsed, {[](HWND frame) {
            HWND login = shownPage(frame);
            EXPECT_NE(nullptr, GetDlgItem(login, 1008));
            EXPECT_EQ("\xDC&bernehmen", text(frame, 3)); // Windows-1252
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame, 3)));
            ShowWindow(frame, SW_MINIMIZE);
            mainWindowProc(app.mainWindow, WM_USER + 100, 0, 0);
            EXPECT_FALSE(IsIconic(frame) || shown(login));
            EXPECT_EQ(0, SendDlgItemMessageA(frame, 1024, TCM_GETCURSEL, 0, 0));
            EXPECT_EQ(nullptr, GetDlgItem(shownPage(frame), 1008));
            press(frame, IDCANCEL);
        }});
}

// A mount that waited for the login runs when the dialog closes with OK, changed or not; the
// drive opens only after a mount that succeeded; a mount refused again keeps its own retry.
TEST_F(Dialog, OkFinishesAPendingMountAndAbbrechenNever) {
    const struct {
        int retry, button;
        bool mounts;
        const char* done;
    } cases[] = {{2, IDOK, true, "mountDrive true;openDrive window;"},
                 {1, IDOK, true, "mountDrive false;"},
                 {2, IDOK, false, "mountDrive true;"},
                 {2, IDCANCEL, true, ""}};
    for (const auto& c : cases) {
        recording::mount = [&c](bool) {
            app.retryAfterLogin = c.mounts ? 0 : 2; // as a mount refused again leaves it
            return c.mounts;
        };
        recording::calls.clear();
        app.retryAfterLogin = c.retry;
        EXPECT_EQ(c.button, run(kPageGeneral, {[&c](HWND frame) { press(frame, c.button); }}));
        EXPECT_EQ(c.done, recording::joined()) << c.retry << " " << c.button;
        EXPECT_EQ(c.mounts ? 0 : 2, app.retryAfterLogin);
    }
}

// A page never opened is never applied. Apply stores and disables itself; Abbrechen then keeps
// what it stored. The change stays pending, so OK applies again.
TEST_F(Dialog, ApplyStoresAndOnlyOpenedPagesAreApplied) {
    auto clickAndApply = [](HWND frame) {
        SendDlgItemMessageA(shownPage(frame), 1021, BM_CLICK, 0, 0);
        press(frame, 3);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame, 3)));
    };
    run(kPageGeneral, {[](HWND frame) { markChanged(shownPage(frame)), press(frame, IDOK); }});
    EXPECT_EQ(99u, saveCredentials());
    EXPECT_EQ("-", setting("AutoMount"));
    run(kPageLogin, {clickAndApply, [](HWND frame) { press(frame, IDCANCEL); }});
    EXPECT_EQ(1u, saveCredentials());
    run(kPageLogin, {clickAndApply, [](HWND frame) {
                         writeDwordSetting("Software\\Qelto\\Nimbara", "SaveCredentials", 7);
                         press(frame, IDOK);
                     }});
    EXPECT_EQ(0u, saveCredentials());
}

// The link's click and F1 in a page's field both minimise the dialog and open the help page.
TEST_F(Dialog, HelpLinkAndF1OpenTheHelpPage) {
    run(kPageLogin, {[](HWND frame) {
            SendDlgItemMessageA(frame, 1031, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            EXPECT_TRUE(IsIconic(frame));
            ShowWindow(frame, SW_RESTORE);
            HELPINFO f1 = {sizeof f1, HELPINFO_WINDOW, 1008, nullptr, 0, {0, 0}};
            SendDlgItemMessageA(shownPage(frame), 1008, WM_HELP, 0, reinterpret_cast<LPARAM>(&f1));
            EXPECT_TRUE(IsIconic(frame));
            press(frame, IDCANCEL);
        }});
    std::string help =
        "shellOpen window http://" NIMBARA_PORTAL_HOST "/Nimbara/WindowsClient/Hilfe";
    EXPECT_EQ(help + "  1;" + help + "  1;", recording::joined());
}

// Types a login, lets the service give answer and presses button; returns the status area
// (stored note and mark, error and mark) and the fields.
std::string login(HWND frame, const char* password, const char* answer, int button = 3) {
    provider::Answer a;
    a.body = answer;
    provider::script({a});
    HWND page = shownPage(frame);
    SetDlgItemTextA(page, 1008, "anna");
    SetDlgItemTextA(page, 1003, password);
    press(frame, button);
    std::string state;
    for (int id : {1061, 1064, 1006, 1063})
        state += shown(GetDlgItem(page, id)) ? "+" : "-";
    return state + text(page, 1008) + text(page, 1003);
}

// From the stored state, a service that cannot be reached is a failure, and so is a refusal;
// both keep the fields for a correction. A login that succeeds on OK is stored, the fields are
// emptied and a connected drive is mounted again.
TEST_F(Dialog, LoginOnThePage) {
    provider::reset();
    setString("authApiProto", "http");
    setString("authApiHost", "127.0.0.1:1");
    setString("DAVUser", "kept");
    app.connected = true;
    run(kPageLogin, {[&](HWND frame) {
            EXPECT_EQ("Loginfehler: Bitte versuchen Sie es erneut.\r\nBitte beachten Sie, dass die "
                      "Logindaten Ihrer Registrierung auf " NIMBARA_PORTAL_HOST
                      " ben\xF6tigt werden.",
                      text(shownPage(frame), 1006));
            EXPECT_TRUE(shown(GetDlgItem(shownPage(frame), 1061)));
            EXPECT_EQ("--++annaportal", login(frame, "portal", ""));
            setString("authApiHost", provider::host("http"));
            EXPECT_EQ("--++annawrong", login(frame, "wrong", "Status: 200\r\n"));
            EXPECT_EQ("++--",
                      login(frame, "portal", "Name: dav\r\nPassword: p\r\nShare: s\r\n", IDOK));
        }});
    std::string user;
    EXPECT_TRUE(readProductString("DAVUser", &user) && user == "dav");
    ASSERT_EQ(2u, provider::requests().size());
    EXPECT_NE(std::string::npos,
              provider::requests()[1].path.find("username=anna&password=portal"));
    EXPECT_EQ("unmountDrive false;mountDrive false;", recording::joined());
}

// Link properties left on windows at their destruction, counted after each WM_DESTROY.
int propertiesLeft = 0;
BOOL CALLBACK countLinkProperty(HWND, LPCSTR name, HANDLE) {
    propertiesLeft += HIWORD(reinterpret_cast<UINT_PTR>(name)) != 0 &&
                      std::string(name).compare(0, 11, "_Hyperlink_") == 0;
    return TRUE;
}
LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam) {
    auto sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (sent->message == WM_DESTROY)
        EnumPropsA(sent->hwnd, countLinkProperty);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Two links on the Login page subclass it once and are blue, an ordinary static is not; closing
// the dialog frees the underline fonts and leaves no link property behind.
TEST_F(Dialog, LinksAreBlueAndLeaveNothingBehind) {
    std::vector<HGDIOBJ> fonts;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, afterMessage, nullptr, GetCurrentThreadId());
    run(kPageLogin, {[&](HWND frame) {
            HWND page = shownPage(frame);
            EXPECT_NE(reinterpret_cast<HANDLE>(hyperlinkParentProc),
                      GetPropA(page, "_Hyperlink_Original_Proc_")); // the page's own, kept once
            HDC dc = GetDC(page);
            for (int id : {1028, 1030, 1061}) {
                SetTextColor(dc, RGB(1, 2, 3));
                SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
                EXPECT_EQ(id != 1061, GetTextColor(dc) == RGB(0, 0, 255)) << id;
            }
            ReleaseDC(page, dc);
            for (HWND link :
                 {GetDlgItem(page, 1028), GetDlgItem(page, 1030), GetDlgItem(frame, 1031)})
                fonts.push_back(GetPropA(link, "_Hyperlink_Underline_Font_"));
            press(frame, IDCANCEL);
        }});
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(0, propertiesLeft);
    for (HGDIOBJ font : fonts)
        EXPECT_TRUE(font && GetObjectType(font) == 0); // made, and deleted
}

// One row of a page's table: a control at its place in dialog units, with its text; a control
// without an id (-1) is found by its text, a null text is not compared.
struct Control {
    int id, x, y;
    const char* text;
};

void expectControls(HWND page, const std::vector<Control>& table) {
    for (const Control& c : table) {
        HWND control =
            c.id > 0 ? GetDlgItem(page, c.id) : FindWindowExA(page, nullptr, nullptr, c.text);
        RECT want = {c.x, c.y, 0, 0}, got = {};
        MapDialogRect(page, &want);
        GetWindowRect(control, &got);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&got), 1);
        EXPECT_TRUE(control && got.left == want.left && got.top == want.top)
            << c.id << " " << (c.text ? c.text : "");
        if (c.id > 0 && c.text) {
            EXPECT_EQ(c.text, text(page, c.id));
        }
    }
}

// Every control of each page from the running dialog, a new General page with nothing stored;
// and a picture of each page, taken after two idle ticks: Wine puts a window's drawing on the
// screen only once its loop has been idle.
TEST_F(Dialog, PagesShowTheirControls) {
    const struct {
        int index;
        const char* name;
        std::vector<Control> table;
    } pages[] = {
        {kPageGeneral,
         "general",
         {{1073, 7, 2, nullptr},
          {1074, 7, 2, nullptr},
          {-1, 60, 11, "Qelto Nimbara"},
          {1020, 6, 27, ""},
          {-1, 7, 32, "Typ:"},
          {1072, 60, 32, "Nichtverbundenes Netzlaufwerk"},
          {-1, 7, 46, "Dateisystem:"},
          {-1, 60, 46, "WebDAV"},
          {1025, 6, 60, ""},
          {1056, 7, 67, ""},
          {-1, 20, 67, "Belegter Speicher:"},
          {1000, 81, 67, ""},
          {1079, 140, 67, "Bytes"},
          {1075, 162, 67, "unbekannt"},
          {1057, 7, 81, ""},
          {-1, 20, 81, "Freier Speicher:"},
          {1084, 81, 81, ""},
          {1078, 140, 81, "Bytes"},
          {1076, 162, 81, "unbekannt"},
          {1015, 6, 95, ""},
          {-1, 20, 100, "Speicherkapazit\xE4t:"},
          {1083, 81, 100, ""},
          {1080, 140, 100, "Bytes"},
          {1077, 162, 100, "unbekannt"},
          {1082, 6, 127, ""},
          {1071, 61, 155, "Laufwerk T:"},
          {1035, 167, 152, "Aktualisieren"},
          {1029, 6, 169, ""},
          {-1, 7, 173, "Produkt:"},
          {1085, 60, 173, ""}}},
        {kPageSettings,
         "settings",
         {{-1, 7, 3, "Laufwerk"},
          {1051, 14, 17, "Laufwerksbuchstabe:"},
          {1033, 122, 13, "X:"},
          {1052, 14, 31,
           "Um den Laufwerksbuchstaben zu \xE4ndern ist eine Neuverbindung erforderlich."},
          {-1, 7, 57, "Systemstart"},
          {1014, 14, 71, "Nimbara in der Symbolleiste starten"},
          {1012, 14, 85, "Bei Start automatisch verbinden"},
          {-1, 7, 107, "Systemabh\xE4ngig"},
          {1043, 14, 121, "Verschl\xFCsselte Dateitransfers"},
          {1027, 14, 135, "Zeitlich unlimitierte Verbindung"},
          {-1, 7, 155, "Einbindung"},
          {1010, 14, 169, "Symbol auf dem Desktop anzeigen"},
          {1017, 14, 183, "Symbol im Arbeitsplatz anzeigen"}}},
        {kPageInfo,
         "info",
         {{-1, 7, 7,
           "Nachstehend sehen Sie Informationen zur aktuellen Version sowie Systemeinstellungen."
           "\r\nKopieren Sie diese bitte bei Supportanfragen in Ihr E-Mail um uns die "
           "Hilfestellung zu erleichtern"},
          {1066, 7, 47, nullptr},
          {1000, 7, 192, "E-Mail an " NIMBARA_SUPPORT_ADDRESS " verfassen."}}},
    };
    for (const auto& page : pages)
        run(page.index, {[&page](HWND frame) { expectControls(shownPage(frame), page.table); },
                         [](HWND) {}, [](HWND) {},
                         [&page](HWND frame) {
                             saveScreenshot(frame, std::string("dialog-") + page.name);
                             press(frame, IDCANCEL);
                         }});
}

// The General page, first with a service it cannot reach and the drive not connected, then
// refreshed with both; its colours, and the package link.
TEST_F(Dialog, GeneralPageShowsTheDriveAndItsQuota) {
    provider::reset();
    for (auto [name, value] : {std::pair{"statApiProto", "http"},
                               {"statApiHost", "127.0.0.1:1"},
                               {"DAVUser", "dav"},
                               {"DAVPasswd", "pw"},
                               {"DriveLetter", "X:"}})
        setString(name, value);
    auto state = [](HWND page) { // the two pictures and the byte figures shown, then the texts
        std::string all;
        for (int id : {1073, 1074, 1000, 1084, 1083})
            all += shown(GetDlgItem(page, id)) ? "+" : "-";
        for (int id : {1072, 1071, 1000, 1075, 1076, 1077, 1085})
            all += "|" + text(page, id);
        return all;
    };
    HGDIOBJ green = nullptr;
    run(kPageGeneral, {[&](HWND frame) {
            HWND page = shownPage(frame);
            EXPECT_EQ(
                "-+---|Nichtverbundenes Netzlaufwerk|Laufwerk X:||unbekannt|unbekannt|unbekannt|",
                state(page));
            setString("statApiHost", provider::host("http"));
            provider::script({{"Status: 200\r\nQuota-Used-Bytes: 5\r\nQuota-Total-Bytes: 10\r\n"
                               "Quota-Available-Bytes: 5\r\nQuota-Used-Pretty: 5 B\r\n"
                               "Quota-Available-Pretty: 5 B\r\nQuota-Total-Pretty: 10 B\r\n"
                               "Package-Name: Nimbara S\r\n"}});
            app.connected = true;
            press(page, 1035);
            EXPECT_EQ("+-+++|Netzlaufwerk|Laufwerk X:|5|5 B|5 B|10 B|Nimbara S", state(page));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1035)));
            HDC dc = GetDC(page);
            auto brush = [&](int id) {
                return reinterpret_cast<HGDIOBJ>(
                    SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(GetDlgItem(page, id))));
            };
            LOGBRUSH colour = {};
            GetObjectA(green = brush(1056), sizeof colour, &colour);
            EXPECT_EQ(RGB(0, 110, 0), colour.lbColor);
            EXPECT_EQ(GetStockObject(WHITE_BRUSH), brush(1057));
            EXPECT_TRUE(brush(1075) != green && brush(1075) != GetStockObject(WHITE_BRUSH));
            ReleaseDC(page, dc);
            SendDlgItemMessageA(page, 1085, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            EXPECT_TRUE(IsIconic(frame));
            press(frame, IDCANCEL);
        }});
    EXPECT_EQ(0u, GetObjectType(green)); // deleted with the page
    EXPECT_EQ("shellOpen window http://" NIMBARA_PORTAL_HOST
              "/Nimbara/WindowsClient/Produktwechsel  1;",
              recording::joined());
}

std::string letters(HWND page) {
    std::string all;
    char letter[8];
    for (int i = 0;
         SendDlgItemMessageA(page, 1033, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(letter)) > 0;
         ++i)
        all += std::string(i ? " " : "") + letter;
    return all;
}

std::string nameSpace(const char* folder) {
    return std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + folder +
           "\\NameSpace\\{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}";
}

// The stored letter is offered though in use (C:), beside the free ones (Z: is in use). A focus
// change is no change. Apply writes every choice and reconnects under the new letter; the
// Explorer entries come and go as whole keys; unchecking the start box keeps AutoMount's mark.
TEST_F(Dialog, SettingsPageAppliesItsChoices) {
    setString("DriveLetter", "C:");
    writeDwordSetting("Software\\Qelto\\Nimbara", "AutoMount", 1);
    std::string free = "C:";
    for (char letter = 'D'; letter < 'Z'; ++letter)
        free += std::string(" ") + letter + ":";
    recording::unmount = [] { recording::record("letter " + setting("DriveLetter")); };
    recording::mount = [](bool) {
        return recording::record("letter " + setting("DriveLetter")), true;
    };
    app.connected = true;
    auto click = [](HWND page, std::initializer_list<int> ids) {
        for (int id : ids)
            SendDlgItemMessageA(page, id, BM_CLICK, 0, 0);
    };
    run(kPageSettings, {[&](HWND frame) {
            HWND page = shownPage(frame);
            EXPECT_EQ(free, letters(page));
            EXPECT_EQ("C:", text(page, 1033));
            EXPECT_TRUE(IsDlgButtonChecked(page, 1012) && !IsWindowEnabled(GetDlgItem(page, 1012)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1043)) && !IsDlgButtonChecked(page, 1043));
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(1014, BN_SETFOCUS), 0);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame, 3)));
            click(page, {1014, 1017, 1010});
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1012)));
            SendDlgItemMessageA(page, 1033, CB_SELECTSTRING, -1, reinterpret_cast<LPARAM>("D:"));
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(1033, CBN_SELCHANGE), 0);
            press(frame, 3);
            EXPECT_EQ("unmountDrive false;letter C:;mountDrive false;letter D:;",
                      recording::joined());
            EXPECT_EQ("1 1 1 0 D: Nimbara Nimbara",
                      setting("AutoMount") + " " + setting("MyComputerIcon") + " " +
                          setting("DesktopIcon") + " " + setting("SSL") + " " +
                          setting("DriveLetter") + " " +
                          setting("", nameSpace("MyComputer").c_str()) + " " +
                          setting("", nameSpace("Desktop").c_str()));
            EXPECT_TRUE(autostartEnabled());
            for (const char* folder : {"MyComputer", "Desktop"})
                writeStringSetting((nameSpace(folder) + "\\Below").c_str(), "", "x");
            click(page, {1014, 1017, 1010});
            press(frame, IDOK);
        }});
    EXPECT_FALSE(autostartEnabled());
    EXPECT_EQ("1 0 0", setting("AutoMount") + " " + setting("MyComputerIcon") + " " +
                           setting("DesktopIcon"));
    HKEY key;
    for (const char* folder : {"MyComputer", "Desktop"})
        EXPECT_NE(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CURRENT_USER, nameSpace(folder).c_str(), 0, KEY_READ, &key));
}

BOOL WINAPI windowsXp(OSVERSIONINFOA* version) {
    version->dwMajorVersion = 5;
    version->dwMinorVersion = 1;
    return TRUE;
}

// SSL is stored from Vista on only, and its box is open below Vista only to the web-folder
// methods, which have no letter to choose nor a connection at start. No letter stored offers X:
// and stores none; a stored letter matching no entry leaves the list empty, and stays.
TEST_F(Dialog, SettingsPageFollowsTheSystem) {
    const struct {
        bool xp;
        DWORD force;
        const char *letter, *shown;
        bool letterOn, sslOn;
        const char* ssl;
    } cases[] = {{true, 0, "-", "X:", true, false, "-"},
                 {true, 1, "c:", "", false, true, "-"},
                 {false, 0, "c:", "", true, true, "1"}};
    for (const auto& c : cases) {
        deleteKeyTree("Software\\Qelto\\Nimbara");
        writeDwordSetting("Software\\Qelto\\Nimbara", "ForceMethod", c.force);
        if (c.letter[0] != '-')
            setString("DriveLetter", c.letter);
        auto real = c.xp ? redirectImport("kernel32.dll", "GetVersionExA", windowsXp) : nullptr;
        run(kPageSettings, {[&c](HWND frame) {
                HWND page = shownPage(frame);
                EXPECT_EQ(c.shown, text(page, 1033));
                EXPECT_EQ(c.letterOn, IsWindowEnabled(GetDlgItem(page, 1033)) != FALSE);
                EXPECT_EQ(c.sslOn, IsWindowEnabled(GetDlgItem(page, 1043)) != FALSE);
                SendDlgItemMessageA(page, 1014, BM_CLICK, 0, 0);
                SendDlgItemMessageA(page, 1043, BM_CLICK, 0, 0);
                EXPECT_EQ(c.letterOn, IsWindowEnabled(GetDlgItem(page, 1012)) != FALSE);
                press(frame, IDOK);
            }});
        if (real != nullptr)
            redirectImport("kernel32.dll", "GetVersionExA", real);
        EXPECT_EQ(std::string(c.ssl) + " " + c.letter,
                  setting("SSL") + " " + setting("DriveLetter"))
            << c.force;
    }
    EXPECT_EQ("", recording::joined());
}

// The groups GetTokenInformation answers with: S-1-5-32-RID for each RID, for deny only.
std::vector<DWORD> groupRids;
BOOL WINAPI scriptedGroups(HANDLE, TOKEN_INFORMATION_CLASS, void* out, DWORD size, DWORD* needed) {
    const DWORD sidSize = 16; // two sub-authorities
    *needed = sizeof(TOKEN_GROUPS) + groupRids.size() * (sizeof(SID_AND_ATTRIBUTES) + sidSize);
    if (size < *needed)
        return SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
    auto* groups = static_cast<TOKEN_GROUPS*>(out);
    BYTE* sid =
        reinterpret_cast<BYTE*>(groups->Groups + 0) + groupRids.size() * sizeof(SID_AND_ATTRIBUTES);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    groups->GroupCount = groupRids.size();
    for (size_t i = 0; i < groupRids.size(); ++i, sid += sidSize) {
        InitializeSid(sid, &nt, 2);
        *GetSidSubAuthority(sid, 0) = SECURITY_BUILTIN_DOMAIN_RID;
        *GetSidSubAuthority(sid, 1) = groupRids[i];
        (groups->Groups + 0)[i] = {sid, SE_GROUP_USE_FOR_DENY_ONLY};
    }
    return TRUE;
}

// The read-only text of this system's facts, with the rights as the token says: Wine's own
// token, then only the Users group, then Administrators for deny only too. The mail link.
TEST_F(Dialog, InfoPageShowsTheRuntimeText) {
    writeDwordSetting("Software\\Qelto\\Nimbara", "ForceMethod", 4);
    OsProbe probe;
    RuntimeFacts facts = {4,
                          probe.majorVersion(),
                          probe.minorVersion(),
                          probe.buildNumber(),
                          probe.editionCode(),
                          probe.is32Bit(),
                          true,
                          4};
    const struct {
        std::vector<DWORD> rids;
        bool administrator;
    } cases[] = {{{}, true}, {{545}, false}, {{545, 544}, true}};
    for (const auto& c : cases) {
        groupRids = c.rids;
        facts.administrator = c.administrator;
        auto real = c.rids.empty()
                        ? nullptr
                        : redirectImport("advapi32.dll", "GetTokenInformation", scriptedGroups);
        recording::calls.clear();
        run(kPageInfo, {[&](HWND frame) {
                HWND page = shownPage(frame);
                EXPECT_EQ(runtimeInfoText(facts), text(page, 1066));
                EXPECT_TRUE(GetWindowLongA(GetDlgItem(page, 1066), GWL_STYLE) & ES_READONLY);
                SendDlgItemMessageA(page, 1000, WM_LBUTTONDOWN, MK_LBUTTON, 0);
                press(frame, IDCANCEL);
            }});
        if (real != nullptr)
            redirectImport("advapi32.dll", "GetTokenInformation", real);
        EXPECT_EQ("shellOpen window mailto:" NIMBARA_SUPPORT_ADDRESS "?subject=Nimbara  1;",
                  recording::joined());
    }
}

} // namespace
