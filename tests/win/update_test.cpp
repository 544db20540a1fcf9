// The Update page in the real dialog against the local provider service, short of the restart.
#include "base/sha256.h"
#include "deployment.h"
#include "dialog_driver.h"
#include "iat.h"
#include "provider_client.h"
#include "res/resource.h"
#include "service/update.h"

#include <commctrl.h>

#include <cctype>
#include <fstream>
#include <tuple>

using namespace dialogtest;

namespace {

// Enabled (+) or not: choices, buttons, labels; shown (v) or not: the search button and the marks;
// the choices taken; texts; the bar.
std::string state(HWND page) {
    std::string s;
    for (int id :
         {IDC_UPDATE_GROUP, IDC_UPDATE_QUESTION, IDC_UPDATE_NOW, IDC_UPDATE_LATER, IDC_UPDATE_SKIP,
          IDC_UPDATE_RUN, IDC_UPDATE_AVAILABLE_LABEL, IDC_UPDATE_CHECKSUM_LABEL,
          IDC_UPDATE_SEARCH_LABEL, IDC_UPDATE_DOWNLOAD_LABEL, IDC_UPDATE_CHECK_LABEL})
        s += IsWindowEnabled(GetDlgItem(page, id)) ? '+' : '-';
    for (int id : {IDC_UPDATE_SEARCH, IDC_UPDATE_SEARCH_MARK, IDC_UPDATE_DOWNLOAD_MARK,
                   IDC_UPDATE_DOWNLOAD_FAILED, IDC_UPDATE_CHECK_MARK, IDC_UPDATE_CHECK_FAILED})
        s += shown(GetDlgItem(page, id)) ? 'v' : 'h';
    for (int id : {IDC_UPDATE_NOW, IDC_UPDATE_LATER, IDC_UPDATE_SKIP})
        s += std::to_string(IsDlgButtonChecked(page, id));
    for (int id : {IDC_UPDATE_RUN, IDC_UPDATE_SEARCH_LABEL, IDC_UPDATE_AVAILABLE,
                   IDC_UPDATE_CHECKSUM, IDC_UPDATE_STEP})
        s += "|" + text(page, id);
    return s + "|" + std::to_string(SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_GETPOS, 0, 0));
}

// File calls refused at step: 1 making Nimbara.new, 2 writing (a byte short), 3 flushing, 4 the
// backup rename, 5 the rename into place, 6 that and the way back, 7 MoveFileExA not implemented.
int refusedStep = 0;
HANDLE madeLast = nullptr;
DWORD newShare = 99;
std::string moves;
decltype(&CreateFileA) realCreate = nullptr;
decltype(&WriteFile) realWrite = nullptr;
decltype(&FlushFileBuffers) realFlush = nullptr;
decltype(&MoveFileExA) realMove = nullptr;
HANDLE WINAPI createFiles(const char* name, DWORD access, DWORD share,
                          SECURITY_ATTRIBUTES* security, DWORD how, DWORD flags, HANDLE model) {
    bool fresh = strstr(name, "Nimbara.new") != nullptr;
    newShare = fresh ? share : newShare;
    if (fresh && refusedStep == 1)
        return INVALID_HANDLE_VALUE;
    HANDLE file = realCreate(name, access, share, security, how, flags, model);
    return how == OPEN_EXISTING ? file : madeLast = file;
}
BOOL WINAPI writeFiles(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED at) {
    return realWrite(file, data, size - (refusedStep == 2 && file == madeLast && size > 0), written,
                     at);
}
BOOL WINAPI flushFiles(HANDLE file) {
    return refusedStep != 3 && realFlush(file);
}
BOOL WINAPI moveFiles(const char* from, const char* to, DWORD flags) {
    std::string source = strrchr(from, '\\') + 1, target = strrchr(to, '\\') + 1;
    moves += source + ">" + target + " " + std::to_string(flags) + ";";
    bool refused = (refusedStep == 4 && target == "Nimbara.bak") ||
                   (target == "Nimbara.exe" &&
                    (refusedStep == 6 || (refusedStep == 5 && source == "Nimbara.new")));
    SetLastError(refusedStep == 7 ? ERROR_CALL_NOT_IMPLEMENTED : ERROR_ACCESS_DENIED);
    return !refused && refusedStep != 7 && realMove(from, to, flags);
}

// The counter's texts as the page sets them, each with the bar's position at that moment.
std::string counted;
decltype(&SetDlgItemTextA) realSetText = nullptr;
BOOL WINAPI counterTexts(HWND page, int id, const char* value) {
    if (id == IDC_UPDATE_COUNTER)
        counted += std::to_string(SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_GETPOS, 0, 0)) +
                   " " + value + ";";
    return realSetText(page, id, value);
}

