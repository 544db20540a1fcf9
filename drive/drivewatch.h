// Following the drive letter and the volume broadcasts, and opening the drive in Explorer.
#pragma once

#include <windows.h>

#include <dbt.h>

void openDrive(HWND ownerWindow);
bool scanMappedDrives(bool cancel);
void handleVolumeBroadcast(bool arrival, const DEV_BROADCAST_HDR* header);
