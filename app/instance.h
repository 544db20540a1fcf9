// Start-up: the single-instance check, the method switches, forwarding to the running instance,
// and the clean-up at the end.
#pragma once

#include <windows.h>

bool initInstance(HINSTANCE instance, const char* commandLine);
void shutdownInstance();
// At the very start: DLLs loaded at run time only from the system folder, where Windows allows.
void limitDllSearch();
int runClient(HINSTANCE instance, const char* commandLine);
// The message loop of the running instance; returns the exit code.
int runMessageLoop();
