// The notification-area icon: put up at start, taken down at the end.
#pragma once

#include <windows.h>

#include <shellapi.h>

// The layout of the shell's notification structure with balloon text, time-out, balloon title
// and balloon flags, without the GUID: 488 bytes in the 32-bit build. The 64-bit build has wider
// handles, and the same layout measures 504 bytes there; a literal 488 would make the shell drop
// every balloon of the 64-bit build.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAA_V2_SIZE;
static_assert(sizeof(void*) != 4 || kNotifyIconDataSize == 488, "the 32-bit layout is 488 bytes");
constexpr UINT kTrayIconId = 1;

void addTrayIcon();
void restoreTrayIcon();
void removeTrayIcon();
HICON loadTrayIcon(int resourceId);
void fillTrayData(NOTIFYICONDATAA* data, UINT flags);