BOOL WINAPI refuseDuplicate(HANDLE, HANDLE, HANDLE, HANDLE*, DWORD, BOOL, DWORD) {
    return FALSE;
}

std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The search finds the installed version, then a newer one: a location without a web address is
// refused, a lower-case checksum never matches. The link opens only a web page the service names,
// else the change log. A skipped version is stored, and the dialog closes.
TEST_F(Dialog, UpdatePage) {
    const std::string dir = std::string(getenv("TEMP")) + "\\update-test",
                      host = provider::host("http");
    CreateDirectoryA(dir.c_str(), nullptr);
    std::ofstream(dir + "\\Nimbara.exe") << "old";
    std::ofstream(dir + "\\Nimbara.bak") << "older";
    reg::set("InstallDir", dir);
    provider::use("http");
    provider::script({{"Version: 1.0.0\r\nChecksum: 1\r\n"}, // the installed one: no checksum shown
                      {"Info-Uri: file:///C:/x\r\nFilesize: 0\r\nChecksum: 352441c2\r\nLocation: " +
                       host + "/dl/Nimbara.exe\r\nVersion: 1.0.0.1\r\n"},
                      {"abc"}});
    recording::online = false; // at first: no search offered, and one that finds nothing
    run(kPageUpdate,
        {[&](HWND frame) {
             HWND page = shownPage(frame);
             EXPECT_EQ("-----------hhhhhh000|Update suchen|Suche Updates||||0", state(page));
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ("--------+--hhhhhh000|Update suchen|Suche Updates||||0", state(page));
             recording::online = true;
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ("------+-+--vvhhhh100|Durchführen|Version aktuell|1.0.0|||0", state(page));
             press(page, IDC_UPDATE_SEARCH);
             EXPECT_EQ(RGB(0, 100, 0),
                       SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_GETBARCOLOR, 0, 0));
             for (int id : {IDC_UPDATE_SKIP, IDC_UPDATE_LATER}) // each choice alone
                 SendDlgItemMessageA(page, id, BM_CLICK, 0, 0);
             EXPECT_EQ("+++++++++--vvhhhh010|Durchführen|Suche Updates|1.0.0.1|352441c2||0",
                       state(page));
             SendDlgItemMessageA(page, IDC_UPDATE_NOW, BM_CLICK, 0, 0);
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ("++++++++++-vvhvhh100|Durchführen|Suche Updates|1.0.0.1|352441c2|Download|0",
                       state(page));
             app.updateInfo.location = "http://" + app.updateInfo.location;
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ(
                 "+++++++++++vvvhhv100|Durchführen|Suche Updates|1.0.0.1|352441C2|Dateiprüfung|95",
                 state(page));
         },
         [](HWND frame) { // painted by now
             EXPECT_TRUE(control::saveScreenshot("dialog-update", frame));
             // Shown again offline: "Jetzt aktualisieren" taken, the bar empty, nothing to run.
             HWND page = shownPage(frame);
             SendDlgItemMessageA(page, IDC_UPDATE_LATER, BM_CLICK, 0, 0);
             recording::online = false;
             press(page, IDC_UPDATE_SEARCH);
             recording::online = true;
             EXPECT_EQ(
                 "+++++-+++--vvhhhh100|Durchführen|Suche Updates|1.0.0.1|352441c2|Dateiprüfung|0",
                 state(page));
             press(page, IDC_UPDATE_CHANGES_LINK);
             EXPECT_TRUE(IsIconic(frame)); // the dialog makes way
             app.updateInfo.infoUri = "http://h/neu";
             press(page, IDC_UPDATE_CHANGES_LINK);
             SendDlgItemMessageA(page, IDC_UPDATE_SKIP, BM_CLICK, 0, 0);
             press(page, IDC_UPDATE_RUN); // skips this version and closes
         },
         [](HWND frame) { ADD_FAILURE() << "still open", press(frame, IDCANCEL); }});
    const std::string offline =
        "showStatus 1 disconnected Sie haben derzeit keine Verbindung zum Internet.;";
    EXPECT_EQ(offline + offline +
                  "shellOpen window http://" NIMBARA_PORTAL_HOST
                  "/Nimbara/WindowsClient/ChangeLog  1;"
                  "shellOpen window http://h/neu  1;",
              recording::calls); // and nothing started
    EXPECT_TRUE(contentOf(dir + "\\Nimbara.exe") == "old" &&
                contentOf(dir + "\\Nimbara.bak") == "older"); // nothing moved
    EXPECT_EQ("/dl/Nimbara.exe|1.0.0.1",
              provider::requests().at(2).path + "|" + reg::get("UpdateIgnoreVersion"));
}

