// Tray icon: adding and removing it, and the icon loading that the status notification shares.
#include "app/tray.h"

#include "base/text.h"
#include "core/appstate.h"
#include "res/resource.h"

#include <cstring>

static_assert(kNotifyIconDataSize <= sizeof(NOTIFYICONDATAA), "notification layout too large");

HICON loadTrayIcon(int resourceId) {
    return static_cast<HICON>(LoadImageA(app.instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, 16,
                                         16, LR_DEFAULTCOLOR));
}

void fillTrayData(NOTIFYICONDATAA* data, UINT flags) {
    memset(data, 0, sizeof *data);
    data->cbSize = kNotifyIconDataSize;
    data->hWnd = app.mainWindow;
    data->uID = kTrayIconId;
    data->uFlags = flags;
}

void addTrayIcon() {
    app.trayStartIcon = loadTrayIcon(IDI_NOT_CONNECTED);
    app.trayTip = "Qelto Nimbara";
    restoreTrayIcon();
}

// The icon added with the picture and tooltip it shows now: at start, and for a taskbar that was
// created anew (Explorer restarted) and knows no icon of ours.
void restoreTrayIcon() {
    NOTIFYICONDATAA data;
    fillTrayData(&data, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = UM_TRAY;
    data.hIcon = app.trayStatusIcon != nullptr ? app.trayStatusIcon : app.trayStartIcon;
    copyTextCut(data.szTip, sizeof data.szTip, app.trayTip);
    Shell_NotifyIconA(NIM_ADD, &data);
}

void removeTrayIcon() {
    NOTIFYICONDATAA data;
    fillTrayData(&data, 0);
    Shell_NotifyIconA(NIM_DELETE, &data);
    if (app.trayStartIcon != nullptr)
        DestroyIcon(app.trayStartIcon);
    app.trayStartIcon = nullptr;
    if (app.trayStatusIcon != nullptr)
        DestroyIcon(app.trayStatusIcon);
    app.trayStatusIcon = nullptr;
}
