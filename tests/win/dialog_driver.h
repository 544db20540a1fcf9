// Drives the real properties dialog in its own modal loop: steps run one per timer tick, with
// small readers of its controls and a fixture that starts each test from a fresh state.
#pragma once

#include "app/appstate.h"
#include "app/mainwindow.h"
#include "base/registry.h"
#include "recording.h"
#include "ui/properties/frame.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace dialogtest {

inline std::vector<std::function<void(HWND frame)>> steps;
inline size_t nextStep = 0;

inline void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
    if (app.propertiesWindow != nullptr && nextStep < steps.size())
        steps[nextStep++](app.propertiesWindow);
}
// Opens the dialog on startPage and runs the steps, one per tick; returns its result.
inline INT_PTR run(int startPage, decltype(steps) script) {
    steps = std::move(script);
    nextStep = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, runStep);
    app.propertiesStartPage = startPage;
    app.propertiesOpen = true;
    INT_PTR result = showPropertiesDialog(app.mainWindow);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(app.propertiesOpen || app.propertiesWindow);
    EXPECT_EQ(kPageUsed, app.propertiesStartPage);
    return result;
}
inline void press(HWND frame, int id) {
    SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}
inline std::string text(HWND window, int id) {
    char buffer[512] = "";
    GetDlgItemTextA(window, id, buffer, sizeof buffer);
    return buffer;
}
// By the window's own style: the first step may run before the dialog is on screen.
inline bool shown(HWND window) {
    return (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}
// The pages are the frame's only children without an id.
inline HWND shownPage(HWND frame) {
    HWND page = GetWindow(frame, GW_CHILD);
    while (page != nullptr && (GetDlgCtrlID(page) != 0 || !shown(page)))
        page = GetWindow(page, GW_HWNDNEXT);
    return page;
}
inline DWORD saveCredentials() {
    DWORD value = 99; // absent
    readDwordValue(HKEY_CURRENT_USER, "Software\\Qelto\\Nimbara", "SaveCredentials", &value);
    return value;
}
inline void setString(const char* name, const std::string& value) {
    writeStringSetting("Software\\Qelto\\Nimbara", name, value.c_str());
}
// A value as text: a string as it is, a DWORD in decimal, "-" when there is none.
inline std::string setting(const char* name, const char* key = "Software\\Qelto\\Nimbara") {
    RegistryValue value;
    const char* text = nullptr;
    DWORD number = 0;
    if (!RegistryKey(HKEY_CURRENT_USER).read(key, name, &value))
        return "-";
    return value.getString(&text) ? text : value.getDword(&number) ? std::to_string(number) : "?";
}
// What the screen shows of window, as NAME.bmp (24 bits) in the folder NIMBARA_SCREENSHOTS
// names, else beside the test program.
inline void saveScreenshot(HWND window, const std::string& name) {
    RECT r;
    GetWindowRect(window, &r);
    BITMAPINFOHEADER info = {
        sizeof info, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::string pixels((info.biWidth * 3 + 3) / 4 * 4 * info.biHeight, '\0');
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, info.biWidth, info.biHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, info.biHeight, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof info + pixels.size()), 0, 0,
                             sizeof file + sizeof info};
    char folder[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("NIMBARA_SCREENSHOTS", folder, MAX_PATH)) {
        GetModuleFileNameA(nullptr, folder, MAX_PATH);
        *strrchr(folder, '\\') = '\0';
    }
    CreateDirectoryA(folder, nullptr);
    std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<char*>(&file), sizeof file)
        .write(reinterpret_cast<char*>(&info), sizeof info)
        .write(pixels.data(), pixels.size());
}

class Dialog : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        app.mainWindow = GetDesktopWindow(); // an owner for the drive calls
        recording::reset();
    }
};
} // namespace dialogtest
