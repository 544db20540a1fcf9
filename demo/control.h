// Driving the client from outside, as another process would: start it, find its window by its
// class, send it commands and tray messages, wait for it to appear or end.
#pragma once

#include <windows.h>

#include <string>

namespace control {

// Path of Nimbara.exe: the NIMBARA_EXE environment variable (a Linux path) on Wine's drive Z:.
std::string clientPath();
HANDLE start(const std::string& arguments, const std::string& program = clientPath());
// The process's exit code, or STILL_ACTIVE when it has not ended within timeoutMs.
DWORD waitExit(HANDLE process, DWORD timeoutMs);

HWND findClient();
DWORD clientProcessId();
bool waitForClient(DWORD timeoutMs, DWORD processId = 0);
bool waitForNoClient(DWORD timeoutMs);
bool sendCommand(WORD command);
// Posted, not sent: the tray menu runs a modal loop inside the client's handler.
bool postTray(UINT mouseMessage);

// The client's properties dialog, when it is open.
HWND findProperties();
bool waitForProperties(DWORD timeoutMs);
// The control with the id anywhere below root (the dialog's pages are its children).
HWND findControl(HWND root, int id);
// Clicks the tab of the open dialog with the index, as a user would.
bool clickTab(int index);
// Types the portal login into the open dialog's Login page and presses OK, as a user would.
bool enterLogin(const std::string& name, const std::string& password);
// The whole screen, or only where the window is, as a 24-bit BMP into NIMBARA_SCREENSHOTS (a
// Linux folder), as name.bmp.
bool saveScreenshot(const std::string& name, HWND only = nullptr);

} // namespace control
