// The properties dialog, its Login page and its links in the real modal dialog, driven by steps a
// timer runs in the dialog's own loop; the Login page against the local provider service.
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "base/hyperlink.h"
#include "base/registry.h"
#include "deployment.h"
#include "provider_client.h"
#include "dialog_driver.h"
#include "recording.h"
#include "ui/properties/frame.h"

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

} // namespace
