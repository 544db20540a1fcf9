// The application state of the client: the process-wide items of the start-up, the shared
// state of the main window and the handles the tray icon holds. The one place such state lives.
#pragma once

#include "service/answer.h"

#include <windows.h>

struct AppState {
    // start-up and single instance
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HANDLE instanceMutex = nullptr;
    DWORD startupError = 0;
    // shared by the main window, the drive and the properties dialog
    bool connected = false;
    bool propertiesOpen = false;
    HWND propertiesWindow = nullptr;
    int propertiesStartPage = -1; // 0 General, 1 Login, 3 Update, -1 used
    int retryAfterLogin = 0;      // 0 nothing, 1 mount again, 2 mount again and open
    // tray icon
    HICON trayStartIcon = nullptr;
    HICON trayStatusIcon = nullptr;
    // the last update announcement of the web service
    UpdateInfo updateInfo;
};

extern AppState app;

constexpr const char* kMainWindowClass = "QeltoNimbaraWindowsClient";
constexpr const char* kMainWindowTitle = "Nimbara";
constexpr const char* kInstanceMutexName = "NimbaraMUTEX";

constexpr UINT UM_OPEN_SETTINGS = WM_USER + 100;
constexpr UINT UM_TRAY = WM_USER + 101;
constexpr UINT UM_OPEN_PROPERTIES = WM_USER + 102;
