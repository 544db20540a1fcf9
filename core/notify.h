// How outcomes reach the user: the tray balloon with picture and tooltip, and the plain
// message box. Kept in a translation unit of its own so tests can link a recording version.
#pragma once

#include <windows.h>

enum BalloonKind : DWORD {
    kBalloonInformation = 1, // NIIF_INFO
    kBalloonWarning = 2,     // NIIF_WARNING
    kBalloonError = 3,       // NIIF_ERROR
};

BOOL showStatus(DWORD kind, const char* text, bool connected);
void showMessage(const char* text);
// The same box with the information icon, for a success the user confirms before it goes on.
void showInformation(const char* text);
