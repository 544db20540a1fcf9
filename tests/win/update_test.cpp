// The Update page in the real dialog: its controls, its states with the search and the choices,
// and updates downloaded from the local provider service, checked and installed.
#include "deployment.h"
#include "dialog_driver.h"
#include "iat.h"
#include "provider_client.h"
#include "ui/properties/update.h"

#include <commctrl.h>

#include <fstream>
#include <sstream>

using namespace dialogtest;

namespace {

// Every control with an id: its text (Windows-1252 here as in the dialog), the style bits it
// must have, and its place in dialog units.
const struct {
    int id;
    const char* text;
    LONG style, x, y, width, height;
} kControls[] = {
    {1065, "Update verfügbar", BS_GROUPBOX, 7, 3, 210, 91},
    {1058, "Wie möchten Sie vorgehen?", 0, 13, 17, 90, 8},
    {1040, "Jetzt aktualisieren", BS_AUTORADIOBUTTON | BS_NOTIFY | WS_GROUP, 13, 31, 193, 10},
    {1042, "Später erneut erinnern", BS_AUTORADIOBUTTON | BS_NOTIFY | WS_GROUP, 13, 45, 194, 10},
    {1046, "Diese Version überspringen", BS_AUTORADIOBUTTON | WS_GROUP, 13, 59, 194, 10},
    {1036, "Update suchen", 0, 13, 73, 94, 14},
    {1035, "Update suchen", 0, 116, 73, 94, 14},
    {1038, "", PBS_SMOOTH, 7, 100, 210, 11},
    {1090, "", 0, 7, 115, 105, 8},
    {1089, "", SS_RIGHT, 123, 115, 94, 8},
    {1034, "1.0.0", SS_RIGHT, 90, 143, 20, 8},
    {1055, "Verfügbares Update:", 0, 13, 157, 71, 8},
    {1037, "", SS_RIGHT, 90, 157, 20, 8},
    {1087, "Prüfsumme:", 0, 13, 171, 43, 8},
    {1086, "", SS_RIGHT, 66, 171, 44, 8},
    {1054, "Was ist neu in dieser Version?", SS_NOTIFY, 13, 185, 96, 8},
    {1059, nullptr, SS_ICON, 127, 138, 20, 20},
    {1026, "Suche Updates", 0, 153, 143, 49, 8},
    {1060, nullptr, SS_ICON, 127, 159, 20, 20},
    {1067, nullptr, SS_ICON, 127, 159, 20, 20},
    {1019, "Download", 0, 153, 164, 32, 8},
    {1062, nullptr, SS_ICON, 127, 180, 20, 20},
    {1068, nullptr, SS_ICON, 127, 180, 20, 20},
    {1047, "Dateiprüfung", 0, 153, 185, 43, 8},
};

void checkControls(HWND page) {
    for (const auto& c : kControls) {
        HWND control = GetDlgItem(page, c.id);
        RECT expected = {c.x, c.y, c.width, c.height}, actual; // each mapped on its own
        MapDialogRect(page, &expected);
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_TRUE(expected.left == actual.left && expected.top == actual.top) << c.id;
        // An icon control takes the size of its icon.
        EXPECT_TRUE(c.text == nullptr || (expected.right == actual.right - actual.left &&
                                          expected.bottom == actual.bottom - actual.top))
            << c.id;
        EXPECT_EQ(c.style, GetWindowLongA(control, GWL_STYLE) & c.style) << c.id;
        EXPECT_TRUE(c.text == nullptr || c.text == text(page, c.id)) << c.id;
    }
}

// Enabled (+) or not, for the choices, the buttons and the labels; the search button and mark
// shown (v) or not; the choice taken; then the texts of 1036, 1026, 1037 and 1086.
std::string state(HWND page) {
    std::string s;
    for (int id : {1065, 1058, 1040, 1042, 1046, 1036, 1055, 1087, 1026})
        s += IsWindowEnabled(GetDlgItem(page, id)) ? '+' : '-';
    for (int id : {1035, 1059})
        s += shown(GetDlgItem(page, id)) ? 'v' : 'h';
    for (int id : {1040, 1042, 1046})
        s += IsDlgButtonChecked(page, id) == BST_CHECKED ? '1' : '0';
    for (int id : {1036, 1026, 1037, 1086})
        s += " " + text(page, id);
    return s;
}

// The window as a 24-bit BMP in the folder NIMBARA_SCREENSHOTS names (a Linux path), when set.
void saveScreenshot(HWND window, const char* name) {
    const char* folder = getenv("NIMBARA_SCREENSHOTS");
    if (folder == nullptr)
        return;
    RECT r;
    GetWindowRect(window, &r);
    BITMAPINFOHEADER info = {
        sizeof info, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC own = GetWindowDC(window), memory = CreateCompatibleDC(own); // as painted: no redraw
    HBITMAP bitmap = CreateCompatibleBitmap(own, info.biWidth, info.biHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(memory, 0, 0, info.biWidth, info.biHeight, own, 0, 0, SRCCOPY));
    SelectObject(memory, old);
    std::string pixels((info.biWidth * 3 + 3) / 4 * 4 * info.biHeight, '\0');
    GetDIBits(memory, bitmap, 0, info.biHeight, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    BITMAPFILEHEADER head = {0x4D42, static_cast<DWORD>(offset + pixels.size()), 0, 0, offset};
    std::ofstream out(std::string("Z:") + folder + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<char*>(&head), sizeof head);
    out.write(reinterpret_cast<char*>(&info), sizeof info) << pixels;
    EXPECT_TRUE(out.good()) << folder;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, own);
}

// Nothing announced, then the search finds the installed version, then the next one finds a
// newer one; the link opens only a web page the service names; the choices stay exclusive, and
// skipping stores the version and closes.
TEST_F(Dialog, UpdatePageStatesSearchAndSkip) {
    provider::reset();
    setString("authApiProto", "http");
    setString("authApiHost", provider::host("http"));
    provider::Answer current, newer;
    current.body = provider::fieldAnswer({{"Version", "1.0.0"}, {"Info-Uri", "http://h/neu"}});
    newer.body = provider::fieldAnswer(
        {{"Version", "1.0.1"}, {"Checksum", "352441C2"}, {"Info-Uri", "file:///C:/x.exe"}});
    provider::script({current, newer});
    INT_PTR result =
        run(kPageUpdate,
            {[](HWND frame) {
                 HWND page = shownPage(frame);
                 checkControls(page);
                 EXPECT_EQ("-----+---hh000 Update suchen Suche Updates  ", state(page));
                 press(page, 1036);
                 EXPECT_EQ("------+-+vv100 Durchführen Version aktuell 1.0.0 ", state(page));
                 press(page, 1054);
                 press(page, 1035);
                 EXPECT_EQ("+++++++++vv100 Durchführen Suche Updates 1.0.1 352441C2", state(page));
                 press(page, 1054); // not a web page: the change log instead
                 ShowWindow(frame, SW_RESTORE);
             },
             [](HWND frame) { // on screen by now
                 saveScreenshot(frame, "update-page.bmp");
                 HWND page = shownPage(frame);
                 SendDlgItemMessageA(page, 1042, BM_CLICK, 0, 0);
                 SendDlgItemMessageA(page, 1046, BM_CLICK, 0, 0);
                 EXPECT_EQ("001", state(page).substr(11, 3));
                 press(page, 1036);
             }});
    EXPECT_EQ(1036, result);
    EXPECT_EQ("shellOpen window http://h/neu  1;shellOpen window http://" NIMBARA_PORTAL_HOST
              "/Nimbara/WindowsClient/ChangeLog  1;",
              recording::joined());
    std::string skipped;
    EXPECT_TRUE(readProductString("UpdateIgnoreVersion", &skipped) && skipped == "1.0.1");
}

// Refuses the creation of new files (the install's new program) while set.
decltype(&CreateFileA) realCreate = nullptr;
bool refuseNewFiles = false;
HANDLE WINAPI createUnlessRefused(const char* name, DWORD access, DWORD share,
                                  SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                                  HANDLE model) {
    if (refuseNewFiles && disposition == CREATE_NEW)
        return INVALID_HANDLE_VALUE;
    return realCreate(name, access, share, security, disposition, flags, model);
}

std::string contentOf(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

// The marks 1059, 1060, 1067, 1062 and 1068 shown (+) or not, the step and the bar.
std::string panel(HWND page) {
    std::string s;
    for (int id : {1059, 1060, 1067, 1062, 1068})
        s += shown(GetDlgItem(page, id)) ? '+' : '-';
    return s + " " + text(page, 1090) + " " +
           std::to_string(SendDlgItemMessageA(page, 1038, PBM_GETPOS, 0, 0));
}

// A location that is no web address is refused; a checksum in other letter case never matches;
// a new program that cannot be written in place leaves the previous one there and starts nothing;
// then the update is installed with a backup and started. The size "0" stops nothing.
TEST_F(Dialog, UpdateDownloadsChecksAndInstalls) {
    if (realCreate == nullptr)
        realCreate = redirectImport("kernel32.dll", "CreateFileA", &createUnlessRefused);
    char temp[MAX_PATH];
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    std::string dir = temp + std::string("\\update-test");
    CreateDirectoryA(dir.c_str(), nullptr);
    std::ofstream(dir + "\\Nimbara.exe") << "old";
    std::ofstream(dir + "\\Nimbara.bak") << "older";
    setString("InstallDir", dir);
    provider::reset();
    provider::Answer file;
    file.body = "abc";
    provider::script({file});
    std::string host = provider::host("http");
    app.updateInfo = {true, "1.0.1", host + "/dl/Nimbara.exe", "0", "352441c2", ""};
    run(kPageUpdate, {[&](HWND frame) {
            HWND page = shownPage(frame);
            press(page, 1036);
            EXPECT_EQ("+-+-- Download 0", panel(page));
            app.updateInfo.location = "http://" + host + "/dl/Nimbara.exe";
            press(page, 1036);
            EXPECT_EQ("++--+ Dateiprüfung 95", panel(page));
            EXPECT_EQ("352441C2", text(page, 1086));
            app.updateInfo.checksum = "352441C2";
            refuseNewFiles = true;
            press(page, 1036);
            refuseNewFiles = false;
            EXPECT_EQ("++--+ Dateiprüfung 95", panel(page));
            EXPECT_EQ("old", contentOf(dir + "\\Nimbara.exe"));
            press(page, 1036);
            EXPECT_EQ("++-+-  100", panel(page));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1036)));
            press(frame, IDCANCEL);
        }});
    EXPECT_EQ("abc", contentOf(dir + "\\Nimbara.exe"));
    EXPECT_EQ("old", contentOf(dir + "\\Nimbara.bak"));
    EXPECT_EQ("showInformation Die Aktualisierung wurde erfolgreich vorgenommen.\r\nKlicken Sie "
              "bitte auf \"OK\" um das Programm in der aktualisierten Version neu zu starten.;"
              "pause 1200;shellOpen window " +
                  dir + "\\Nimbara.exe /replace 1;",
              recording::joined());
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ("/dl/Nimbara.exe", requests[0].path);
    EXPECT_EQ("Mozilla/5.0 (compatible; Qelto Nimbara)", requests[0].header("User-Agent"));
}

// InstallDir names the folder when it is one; otherwise the running program's own is taken.
TEST_F(Dialog, UpdateInstallFolder) {
    char own[kUpdatePathSize], folder[kUpdatePathSize];
    GetModuleFileNameA(nullptr, own, sizeof own);
    *strrchr(own, '\\') = '\0';
    GetEnvironmentVariableA("TEMP", folder, sizeof folder);
    const std::string temp = folder, program = std::string(own) + "\\win_dialog_tests.exe";
    EXPECT_TRUE(installFolder(folder) && std::string(own) == folder); // none set
    const std::pair<std::string, std::string> cases[] = {
        {temp, temp}, {temp + "\\missing", own}, {program, own}, {"", own}};
    for (const auto& c : cases) {
        setString("InstallDir", c.first);
        EXPECT_TRUE(installFolder(folder) && c.second == folder) << c.first;
    }
}

} // namespace
