// The main window procedure, the tray menu, the properties request and the internet check,
// against real windows and menus; the entry points it dispatches to are recorded.
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "base/registry.h"
#include "base/settings.h"
#include "recording.h"
#include "res/resource.h"

#include <commctrl.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <string>

namespace {

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        static bool registered = registerMainWindowClass(app.instance);
        ASSERT_TRUE(registered);
        window = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, nullptr, app.instance, nullptr);
        ASSERT_NE(nullptr, window);
        app.mainWindow = window;
        recording::reset();
    }
    void TearDown() override {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ;
    }

    void useMethod(DWORD method) {
        writeDwordSetting(settings::kProductKey, settings::kForceMethod, method);
    }
    LRESULT command(WORD id, WORD notification = 0) {
        return SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, notification), 0);
    }
    // Takes the posted messages for the window off the queue, as "message,message,".
    std::string posted() {
        std::string all;
        MSG message;
        while (PeekMessageA(&message, window, 0, 0, PM_REMOVE | PM_NOYIELD)) {
            if (message.message == WM_CLOSE)
                all += "WM_CLOSE,";
            else if (message.message == UM_OPEN_SETTINGS)
                all += "UM_OPEN_SETTINGS,";
            else if (message.message == UM_OPEN_PROPERTIES)
                all += "UM_OPEN_PROPERTIES,";
        }
        return all;
    }

    HWND window = nullptr;
};

TEST_F(MainWindow, CommandTableUnderADriveLetterMethod) {
    useMethod(5);
    EXPECT_EQ(0, command(IDM_OPEN));
    EXPECT_EQ("openDrive window;", recording::joined());

    recording::reset();
    command(IDM_CONNECT);
    EXPECT_EQ("mountDrive false;", recording::joined());
    recording::reset();
    app.connected = true;
    command(IDM_CONNECT);
    EXPECT_EQ("unmountDrive false;mountDrive false;", recording::joined());
    EXPECT_FALSE(app.connected);

    recording::reset();
    app.connected = true;
    command(IDM_DISCONNECT);
    EXPECT_EQ("unmountDrive true;", recording::joined());
    EXPECT_FALSE(app.connected);

    recording::reset();
    command(IDM_REKEY);
    EXPECT_EQ("rekeyStoredLogin;", recording::joined());

    recording::reset();
    command(IDM_SETTINGS);
    EXPECT_EQ("UM_OPEN_SETTINGS,", posted());
    command(IDM_PROPERTIES);
    EXPECT_EQ("UM_OPEN_PROPERTIES,", posted());
    command(IDM_REPLACE);
    EXPECT_EQ("WM_CLOSE,", posted());
    EXPECT_EQ("", recording::joined()); // replacing does not unmount

    EXPECT_EQ(0, command(0));
    EXPECT_EQ(0, command(9999));
    // A notification code in the high word goes to the default procedure, known id or not.
    command(IDM_QUIT, 1);
    command(IDM_OPEN, BN_CLICKED + 1);
    EXPECT_EQ("", posted());
    EXPECT_EQ("", recording::joined());

    app.connected = true;
    command(IDM_QUIT);
    EXPECT_EQ("unmountDrive true;", recording::joined());
    EXPECT_FALSE(app.connected);
    EXPECT_EQ("WM_CLOSE,", posted());
}

TEST_F(MainWindow, CommandTableUnderAWebFolderMethod) {
    useMethod(1);
    app.connected = true;
    command(IDM_CONNECT);
    EXPECT_EQ("", recording::joined());
    EXPECT_TRUE(app.connected);
    command(IDM_QUIT);
    EXPECT_EQ("", recording::joined());
    EXPECT_EQ("WM_CLOSE,", posted());
    // Disconnecting has no method check.
    command(IDM_DISCONNECT);
    EXPECT_EQ("unmountDrive true;", recording::joined());
}

TEST_F(MainWindow, QuitEndsTheMessageLoop) {
    useMethod(2);
    command(IDM_QUIT);
    MSG message;
    int loops = 0;
    while (GetMessageA(&message, nullptr, 0, 0) > 0 && ++loops < 1000)
        DispatchMessageA(&message);
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);
    EXPECT_EQ(0u, message.wParam);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(MainWindow, DeviceBroadcasts) {
    DEV_BROADCAST_HDR header = {};
    header.dbch_size = sizeof header;
    header.dbch_devicetype = DBT_DEVTYP_VOLUME;
    LPARAM lParam = reinterpret_cast<LPARAM>(&header);
    EXPECT_EQ(0, SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, lParam));
    EXPECT_EQ(0, SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, lParam));
    EXPECT_EQ(0, SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, lParam));
    EXPECT_EQ(0, SendMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
    EXPECT_EQ("handleVolumeBroadcast arrival;handleVolumeBroadcast removal;", recording::joined());
}

// Set while the tray menu's modal loop runs: a timer looks for the popup and closes it.
bool menuSeen = false;

