// Waiting: every pause of the client goes through here, so tests can link a recording version.
#pragma once

#include <windows.h>

void pauseMilliseconds(DWORD milliseconds);
