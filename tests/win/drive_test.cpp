// The drive against the test network provider (tests/support/netprovider.cpp), whose log shows
// the mappings, and scripted drives: mounting, unmounting, the scan, the volume broadcasts,
// opening and the web-folder place.
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "base/registry.h"
#include "deployment.h"
#include "drive/drivelist.h"
#include "drive/drivewatch.h"
#include "drive/mount.h"
#include "drive/webfolder.h"
#include "provider_client.h"
#include "recording.h"

#include <dbt.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <map>
#include <sstream>

// Scripted drives: letter -> type and connection name. A listing of the roots is recorded.
static std::map<char, std::pair<UINT, std::string>> drives;

DWORD logicalDriveStrings(DWORD size, char* buffer) {
    recording::record("drives " + std::to_string(size));
    std::string roots;
    for (const auto& drive : drives)
        roots += drive.first + std::string(":\\") + '\0';
    if (roots.size() >= size)
        return static_cast<DWORD>(roots.size() + 1); // as Windows: the size needed
    memcpy(buffer, roots.c_str(), roots.size() + 1);
    return static_cast<DWORD>(roots.size());
}

UINT driveType(const char* root) {
    return drives.count(root[0]) ? drives[root[0]].first : DRIVE_NO_ROOT_DIR;
}

DWORD connectionName(const char* localName, char* remoteName, DWORD* size) {
    std::string name = drives.count(localName[0]) ? drives[localName[0]].second : "";
    if (name.empty() || name.size() >= *size)
        return ERROR_NOT_CONNECTED;
    memcpy(remoteName, name.c_str(), name.size() + 1);
    return NO_ERROR;
}

namespace {

void set(const char* name, const std::string& text) {
    writeStringSetting("Software\\Qelto\\Nimbara", name, text.c_str());
}
void set(const char* name, DWORD v) {
    writeDwordSetting("Software\\Qelto\\Nimbara", name, v);
}
std::string stored(const char* name) {
    std::string text = "-";
    readProductString(name, &text);
    return text;
}
std::string readFile(const std::string& path) {
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

const std::string kUnmount = "cancel T: force=0;cancel T: force=1;";
std::string add(const char* code, const std::string& remote = "http://h/s") {
    return "add T: " + remote + " user=u password=p type=1 flags=1 -> " + code + ";";
}
const std::string kMounting =
    "drives 100;showStatus 1 disconnected Verbinde zur Nimbara.\r\nEinen Moment bitte.;";
const std::string kStart = "|pause 250;" + kMounting;
const std::string kOn = "showStatus 1 connected Ihre Nimbara\r\nist verbunden.;";
const std::string kMoved =
    "showStatus 1 connected Der Laufwerksbuchstabe Ihrer Nimbara\r\nwurde ge\xE4ndert.;";
const std::string kPlace = "\\Nimbara.{0AFACED1-E828-11D1-9187-B532F1E9575D}\\";

class Drive : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        drives.clear();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        log = std::string(temp) + "calls.log";
        SetEnvironmentVariableA("NIMBARA_NETPROVIDER_DIR", temp);
        restart();
        for (const char* name : {"DAVHost", "DAVShare", "DAVUser", "DAVPasswd"})
            set(name, std::string(1, name[3] + 'a' - 'A')); // h, s, u, p
        set("DriveLetter", "T:");
        set("authApiProto", "http");
        set("authApiHost", provider::httpHost());
        set("ForceMethod", 5);
        set("DisableReKeyOnOpen", 1);
    }
    // Forgets what was recorded and gives the provider its next codes.
    void restart(const char* codes = "") {
        recording::reset();
        DeleteFileA(log.c_str());
        std::ofstream(log.substr(0, log.size() - 9) + "codes.txt") << codes;
    }
    // The provider's calls, then the recorded effects.
    std::string done() {
        std::string calls = readFile(log);
        std::replace(calls.begin(), calls.end(), '\n', ';');
        return calls + "|" + recording::joined();
    }
    void runChild(const char* version, std::string arguments) {
        writeStringSetting("Software\\Wine\\AppDefaults\\drive_child.exe", "Version", version);
        arguments = "Z:" + std::string(getenv("NIMBARA_BIN")) + "/drive_child.exe " + arguments;
        std::replace(arguments.begin(), arguments.end(), '/', '\\');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &arguments[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &child));
        WaitForSingleObject(child.hProcess, 60000);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        deleteKeyTree("Software\\Wine\\AppDefaults\\drive_child.exe");
    }
    std::string log;
};

TEST_F(Drive, MountInItsOrder) {
    set("DisableReKeyOnOpen", 0);
    provider::Answer answer;
    answer.body = provider::fieldAnswer(
        {{"Status", "200"}, {"Name", "U"}, {"Password", "P"}, {"Share", "S"}});
    provider::script({answer});
    drives = {{'C', {DRIVE_FIXED, ""}}, {'W', {DRIVE_REMOTE, "\\\\h\\s"}}};
    EXPECT_TRUE(mountDrive(false));
    EXPECT_TRUE(app.connected);
    // The stale mapping goes; the login is the one the refresh stored after the notice.
    EXPECT_EQ(kUnmount +
                  "cancel W: force=1;add T: http://h/S user=U password=P type=1 flags=1 "
                  "-> 0;" +
                  kStart + kOn,
              done());
}

