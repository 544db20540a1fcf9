// The main window procedure, tray menu and message loop on real windows; what they call recorded.
#include "core/appstate.h"
#include "app/instance.h"
#include "app/mainwindow.h"
#include "iat.h"
#include "recording.h"
#include "registry_access.h"
#include "res/resource.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

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

    // Sends the message: recorded calls, posted messages, a non-zero answer, still connected.
    std::string send(UINT message, WPARAM wParam, LPARAM lParam, bool connected) {
        recording::reset();
        app.connected = connected;
        LRESULT answer = SendMessageA(window, message, wParam, lParam);
        std::string done = recording::calls + (answer ? "answer;" : "");
        MSG posted;
        while (PeekMessageA(&posted, window, 0, 0, PM_REMOVE | PM_NOYIELD))
            done += "post " + std::to_string(posted.message) + ";";
        return done + (app.connected ? "connected" : "");
    }

    HWND window = nullptr;
};

// Each item's text and id; the default one marked "*".
std::string menuItems(HMENU popup) {
    std::string all;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[64] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        all += std::string(GetMenuDefaultItem(popup, TRUE, 0) == UINT(i) ? "*" : "") + text + "=" +
               std::to_string(GetMenuItemID(popup, i)) + "|";
    }
    return all;
}

// Chooses the first item of the tray menu once it shows; records whether it is over its window,
// its items, whether it is below and right of the cursor.
std::string menusShown;
void CALLBACK chooseFirstItem(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup))
        return;
    RECT at;
    POINT cursor;
    GetWindowRect(popup, &at), GetCursorPos(&cursor);
    menusShown += menuItems(HMENU(SendMessageA(popup, MN_GETHMENU, 0, 0))) + "\n";
    recording::record("menu " + std::to_string(GetForegroundWindow() == app.mainWindow) + " " +
                      std::to_string(at.left == cursor.x && at.top == cursor.y));
    for (WPARAM key : {VK_DOWN, VK_RETURN})
        PostMessageA(popup, WM_KEYDOWN, key, 0);
}
BOOL WINAPI fixedCursor(POINT* at) { // where the pointer is, whatever X11 makes of it meanwhile
    return at->x = 300, at->y = 200, TRUE;
}
BOOL WINAPI windows2000(OSVERSIONINFOA* version) {
    return version->dwMajorVersion = 5, version->dwMinorVersion = 0, TRUE;
}

// Which menu was destroyed: the loaded one (holding the popup), or the popup alone.
decltype(&DestroyMenu) realDestroyMenu;
BOOL WINAPI recordDestroyMenu(HMENU menu) {
    recording::record(GetSubMenu(menu, 0) ? "menu freed" : "popup freed");
    return realDestroyMenu(menu);
}

// Commands, tray clicks (the menu opens on the press, its texts Windows-1252 bytes; web folders
// have no connect and disconnect), volume and power broadcasts, the properties requests; web
// folders neither connect nor unmount.
TEST_F(MainWindow, MessagesFollowTheMethod) {
    DEV_BROADCAST_HDR volume = {sizeof volume, DBT_DEVTYP_VOLUME, 0};
    const LPARAM header = reinterpret_cast<LPARAM>(&volume);
    // Method, connected, message, its parameters, what it did.
    const std::tuple<DWORD, bool, UINT, WPARAM, LPARAM, const char*> cases[] = {
        {5, false, WM_COMMAND, IDM_OPEN, 0, "openDrive window;"},
        {5, false, WM_COMMAND, IDM_CONNECT, 0, "mountDrive false;"},
        {5, true, WM_COMMAND, IDM_CONNECT, 0, "unmountDrive false;mountDrive false;"},
        {5, true, WM_COMMAND, IDM_DISCONNECT, 0, "unmountDrive true;"},
        {5, false, WM_COMMAND, IDM_SETTINGS, 0, "post 1124;"},
        {5, false, WM_COMMAND, IDM_PROPERTIES, 0, "post 1126;"},
        {5, false, WM_COMMAND, IDM_REPLACE, 0, "post 16;"}, // replacing does not unmount
        {5, false, WM_COMMAND, 0, 0, ""},
        {5, false, WM_COMMAND, MAKEWPARAM(IDM_QUIT, 1), 0, ""},
        {5, true, WM_COMMAND, IDM_QUIT, 0, "unmountDrive true;post 16;"},
        {1, true, WM_COMMAND, IDM_CONNECT, 0, "connected"},
        {1, true, WM_COMMAND, IDM_QUIT, 0, "post 16;connected"},
        {1, true, WM_COMMAND, IDM_DISCONNECT, 0, "unmountDrive true;"},
        {5, false, WM_USER + 101, 1, WM_LBUTTONDBLCLK, "openDrive window;"},
        {5, false, WM_USER + 101, 2, WM_LBUTTONDBLCLK, ""}, // another icon
        {5, false, WM_USER + 101, 1, WM_LBUTTONDOWN, ""},
        {5, false, WM_USER + 101, 1, WM_RBUTTONUP, ""},
        {5, false, WM_USER + 101, 1, WM_RBUTTONDOWN, "menu 1 1;menu freed;post 273;"},
        {0, false, WM_USER + 101, 1, WM_RBUTTONDOWN, "menu 1 1;menu freed;post 273;"},
        {1, false, WM_USER + 101, 1, WM_RBUTTONDOWN, "menu 1 1;menu freed;post 273;"},
        {5, false, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, header, "handleVolumeBroadcast arrival;"},
        {5, false, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, header,
         "handleVolumeBroadcast removal;"},
        {5, false, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, header, ""},
        {5, false, WM_USER + 100, 0, 0, "runPropertiesDialog 1;"},
        {5, false, WM_USER + 102, 0, 0, "runPropertiesDialog 0;"},
        {5, true, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0,
         "remountAfterResume;answer;connected"},
        {1, false, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, "remountAfterResume;answer;"},
        {5, true, WM_POWERBROADCAST, PBT_APMSUSPEND, 0, "answer;connected"}};
    UINT_PTR timer = SetTimer(nullptr, 0, 100, chooseFirstItem);
    ImportRedirect cursor("user32.dll", "GetCursorPos", fixedCursor);
    ImportRedirect version("kernel32.dll", "GetVersionExA", windows2000);
    ImportRedirect menus("user32.dll", "DestroyMenu", recordDestroyMenu, &realDestroyMenu);
    for (const auto& [method, connected, message, wParam, lParam, done] : cases) {
        reg::set("ForceMethod", method);
        EXPECT_EQ(done, send(message, wParam, lParam, connected)) << message << " " << wParam;
    }
    KillTimer(nullptr, timer);
    const std::string open = "*&\326ffnen=4009|",
                      rest = "=0|&Beenden=4006|=0|Ein&stellungen=4010|\n";
    EXPECT_EQ(open + "&Verbinden=4004|&Trennen=4007|" + rest + open + rest + open + rest,
              menusShown);
    // An open dialog is brought forward on General, whichever request came; a resume waits for it.
    app.propertiesOpen = true;
    EXPECT_EQ("bringPropertiesForward 0;", send(WM_USER + 100, 0, 0, false));
    EXPECT_TRUE(send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, true) == "answer;connected" &&
                app.resumeCheckPending);
}

