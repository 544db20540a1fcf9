// The Update page in the real dialog against the local provider service, short of the restart.
#include "deployment.h"
#include "dialog_driver.h"
#include "iat.h"
#include "provider_client.h"
#include "ui/properties/update.h"
#include "res/resource.h"

#include <commctrl.h>

#include <fstream>

using namespace dialogtest;

namespace {

// Enabled (+) or not: the choices, buttons and labels (the download and check steps last); shown
// (v) or not: the search button and the marks 1059, 1060, 1067, 1062, 1068; "Jetzt
// aktualisieren" taken; texts; the bar.
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
    s += std::to_string(IsDlgButtonChecked(page, IDC_UPDATE_NOW));
    for (int id : {IDC_UPDATE_RUN, IDC_UPDATE_SEARCH_LABEL, IDC_UPDATE_AVAILABLE,
                   IDC_UPDATE_CHECKSUM, IDC_UPDATE_STEP})
        s += "|" + text(page, id);
    return s + "|" + std::to_string(SendDlgItemMessageA(page, IDC_UPDATE_BAR, PBM_GETPOS, 0, 0));
}

// The install makes the new program with CREATE_NEW.
decltype(&CreateFileA) realCreate = nullptr;
HANDLE WINAPI refuseNewFiles(const char* name, DWORD access, DWORD share,
                             SECURITY_ATTRIBUTES* security, DWORD how, DWORD flags, HANDLE model) {
    return how == CREATE_NEW ? INVALID_HANDLE_VALUE
                             : realCreate(name, access, share, security, how, flags, model);
}

// The search finds the installed version, then a newer one: its location (no web address) is
// refused, its lower-case checksum never matches, a new program not written in place leaves the
// old one there and starts nothing; size "0" stops nothing. The link opens only a web page the
// service names, else the change log. InstallDir counts only when it names a folder.
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
                       host + "/dl/Nimbara.exe\r\nVersion: 1.0.1\r\n"},
                      {"abc"}});
    run(kPageUpdate,
        {[&](HWND frame) {
             HWND page = shownPage(frame);
             EXPECT_EQ("Update verf\xFCgbar", text(page, IDC_UPDATE_GROUP)); // Windows-1252
             EXPECT_EQ("-----+-----hhhhhh0|Update suchen|Suche Updates||||0", state(page));
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ("------+-+--vvhhhh1|Durchführen|Version aktuell|1.0.0|||0", state(page));
             press(page, IDC_UPDATE_SEARCH);
             EXPECT_EQ("+++++++++--vvhhhh1|Durchführen|Suche Updates|1.0.1|352441c2||0",
                       state(page));
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ("++++++++++-vvhvhh1|Durchführen|Suche Updates|1.0.1|352441c2|Download|0",
                       state(page));
             app.updateInfo.location = "http://" + app.updateInfo.location;
             press(page, IDC_UPDATE_RUN);
             const std::string checked =
                 "+++++++++++vvvhhv1|Durchführen|Suche Updates|1.0.1|352441C2|Dateiprüfung|95";
             EXPECT_EQ(checked, state(page));
             EXPECT_TRUE(fileExists((dir + "\\Nimbara.bak").c_str())); // nothing installed
             app.updateInfo.checksum = "352441C2";
             ImportRedirect refusing("kernel32.dll", "CreateFileA", &refuseNewFiles, &realCreate);
             press(page, IDC_UPDATE_RUN);
             EXPECT_EQ(checked, state(page));
         },
         [](HWND frame) { // painted by now
             EXPECT_TRUE(control::saveScreenshot("dialog-update", frame));
             press(shownPage(frame), IDC_UPDATE_CHANGES_LINK);
             app.updateInfo.infoUri = "http://h/neu";
             press(shownPage(frame), IDC_UPDATE_CHANGES_LINK);
             press(frame, IDCANCEL);
         }});
    EXPECT_EQ("shellOpen window http://" NIMBARA_PORTAL_HOST "/Nimbara/WindowsClient/ChangeLog  1;"
              "shellOpen window http://h/neu  1;",
              recording::calls); // and nothing started
    std::string content;
    std::ifstream(dir + "\\Nimbara.exe") >> content;
    EXPECT_TRUE(content == "old" && !fileExists((dir + "\\Nimbara.bak").c_str())); // moved back
    EXPECT_EQ("/dl/Nimbara.exe", provider::requests().at(3).path);
    char own[kUpdatePathSize], folder[kUpdatePathSize];
    *strrchr((GetModuleFileNameA(nullptr, own, sizeof own), own), '\\') = '\0';
    reg::set("InstallDir", dir + "\\Nimbara.exe");
    EXPECT_TRUE(installFolder(folder) && std::string(own) == folder);
}

} // namespace