TEST_F(Drive, MappingOutcomes) {
    const std::string retried = "pause 250;pause 20000;pause 250;showStatus 1 disconnected Ein "
                                "Aktualisierungskonflikt wurde festgestellt.\r\nDie Behebung "
                                "kann bis zu einer Minute dauern.;pause 40000;";
    const std::string failed = "showStatus 3 disconnected ";
    const struct {
        const char* codes;
        bool mapped;
        std::string calls, effects;
    } cases[] = {
        {"5", false, add("5"), failed + "Zugriff verweigert.;"},
        {"1223", false, add("1223"), failed + "Der Verbindungsversuch wurde abgebrochen.;"},
        {"59 1201 0", true, add("59") + kUnmount + add("1201") + kUnmount + add("0"),
         retried + kOn},
        {"59 1201 2250 1224", false,
         add("59") + kUnmount + add("1201") + kUnmount + add("2250") + kUnmount + add("1224"),
         retried + "pause 250;pause 60000;" + failed +
             "Ihr System aktualisiert den Verbindungsstatus.\r\nBitte versuchen Sie es "
             "in 1-2 Minuten erneut.;"}};
    for (const auto& c : cases) {
        restart(c.codes);
        app.connected = false;
        EXPECT_EQ(c.mapped, mountDrive(false));
        EXPECT_EQ(kUnmount + c.calls + kStart + c.effects, done());
        EXPECT_EQ(c.mapped, app.connected);
    }
}

TEST_F(Drive, RefusedLoginAsksForIt) {
    set("DisableReKeyOnOpen", 0);
    ASSERT_TRUE(registerMainWindowClass(GetModuleHandleA(nullptr)));
    HWND window = CreateWindowExA(0, "QeltoNimbaraWindowsClient", "", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int retry : {2, 1}) {
        restart();
        provider::script(std::vector<provider::Answer>(1)); // no login in the answer
        EXPECT_FALSE(mountDrive(retry == 2));
        EXPECT_EQ(retry, app.retryAfterLogin);
        EXPECT_EQ(kUnmount + kStart +
                      "showStatus 3 disconnected Der Verbindungsaufbau ist "
                      "fehlgeschlagen.\r\nBitte geben Sie Ihre Zugangsdaten erneut ein.;",
                  done());
        MSG message; // IDM_SETTINGS reached the main window, which asks for the Login tab
        EXPECT_TRUE(PeekMessageA(&message, window, WM_USER + 100, WM_USER + 100, PM_REMOVE));
    }
    DestroyWindow(window);
    UnregisterClassA("QeltoNimbaraWindowsClient", GetModuleHandleA(nullptr));
}

TEST_F(Drive, RemoteNamesAndLimits) {
    deleteKeyTree("Software\\Qelto\\Nimbara"); // the defaults under method 4, this process's
    set("DisableReKeyOnOpen", 1);
    EXPECT_TRUE(mountDrive(false));
    EXPECT_EQ("add T: https://" NIMBARA_DEFAULT_SERVICE_HOST "/Nimbara user= password= type=1 "
              "flags=1 -> 0;|" +
                  kMounting + kOn,
              done());
    SetUp();
    set("ForceMethod", 4);
    for (const char* version : {"winxp", "vista"}) {
        restart();
        runChild(version, "mount");
        EXPECT_EQ(kUnmount + add("0", version[0] == 'w' ? "https:\\\\h\\s" : "https://h/s") + "|",
                  done());
    }
    restart();
    set("DAVUser", std::string(256, 'u')); // not mapped cut
    EXPECT_FALSE(mountDrive(false));
    EXPECT_EQ(kUnmount + kStart + "showMessage Ein interner Fehler ist aufgetreten.;", done());
}

TEST_F(Drive, UnmountAndAutoMount) {
    unmountDrive(true); // SaveCredentials absent: the login is kept
    set("SaveCredentials", 0);
    unmountDrive(false);
    EXPECT_EQ("sup", stored("DAVShare") + stored("DAVUser") + stored("DAVPasswd"));
    unmountDrive(true);
    EXPECT_EQ("", stored("DAVShare") + stored("DAVUser") + stored("DAVPasswd"));
    EXPECT_EQ(kUnmount + kUnmount + kUnmount + "|pause 250;pause 250;pause 250;", done());
    restart();
    set("AutoMount", 1);
    autoMount();
    EXPECT_EQ("|showStatus 3 disconnected Automatisches Verbinden fehlgeschlagen,\r\nSie haben "
              "keine Logindaten gespeichert.;",
              done());
}

