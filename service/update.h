// The self-update's engine: download, check, install and restart. Each step reports what
// happened; the Update page shows it.
#pragma once

#include "base/handles.h"
#include "core/updateinfo.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>

constexpr size_t kUpdatePathSize = 1024;

// The files of one update. The download stays open from its creation until the new program is
// written from it, and no other process can change it meanwhile: the bytes checked are the bytes
// installed.
struct UpdateFiles {
    OwnedFile download;
    char program[kUpdatePathSize] = ""; // where the new program was put, to start it from there
    char backup[kUpdatePathSize] = "";  // where the previous program went
};

// The TEMP folder a download goes to; nullptr when there is none or it does not fit.
const char* updateTempFolder(char (&buffer)[kUpdatePathSize]);

enum class DownloadOutcome { Downloaded, NoTempFolder, Failed };
// Called with 0 once the request is about to go out, then with the bytes received after each chunk.
using DownloadProgress = std::function<void(uint32_t received)>;
DownloadOutcome downloadUpdate(const char* location, const char* tempDir, long expected,
                               const DownloadProgress& progress, UpdateFiles* files);

// crc: the download's CRC-32 as the service writes it. matches: it and an announced SHA-256 digest
// are the announced ones. False when the download could not be read.
struct UpdateCheck {
    char crc[9] = "";
    bool matches = false;
};
bool checkUpdate(const UpdateFiles& files, const UpdateInfo& update, UpdateCheck* check);

// ProgramInBackup: the install failed and the previous program could not be put back; it is at
// files.backup.
enum class InstallOutcome { Installed, NotInstalled, ProgramInBackup };
InstallOutcome installUpdate(const char* tempDir, UpdateFiles* files);

// Starts the installed program with /replace, which ends this instance.
bool startUpdated(HWND owner, const UpdateFiles& files);

// Deletes a download this run made that is no update; one from an earlier run stays.
void discardDownload(const char* tempDir, UpdateFiles* files);

// The folder the update replaces the program in: InstallDir, or the running program's own.
bool installFolder(char (&folder)[kUpdatePathSize]);
bool fileExists(const char* path);
