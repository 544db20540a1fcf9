// Handing a URL, folder or program to the shell, so tests can link a recording version.
#pragma once

#include <windows.h>

bool shellOpen(HWND owner, const char* file, const char* parameters);
