// The main window procedure, the tray menu, the properties request and the message loop, against
// real windows and menus; the entry points the window dispatches to are recorded.
#include "core/appstate.h"
#include "app/instance.h"
#include "app/mainwindow.h"
#include "base/registry.h"
#include "iat.h"
#include "recording.h"

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
        window = CreateWindowExA(0, "QeltoNimbaraWindowsClient", "Nimbara", WS_OVERLAPPEDWINDOW, 0,
                                 0, 100, 100, nullptr, nullptr, app.instance, nullptr);
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
        writeDwordSetting("Software\\Qelto\\Nimbara", "ForceMethod", method);
    }
    // Sends the command, connected or not, and returns what it did: recorded calls, posted
    // messages, then "connected" if it still is.
    std::string command(WORD id, bool connected = false, WORD notification = 0) {
        recording::reset();
        app.connected = connected;
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, notification), 0);
        std::string done = recording::joined();
        MSG message;
        while (PeekMessageA(&message, window, 0, 0, PM_REMOVE | PM_NOYIELD))
            done += "post " + std::to_string(message.message) + ";";
        return done + (app.connected ? "connected" : "");
    }

    HWND window = nullptr;
};

const std::string kClose = "post 16;"; // WM_CLOSE

TEST_F(MainWindow, CommandsFollowTheMethod) {
    useMethod(5);
    EXPECT_EQ("openDrive window;", command(4009));
    EXPECT_EQ("mountDrive false;", command(4004));
    EXPECT_EQ("unmountDrive false;mountDrive false;", command(4004, true));
    EXPECT_EQ("unmountDrive true;", command(4007, true));
    EXPECT_EQ("post 1124;", command(4010));
    EXPECT_EQ("post 1126;", command(4013));
    EXPECT_EQ(kClose, command(4012)); // replacing does not unmount
    EXPECT_EQ("", command(0));
    // A notification code in the high word goes to the default procedure, known id or not.
    EXPECT_EQ("", command(4006, false, 1));
    EXPECT_EQ("unmountDrive true;" + kClose, command(4006, true));

    // The web-folder methods neither connect nor unmount on quit; disconnecting has no check.
    useMethod(1);
    EXPECT_EQ("connected", command(4004, true));
    EXPECT_EQ(kClose + "connected", command(4006, true));
    EXPECT_EQ("unmountDrive true;", command(4007, true));

    // The properties requests pick the start page: Login for settings, General for properties.
    recording::reset();
    SendMessageA(window, WM_USER + 100, 0, 0);
    SendMessageA(window, WM_USER + 102, 0, 0);
    EXPECT_EQ("runPropertiesDialog 1;runPropertiesDialog 0;", recording::joined());
    // An open dialog is brought forward on General, whichever request came.
    recording::reset();
    app.propertiesOpen = true;
    SendMessageA(window, WM_USER + 100, 0, 0);
    EXPECT_EQ("bringPropertiesForward 0;", recording::joined());
}

// Fails, leaving rubbish in the message.
BOOL WINAPI failingGetMessage(LPMSG message, HWND, UINT, UINT) {
    message->message = WM_QUIT;
    message->wParam = 9;
    return -1;
}

TEST_F(MainWindow, MessageLoopEndsWithTheQuitCode) {
    useMethod(2);
    SendMessageA(window, WM_COMMAND, 4006, 0);
    EXPECT_EQ(0, runMessageLoop());
    EXPECT_FALSE(IsWindow(window));
    PostQuitMessage(7);
    EXPECT_EQ(7, runMessageLoop());
    // When GetMessageA fails there is no WM_QUIT: 0, not what the structure holds.
    auto real = redirectImport("user32.dll", "GetMessageA", &failingGetMessage);
    ASSERT_NE(nullptr, real);
    int code = runMessageLoop();
    redirectImport("user32.dll", "GetMessageA", real);
    EXPECT_EQ(0, code);
}

TEST_F(MainWindow, DeviceBroadcastsAndTrayClicks) {
    DEV_BROADCAST_HDR header = {sizeof header, DBT_DEVTYP_VOLUME, 0};
    LPARAM lParam = reinterpret_cast<LPARAM>(&header);
    for (WPARAM event : {DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEQUERYREMOVE})
        EXPECT_EQ(0, SendMessageA(window, WM_DEVICECHANGE, event, lParam));
    EXPECT_EQ("handleVolumeBroadcast arrival;handleVolumeBroadcast removal;", recording::joined());

    recording::reset();
    SendMessageA(window, WM_USER + 101, 1, WM_LBUTTONDBLCLK);
    SendMessageA(window, WM_USER + 101, 2, WM_LBUTTONDBLCLK); // another icon
    SendMessageA(window, WM_USER + 101, 1, WM_LBUTTONDOWN);
    EXPECT_EQ("openDrive window;", recording::joined());
}

bool menuSeen = false;

void CALLBACK closeMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup != nullptr && IsWindowVisible(popup)) {
        menuSeen = true;
        EndMenu();
    }
}

std::string menuItems(HMENU popup) {
    std::string all;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[64] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        all += std::string(text) + "=" + std::to_string(GetMenuItemID(popup, i)) + "|";
    }
    return all;
}

TEST_F(MainWindow, TrayMenu) {
    // The menu opens on the right button's press, not its release.
    useMethod(5);
    UINT_PTR timer = SetTimer(nullptr, 0, 100, closeMenu);
    SendMessageA(window, WM_USER + 101, 1, WM_RBUTTONUP);
    EXPECT_FALSE(menuSeen);
    SendMessageA(window, WM_USER + 101, 1, WM_RBUTTONDOWN);
    EXPECT_TRUE(menuSeen);
    KillTimer(nullptr, timer);

    // Its texts come out of the resources as Windows-1252 bytes: "Ö" is 0xD6. The web-folder
    // methods have no connect and disconnect.
    for (ConnectionMethod method : {5, 1, 2}) {
        HMENU popup = nullptr, menu = loadTrayMenu(method, &popup);
        EXPECT_EQ(std::string("&\xD6") + "ffnen=4009|" +
                      (method == 5 ? "&Verbinden=4004|&Trennen=4007|" : "") +
                      "=0|&Beenden=4006|=0|Ein&stellungen=4010|",
                  menuItems(popup))
            << method;
        EXPECT_EQ(4009u, GetMenuDefaultItem(popup, FALSE, 0));
        DestroyMenu(menu);
    }
}

// At start-up a drive found carrying the share is announced and taken as connected.
TEST_F(MainWindow, StartUpAnnouncesADriveFoundMapped) {
    DestroyWindow(window); // the client registers and makes its own
    UnregisterClassA("QeltoNimbaraWindowsClient", app.instance);
    for (bool found : {false, true}) {
        recording::reset();
        recording::scanFindsShare = found;
        app.connected = false;
        PostQuitMessage(0);
        EXPECT_EQ(0, runClient(app.instance, ""));
        DestroyWindow(app.mainWindow); // left by the quit message, which closed nothing
        UnregisterClassA("QeltoNimbaraWindowsClient", app.instance);
        EXPECT_EQ(std::string("scanMappedDrives false;") +
                      (found ? "showStatus 1 connected Ihre Nimbara\r\nist verbunden.;" : ""),
                  recording::joined());
        EXPECT_EQ(found, app.connected);
    }
}

} // namespace