TEST_F(Drive, ScanFindsTheUncFormOnly) {
    drives = {{'C', {DRIVE_FIXED, "\\\\h\\s"}},
              {'V', {DRIVE_REMOTE, "\\\\h@SSL\\s"}},
              {'W', {DRIVE_REMOTE, "\\\\h\\s"}},
              {'X', {DRIVE_REMOTE, "https://h/s"}},
              {'Y', {DRIVE_REMOTE, "\\\\H\\s"}}};
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_TRUE(scanMappedDrives(false)); // now under the stored letter: no notice
    drives['Z'] = {DRIVE_REMOTE, "\\\\h\\s"};
    EXPECT_FALSE(scanMappedDrives(true));
    EXPECT_EQ("cancel W: force=1;cancel Z: force=1;|drives 100;" + kMoved +
                  "drives 100;drives 100;",
              done());
    for (char letter = 'A'; letter < 'Z'; ++letter) // 26 roots need 105 characters
        drives[letter] = {DRIVE_FIXED, ""};
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_EQ("Z:", stored("DriveLetter"));
}

TEST_F(Drive, VolumeBroadcasts) {
    const DWORD c = 1u << 2, s = 1u << 18, w = 1u << 22, x = 1u << 23;
    const struct {
        bool arrival;
        const char* name; // of W:
        DWORD mask;
        std::string effect;
    } cases[] = {{true, "\\\\h\\s", w, kMoved},
                 {true, "\\\\h@SSL\\s", w | c, kOn},
                 {true, "https://h/s", w, kOn},
                 {true, "http://h/s2", w, ""},
                 {true, "http://h/s", s, ""},
                 {false, "", s | w, ""},
                 {false, "", 1u << 27, ""},
                 {false, "", w | x,
                  "showStatus 1 disconnected Die Verbindung zu Ihrer Nimbara "
                  "wurde getrennt.;"}};
    drives = {{'C', {DRIVE_FIXED, "\\\\h\\s"}}};
    for (const auto& k : cases) {
        restart();
        app.connected = !k.arrival;
        drives['W'] = {DRIVE_REMOTE, k.name};
        DEV_BROADCAST_VOLUME volume = {sizeof volume, DBT_DEVTYP_VOLUME, 0, k.mask, 0};
        handleVolumeBroadcast(k.arrival, reinterpret_cast<DEV_BROADCAST_HDR*>(&volume));
        EXPECT_EQ("|" + k.effect, done()) << k.name << " " << k.mask;
        EXPECT_EQ(k.effect.empty() != k.arrival, app.connected) << k.name << " " << k.mask;
    }
    EXPECT_EQ("W:", stored("DriveLetter"));
    restart(); // a broadcast of another device type
    drives['W'].second = "\\\\h\\s";
    DEV_BROADCAST_VOLUME port = {sizeof port, DBT_DEVTYP_PORT, 0, w, 0};
    handleVolumeBroadcast(true, reinterpret_cast<DEV_BROADCAST_HDR*>(&port));
    EXPECT_EQ("|", done());
}

TEST_F(Drive, OpenMountsFirstUnlessConnected) {
    restart("5");
    openDrive(nullptr);
    EXPECT_EQ(std::string::npos, done().find("shellOpen"));
    restart();
    openDrive(nullptr);
    openDrive(nullptr);
    EXPECT_EQ(kUnmount + add("0") + kStart + kOn + "shellOpen none T:  5;shellOpen none T:  5;",
              done());
}

// Where the link file holds the address: its count, 16-bit units and terminator.
bool holds(const std::string& link, const std::string& address) {
    std::string units(1, static_cast<char>(address.size()));
    for (char c : address)
        units += std::string(1, '\0') + c;
    return readFile(link).find(units + std::string(3, '\0')) != std::string::npos;
}

TEST_F(Drive, WebFolderPlace) {
    char folder[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_NETHOOD, nullptr, 0, folder);
    std::string link = folder + kPlace + "Target.lnk";
    DeleteFileA(link.c_str());
    buildWebFolderPlace("s");
    std::string first = readFile(link);
    EXPECT_TRUE(holds(link, "http://h/s")); // SSL absent
    buildWebFolderPlace("s");
    buildWebFolderPlace(std::string(247, 's')); // 256 characters: the place stays as it was
    EXPECT_EQ(first, readFile(link));
    set("SSL", 1);
    // Windows NT 4: the folder "NetHood" names, when it has 3 characters at least.
    const char* shellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const std::pair<const char*, const char*> nt4Folders[] = {{"C:", "C:\\WINDOWS\\Nethood"},
                                                              {"C:\\nt4", "C:\\nt4"}};
    for (const auto& nt4 : nt4Folders) {
        CreateDirectoryA(nt4.second, nullptr);
        writeStringSetting(shellFolders, "NetHood", nt4.first);
        runChild("nt40", "place s");
        EXPECT_TRUE(holds(nt4.second + kPlace + "Target.lnk", "https://h/s")) << nt4.first;
        DeleteFileA((nt4.second + kPlace + "Target.lnk").c_str());
    }
    RegistryKey(HKEY_CURRENT_USER).remove(shellFolders, "NetHood");
}

} // namespace
