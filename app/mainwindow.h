// The hidden main window: its procedure (the hub of tray clicks, menu and forwarded commands,
// device broadcasts), the tray menu and the properties request.
#pragma once

#include "core/method_rules.h"

#include <windows.h>

bool registerMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Steps 1 to 3 of the tray menu: the loaded menu (destroy it after use) and its first popup,
// with the entries the connection method allows and the default item set.
HMENU loadTrayMenu(ConnectionMethod method, HMENU* popup);
void showTrayMenu(HWND owner);
void openProperties(UINT message);
