// The tray icon, the notifications and the internet check, watched through this program's imports.
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/notify.h"
#include "app/mainwindow.h"
#include "app/tray.h"
#include "iat.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The colour pixels of an icon, to tell which picture the shell was given.
std::vector<BYTE> iconPixels(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return {};
    std::vector<BYTE> pixels(16 * 16 * 4);
    GetBitmapBits(info.hbmColor, static_cast<LONG>(pixels.size()), pixels.data());
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

// Each call to the shell, with the picture and the icon it carried.
std::vector<BYTE> connected, notConnected;
std::vector<std::string> shellCalls;
std::vector<HICON> shellIcons;
decltype(&Shell_NotifyIconA) realShellNotify = nullptr;

BOOL WINAPI recordShellNotify(DWORD message, PNOTIFYICONDATAA d) {
    const std::vector<BYTE> picture = iconPixels(d->hIcon);
    EXPECT_TRUE(!app.trayStatusIcon || !iconPixels(app.trayStatusIcon).empty()); // still held
    shellCalls.push_back(std::to_string(message) + " " + std::to_string(d->cbSize) + " " +
                         std::to_string(d->uID) + " " + std::to_string(d->uFlags) + " " +
                         std::to_string(d->uCallbackMessage) + " " + d->szTip + "|" + d->szInfo +
                         "|" + d->szInfoTitle + " " + std::to_string(d->uTimeout) + " " +
                         std::to_string(d->dwInfoFlags) +
                         (picture == connected      ? " connected"
                          : picture == notConnected ? " not connected"
                                                    : ""));
    shellIcons.push_back(d->hIcon);
    return realShellNotify(message, d);
}

class Tray : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        if (realShellNotify == nullptr)
            realShellNotify =
                redirectImport("shell32.dll", "Shell_NotifyIconA", &recordShellNotify);
        ASSERT_NE(nullptr, realShellNotify);
        app.mainWindow = CreateWindowExA(0, "STATIC", "tray test", 0, 0, 0, 10, 10, nullptr,
                                         nullptr, app.instance, nullptr);
        shellCalls.clear(), shellIcons.clear();
    }
    void TearDown() override { removeTrayIcon(), DestroyWindow(app.mainWindow); }
};

// Pictures, tooltips and balloons (a long text cut, not dropped), again for a new taskbar; each
// status icon released once the shell holds the next.
TEST_F(Tray, PictureTooltipAndBalloonFollowTheLastStatus) {
    HICON icons[] = {loadTrayIcon(108), loadTrayIcon(112)};
    connected = iconPixels(icons[0]), notConnected = iconPixels(icons[1]);
    DestroyIcon(icons[0]), DestroyIcon(icons[1]);
    ASSERT_NE(connected, notConnected);
    addTrayIcon();
    showStatus(1, "Ihre Nimbara\r\nist verbunden.", true);
    mainWindowProc(app.mainWindow, WM_CREATE, 0, 0); // Explorer restarted: the icon as it is
    mainWindowProc(app.mainWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    const std::string longText = "Lang" + std::string(300, 'x');
    showStatus(3, longText.c_str(), false);
    ICONINFO gone = {};
    EXPECT_TRUE(!GetIconInfo(shellIcons.at(1), &gone) && shellIcons[2] == shellIcons[1] &&
                shellIcons[3] == app.trayStatusIcon);
    removeTrayIcon();
    EXPECT_TRUE(app.trayStartIcon == nullptr && app.trayStatusIcon == nullptr);
    const std::string size = sizeof(void*) == 4 ? " 488 1 " : " 504 1 ";
    EXPECT_EQ((std::vector<std::string>{
                  "0" + size + "7 1125 Qelto Nimbara|| 0 0 not connected",
                  "1" + size +
                      "23 1125 Qelto Nimbara (verbunden)|Ihre Nimbara\r\nist verbunden.|"
                      "Nimbara 15000 1 connected",
                  "0" + size + "7 1125 Qelto Nimbara (verbunden)|| 0 0 connected",
                  "1" + size + "23 1125 Qelto Nimbara (getrennt)|" + longText.substr(0, 255) +
                      "|Nimbara 15000 3 not connected",
                  "2" + size + "0 0 || 0 0"}),
              shellCalls);
}

DWORD reportedFlags = 0;
std::string boxes;

BOOL WINAPI reportState(LPDWORD flags, DWORD) {
    return *flags = reportedFlags, TRUE;
}

int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    boxes += std::string(owner ? "owner " : "") + caption + ": " + text + " " +
             std::to_string(type) + ";";
    return IDOK;
}

// The offline flag alone is offline, and the user is told so; with another flag it is online.
TEST(InternetCheck, OfflineSystemGetsTheOfflineMessage) {
    ImportRedirect state("wininet.dll", "InternetGetConnectedState", &reportState);
    ImportRedirect box("user32.dll", "MessageBoxA", &recordBox);
    ASSERT_TRUE(state && box);
    for (auto [flags, online] : {std::pair{0x20u, false}, {0x21u, true}})
        EXPECT_EQ(online, (reportedFlags = flags, internetAvailable())) << flags;
    showInformation("i"); // with the information icon
    EXPECT_EQ("Nimbara: offline 0;Nimbara: i 64;", boxes);
}

} // namespace