decltype(&GetFileAttributesA) realAttributes; // a long InstallDir that Windows calls a folder
DWORD WINAPI longFolders(LPCSTR path) {
    return strlen(path) > 1000 ? FILE_ATTRIBUTE_DIRECTORY : realAttributes(path);
}
DWORD WINAPI cutModulePath(HMODULE, LPSTR path, DWORD size) { // cut: as long as the buffer
    return memset(path, 'x', size), path[2] = '\\', path[size - 1] = '\0', size;
}

// Each install step refused in turn: the folder after each, the renames with their flags, and the
// outcome (2: the program could not be put back).
TEST_F(Dialog, InstallIsWholeOrNotDone) {
    const std::string temp = getenv("TEMP"), dir = temp + "\\install",
                      download = temp + "\\Nimbara_update.exe";
    CreateDirectoryA(dir.c_str(), nullptr);
    reg::set("InstallDir", dir);
    ImportRedirect creates("kernel32.dll", "CreateFileA", &createFiles, &realCreate);
    ImportRedirect writes("kernel32.dll", "WriteFile", &writeFiles, &realWrite);
    ImportRedirect flushes("kernel32.dll", "FlushFileBuffers", &flushFiles, &realFlush);
    ImportRedirect renames("kernel32.dll", "MoveFileExA", &moveFiles, &realMove);
    const std::string kept = "exe=old bak=older ||1",
                      back = "|Nimbara.exe>Nimbara.bak 9;Nimbara.new>Nimbara.exe 9;";
    const std::string after[] = {"exe=new bak=old " + back + "|0",
                                 "exe=old bak=older new=stale ||1",
                                 kept,
                                 kept,
                                 "exe=old bak=older |Nimbara.exe>Nimbara.bak 9;|1",
                                 "exe=old " + back + "Nimbara.bak>Nimbara.exe 9;|1",
                                 "bak=old " + back + "Nimbara.bak>Nimbara.exe 9;|2",
                                 "exe=new bak=old " + back + "|0"};
    for (refusedStep = 0; refusedStep <= 7; ++refusedStep) {
        std::ofstream(dir + "\\Nimbara.exe") << "old";
        std::ofstream(dir + "\\Nimbara.bak") << "older";
        std::ofstream(dir + "\\Nimbara.new") << "stale";
        std::ofstream(download) << "new";
        UpdateFiles files;
        files.download.reset(realCreate(download.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        moves.clear();
        InstallOutcome outcome = installUpdate(temp.c_str(), &files);
        std::string folder;
        for (const char* kind : {"exe", "bak", "new"})
            if (fileExists((dir + "\\Nimbara." + kind).c_str()))
                folder += kind + ("=" + contentOf(dir + "\\Nimbara." + kind)) + " ";
        EXPECT_EQ(after[refusedStep],
                  folder + "|" + moves + "|" + std::to_string(static_cast<int>(outcome)))
            << refusedStep;
        EXPECT_EQ(outcome == InstallOutcome::Installed, !fileExists(download.c_str()));
    }
    EXPECT_EQ(0u, newShare); // nobody else may open Nimbara.new while it is written
    refusedStep = 0;
}

// The download: no or too long a TEMP asks nothing; not answered, not 200 or written short fails;
// the progress; nobody else may change it. The check: an announced SHA-256 must match too. An
// InstallDir that is no folder with room for the name is none: the program's own folder counts.
TEST_F(Dialog, UpdateEngineSteps) {
    const std::string temp = getenv("TEMP"), download = temp + "\\Nimbara_update.exe",
                      body = "a\r\n\x1A"
                             "b";
    std::ofstream(download) << "abcdefgh";
    provider::use("http");
    provider::script({{""}, {"a part", false, "", 206}, {body}, {std::string(3000, 'x')}, {body}});
    const std::string from = "http://" + provider::host("http") + "/dl";
    std::string seen;
    auto progress = [&seen](uint32_t received) { seen += std::to_string(received) + " "; };
    // The outcome, and the progress it reported.
    auto fetch = [&](const std::string& location, const char* dir, UpdateFiles* files) {
        seen.clear();
        int outcome = static_cast<int>(downloadUpdate(location.c_str(), dir, 10, progress, files));
        return std::to_string(outcome) + "(" + seen + ")";
    };
    UpdateFiles files, none, unreadable;
    std::string early = fetch(from, nullptr, &files); // one statement each: in this order
    early += " " + fetch("http://127.0.0.1:1/dl", temp.c_str(), &files);
    early += " " + fetch(from, std::string(1000, 't').c_str(), &files);
    EXPECT_EQ("1() 2(0 ) 2(0 ) 1", early + " " + std::to_string(provider::requests().size()));
    EXPECT_EQ("2(0 )", fetch(from, temp.c_str(), &files)); // not 200: not saved
    EXPECT_EQ("abcdefgh", contentOf(download));
    ASSERT_EQ("0(0 5 )", fetch(from, temp.c_str(), &files));
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(download.c_str(), GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(DeleteFileA(download.c_str()));
    Sha256 sha;
    sha.update(body.data(), body.size());
    std::string digest = sha.finishHex(), other = digest, upper = digest;
    other[63] ^= 1;
    for (char& c : upper)
        c = static_cast<char>(toupper(c));
    UpdateInfo update;
    for (auto [announced, crc, matches] : {std::tuple{"", "8E1C0E44", true},
                                           {upper.c_str(), "8E1C0E44", true},
                                           {other.c_str(), "8E1C0E44", false},
                                           {digest.c_str(), "8E1C0E45", false},
                                           {"", "8e1c0e44", false}}) {
        update.checksumSha256 = announced, update.checksum = crc;
        UpdateCheck check;
        EXPECT_TRUE(checkUpdate(files, update, &check) && check.matches == matches &&
                    std::string("8E1C0E44") == check.crc);
    }
    UpdateCheck check;
    EXPECT_FALSE(checkUpdate(none, update, &check));
    unreadable.download.reset(
        CreateFileA((temp + "\\w").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    update.checksum = "00000000"; // the checksum of nothing
    EXPECT_FALSE(checkUpdate(unreadable, update, &check) && check.matches);
    std::string counted = fetch(from, temp.c_str(), &files); // 3000 bytes, in 1024-byte chunks
    EXPECT_TRUE(counted.size() > 14 && counted.substr(counted.size() - 7) == " 3000 )") << counted;
    refusedStep = 2; // a download written a byte short fails
    ImportRedirect creates("kernel32.dll", "CreateFileA", &createFiles, &realCreate);
    ImportRedirect writes("kernel32.dll", "WriteFile", &writeFiles, &realWrite);
    EXPECT_EQ("2(0 )", fetch(from, temp.c_str(), &files));
    refusedStep = 0;
    char own[kUpdatePathSize], folder[kUpdatePathSize];
    *strrchr((GetModuleFileNameA(nullptr, own, sizeof own), own), '\\') = '\0';
    ImportRedirect folders("kernel32.dll", "GetFileAttributesA", &longFolders, &realAttributes);
    for (const std::string& installDir : {temp + "\\Nimbara_update.exe", std::string(1012, 'd')}) {
        reg::set("InstallDir", installDir);
        EXPECT_TRUE(installFolder(folder) && std::string(own) == folder) << installDir.size();
    }
    ImportRedirect cut("kernel32.dll", "GetModuleFileNameA", &cutModulePath);
    EXPECT_FALSE(installFolder(folder));
}

// The page's run: counter and bar, the restart, an earlier backup kept. Refused or cut short: its
// mark, and this run's download leaves TEMP. Without TEMP nothing is asked. A program that could
// not be put back is told where it is.
TEST_F(Dialog, UpdateSteps) {
    const std::string temp = getenv("TEMP"), download = temp + "\\Nimbara_update.exe",
                      dir = temp + "\\steps", program = dir + "\\Nimbara.exe", body = "abcde";
    CreateDirectoryA(dir.c_str(), nullptr);
    DeleteFileA(program.c_str());
    std::ofstream(dir + "\\Nimbara.bak") << "older";
    reg::set("InstallDir", dir);
    provider::use("http");
    provider::script({{body}});
    app.updateInfo = {
        true, "1.0.0.1", "http://" + provider::host("http") + "/dl", "0000000010", "8587D865",
        "",   ""};
    run(kPageGeneral, {[&](HWND frame) {
            bringPropertiesForward(kPageUpdate);
            HWND page = shownPage(frame);
            EXPECT_FALSE(IsChild(page, GetFocus())); // made by its tab, it leaves the focus
            EXPECT_EQ("1.0.0", text(page, IDC_UPDATE_INSTALLED));
            auto shows = [page](int id) { return shown(GetDlgItem(page, id)); };
            auto at = [page] { // the bar, and whether "Update suchen" can be pressed
                return std::to_string(SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_GETPOS, 0, 0)) +
                       " " + std::to_string(IsWindowEnabled(GetDlgItem(page, IDC_UPDATE_SEARCH)));
            };
            std::string atMessage;
            recording::watch = [&](const std::string& call) {
                call.find("showInformation") == 0 ? void(atMessage = at()) : void();
            };
            SetEnvironmentVariableA("TMP", "C:\\none"); // TEMP is the one
            press(page, IDC_UPDATE_RUN);
            SetEnvironmentVariableA("TMP", temp.c_str());
            EXPECT_EQ("95 0||100 1", atMessage + text(page, IDC_UPDATE_STEP) + "|" +
                                         text(page, IDC_UPDATE_COUNTER) + "|" + at());
            EXPECT_EQ(body + "|older|0", contentOf(program) + "|" +
                                             contentOf(dir + "\\Nimbara.bak") + "|" +
                                             std::to_string(fileExists(download.c_str())));
            EXPECT_NE(std::string::npos,
                      recording::calls.find("shellOpen window " + program + " /replace"));
            app.updateInfo.checksum = "8587D866";
            provider::script({{body}});
            {
                ImportRedirect texts("user32.dll", "SetDlgItemTextA", &counterTexts, &realSetText);
                press(page, IDC_UPDATE_RUN);
            }
            EXPECT_EQ("0 0/0000000010 Bytes;0 5/0000000010 Bytes;50 ;", counted);
            EXPECT_TRUE(shows(IDC_UPDATE_CHECK_FAILED) && !fileExists(download.c_str()) &&
                        IsWindowEnabled(GetDlgItem(page, IDC_UPDATE_DOWNLOAD_LABEL)) &&
                        IsWindowEnabled(GetDlgItem(page, IDC_UPDATE_BAR)));
            EXPECT_EQ("8587D865|Dateiprüfung|95 1", text(page, IDC_UPDATE_CHECKSUM) + "|" +
                                                        text(page, IDC_UPDATE_STEP) + "|" + at());
            app.updateInfo.checksum = "8587D865";
            {
                refusedStep = 2;
                ImportRedirect creates("kernel32.dll", "CreateFileA", &createFiles, &realCreate);
                ImportRedirect writes("kernel32.dll", "WriteFile", &writeFiles, &realWrite);
                provider::script({{body}});
                press(page, IDC_UPDATE_RUN);
                refusedStep = 0;
            }
            EXPECT_TRUE(shows(IDC_UPDATE_DOWNLOAD_FAILED) && !fileExists(download.c_str()));
            std::ofstream(download) << "earlier";
            provider::script({{"busy", false, "", 503}});
            press(page, IDC_UPDATE_RUN);
            EXPECT_EQ("earlier", contentOf(download));
            size_t asked = provider::requests().size();
            SetEnvironmentVariableA("TEMP", nullptr);
            press(page, IDC_UPDATE_RUN);
            SetEnvironmentVariableA("TEMP", temp.c_str());
            EXPECT_TRUE(asked == provider::requests().size() && !shows(IDC_UPDATE_DOWNLOAD_FAILED));
            { // a download that cannot be read back fails the check, not the download
                provider::script({{body}});
                ImportRedirect unreadable("kernel32.dll", "DuplicateHandle", &refuseDuplicate);
                press(page, IDC_UPDATE_RUN);
            }
            EXPECT_TRUE(shows(IDC_UPDATE_CHECK_FAILED) && !shows(IDC_UPDATE_DOWNLOAD_FAILED));
            {
                provider::script({{body}});
                refusedStep = 6;
                ImportRedirect renames("kernel32.dll", "MoveFileExA", &moveFiles, &realMove);
                recording::calls.clear();
                press(page, IDC_UPDATE_RUN);
                refusedStep = 0;
            }
            EXPECT_NE(std::string::npos,
                      recording::calls.find("Es liegt unter \"" + dir + "\\Nimbara.bak\""));
            EXPECT_TRUE(shows(IDC_UPDATE_CHECK_FAILED) && !shows(IDC_UPDATE_CHECK_MARK) &&
                        fileExists(download.c_str())); // a checked update stays for another try
            SendDlgItemMessageA(page, IDC_UPDATE_LATER, BM_CLICK, 0, 0);
            press(page, IDC_UPDATE_RUN); // closes the dialog, and skips nothing
        }});
    EXPECT_EQ("-", reg::get("UpdateIgnoreVersion"));
}

} // namespace
