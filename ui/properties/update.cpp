// The Update page: shows what the web service announced and, on request, downloads the new
// program, checks its CRC-32 against the announcement, puts it in place of the installed one with
// a backup and starts it with /replace, which ends this instance. Everything runs on the dialog's
// thread, inside the click; the page's texts and bar change after each chunk.
#include "ui/properties/update.h"

#include "base/crc32.h"
#include "base/httpclient.h"
#include "base/hyperlink.h"
#include "base/pause.h"
#include "base/sha256.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/shellopen.h"
#include "base/text.h"
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/notify.h"
#include "drive/frontend.h"
#include "drive/webfolder.h"
#include "res/resource.h"
#include "service/frame.h"
#include "ui/properties/frame.h"
#include "ui/properties/pages.h"
#include "ui/properties/update_rules.h"

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <string>

namespace {

constexpr const char* kChangeLogPage = NIMBARA_PORTAL_PAGE("ChangeLog");
constexpr size_t kLongestTempDir = 1000;
constexpr COLORREF kBarColour = RGB(0, 100, 0);
constexpr int kBarChecked = 95;
constexpr int kBarConfirmed = 97;
constexpr int kBarRestarting = 100;
constexpr DWORD kRestartPauseMs = 1200;
constexpr const char* kUpdateDone =
    "Die Aktualisierung wurde erfolgreich vorgenommen.\r\nKlicken Sie bitte auf \"OK\" um das "
    "Programm in der aktualisierten Version neu zu starten.";

constexpr const char* kProgramInBackup =
    "Die Aktualisierung ist fehlgeschlagen, und das bisherige Programm konnte nicht wieder "
    "eingesetzt werden.\r\nEs liegt unter \"%s\".";

// The three choices; each radio button is a group of its own, so the page keeps them exclusive.
constexpr int kChoices[] = {IDC_UPDATE_NOW, IDC_UPDATE_LATER, IDC_UPDATE_SKIP};

} // namespace

static void showControl(HWND page, int id, bool visible) {
    ShowWindow(GetDlgItem(page, id), visible ? SW_SHOW : SW_HIDE);
}

static void enableControl(HWND page, int id, bool enabled) {
    EnableWindow(GetDlgItem(page, id), enabled);
}

static void setBar(HWND page, int position) {
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETPOS, position, 0);
}

static void uncheckOthers(HWND page, int chosen) {
    for (int id : kChoices)
        if (id != chosen)
            CheckDlgButton(page, id, BST_UNCHECKED);
}

// Nothing announced: nothing to show. The installed version announced: "Version aktuell".
// Another one: the choices, with "Jetzt aktualisieren" taken.
void showUpdateState(HWND page) {
    const UpdateInfo& update = app.updateInfo;
    if (!update.announced)
        return;
    enableControl(page, IDC_UPDATE_SEARCH_LABEL, true);
    showControl(page, IDC_UPDATE_SEARCH_MARK, true);
    for (int mark : {IDC_UPDATE_CHECK_MARK, IDC_UPDATE_DOWNLOAD_MARK, IDC_UPDATE_CHECK_FAILED,
                     IDC_UPDATE_DOWNLOAD_FAILED})
        showControl(page, mark, false);
    enableControl(page, IDC_UPDATE_CHECK_LABEL, false);
    enableControl(page, IDC_UPDATE_DOWNLOAD_LABEL, false);
    setBar(page, 0);
    SetDlgItemTextA(page, IDC_UPDATE_AVAILABLE, update.version.c_str());
    SetDlgItemTextA(page, IDC_UPDATE_CHECKSUM, "");
    enableControl(page, IDC_UPDATE_CHECKSUM_LABEL, false);
    enableControl(page, IDC_UPDATE_AVAILABLE_LABEL, true);
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETBARCOLOR, 0, kBarColour);
    showControl(page, IDC_UPDATE_SEARCH, true);
    if (update.version != NIMBARA_CLIENT_VERSION) {
        for (int id : {IDC_UPDATE_QUESTION, IDC_UPDATE_NOW, IDC_UPDATE_LATER, IDC_UPDATE_GROUP,
                       IDC_UPDATE_SKIP})
            enableControl(page, id, true);
        enableControl(page, IDC_UPDATE_RUN, internetAvailable());
        SetDlgItemTextA(page, IDC_UPDATE_CHECKSUM, update.checksum.c_str());
        enableControl(page, IDC_UPDATE_CHECKSUM_LABEL, true);
    } else {
        enableControl(page, IDC_UPDATE_RUN, false);
        SetDlgItemTextA(page, IDC_UPDATE_SEARCH_LABEL, "Version aktuell");
    }
    SetDlgItemTextA(page, IDC_UPDATE_RUN, "Durchführen");
    CheckDlgButton(page, IDC_UPDATE_NOW, BST_CHECKED);
    uncheckOthers(page, IDC_UPDATE_NOW);
}

