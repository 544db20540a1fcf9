// The notification-area icon: put up at start, taken down at the end.
#pragma once

#include <windows.h>

// The 488-byte layout of the shell's notification structure: with balloon text, time-out,
// balloon title and balloon flags, without the GUID.
constexpr DWORD kNotifyIconDataSize = 488;
constexpr UINT kTrayIconId = 1;

void addTrayIcon();
void removeTrayIcon();
HICON loadTrayIcon(int resourceId);
void fillTrayData(NOTIFYICONDATAA* data, UINT flags);
