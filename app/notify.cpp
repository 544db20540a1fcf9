// The balloon notification and the message box (see notify.h).
#include "core/notify.h"

#include "app/tray.h"
#include "base/text.h"
#include "core/appstate.h"
#include "res/resource.h"

BOOL showStatus(DWORD kind, const char* text, bool connected) {
    HICON icon = loadTrayIcon(connected ? IDI_CONNECTED : IDI_NOT_CONNECTED);
    NOTIFYICONDATAA data;
    fillTrayData(&data, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    data.uCallbackMessage = UM_TRAY;
    data.hIcon = icon;
    app.trayTip = connected ? "Qelto Nimbara (verbunden)" : "Qelto Nimbara (getrennt)";
    copyTextCut(data.szTip, sizeof data.szTip, app.trayTip);
    // A text beyond the balloon's 255 characters is shown cut: an empty text would make the
    // shell take the balloon away, and the notice would be lost.
    copyTextCut(data.szInfo, sizeof data.szInfo, text);
    copyTextCut(data.szInfoTitle, sizeof data.szInfoTitle, "Nimbara");
    data.uTimeout = 15000;
    data.dwInfoFlags = kind;
    BOOL result = Shell_NotifyIconA(NIM_MODIFY, &data);
    // The replaced icon goes only after the shell holds the new one.
    if (app.trayStatusIcon != nullptr)
        DestroyIcon(app.trayStatusIcon);
    app.trayStatusIcon = icon;
    return result;
}

void showMessage(const char* text) {
    MessageBoxA(nullptr, text, "Nimbara", MB_OK);
}

void showInformation(const char* text) {
    MessageBoxA(nullptr, text, "Nimbara", MB_OK | MB_ICONINFORMATION);
}