// A TEMP folder of more than 1000 characters is refused, as is none at all.
static bool formatDownloadPath(char (&path)[kUpdatePathSize], const char* tempDir) {
    return tempDir != nullptr && strlen(tempDir) <= kLongestTempDir &&
           formatText(path, sizeof path, "%s\\Nimbara_update.exe", tempDir);
}

static bool downloadFailed(HWND page) {
    showControl(page, IDC_UPDATE_DOWNLOAD_FAILED, true);
    return false;
}

// A size text too long for the counter leaves the counter empty.
static void showReceived(HWND page, uint32_t received, long expected) {
    char counter[64];
    formatText(counter, sizeof counter, "%lu/%s Bytes", static_cast<unsigned long>(received),
               app.updateInfo.fileSize.c_str());
    SetDlgItemTextA(page, IDC_UPDATE_COUNTER, counter);
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETPOS, downloadBarPosition(received, expected),
                        0);
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
static bool receiveUpdate(HWND page, HttpClient* client, HANDLE file, long expected) {
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
        showReceived(page, received, expected);
    }
    return true;
}

// Only an http:// or https:// location is asked: the service names a web server, never a file
// or a share. An answer without body is an empty download, which the check then refuses.
bool downloadUpdate(HWND page, const char* location, const char* tempDir, UpdateFiles* files) {
    const char* path = updateRequestPath(location);
    enableControl(page, IDC_UPDATE_BAR, true);
    enableControl(page, IDC_UPDATE_DOWNLOAD_LABEL, true);
    long expected = expectedUpdateSize(app.updateInfo.fileSize);
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_SETSTEP, 1, 0);
    char target[kUpdatePathSize];
    if (!formatDownloadPath(target, tempDir))
        return false;
    SetDlgItemTextA(page, IDC_UPDATE_STEP, "Download");
    showReceived(page, 0, expected);
    HttpClient client;
    if (!isWebAddress(location) || !client.open(location, nullptr, nullptr, kUserAgent))
        return downloadFailed(page);
    bool done = client.send(path, Get, nullptr) && client.status() == 200 &&
                createDownload(files, target) &&
                receiveUpdate(page, &client, files->download.get(), expected);
    client.close();
    if (!done)
        return downloadFailed(page);
    showControl(page, IDC_UPDATE_DOWNLOAD_MARK, true);
    return true;
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
bool verifyUpdate(HWND page, UpdateFiles* files) {
    SetDlgItemTextA(page, IDC_UPDATE_STEP, "Dateiprüfung");
    SetDlgItemTextA(page, IDC_UPDATE_COUNTER, "");
    enableControl(page, IDC_UPDATE_CHECK_LABEL, true);
    uint32_t crc = 0;
    long count = 0;
    Sha256 sha;
    const std::string& digest = app.updateInfo.checksumSha256;
    if (!readBackCrc32(files->download.get(), &crc, &count, digest.empty() ? nullptr : &sha)) {
        showControl(page, IDC_UPDATE_CHECK_FAILED, true);
        return false;
    }
    char text[9];
    formatCrc32(crc, text);
    setBar(page, kBarChecked);
    SetDlgItemTextA(page, IDC_UPDATE_CHECKSUM, text);
    bool matches = count >= 0 && app.updateInfo.checksum == text &&
                   (digest.empty() || sameSha256(digest, sha.finishHex()));
    showControl(page, IDC_UPDATE_CHECK_MARK, matches);
    showControl(page, IDC_UPDATE_CHECK_FAILED, !matches);
    return matches;
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

static void tellWhereTheProgramIs(const char* backup) {
    char text[kUpdatePathSize + 128];
    if (!formatText(text, sizeof text, kProgramInBackup, backup))
        copyText(text, sizeof text, "Die Aktualisierung ist fehlgeschlagen.");
    showMessage(text);
}

// The install has no row of its own in the panel: a failure shows on the last row, the check,
// since the download did succeed.
static bool installFailed(HWND page) {
    showControl(page, IDC_UPDATE_CHECK_MARK, false);
    showControl(page, IDC_UPDATE_CHECK_FAILED, true);
    return false;
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
// A step that fails puts the previous program back; when even that fails the user is told where
// it is. The download leaves the TEMP folder only with an update that succeeded.
bool installUpdate(HWND page, const char* tempDir, UpdateFiles* files) {
    char source[kUpdatePathSize], folder[kUpdatePathSize], backup[kUpdatePathSize],
        fresh[kUpdatePathSize];
    if (!formatDownloadPath(source, tempDir))
        return false;
    if (!installFolder(folder) ||
        !formatText(files->program, sizeof files->program, "%s\\Nimbara.exe", folder) ||
        !formatText(backup, sizeof backup, "%s\\Nimbara.bak", folder) ||
        !formatText(fresh, sizeof fresh, "%s\\Nimbara.new", folder) ||
        !copyInPlace(files->download.get(), fresh))
        return installFailed(page);
    const char* program = files->program;
    bool hadProgram = fileExists(program);
    if (hadProgram && !moveReplacing(program, backup)) {
        DeleteFileA(fresh);
        return installFailed(page);
    }
    if (moveReplacing(fresh, program)) {
        files->download.reset();
        DeleteFileA(source);
        return true;
    }
    DeleteFileA(fresh);
    if (hadProgram && !moveReplacing(backup, program))
        tellWhereTheProgramIs(backup);
    return installFailed(page);
}

// The new program is started from where it was installed; it asks this instance to end.
void restartUpdated(HWND page, const UpdateFiles& files) {
    showInformation(kUpdateDone);
    setBar(page, kBarConfirmed);
    pauseMilliseconds(kRestartPauseMs);
    SetDlgItemTextA(page, IDC_UPDATE_STEP, "");
    SetDlgItemTextA(page, IDC_UPDATE_COUNTER, "");
    setBar(page, kBarRestarting);
    shellOpen(page, files.program, "/replace", SW_SHOWNORMAL);
}

// A download this run made and that failed or was refused leaves TEMP: it is no update, and no
// .exe that is none should be left lying about. One from an earlier run that this one never
// replaced stays.
static void discardDownload(const char* tempDir, UpdateFiles* files) {
    char path[kUpdatePathSize];
    if (!files->download || !formatDownloadPath(path, tempDir))
        return;
    files->download.reset();
    DeleteFileA(path);
}

// The chain stops at the first step that fails; its mark tells which. A TEMP longer than any
// path buffer counts as missing.
static void runUpdate(HWND page) {
    showUpdateState(page);
    enableControl(page, IDC_UPDATE_RUN, false);
    enableControl(page, IDC_UPDATE_SEARCH, false);
    char tempDir[kUpdatePathSize];
    DWORD length = GetEnvironmentVariableA("TEMP", tempDir, sizeof tempDir);
    const char* temp = length > 0 && length < sizeof tempDir ? tempDir : nullptr;
    UpdateFiles files;
    if (!downloadUpdate(page, app.updateInfo.location.c_str(), temp, &files) ||
        !verifyUpdate(page, &files))
        discardDownload(temp, &files);
    else if (installUpdate(page, temp, &files))
        restartUpdated(page, files);
    enableControl(page, IDC_UPDATE_RUN, true);
    enableControl(page, IDC_UPDATE_SEARCH, true);
}

// The search repeats the login with the stored credentials; the dialog is open, so an
// announcement opens no second one.
static void searchUpdate(HWND page) {
    followAuthentication(refreshStoredLogin());
    if (app.updateInfo.announced)
        showUpdateState(page);
}

static void setUpUpdatePage(HWND page) {
    makeHyperlink(page, IDC_UPDATE_CHANGES_LINK);
    SetDlgItemTextA(page, IDC_UPDATE_INSTALLED, NIMBARA_CLIENT_VERSION);
    showUpdateState(page);
    if (!app.updateInfo.announced) {
        SetDlgItemTextA(page, IDC_UPDATE_RUN, "Update suchen");
        enableControl(page, IDC_UPDATE_RUN, internetAvailable());
    }
}

static void closeDialog(HWND page) {
    closePropertiesDialog(GetParent(page), IDC_UPDATE_RUN);
}

static void runChosen(HWND page) {
    if (!app.updateInfo.announced) {
        enableControl(page, IDC_UPDATE_SEARCH_LABEL, true);
        showControl(page, IDC_UPDATE_SEARCH, false);
        searchUpdate(page);
    } else if (IsDlgButtonChecked(page, IDC_UPDATE_NOW) == BST_CHECKED) {
        runUpdate(page);
    } else if (IsDlgButtonChecked(page, IDC_UPDATE_LATER) == BST_CHECKED) {
        closeDialog(page);
    } else if (IsDlgButtonChecked(page, IDC_UPDATE_SKIP) == BST_CHECKED) {
        writeStringSetting(settings::kProductKey, settings::kUpdateIgnoreVersion,
                           app.updateInfo.version.c_str());
        closeDialog(page);
    }
}

// Only a web address from the service is opened; any other falls back to the change log.
static void openChanges(HWND page) {
    const UpdateInfo& update = app.updateInfo;
    bool announcedPage = update.announced && isWebAddress(update.infoUri.c_str());
    openWebPage(page, announcedPage ? update.infoUri.c_str() : kChangeLogPage, true);
}

// The choices act on any notification, the buttons and the link on their click.
static void runUpdateCommand(HWND page, int id, int notification) {
    switch (id) {
    case IDC_UPDATE_NOW:
    case IDC_UPDATE_LATER:
    case IDC_UPDATE_SKIP:
        uncheckOthers(page, id);
        break;
    case IDC_UPDATE_RUN:
        if (notification == BN_CLICKED)
            runChosen(page);
        break;
    case IDC_UPDATE_SEARCH:
        if (notification != BN_CLICKED)
            break;
        showControl(page, IDC_UPDATE_SEARCH, false);
        showControl(page, IDC_UPDATE_SEARCH_MARK, false);
        enableControl(page, IDC_UPDATE_RUN, false);
        SetDlgItemTextA(page, IDC_UPDATE_SEARCH_LABEL, "Suche Updates");
        enableControl(page, IDC_UPDATE_SEARCH_LABEL, true);
        searchUpdate(page);
        break;
    case IDC_UPDATE_CHANGES_LINK:
        if (notification == STN_CLICKED)
            openChanges(page);
        break;
    default:
        break;
    }
}

// Every message is answered with false, the set-up's too: the frame keeps the focus.
INT_PTR CALLBACK updatePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    try {
        if (message == WM_INITDIALOG)
            setUpUpdatePage(page);
        else if (message == WM_COMMAND)
            runUpdateCommand(page, LOWORD(wParam), HIWORD(wParam));
    } catch (...) {
        // nothing may leave a page procedure; the step simply did not happen
    }
    return FALSE;
}
