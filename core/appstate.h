// The application state of the client: the process-wide items of the start-up, the shared
// state of the main window and the handles the tray icon holds. The one place such state lives.
#pragma once

#include "core/updateinfo.h"

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
    int propertiesStartPage = -1;    // a tab index below, or kPageUsed
    int retryAfterLogin = 0;         // kRetryNothing, kRetryMount or kRetryMountAndOpen
    bool resumeCheckPending = false; // a resume from sleep came while the dialog was open
    UINT taskbarCreatedMessage = 0;  // "TaskbarCreated": a new taskbar wants the icon again
    // tray icon
    HICON trayStartIcon = nullptr;
    HICON trayStatusIcon = nullptr;
    const char* trayTip = "Qelto Nimbara"; // the tooltip the icon shows now
    // the last update announcement of the web service
    UpdateInfo updateInfo;
};

extern AppState app;

// The tabs of the properties dialog, by index; kPageUsed: the start page has been used.
constexpr int kPageGeneral = 0;
constexpr int kPageLogin = 1;
constexpr int kPageSettings = 2;
constexpr int kPageUpdate = 3;
constexpr int kPageInfo = 4;
constexpr int kPageUsed = -1;

// What the properties dialog does when it closes after a mount that needed a new login.
constexpr int kRetryNothing = 0;
constexpr int kRetryMount = 1;
constexpr int kRetryMountAndOpen = 2;

constexpr const char* kMainWindowClass = "QeltoNimbaraWindowsClient";
constexpr const char* kMainWindowTitle = "Nimbara";
constexpr const char* kInstanceMutexName = "NimbaraMUTEX";

constexpr UINT UM_OPEN_SETTINGS = WM_USER + 100;
constexpr UINT UM_TRAY = WM_USER + 101;
constexpr UINT UM_OPEN_PROPERTIES = WM_USER + 102;
