// Handing a URL, folder or program to the shell, so tests can link a recording version.
#pragma once

#include <windows.h>

// show: the window state for ShellExecuteA (SW_SHOW, SW_SHOWNORMAL, ...).
bool shellOpen(HWND owner, const char* file, const char* parameters, int show);
