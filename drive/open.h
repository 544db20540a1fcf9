// Opening the drive in Explorer, or the network place under the web-folder methods.
#pragma once

#include <windows.h>

void openDrive(HWND ownerWindow);
