// The tray icon with the real notifications: what reaches the shell for each call, and that a
// long run of status changes holds one status icon at a time. The test watches the shell calls
// by redirecting this program's own import of Shell_NotifyIconA to a recorder that passes every
// call on to the real shell.
#include "app/appstate.h"
#include "app/notify.h"
#include "app/tray.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstring>
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
    ShellCall call;
    call.message = message;
    memset(&call.data, 0, sizeof call.data);
    memcpy(&call.data, data, data->cbSize <= sizeof call.data ? data->cbSize : sizeof call.data);
    shellCalls.push_back(call);
    return realShellNotify(message, data);
}

// Points this module's import of shell32!Shell_NotifyIconA at the recorder.
bool redirectShellNotify() {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    realShellNotify = reinterpret_cast<decltype(&Shell_NotifyIconA)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconA")));
    for (; import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + import->Name), "shell32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), "Shell_NotifyIconA") != 0)
                continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&recordShellNotify);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

// The pixels of an icon's colour bitmap, to tell which picture the shell was given.
std::vector<BYTE> iconPixels(HICON icon) {
    std::vector<BYTE> pixels;
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return pixels;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    pixels.resize(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

class Tray : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        static bool redirected = redirectShellNotify();
        ASSERT_TRUE(redirected);
        app.mainWindow = CreateWindowExA(0, "STATIC", "tray test", 0, 0, 0, 10, 10, nullptr,
                                         nullptr, app.instance, nullptr);
        ASSERT_NE(nullptr, app.mainWindow);
        shellCalls.clear();
        shellCalls.reserve(1024); // the tests hold references to recorded calls
        connectedPixels = pixelsOf(IDI_CONNECTED);
        notConnectedPixels = pixelsOf(IDI_NOT_CONNECTED);
        ASSERT_FALSE(connectedPixels.empty());
        ASSERT_NE(connectedPixels, notConnectedPixels);
    }
    void TearDown() override { DestroyWindow(app.mainWindow); }

    std::vector<BYTE> pixelsOf(int resourceId) {
        HICON icon = loadTrayIcon(resourceId);
        std::vector<BYTE> pixels = iconPixels(icon);
        DestroyIcon(icon);
        return pixels;
    }

    std::vector<BYTE> connectedPixels;
    std::vector<BYTE> notConnectedPixels;
};

TEST_F(Tray, PictureAndTooltipFollowTheLastStatus) {
    addTrayIcon();
    ASSERT_EQ(1u, shellCalls.size());
    const NOTIFYICONDATAA& added = shellCalls[0].data;
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), shellCalls[0].message);
    EXPECT_EQ(sizeof(void*) == 4 ? 488u : 504u, added.cbSize);
    EXPECT_EQ(app.mainWindow, added.hWnd);
    EXPECT_EQ(1u, added.uID);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), added.uFlags);
    EXPECT_EQ(UM_TRAY, added.uCallbackMessage);
    EXPECT_STREQ("Qelto Nimbara", added.szTip);
    EXPECT_EQ(notConnectedPixels, iconPixels(added.hIcon));

    showStatus(kBalloonInformation, "Ihre Nimbara\r\nist verbunden.", true);
    showStatus(kBalloonError, "Die Verbindung zu Ihrer Nimbara wurde getrennt.", false);
    ASSERT_EQ(3u, shellCalls.size());
    const NOTIFYICONDATAA& first = shellCalls[1].data;
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), shellCalls[1].message);
    EXPECT_EQ(added.cbSize, first.cbSize);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO), first.uFlags);
    EXPECT_STREQ("Qelto Nimbara (verbunden)", first.szTip);
    EXPECT_STREQ("Ihre Nimbara\r\nist verbunden.", first.szInfo);
    EXPECT_STREQ("Nimbara", first.szInfoTitle);
    EXPECT_EQ(15000u, first.uTimeout);
    EXPECT_EQ(static_cast<DWORD>(NIIF_INFO), first.dwInfoFlags);

    const NOTIFYICONDATAA& second = shellCalls[2].data;
    EXPECT_STREQ("Qelto Nimbara (getrennt)", second.szTip);
    EXPECT_EQ(static_cast<DWORD>(NIIF_ERROR), second.dwInfoFlags);
    EXPECT_EQ(notConnectedPixels, iconPixels(second.hIcon));
    EXPECT_EQ(second.hIcon, app.trayStatusIcon);
    // The connected picture went to the shell first and is released now that it is replaced.
    ICONINFO gone = {};
    EXPECT_FALSE(GetIconInfo(first.hIcon, &gone));

    removeTrayIcon();
    ASSERT_EQ(4u, shellCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), shellCalls[3].message);
    EXPECT_EQ(1u, shellCalls[3].data.uID);
    EXPECT_EQ(nullptr, app.trayStartIcon);
    EXPECT_EQ(nullptr, app.trayStatusIcon);
}

TEST_F(Tray, ManyStatusChangesHoldOneStatusIcon) {
    addTrayIcon();
    showStatus(kBalloonInformation, "warm-up", true);
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 300; ++i)
        showStatus(i % 2 ? kBalloonError : kBalloonInformation, "change", i % 2 == 0);
    DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userAfter = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    // Wine answers 0 for these counts; on Windows they must stay level.
    if (gdiBefore != 0 || userBefore != 0) {
        EXPECT_LE(gdiAfter, gdiBefore + 4);
        EXPECT_LE(userAfter, userBefore + 4);
    }

    // Every icon handed to the shell before the last one has been destroyed.
    ASSERT_EQ(302u, shellCalls.size());
    int alive = 0;
    for (size_t i = 1; i < shellCalls.size(); ++i) {
        ICONINFO info = {};
        if (GetIconInfo(shellCalls[i].data.hIcon, &info)) {
            ++alive;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
    }
    EXPECT_EQ(1, alive);
    EXPECT_EQ(shellCalls.back().data.hIcon, app.trayStatusIcon);
    removeTrayIcon();
}

} // namespace
