// The pages of the properties dialog as the frame sees them: one page procedure each, the apply
// parts of the two pages that take changes, and the portal pages their links open.
#pragma once

#include "deployment.h"

#include <windows.h>

INT_PTR CALLBACK generalPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK loginPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK settingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK updatePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK infoPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

bool applyLoginPage(HWND page); // false: a login was tried and failed
void applySettingsPage(HWND page);

#define NIMBARA_PORTAL_PAGE(path) "http://" NIMBARA_PORTAL_HOST "/Nimbara/WindowsClient/" path
