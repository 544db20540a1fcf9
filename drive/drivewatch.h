// Following the drive letter and the volume broadcasts, and the balloon of the drive's state.
#pragma once

#include <windows.h>

#include <dbt.h>

bool scanMappedDrives(bool cancel);
void handleVolumeBroadcast(bool arrival, const DEV_BROADCAST_HDR* header);
void announceConnectionState(bool isConnected);
