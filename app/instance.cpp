// Process start-up and shutdown of the client.
#include "app/instance.h"

#include "app/mainwindow.h"
#include "app/switches.h"
#include "app/tray.h"
#include "base/registry.h"
#include "base/settings.h"
#include "core/appstate.h"
#include "core/method.h"
#include "core/notify.h"
#include "drive/drivewatch.h"
#include "drive/mount.h"
#include "drive/open.h"

#include <commctrl.h>

static void forgetMutex() {
    CloseHandle(app.instanceMutex);
    app.instanceMutex = nullptr;
}

bool initInstance(HINSTANCE instance, const char* commandLine) {
    bool webFolder = isWebFolderMethod(selectConnectionMethod());
    app.instanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    app.startupError = GetLastError();
    if (app.instanceMutex == nullptr)
        return false;

    CommandLineSwitch given = parseSwitch(commandLine);
    if (given.kind == Switch::Force) {
        writeDwordSetting(settings::kProductKey, settings::kForceMethod,
                          static_cast<DWORD>(given.forcedMethod));
        forgetMutex();
        return false;
    }

    if (app.startupError == ERROR_ALREADY_EXISTS) {
        unsigned command = forwardedCommand(given.kind, webFolder);
        // When the running instance has no window yet (or no more), the request is lost.
        HWND running = FindWindowA(kMainWindowClass, nullptr);
        if (running != nullptr)
            SendMessageA(running, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        if (given.kind != Switch::Replace) {
            forgetMutex();
            return false;
        }
    }

    if (given.kind == Switch::Stop)
        return false;
    return registerMainWindowClass(instance);
}

void shutdownInstance() {
    UnregisterClassA(kMainWindowClass, app.instance);
    if (app.instanceMutex != nullptr) {
        ReleaseMutex(app.instanceMutex);
        forgetMutex();
    }
}

static void carryOutSwitch(Switch kind, bool webFolder) {
    switch (kind) {
    case Switch::Tray:
        autoMount();
        break;
    case Switch::Open:
        openDrive(nullptr);
        break;
    case Switch::Mount:
        if (!webFolder)
            mountDrive(false);
        break;
    case Switch::Umount:
        if (!webFolder) {
            unmountDrive(true);
            app.connected = false;
        }
        break;
    case Switch::Setup:
        PostMessageA(app.mainWindow, UM_OPEN_SETTINGS, 0, 0);
        break;
    case Switch::Properties:
        app.propertiesStartPage = kPageGeneral;
        PostMessageA(app.mainWindow, UM_OPEN_PROPERTIES, 0, 0);
        break;
    default:
        break;
    }
}

// The exit code is the wParam of WM_QUIT; when GetMessageA fails (-1) there is no WM_QUIT and
// the loop ends as a start-up cut short does, with 0.
int runMessageLoop() {
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateAcceleratorA(app.mainWindow, nullptr, &message);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}

// Windows looks for a DLL loaded at run time in the program's own folder first, where a DLL of a
// system name put beside the program would be taken for the system's. Only the system folder is
// searched where Windows offers that (Windows 8, and 7 and Vista updated); else the current
// folder at least is left out. Looked up at run time: older systems have neither call.
void limitDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefaultDirectories = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefaultDirectories != nullptr && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    auto setDirectory = reinterpret_cast<BOOL(WINAPI*)(LPCSTR)>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory != nullptr)
        setDirectory("");
}

int runClient(HINSTANCE instance, const char* commandLine) {
    limitDllSearch();
    InitCommonControls();
    app.instance = instance;
    bool webFolder = isWebFolderMethod(selectConnectionMethod());
    int exitCode = 0;
    if (initInstance(instance, commandLine)) {
        app.mainWindow = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                         nullptr, nullptr, instance, nullptr);
        if (app.mainWindow != nullptr) {
            addTrayIcon();
            ShowWindow(app.mainWindow, SW_HIDE);
            UpdateWindow(app.mainWindow);
            carryOutSwitch(parseSwitch(commandLine).kind, webFolder);
            if (scanMappedDrives(false)) {
                showStatus(kBalloonInformation, "Ihre Nimbara\r\nist verbunden.", true);
                app.connected = true;
            }
            exitCode = runMessageLoop();
        }
    }
    shutdownInstance();
    removeTrayIcon();
    return exitCode;
}
