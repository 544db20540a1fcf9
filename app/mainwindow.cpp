// Main window procedure, tray menu and the properties request.
#include "app/mainwindow.h"

#include "app/appstate.h"
#include "app/tray.h"
#include "drive/drivewatch.h"
#include "drive/method.h"
#include "drive/mount.h"
#include "res/resource.h"
#include "service/rekey.h"
#include "ui/properties/frame.h"

#include <commctrl.h>
#include <dbt.h>

bool registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

HMENU loadTrayMenu(ConnectionMethod method, HMENU* popup) {
    HMENU menu = LoadMenuA(app.instance, MAKEINTRESOURCEA(IDR_TRAYMENU));
    *popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (*popup == nullptr)
        return menu;
    if (isWebFolderMethod(method)) {
        DeleteMenu(*popup, IDM_CONNECT, MF_BYCOMMAND);
        DeleteMenu(*popup, IDM_DISCONNECT, MF_BYCOMMAND);
    }
    SetMenuDefaultItem(*popup, IDM_OPEN, FALSE);
    return menu;
}

void showTrayMenu(HWND owner) {
    HMENU popup = nullptr;
    HMENU menu = loadTrayMenu(selectConnectionMethod(), &popup);
    if (popup != nullptr) {
        POINT cursor = {0, 0};
        GetCursorPos(&cursor);
        SetForegroundWindow(owner);
        TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr);
        SetForegroundWindow(owner);
    }
    if (menu != nullptr)
        DestroyMenu(menu);
}

void openProperties(UINT message) {
    if (app.propertiesOpen) {
        ShowWindow(app.propertiesWindow, SW_SHOWNORMAL);
        SetFocus(app.propertiesWindow);
        HWND tabs = GetDlgItem(app.propertiesWindow, IDC_PROPERTIES_TABS);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(tabs, TCM_SETCURSEL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG,
                            5000, &ignored);
        NMHDR header = {};
        header.hwndFrom = nullptr;
        header.idFrom = 0;
        header.code = TCN_SELCHANGE;
        SendMessageA(app.propertiesWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
        return;
    }
    app.propertiesStartPage = message == UM_OPEN_PROPERTIES ? kPageGeneral : kPageLogin;
    app.propertiesOpen = true;
    showPropertiesDialog(app.mainWindow);
}

static void handleCommand(HWND window, WORD command, ConnectionMethod method) {
    bool webFolder = isWebFolderMethod(method);
    switch (command) {
    case IDM_OPEN:
        openDrive(window);
        break;
    case IDM_CONNECT:
        if (webFolder)
            break;
        if (app.connected) {
            unmountDrive(false);
            app.connected = false;
        }
        mountDrive(false);
        break;
    case IDM_DISCONNECT:
        unmountDrive(true);
        app.connected = false;
        break;
    case IDM_QUIT:
        if (!webFolder) {
            unmountDrive(true);
            app.connected = false;
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_SETTINGS:
        PostMessageA(window, UM_OPEN_SETTINGS, 0, 0);
        break;
    case IDM_PROPERTIES:
        PostMessageA(window, UM_OPEN_PROPERTIES, 0, 0);
        break;
    case IDM_REKEY:
        rekeyStoredLogin();
        break;
    case IDM_REPLACE:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ConnectionMethod method = selectConnectionMethod();
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) != 0)
            return DefWindowProcA(window, message, wParam, lParam);
        handleCommand(window, LOWORD(wParam), method);
        return 0;
    case WM_DEVICECHANGE: {
        const DEV_BROADCAST_HDR* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        if (LOWORD(wParam) == DBT_DEVICEARRIVAL)
            handleVolumeBroadcast(true, header);
        else if (LOWORD(wParam) == DBT_DEVICEREMOVECOMPLETE)
            handleVolumeBroadcast(false, header);
        return 0;
    }
    case UM_OPEN_SETTINGS:
    case UM_OPEN_PROPERTIES:
        openProperties(message);
        return 0;
    case UM_TRAY:
        if (wParam == kTrayIconId) {
            if (lParam == WM_RBUTTONDOWN)
                showTrayMenu(window);
            else if (lParam == WM_LBUTTONDBLCLK)
                openDrive(window);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
