// End-to-end: the setup, the self-update from the local provider service, the uninstaller.
#include "base/crc32.h"
#include "base/sha256.h"
#include "client_fixture.h"
#include "provider_client.h"
#include "res/resource.h"

#include <fstream>

namespace {

using namespace e2e;

// The CRC-32 text of a file, and its size: what the service announces, and how files compare.
std::string checksum(const std::string& path, long* size = nullptr) {
    FILE* file = fopen(path.c_str(), "rb");
    uint32_t crc = 0;
    long count = 0;
    char text[9] = "";
    if (fileCrc32(file, &crc, size ? size : &count) && fclose(file) == 0)
        formatCrc32(crc, text);
    return text;
}

// The data with four bytes appended that give it the CRC-32 target (the register run backwards).
std::string forgedToMatch(std::string data, uint32_t target) {
    const Crc32 crc; // a table entry is the register after one byte from zero
    uint32_t end = ~target;
    for (int step = 0; step < 4; ++step) {
        unsigned char i = 0;
        while (crc.update(0, &i, 1) >> 24 != end >> 24)
            ++i;
        end = (end ^ crc.update(0, &i, 1)) << 8 | i;
    }
    end ^= crc.update(kCrc32Start, data.data(), data.size());
    for (int shift = 0; shift < 32; shift += 8)
        data += static_cast<char>(end >> shift);
    return data;
}

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Nimbara";
constexpr const char* kNameSpaceKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\"
    "NameSpace\\{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}";

// The client's dialog of that title; with a control id, its page once that control is enabled.
HWND waitForDialog(const char* title, int control = 0) {
    HWND found = nullptr;
    for (DWORD start = GetTickCount(); !found && GetTickCount() - start < kTimeout; Sleep(50)) {
        found = FindWindowA("#32770", title);
        found = control && found ? FindWindowExA(found, nullptr, "#32770", nullptr) : found;
        found = control && !IsWindowEnabled(GetDlgItem(found, control)) ? nullptr : found;
    }
    return found;
}

// The silent setup installs the program, which connects from there. A forged file is refused by
// its SHA-256; the next one is installed over a stale backup and started. The silent uninstall
// leaves nothing but the settings.
TEST_F(Client, InstallUpdateUninstall) {
    const std::string built = control::clientPath(),
                      folder = getenv("TEMP") + std::string("\\installed"),
                      next = built.substr(0, built.size() - 4) + "_next.exe",
                      netlog = getenv("TEMP") + std::string("\\install-netlog.txt");
    long size = 0;
    const std::string fields = "Location: http://" + provider::host("http") +
                               "/dl/Nimbara.exe\r\nChecksum: " + checksum(next, &size) +
                               "\r\nFilesize: " + std::to_string(size) + "\r\nVersion: ";
    ASSERT_EQ(0u, control::waitExit(run("/S /D=" + folder,
                                        built.substr(0, built.size() - 4) + "-Setup-1.0.0.exe"),
                                    kTimeout));
    EXPECT_EQ(folder + "|" + folder + "\\Nimbara.exe /tray",
              reg::get("InstallDir") + "|" + reg::get("Nimbara", kRunKey));
    std::ofstream(folder + "\\Nimbara.bak") << "stale";
    provider::use("http");
    reg::set({{"ForceMethod", 5}});
    reg::set({{"DAVUser", "u"}, {"DAVPassword", "p"}});
    provider::script({{"Status: 200\r\nName: u\r\nPassword: p\r\nShare: s\r\n"}});
    SetEnvironmentVariableA("NIMBARA_NETLOGFILE", netlog.c_str());
    SetEnvironmentVariableA("NIMBARA_NETDEMO", getenv("NIMBARA_DEMO_DRIVE"));
    HANDLE old = startInstance("", folder + "\\Nimbara.exe");
    ASSERT_TRUE(control::sendCommand(IDM_CONNECT));
    EXPECT_NE(std::string::npos, readFile(netlog).find("add T: ")) << readFile(netlog);

    // The running program made to pass for the next one by its CRC-32, the next one's SHA-256
    // announced: refused at the check, and the download deleted.
    const std::string linuxNext = getenv("NIMBARA_EXE"), forged = "_forged.exe";
    std::ofstream(built.substr(0, built.size() - 4) + forged, std::ios::binary)
        << forgedToMatch(readFile(built), std::stoul(checksum(next), nullptr, 16));
    ASSERT_EQ(checksum(next), checksum(built.substr(0, built.size() - 4) + forged));
    Sha256 sha;
    sha.update(readFile(next).data(), readFile(next).size());
    provider::script({{fields + "1.0.2\r\nChecksum-SHA256: " + sha.finishHex() + "\r\n"},
                      {"", false, linuxNext.substr(0, linuxNext.size() - 4) + forged}});
    run("/rekey");
    HWND page = waitForDialog("Eigenschaften Ihrer Nimbara", IDC_UPDATE_RUN);
    PostMessageA(page, WM_COMMAND, IDC_UPDATE_RUN, 0);
    EXPECT_TRUE(
        waitFor([&] { return IsWindowVisible(GetDlgItem(page, IDC_UPDATE_CHECK_FAILED)); }));
    PostMessageA(GetParent(page), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(checksum(built), checksum(folder + "\\Nimbara.exe"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((getenv("TEMP") + std::string("\\Nimbara_update.exe")).c_str()));
    runToEnd("/rekey"); // ends: no dialog holds the forwarded command

    // The next one without a digest: checked by its CRC-32, installed.
    provider::script({{fields + "1.0.2\r\n"},
                      {"", false, linuxNext.substr(0, linuxNext.size() - 4) + "_next.exe"}});
    run("/rekey");
    PostMessageA(waitForDialog("Eigenschaften Ihrer Nimbara", IDC_UPDATE_RUN), WM_COMMAND,
                 IDC_UPDATE_RUN, 0);
    PostMessageA(waitForDialog("Nimbara"), WM_COMMAND, IDOK, 0); // the success message
    EXPECT_EQ(0u, control::waitExit(old, kTimeout));
    EXPECT_TRUE(control::waitForClient(kTimeout) &&
                control::clientProcessId() != GetProcessId(old));
    EXPECT_EQ(checksum(next) + checksum(built),
              checksum(folder + "\\Nimbara.exe") + checksum(folder + "\\Nimbara.bak"));

    reg::set("", "Nimbara", kNameSpaceKey);
    run("/S", folder + "\\Uninstall.exe");
    EXPECT_TRUE(waitFor([&] { // it runs from a copy; the uninstall entry goes last
        return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES &&
               reg::get("DisplayName", kUninstallKey) == "-";
    }));
    EXPECT_TRUE(control::waitForNoClient(kTimeout));
    EXPECT_EQ("-|-|5", reg::get("Nimbara", kRunKey) + "|" + reg::get("", kNameSpaceKey) + "|" +
                           reg::get("ForceMethod"));
}

} // namespace
