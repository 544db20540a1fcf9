// The steps of the self-update behind the Update page: download, check, install and restart.
#pragma once

#include "base/handles.h"

#include <windows.h>

#include <cstddef>

constexpr size_t kUpdatePathSize = 1024;

// The files of one update. The download stays open from its creation until the new program is
// written from it, and no other process can change it meanwhile: the bytes checked are the bytes
// installed.
struct UpdateFiles {
    OwnedFile download;
    char program[kUpdatePathSize] = ""; // where the new program was put, to start it from there
};

void showUpdateState(HWND page);
bool downloadUpdate(HWND page, const char* location, const char* tempDir, UpdateFiles* files);
bool verifyUpdate(HWND page, UpdateFiles* files);
bool installUpdate(HWND page, const char* tempDir, UpdateFiles* files);
void restartUpdated(HWND page, const UpdateFiles& files);

// The folder the update replaces the program in: InstallDir, or the running program's own.
bool installFolder(char (&folder)[kUpdatePathSize]);
bool fileExists(const char* path);
