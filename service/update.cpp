// The self-update's engine: the new program is downloaded from the location the web service
// announced, its CRC-32 (and SHA-256 digest, when one is announced) checked against the
// announcement, put in place of the installed one with a backup and started with /replace.
#include "service/update.h"

#include "base/crc32.h"
#include "base/httpclient.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/sha256.h"
#include "base/shellopen.h"
#include "base/text.h"
#include "service/frame.h"
#include "service/update_rules.h"

#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <string>

namespace {

constexpr size_t kLongestTempDir = 1000;

} // namespace

const char* updateTempFolder(char (&buffer)[kUpdatePathSize]) {
    DWORD length = GetEnvironmentVariableA("TEMP", buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? buffer : nullptr;
}

// A TEMP folder of more than 1000 characters is refused, as is none at all.
static bool formatDownloadPath(char (&path)[kUpdatePathSize], const char* tempDir) {
    return tempDir != nullptr && strlen(tempDir) <= kLongestTempDir &&
           formatText(path, sizeof path, "%s\\Nimbara_update.exe", tempDir);
}

// Others may read the download while it is open here, but not write, move or delete it.
static bool createDownload(UpdateFiles* files, const char* path) {
    files->download.reset(); // before the file is created again: it would refuse to open
    files->download.reset(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(files->download);
}

// Every chunk reaches the file whole, or the download fails; so does one beyond the size limit: a
// server that sends more is not sending an update, and would fill TEMP.
static bool receiveUpdate(HttpClient* client, HANDLE file, long expected,
                          const DownloadProgress& progress) {
    char chunk[kAnswerChunkSize];
    uint32_t received = 0;
    const uint32_t limit = updateSizeLimit(expected);
    DWORD got;
    while ((got = client->read(chunk, sizeof chunk)) > 0) {
        DWORD written = 0;
        if (got > limit - received || !WriteFile(file, chunk, got, &written, nullptr) ||
            written != got)
            return false;
        received += got;
        progress(received);
    }
    return true;
}

// Only an http:// or https:// location is asked: the service names a web server, never a file
// or a share. Only a 200 answer is saved; one without body is an empty download, which the check
// then refuses.
DownloadOutcome downloadUpdate(const char* location, const char* tempDir, long expected,
                               const DownloadProgress& progress, UpdateFiles* files) {
    const char* path = updateRequestPath(location);
    char target[kUpdatePathSize];
    if (!formatDownloadPath(target, tempDir))
        return DownloadOutcome::NoTempFolder;
    progress(0);
    HttpClient client;
    if (!isWebAddress(location) || !client.open(location, nullptr, nullptr, kUserAgent))
        return DownloadOutcome::Failed;
    bool done = client.send(path, Get, nullptr) && client.status() == 200 &&
                createDownload(files, target) &&
                receiveUpdate(&client, files->download.get(), expected, progress);
    client.close();
    return done ? DownloadOutcome::Downloaded : DownloadOutcome::Failed;
}

// Reads the download from its start through a duplicate of the handle it was written with: the
// checksum is taken of the bytes written, never of a file looked up again by its name.
static bool readBackCrc32(HANDLE file, uint32_t* crc, long* count, Sha256* sha) {
    OwnedHandle reader;
    if (file == INVALID_HANDLE_VALUE ||
        SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), reader.receive(), 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return false;
    int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(reader.get()), _O_RDONLY | _O_BINARY);
    if (descriptor == -1)
        return false;
    reader.release(); // the descriptor closes it now
    FILE* stream = _fdopen(descriptor, "rb");
    if (stream == nullptr) {
        _close(descriptor);
        return false;
    }
    bool read = fileCrc32(stream, crc, count, sha);
    fclose(stream); // closes the duplicate only
    return read;
}

// The announced checksum must match exactly, upper case as formatted here; an announced SHA-256
// digest as well, in either case (a CRC-32 alone can be forged by appending four bytes).
bool checkUpdate(const UpdateFiles& files, const UpdateInfo& update, UpdateCheck* check) {
    uint32_t crc = 0;
    long count = 0;
    Sha256 sha;
    const std::string& digest = update.checksumSha256;
    if (!readBackCrc32(files.download.get(), &crc, &count, digest.empty() ? nullptr : &sha))
        return false;
    formatCrc32(crc, check->crc);
    check->matches = count >= 0 && update.checksum == check->crc &&
                     (digest.empty() || sameSha256(digest, sha.finishHex()));
    return true;
}

bool fileExists(const char* path) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

static bool isFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// InstallDir when it names an existing folder whose file names fit the path buffers; otherwise
// the running program's own folder, which is the program an update replaces.
bool installFolder(char (&folder)[kUpdatePathSize]) {
    std::string configured;
    char program[kUpdatePathSize];
    if (readProductString(settings::kInstallDir, &configured) && isFolder(configured) &&
        formatText(program, sizeof program, "%s\\Nimbara.exe", configured.c_str()))
        return copyText(folder, sizeof folder, configured.c_str());
    DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
    char* slash = length > 0 && length < sizeof folder ? strrchr(folder, '\\') : nullptr;
    if (slash == nullptr)
        return false;
    *slash = '\0';
    return true;
}

// The new program is written beside the installed one from the download's own handle, which no
// other process could write, move or delete since its creation: what was checked is what is
// installed. It is on the disk before anything is renamed; a file written in part is taken out
// again, and one left by an earlier install that was cut short is replaced.
static bool copyInPlace(HANDLE checked, const char* program) {
    OwnedFile target(CreateFileA(program, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target)
        return false;
    bool copied = SetFilePointer(checked, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    char block[4096];
    DWORD got = 0, written = 0;
    while (copied && (copied = ReadFile(checked, block, sizeof block, &got, nullptr)) && got > 0)
        copied = WriteFile(target.get(), block, got, &written, nullptr) && written == got;
    copied = copied && FlushFileBuffers(target.get());
    target.reset(); // an open program could not be deleted
    if (!copied)
        DeleteFileA(program);
    return copied;
}

// A rename that is on the disk when it returns. The Windows 9x family does not implement
// MoveFileExA: there the target goes first.
static bool moveReplacing(const char* from, const char* to) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    DeleteFileA(to);
    return MoveFileA(from, to) != FALSE;
}

// Nobody can start a program that is missing or written in part: the new one is written whole as
// Nimbara.new first, then the installed one becomes the backup and Nimbara.new takes its name.
// A step that fails puts the previous program back; when even that fails, the outcome says so.
// The download leaves the TEMP folder only with an update that succeeded.
InstallOutcome installUpdate(const char* tempDir, UpdateFiles* files) {
    char source[kUpdatePathSize], folder[kUpdatePathSize], fresh[kUpdatePathSize];
    if (!formatDownloadPath(source, tempDir) || !installFolder(folder) ||
        !formatText(files->program, sizeof files->program, "%s\\Nimbara.exe", folder) ||
        !formatText(files->backup, sizeof files->backup, "%s\\Nimbara.bak", folder) ||
        !formatText(fresh, sizeof fresh, "%s\\Nimbara.new", folder) ||
        !copyInPlace(files->download.get(), fresh))
        return InstallOutcome::NotInstalled;
    const char *program = files->program, *backup = files->backup;
    bool hadProgram = fileExists(program);
    if (hadProgram && !moveReplacing(program, backup)) {
        DeleteFileA(fresh);
        return InstallOutcome::NotInstalled;
    }
    if (moveReplacing(fresh, program)) {
        files->download.reset();
        DeleteFileA(source);
        return InstallOutcome::Installed;
    }
    DeleteFileA(fresh);
    if (hadProgram && !moveReplacing(backup, program))
        return InstallOutcome::ProgramInBackup;
    return InstallOutcome::NotInstalled;
}

// The new program is started from where it was installed; it asks this instance to end.
bool startUpdated(HWND owner, const UpdateFiles& files) {
    return shellOpen(owner, files.program, "/replace", SW_SHOWNORMAL);
}

// A download this run made and that failed or was refused leaves TEMP: it is no update, and no
// .exe that is none should be left lying about. One from an earlier run that this one never
// replaced stays.
void discardDownload(const char* tempDir, UpdateFiles* files) {
    char path[kUpdatePathSize];
    if (!files->download || !formatDownloadPath(path, tempDir))
        return;
    files->download.reset();
    DeleteFileA(path);
}
