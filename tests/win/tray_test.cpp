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

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAA data;
};

std::vector<ShellCall> shellCalls;
decltype(&Shell_NotifyIconA) realShellNotify = nullptr;

BOOL WINAPI recordShellNotify(DWORD message, PNOTIFYICONDATAA data) {
    ShellCall call = {message, {}};
    memcpy(&call.data, data, data->cbSize <= sizeof call.data ? data->cbSize : sizeof call.data);
    shellCalls.push_back(call);
    return realShellNotify(message, data);
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

// A call to the shell: message, flags, tooltip, balloon text, title, time-out and kind.
std::string described(const ShellCall& call) {
    const NOTIFYICONDATAA& d = call.data;
    return std::to_string(call.message) + " " + std::to_string(d.uFlags) + " " + d.szTip + "|" +
           d.szInfo + "|" + d.szInfoTitle + " " + std::to_string(d.uTimeout) + " " +
           std::to_string(d.dwInfoFlags);
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
        shellCalls.reserve(16); // the test holds references to recorded calls
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
    ASSERT_EQ(2u, shellCalls.size());
    const NOTIFYICONDATAA &added = shellCalls[0].data, &first = shellCalls[1].data;
    EXPECT_EQ(notConnected, iconPixels(added.hIcon));
    EXPECT_EQ(connected, iconPixels(first.hIcon));
    // A text beyond the balloon's 255 characters is cut there, not dropped.
    const std::string longText = "Lang" + std::string(300, 'x');
    showStatus(3, longText.c_str(), false);
    const NOTIFYICONDATAA& second = shellCalls[2].data;
    // 488 bytes in the 32-bit layout; the same layout with 64-bit handles is 504.
    EXPECT_EQ(sizeof(void*) == 4 ? 488u : 504u, added.cbSize);
    EXPECT_EQ(1u, added.uID);
    EXPECT_EQ(static_cast<UINT>(WM_USER + 101), added.uCallbackMessage);
    EXPECT_EQ("0 7 Qelto Nimbara|| 0 0", described(shellCalls[0])); // NIM_ADD, no balloon
    EXPECT_EQ("1 23 Qelto Nimbara (verbunden)|Ihre Nimbara\r\nist verbunden.|Nimbara 15000 1",
              described(shellCalls[1]));
    EXPECT_EQ("1 23 Qelto Nimbara (getrennt)|" + longText.substr(0, 255) + "|Nimbara 15000 3",
              described(shellCalls[2]));
    EXPECT_EQ(notConnected, iconPixels(second.hIcon));
    // One status icon at a time: the replaced one is released once the shell holds the new one.
    ICONINFO gone = {};
    EXPECT_FALSE(GetIconInfo(first.hIcon, &gone));
    EXPECT_EQ(second.hIcon, app.trayStatusIcon);

    removeTrayIcon();
    ASSERT_EQ(4u, shellCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), shellCalls[3].message);
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
