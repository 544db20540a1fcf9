// Driving the client from outside, as another process would: start it, find its window by its
// class, send it commands and tray messages, wait for it to appear or end.
#pragma once

#include <windows.h>

#include <string>

namespace control {

constexpr const char* kClientClass = "QeltoNimbaraWindowsClient";

// Windows path of a file given by its Linux path (Wine maps the Linux root to drive Z:).
std::string windowsPath(const std::string& linuxPath);
// Path of Nimbara.exe: the NIMBARA_EXE environment variable (a Linux path).
std::string clientPath();

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

// Starts program with the given command line (appended after the quoted program path).
Process start(const std::string& program, const std::string& arguments);
// Waits for the process to end; returns its exit code, or STILL_ACTIVE after timeoutMs.
DWORD waitExit(Process& process, DWORD timeoutMs);
void release(Process& process);
void kill(Process& process);

HWND findClient();
DWORD clientProcessId();
HWND waitForClient(DWORD timeoutMs, DWORD processId = 0);
bool waitForNoClient(DWORD timeoutMs);
bool sendCommand(WORD command, WORD notification = 0);
bool sendTray(UINT mouseMessage);

} // namespace control
