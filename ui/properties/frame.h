// The modal properties dialog: its entry point, and what the frame offers its pages.
#pragma once

#include <windows.h>

// Runs the dialog modally; the caller sets propertiesStartPage and propertiesOpen first.
INT_PTR showPropertiesDialog(HWND owner);
// Opens the dialog on a page, owned by the main window; returns its result when it has ended.
INT_PTR runPropertiesDialog(int startPage);
// The open dialog restored, focused and showing the page.
void bringPropertiesForward(int page);

void markChanged(HWND page);
void markBoxChanged(HWND page, int checkBoxId);
bool commitChanges(HWND frame, int result, bool closeAfter);
bool applyChanges();
bool closePropertiesDialog(HWND frame, int result);
void openWebPage(HWND window, const char* url, bool fromPage);
void showDwordSetting(HWND page, const char* valueName, int checkBoxId);
void applyDwordSetting(HWND page, const char* valueName, int checkBoxId, bool absentMeansOn);
