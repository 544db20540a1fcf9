// Drives the real properties dialog in its own modal loop, a step per timer tick, and reads it.
#pragma once

#include "core/appstate.h"
#include "control.h"
#include "recording.h"
#include "registry_access.h"
#include "ui/properties/frame.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dialogtest {

inline std::vector<std::function<void(HWND frame)>> steps;
inline size_t nextStep = 0;

inline void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
    EXPECT_TRUE(app.propertiesOpen); // marked open while it is: no second one can come
    if (app.propertiesWindow != nullptr && nextStep < steps.size())
        steps[nextStep++](app.propertiesWindow);
}
// A click on a button of the frame, or another notification from a control to its window.
inline void press(HWND frame, int id, WORD code = BN_CLICKED) {
    SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, code), 0);
}
// A click on a check box or button itself, which notifies its page.
inline void click(HWND page, int id) {
    SendDlgItemMessageA(page, id, BM_CLICK, 0, 0);
}
inline bool enabled(HWND window, int id) {
    return IsWindowEnabled(GetDlgItem(window, id));
}
// Opens the dialog, runs a step per tick; given a name, pictures it after two idle ticks.
inline INT_PTR run(int startPage, decltype(steps) script, const char* name = nullptr) {
    steps = std::move(script);
    auto picture = [name](HWND frame) {
        EXPECT_TRUE(control::saveScreenshot(std::string("dialog-") + name, frame));
        press(frame, IDCANCEL);
    };
    if (name != nullptr)
        steps.insert(steps.end(), {[](HWND) {}, [](HWND) {}, picture});
    nextStep = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, runStep);
    INT_PTR result = runPropertiesDialog(startPage);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(app.propertiesOpen || app.propertiesWindow);
    EXPECT_EQ(kPageUsed, app.propertiesStartPage);
    return result;
}
inline std::string text(HWND window, int id) {
    char buffer[512] = "";
    return GetDlgItemTextA(window, id, buffer, sizeof buffer), buffer;
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