void CALLBACK closeMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup != nullptr && IsWindowVisible(popup)) {
        menuSeen = true;
        EndMenu();
    }
}

TEST_F(MainWindow, TrayCallbackOpensMenuOnPressAndDriveOnDoubleClick) {
    useMethod(5);
    UINT_PTR timer = SetTimer(nullptr, 0, 100, closeMenu);
    menuSeen = false;
    SendMessageA(window, UM_TRAY, 1, WM_RBUTTONUP);
    EXPECT_FALSE(menuSeen);
    SendMessageA(window, UM_TRAY, 2, WM_RBUTTONDOWN); // another icon id
    EXPECT_FALSE(menuSeen);
    SendMessageA(window, UM_TRAY, 1, WM_RBUTTONDOWN);
    EXPECT_TRUE(menuSeen);
    KillTimer(nullptr, timer);
    EXPECT_EQ("", recording::joined());

    SendMessageA(window, UM_TRAY, 1, WM_LBUTTONDBLCLK);
    SendMessageA(window, UM_TRAY, 1, WM_LBUTTONDOWN);
    EXPECT_EQ("openDrive window;", recording::joined());
}

std::string menuItems(HMENU popup) {
    std::string all;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[64] = "";
        UINT id = GetMenuItemID(popup, i);
        if (id == 0) {
            all += "-|";
            continue;
        }
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        all += std::string(text) + "=" + std::to_string(id) + "|";
    }
    return all;
}

TEST_F(MainWindow, TrayMenuEntriesFollowTheMethod) {
    HMENU popup = nullptr;
    HMENU menu = loadTrayMenu(5, &popup);
    ASSERT_NE(nullptr, popup);
    // The texts come out of the resources as Windows-1252 bytes: "Ö" is 0xD6.
    EXPECT_EQ("&\xD6"
              "ffnen=4009|&Verbinden=4004|&Trennen=4007|-|&Beenden=4006|-|Ein&stellungen=4010|",
              menuItems(popup));
    EXPECT_EQ(static_cast<UINT>(IDM_OPEN), GetMenuDefaultItem(popup, FALSE, 0));
    DestroyMenu(menu);

    menu = loadTrayMenu(1, &popup);
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ("&\xD6"
              "ffnen=4009|-|&Beenden=4006|-|Ein&stellungen=4010|",
              menuItems(popup));
    EXPECT_EQ(static_cast<UINT>(IDM_OPEN), GetMenuDefaultItem(popup, FALSE, 0));
    DestroyMenu(menu);

    menu = loadTrayMenu(2, &popup);
    EXPECT_EQ(5, GetMenuItemCount(popup));
    DestroyMenu(menu);
}

TEST_F(MainWindow, OpeningThePropertiesPicksTheStartPage) {
    SendMessageA(window, UM_OPEN_SETTINGS, 0, 0);
    EXPECT_EQ("showPropertiesDialog 1;", recording::joined());
    recording::reset();
    SendMessageA(window, UM_OPEN_PROPERTIES, 0, 0);
    EXPECT_EQ("showPropertiesDialog 0;", recording::joined());
}

// A stand-in for the open properties dialog: a window with the tab control the request
// selects, recording the selection notice it gets.
struct FakeDialog {
    static std::string notices;
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NOTIFY) {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            notices += "notify " + std::to_string(wParam) + " " +
                       std::to_string(static_cast<int>(header->code)) + " " +
                       (header->hwndFrom ? "window " : "null ") + std::to_string(header->idFrom) +
                       ";";
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};
std::string FakeDialog::notices;

TEST_F(MainWindow, RequestWhileTheDialogIsOpenSelectsTheFirstTab) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA dialogClass = {};
    dialogClass.lpfnWndProc = FakeDialog::proc;
    dialogClass.hInstance = app.instance;
    dialogClass.lpszClassName = "NimbaraTestDialog";
    RegisterClassA(&dialogClass);
    HWND dialog = CreateWindowExA(0, "NimbaraTestDialog", "dialog", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                  200, nullptr, nullptr, app.instance, nullptr);
    ASSERT_NE(nullptr, dialog);
    HWND tabs =
        CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE, 0, 0, 280, 180, dialog,
                        reinterpret_cast<HMENU>(IDC_PROPERTIES_TABS), app.instance, nullptr);
    ASSERT_NE(nullptr, tabs);
    for (int i = 0; i < 3; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        char text[] = "tab";
        item.pszText = text;
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(tabs, TCM_SETCURSEL, 2, 0);
    FakeDialog::notices.clear();
    app.propertiesOpen = true;
    app.propertiesWindow = dialog;

    SendMessageA(window, UM_OPEN_SETTINGS, 0, 0);
    EXPECT_EQ(0, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    EXPECT_EQ("notify 0 " + std::to_string(static_cast<int>(TCN_SELCHANGE)) + " null 0;",
              FakeDialog::notices);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ("", recording::joined()); // no second dialog
    EXPECT_TRUE(app.propertiesOpen);
    DestroyWindow(dialog);
}

} // namespace
