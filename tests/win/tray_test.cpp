// The tray icon and the internet check with the real notifications. The calls that reach the
// system are watched by redirecting this program's own imports (Shell_NotifyIconA, and
// InternetGetConnectedState and MessageBoxA) to recorders.
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/notify.h"
#include "app/tray.h"
#include "iat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What reached the shell: each call as message, size, id, flags, callback message, tooltip,
// balloon text, title, time-out and kind; and the icon it carried.
std::vector<std::string> shellCalls;
std::vector<HICON> shellIcons;
decltype(&Shell_NotifyIconA) realShellNotify = nullptr;

BOOL WINAPI recordShellNotify(DWORD message, PNOTIFYICONDATAA d) {
    shellCalls.push_back(std::to_string(message) + " " + std::to_string(d->cbSize) + " " +
                         std::to_string(d->uID) + " " + std::to_string(d->uFlags) + " " +
                         std::to_string(d->uCallbackMessage) + " " + d->szTip + "|" + d->szInfo +
                         "|" + d->szInfoTitle + " " + std::to_string(d->uTimeout) + " " +
                         std::to_string(d->dwInfoFlags));
    shellIcons.push_back(d->hIcon);
    return realShellNotify(message, d);
}

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
        shellCalls.clear();
        shellIcons.clear();
    }
    void TearDown() override {
        removeTrayIcon();
        DestroyWindow(app.mainWindow);
    }
};

TEST_F(Tray, PictureTooltipAndBalloonFollowTheLastStatus) {
    HICON icons[] = {loadTrayIcon(108), loadTrayIcon(112)};
    const std::vector<BYTE> connected = iconPixels(icons[0]), notConnected = iconPixels(icons[1]);
    DestroyIcon(icons[0]);
    DestroyIcon(icons[1]);
    ASSERT_NE(connected, notConnected);
    addTrayIcon();
    showStatus(1, "Ihre Nimbara\r\nist verbunden.", true);
    ASSERT_EQ(2u, shellIcons.size());
    EXPECT_EQ(notConnected, iconPixels(shellIcons[0]));
    EXPECT_EQ(connected, iconPixels(shellIcons[1]));
    // A text beyond the balloon's 255 characters is cut there, not dropped.
    const std::string longText = "Lang" + std::string(300, 'x');
    showStatus(3, longText.c_str(), false);
    // 488 bytes in the 32-bit layout; the same layout with 64-bit handles is 504.
    const std::string head = (sizeof(void*) == 4 ? " 488 1 " : " 504 1 "), tray = " 1125 Qelto";
    EXPECT_EQ(
        (std::vector<std::string>{"0" + head + "7" + tray + " Nimbara|| 0 0", // NIM_ADD, no balloon
                                  "1" + head + "23" + tray +
                                      " Nimbara (verbunden)|Ihre Nimbara\r\nist verbunden."
                                      "|Nimbara 15000 1",
                                  "1" + head + "23" + tray + " Nimbara (getrennt)|" +
                                      longText.substr(0, 255) + "|Nimbara 15000 3"}),
        shellCalls);
    EXPECT_EQ(notConnected, iconPixels(shellIcons.at(2)));
    // One status icon at a time: the replaced one is released once the shell holds the new one.
    ICONINFO gone = {};
    EXPECT_FALSE(GetIconInfo(shellIcons[1], &gone));
    EXPECT_EQ(shellIcons[2], app.trayStatusIcon);

    removeTrayIcon();
    ASSERT_EQ(4u, shellCalls.size());
    EXPECT_EQ("2 ", shellCalls[3].substr(0, 2)); // NIM_DELETE
    EXPECT_EQ(nullptr, app.trayStartIcon);
    EXPECT_EQ(nullptr, app.trayStatusIcon);
}

DWORD reportedFlags = 0;
std::string boxes;

BOOL WINAPI reportState(LPDWORD flags, DWORD) {
    *flags = reportedFlags;
    return TRUE;
}

int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    boxes += std::string(owner ? "owner " : "") + caption + ": " + text + " " +
             std::to_string(type) + ";";
    return IDOK;
}

TEST(InternetCheck, OfflineSystemGetsTheOfflineMessage) {
    auto realState = redirectImport("wininet.dll", "InternetGetConnectedState", &reportState);
    auto realBox = redirectImport("user32.dll", "MessageBoxA", &recordBox);
    ASSERT_NE(nullptr, realState);
    ASSERT_NE(nullptr, realBox);
    reportedFlags = 0x20; // the offline flag alone
    EXPECT_FALSE(internetAvailable());
    reportedFlags = 0x20 | 0x01;
    EXPECT_TRUE(internetAvailable());
    redirectImport("wininet.dll", "InternetGetConnectedState", realState);
    redirectImport("user32.dll", "MessageBoxA", realBox);
    EXPECT_EQ("Nimbara: offline 0;", boxes);
}

} // namespace
