// The modal properties dialog.
#pragma once

#include <windows.h>

INT_PTR showPropertiesDialog(HWND owner);