// A system without SetDefaultDllDirectories, or where it fails: SetDllDirectoryA("") instead.
std::string dllDirectory = "not set";
decltype(&GetProcAddress) realGetProcAddress;
BOOL WINAPI failingDefaultDirectories(DWORD) {
    return FALSE;
}
BOOL WINAPI recordDllDirectory(LPCSTR path) {
    return dllDirectory = path ? path : "null", TRUE;
}
FARPROC WINAPI olderProcAddress(HMODULE module, LPCSTR name) {
    auto call = strcmp(name, "SetDllDirectoryA")
                    ? reinterpret_cast<void (*)()>(failingDefaultDirectories)
                    : reinterpret_cast<void (*)()>(recordDllDirectory);
    return strstr(name, "Dll") ? reinterpret_cast<FARPROC>(call) : realGetProcAddress(module, name);
}

// Once limited, a DLL beside the program is not found by its name alone, though it is there.
TEST(Startup, DllsOnlyFromTheSystemFolder) {
    // Limited on the older system: the redirect lasts for this statement only.
    ImportRedirect("kernel32.dll", "GetProcAddress", olderProcAddress, &realGetProcAddress),
        limitDllSearch();
    EXPECT_EQ("", dllDirectory);
    char beside[MAX_PATH];
    *strrchr((GetModuleFileNameA(nullptr, beside, sizeof beside), beside), '\\') = '\0';
    limitDllSearch();
    EXPECT_EQ(nullptr, LoadLibraryA("nimbara_planted.dll"));
    EXPECT_NE(nullptr, LoadLibraryA((beside + std::string("\\nimbara_planted.dll")).c_str()));
}

// Fails, leaving rubbish in the message.
BOOL WINAPI failingGetMessage(LPMSG message, HWND, UINT, UINT) {
    return message->message = WM_QUIT, message->wParam = 9, -1;
}

// When GetMessageA fails there is no WM_QUIT: 0, not what the structure holds.
TEST_F(MainWindow, MessageLoopEndsWithTheQuitCode) {
    ImportRedirect failing("user32.dll", "GetMessageA", &failingGetMessage);
    ASSERT_TRUE(failing);
    EXPECT_FALSE(registerMainWindowClass(app.instance)); // taken already
    EXPECT_EQ(0, runMessageLoop());
}

// At start-up a drive found with the share is announced and taken as connected; the exit code is
// the quit message's.
TEST_F(MainWindow, StartUpAnnouncesADriveFoundMapped) {
    DestroyWindow(window); // the client registers and makes its own
    UnregisterClassA("QeltoNimbaraWindowsClient", app.instance);
    for (bool found : {false, true}) {
        recording::reset();
        recording::scanFindsShare = found;
        PostQuitMessage(found ? 7 : 0);
        EXPECT_EQ(found ? 7 : 0, runClient(app.instance, ""));
        DestroyWindow(app.mainWindow); // left by the quit message, which closed nothing
        UnregisterClassA("QeltoNimbaraWindowsClient", app.instance);
        EXPECT_EQ(
            std::string("scanMappedDrives false;") +
                (found ? "showStatus 1 connected Ihre Nimbara\r\nist verbunden.;connected" : ""),
            recording::calls + (app.connected ? "connected" : ""));
    }
}

} // namespace
