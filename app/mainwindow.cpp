// Main window procedure, tray menu and the properties request.
#include "app/mainwindow.h"

#include "app/tray.h"
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/method.h"
#include "core/notify.h"
#include "drive/drivewatch.h"
#include "drive/frontend.h"
#include "drive/mount.h"
#include "drive/open.h"
#include "drive/webfolder.h"
#include "res/resource.h"
#include "ui/properties/frame.h"

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

// An open dialog is brought forward on its first page, whichever request came.
void openProperties(UINT message) {
    if (app.propertiesOpen) {
        bringPropertiesForward(kPageGeneral);
        return;
    }
    runPropertiesDialog(message == UM_OPEN_PROPERTIES ? kPageGeneral : kPageLogin);
}

// Fresh WebDAV credentials with the stored login, and a balloon that says how it went. A service
// that cannot be reached is a failure here, not a success.
static void rekeyStoredLogin() {
    if (!internetAvailable()) {
        showStatus(kBalloonInformation, "Sie haben derzeit keine Verbindung zum Internet.", false);
        return;
    }
    AuthOutcome outcome = refreshStoredLogin();
    followAuthentication(outcome);
    if (outcome.result == AuthResult::Succeeded)
        showStatus(kBalloonInformation, "Authentifizierungsdaten erfolgreich aktualisiert.", true);
    else
        showStatus(kBalloonError, "Konnte die Authentifizierungsdaten nicht aktualisieren.", true);
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

// Back from sleep: both resume notices may come, and one check serves both (the drive is mapped
// again by the time the second arrives). An open dialog runs its own loop; the check waits until
// it closes.
static void handleResume() {
    if (app.propertiesOpen)
        app.resumeCheckPending = true;
    else
        remountAfterResume();
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == app.taskbarCreatedMessage) {
        restoreTrayIcon();
        return 0;
    }
    ConnectionMethod method = selectConnectionMethod();
    switch (message) {
    case WM_CREATE:
        app.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            handleResume();
        return TRUE;
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
