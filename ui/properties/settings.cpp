// The Settings page: an empty page for now; it has nothing to apply yet.
#include "ui/properties/pages.h"

void applySettingsPage(HWND) {}

INT_PTR CALLBACK settingsPageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}
