// The drive against the test network provider (tests/support/netprovider.cpp) and a scripted
// drive list: mounting with its retries and texts, unmounting, the automatic mount, the scan,
// the volume broadcasts, opening, and the web-folder place.
#include "app/appstate.h"
#include "app/instance.h"
#include "app/mainwindow.h"
#include "base/registry.h"
#include "deployment.h"
#include "drive/drivewatch.h"
#include "drive/mount.h"
#include "drive/webfolder.h"
#include "provider_client.h"
#include "recording.h"
#include "scripted_drives.h"

#include <dbt.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

void set(const char* name, const std::string& text) {
    writeStringSetting("Software\\Qelto\\Nimbara", name, text.c_str());
}
void set(const char* name, DWORD v) {
    writeDwordSetting("Software\\Qelto\\Nimbara", name, v);
}
void unset(const char* name) {
    RegistryKey(HKEY_CURRENT_USER).remove("Software\\Qelto\\Nimbara", name);
}
std::string stored(const char* name) {
    std::string text = "(absent)";
    readProductString(name, &text);
    return text;
}
std::string readFile(const std::string& path) {
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

const std::string kUnmount = "cancel T: force=0;cancel T: force=1;";
std::string add(const std::string& code, const std::string& remote = "http://h/s") {
    return "add T: " + remote + " user=u password=p type=1 flags=1 -> " + code + ";";
}
const std::string kMounting =
    "showStatus 1 disconnected Verbinde zur Nimbara.\r\nEinen Moment bitte.;";
const std::string kConnected = "showStatus 1 connected Ihre Nimbara\r\nist verbunden.;";

class Drive : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        scripted::drives.clear();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        directory = std::string(temp) + "nimbara-netprovider";
        CreateDirectoryA(directory.c_str(), nullptr);
        SetEnvironmentVariableA("NIMBARA_NETPROVIDER_DIR", directory.c_str());
        restart();
        set("ForceMethod", 5);
        set("DisableReKeyOnOpen", 1);
        set("DAVHost", "h");
        set("DAVShare", "s");
        set("DAVUser", "u");
        set("DAVPasswd", "p");
        set("DriveLetter", "T:");
    }
    // Forgets what was recorded and the provider's codes.
    void restart(const char* codes = "") {
        recording::reset();
        DeleteFileA((directory + "\\calls.log").c_str());
        std::ofstream(directory + "\\codes.txt") << codes;
    }
    // The network provider's calls, then the recorded effects.
    std::string done() {
        std::string calls = readFile(directory + "\\calls.log");
        for (char& c : calls)
            c = c == '\n' ? ';' : c;
        return calls + "|" + recording::joined();
    }
    // Runs drive_child.exe under the Wine version name.
    void runChild(const char* version, const std::string& arguments) {
        const char* defaults = "Software\\Wine\\AppDefaults\\drive_child.exe";
        writeStringSetting(defaults, "Version", version);
        std::string line = "Z:" + std::string(getenv("NIMBARA_BIN")) + "/drive_child.exe ";
        for (char& c : line)
            c = c == '/' ? '\\' : c;
        line += arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &process));
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        deleteKeyTree(defaults);
    }
    std::string directory;
};

TEST_F(Drive, MountInItsOrder) {
    unset("DisableReKeyOnOpen");
    set("authApiProto", "http");
    set("authApiHost", provider::httpHost());
    provider::reset();
    provider::Answer answer;
    answer.body = provider::fieldAnswer(
        {{"Status", "200"}, {"Name", "dav-u"}, {"Password", "dav-p"}, {"Share", "s2"}});
    provider::script({answer});
    scripted::drives = {{'C', DRIVE_FIXED, ""}, {'W', DRIVE_REMOTE, "\\\\h\\s"}};
    EXPECT_TRUE(mountDrive(false));
    EXPECT_TRUE(app.connected);
    // The mapping takes the login the refresh stored, after the notice.
    EXPECT_EQ(kUnmount +
                  "cancel W: force=1;add T: http://h/s2 user=dav-u password=dav-p type=1 "
                  "flags=1 -> 0;|pause 250;drives 100;" +
                  kMounting + kConnected,
              done());
    EXPECT_EQ(1u, provider::requests().size());

    restart();
    recording::online = false;
    EXPECT_FALSE(mountDrive(false));
    EXPECT_EQ(kUnmount +
                  "|pause 250;showStatus 1 disconnected Sie haben derzeit keine Verbindung zum "
                  "Internet.;",
              done());
}

TEST_F(Drive, ListedCodesAreShownWithoutRetry) {
    const std::pair<const char*, const char*> cases[] = {
        {"5", "Zugriff verweigert."},
        {"1202", "Ihre Nimbara wurde \xFC"
                 "ber den Explorer-Dialog verbunden\r\nund kann auf diesem Weg nicht verwaltet "
                 "werden."},
        {"1222", "Es konnte keine Internetverbindung gefunden werden."}};
    for (const auto& c : cases) {
        restart(c.first);
        EXPECT_FALSE(mountDrive(false));
        EXPECT_EQ(kUnmount + add(c.first) + "|pause 250;drives 100;" + kMounting +
                      "showStatus 3 disconnected " + c.second + ";",
                  done());
    }
    EXPECT_FALSE(app.connected);
}

TEST_F(Drive, UnlistedCodesAreRetried) {
    restart("59 1201 0");
    EXPECT_TRUE(mountDrive(false));
    const std::string conflict = "showStatus 1 disconnected Ein Aktualisierungskonflikt wurde "
                                 "festgestellt.\r\nDie Behebung kann bis zu einer Minute dauern.;";
    const std::string start = "|pause 250;drives 100;" + kMounting;
    EXPECT_EQ(kUnmount + add("59") + kUnmount + add("1201") + kUnmount + add("0") + start +
                  "pause 250;pause 20000;pause 250;" + conflict + "pause 40000;" + kConnected,
              done());

    restart("59 1201 2250 1224");
    EXPECT_FALSE(mountDrive(true));
    EXPECT_EQ(kUnmount + add("59") + kUnmount + add("1201") + kUnmount + add("2250") + kUnmount +
                  add("1224") + start + "pause 250;pause 20000;pause 250;" + conflict +
                  "pause 40000;pause 250;pause 60000;showStatus 3 disconnected Ihr System "
                  "aktualisiert den Verbindungsstatus.\r\nBitte versuchen Sie es in 1-2 Minuten "
                  "erneut.;",
              done());
}

TEST_F(Drive, RefusedLoginAsksForIt) {
    unset("DisableReKeyOnOpen");
    set("authApiProto", "http");
    set("authApiHost", provider::httpHost());
    ASSERT_TRUE(registerMainWindowClass(app.instance));
    HWND window = CreateWindowExA(0, "QeltoNimbaraWindowsClient", "Nimbara", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, app.instance, nullptr);
    for (bool openAfter : {true, false}) {
        restart();
        provider::Answer refusal;
        refusal.body = "Status: 200\r\n";
        provider::script({refusal});
        EXPECT_FALSE(mountDrive(openAfter));
        EXPECT_EQ(openAfter ? 2 : 1, app.retryAfterLogin);
        EXPECT_EQ(
            kUnmount + "|pause 250;drives 100;" + kMounting +
                "showStatus 3 disconnected Der Verbindungsaufbau ist fehlgeschlagen.\r\nBitte "
                "geben Sie Ihre Zugangsdaten erneut ein.;",
            done());
        MSG message; // IDM_SETTINGS reached the main window, which asks for the Login tab
        EXPECT_TRUE(PeekMessageA(&message, window, WM_USER + 100, WM_USER + 100, PM_REMOVE));
    }
    DestroyWindow(window);
    UnregisterClassA("QeltoNimbaraWindowsClient", app.instance);
}

TEST_F(Drive, DefaultsAndRemoteNames) {
    deleteKeyTree("Software\\Qelto\\Nimbara");
    set("DisableReKeyOnOpen", 1);
    EXPECT_TRUE(mountDrive(false)); // method 4 in this process; no letter stored, none cancelled
    EXPECT_EQ("add T: https://" NIMBARA_DEFAULT_SERVICE_HOST "/Nimbara user= password= type=1 "
              "flags=1 -> 0;|drives 100;" +
                  kMounting + kConnected,
              done());

    SetUp();
    set("ForceMethod", 4);
    const std::pair<const char*, const char*> cases[] = {{"winxp", "https:\\\\h\\s"},
                                                         {"vista", "https://h/s"}};
    for (const auto& c : cases) {
        restart();
        runChild(c.first, "mount");
        EXPECT_EQ(kUnmount + add("0", c.second) + "|", done());
    }
}

TEST_F(Drive, OverlongTextsAreNotMapped) {
    set("DAVUser", std::string(255, 'u'));
    EXPECT_TRUE(mountDrive(false));
    const std::pair<const char*, std::string> cases[] = {
        {"DAVUser", std::string(256, 'u')},
        {"DAVPasswd", std::string(256, 'p')},
        {"DAVShare", std::string(247, 's')}}; // "http://h/" and 247: 256 characters
    for (const auto& c : cases) {
        SetUp();
        set(c.first, c.second);
        EXPECT_FALSE(mountDrive(false));
        EXPECT_EQ(kUnmount + "|pause 250;drives 100;" + kMounting +
                      "showMessage Ein interner Fehler ist aufgetreten.;",
                  done());
    }
}

TEST_F(Drive, UnmountAndAutoMount) {
    set("SaveCredentials", 0);
    unmountDrive(false);
    EXPECT_EQ(stored("DAVShare") + stored("DAVUser") + stored("DAVPasswd"), "sup");
    unmountDrive(true);
    EXPECT_EQ(kUnmount + kUnmount + "|pause 250;pause 250;", done());
    EXPECT_EQ(stored("DAVShare") + stored("DAVUser") + stored("DAVPasswd"), "");

    SetUp();
    unset("SaveCredentials");
    unset("DriveLetter");
    unmountDrive(true); // kept
    EXPECT_EQ(stored("DAVShare") + stored("DAVUser") + stored("DAVPasswd"), "sup");
    EXPECT_EQ("|", done());

    autoMount(); // AutoMount absent
    set("AutoMount", 1);
    set("SaveCredentials", 0);
    autoMount();
    EXPECT_EQ("|showStatus 3 disconnected Automatisches Verbinden fehlgeschlagen,\r\nSie haben "
              "keine Logindaten gespeichert.;",
              done());
    unset("SaveCredentials");
    autoMount();
    EXPECT_TRUE(app.connected);
}

TEST_F(Drive, ScanFindsTheUncFormOnly) {
    scripted::drives = {{'C', DRIVE_FIXED, "\\\\h\\s"},
                        {'V', DRIVE_REMOTE, "\\\\h@SSL\\s"},
                        {'W', DRIVE_REMOTE, "\\\\h\\s"},
                        {'X', DRIVE_REMOTE, "https://h/s"},
                        {'Y', DRIVE_REMOTE, "\\\\H\\s"}};
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_EQ("W:", stored("DriveLetter"));
    EXPECT_EQ("|drives 100;showStatus 1 connected Der Laufwerksbuchstabe Ihrer Nimbara\r\nwurde "
              "ge\xE4ndert.;",
              done());
    restart();
    EXPECT_TRUE(scanMappedDrives(false)); // under the stored letter: no notice
    EXPECT_EQ("|drives 100;", done());

    restart();
    scripted::drives.push_back({'Z', DRIVE_REMOTE, "\\\\h\\s"});
    EXPECT_FALSE(scanMappedDrives(true));
    EXPECT_EQ("cancel W: force=1;cancel Z: force=1;|drives 100;", done());

    // 26 drives need 105 characters: asked again, the scan sees Z: too.
    restart();
    scripted::drives.clear();
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        scripted::drives.push_back({letter, DRIVE_FIXED, ""});
    scripted::drives.back() = {'Z', DRIVE_REMOTE, "\\\\h\\s"};
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_EQ("Z:", stored("DriveLetter"));
}

void broadcast(bool arrival, DWORD mask, DWORD type = DBT_DEVTYP_VOLUME) {
    DEV_BROADCAST_VOLUME volume = {sizeof volume, type, 0, mask, 0};
    handleVolumeBroadcast(arrival, reinterpret_cast<DEV_BROADCAST_HDR*>(&volume));
}

TEST_F(Drive, ArrivalBroadcasts) {
    const std::string changed =
        "|showStatus 1 connected Der Laufwerksbuchstabe Ihrer Nimbara\r\nwurde ge\xE4ndert.;";
    struct Case {
        const char* letter;
        char drive;
        const char* name;
        DWORD mask;
        std::string effect;
    } const cases[] = {{"T:", 'W', "\\\\h\\s", 1u << 22, changed},
                       {"X:", 'X', "\\\\h@SSL\\s", 1u << 23, "|" + kConnected},
                       {"Y:", 'Y', "https://h/s", (1u << 24) | (1u << 2), "|" + kConnected},
                       {"T:", 'T', "http://h/s", 1u << 19, "|" + kConnected},
                       {"T:", 'T', "http://h/s2", 1u << 19, "|"},
                       {"T:", 'T', "http://h/s", 1u << 18, "|"}};
    for (const Case& c : cases) {
        restart();
        app.connected = false;
        set("DriveLetter", c.letter);
        scripted::drives = {{'C', DRIVE_FIXED, ""}, {c.drive, DRIVE_REMOTE, c.name}};
        broadcast(true, c.mask);
        EXPECT_EQ(c.effect, done()) << c.name;
        EXPECT_EQ(c.effect != "|", app.connected) << c.name;
        EXPECT_EQ(c.effect != "|" ? std::string(1, c.drive) + ":" : c.letter,
                  stored("DriveLetter"));
    }
    broadcast(true, 1u << 22, DBT_DEVTYP_PORT);
    EXPECT_EQ("|", done());
}

TEST_F(Drive, RemovalBroadcasts) {
    const DWORD s = 1u << 18, t = 1u << 19, w = 1u << 22;
    for (DWORD mask : {s, s | t, DWORD{1u << 27}, t | w}) {
        restart();
        app.connected = true;
        broadcast(false, mask);
        EXPECT_EQ(mask == (t | w), !app.connected) << mask;
        EXPECT_EQ(mask == (t | w) ? "|showStatus 1 disconnected Die Verbindung zu Ihrer Nimbara "
                                    "wurde getrennt.;"
                                  : "|",
                  done());
    }
}

TEST_F(Drive, StartUpAnnouncesAMappedShare) {
    scripted::drives = {{'T', DRIVE_REMOTE, "\\\\h\\s"}};
    PostQuitMessage(0);
    runClient(app.instance, "");
    EXPECT_TRUE(app.connected);
    EXPECT_EQ("|drives 100;" + kConnected, done());
}

TEST_F(Drive, OpenMountsFirstUnlessConnected) {
    restart("5");
    openDrive(nullptr);
    EXPECT_EQ(std::string::npos, done().find("shellOpen"));
    restart();
    openDrive(nullptr);
    EXPECT_NE(std::string::npos, done().find(add("0") + "|"));
    EXPECT_NE(std::string::npos, done().find(kConnected + "shellOpen none T:  5;"));
    restart();
    openDrive(nullptr); // connected: opened at once
    EXPECT_EQ("|shellOpen none T:  5;", done());

    set("ForceMethod", 1); // web folders: the place
    restart();
    openDrive(nullptr);
    char nethood[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_NETHOOD, nullptr, 0, nethood);
    EXPECT_EQ("|shellOpen none " + std::string(nethood) +
                  "\\Nimbara.{0AFACED1-E828-11D1-9187-B532F1E9575D}\\  5;",
              done());
}

// The address as the link file holds it: its count, 16-bit units and terminator.
std::string unitsOf(const std::string& text) {
    std::string units(1, static_cast<char>(text.size()));
    units += '\0';
    for (char c : text)
        units += std::string(1, c) + '\0';
    return units + '\0' + '\0';
}

TEST_F(Drive, WebFolderPlace) {
    char nethood[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_NETHOOD, nullptr, 0, nethood);
    std::string link =
        std::string(nethood) + "\\Nimbara.{0AFACED1-E828-11D1-9187-B532F1E9575D}\\Target.lnk";
    DeleteFileA(link.c_str());
    buildWebFolderPlace("s");
    std::string first = readFile(link);
    EXPECT_NE(std::string::npos, first.find(unitsOf("http://h/s"))); // SSL absent
    buildWebFolderPlace("s");
    EXPECT_EQ(first, readFile(link));
    buildWebFolderPlace(std::string(247, 's')); // 256 characters: the place stays as it was
    EXPECT_EQ(first, readFile(link));
    set("SSL", 1);
    buildWebFolderPlace("s");
    EXPECT_NE(std::string::npos, readFile(link).find(unitsOf("https://h/s")));

    // Windows NT 4: the folder from "NetHood", when it has at least 3 characters.
    CreateDirectoryA("C:\\WINDOWS\\Nethood", nullptr);
    CreateDirectoryA("C:\\nt4places", nullptr);
    const char* shellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const std::pair<const char*, const char*> cases[] = {{"X", "C:\\WINDOWS\\Nethood"},
                                                         {"C:\\nt4places", "C:\\nt4places"}};
    for (const auto& c : cases) {
        writeStringSetting(shellFolders, "NetHood", c.first);
        link =
            std::string(c.second) + "\\Nimbara.{0AFACED1-E828-11D1-9187-B532F1E9575D}\\Target.lnk";
        DeleteFileA(link.c_str());
        runChild("nt40", "place s");
        EXPECT_NE(std::string::npos, readFile(link).find(unitsOf("https://h/s"))) << c.first;
    }
    RegistryKey(HKEY_CURRENT_USER).remove(shellFolders, "NetHood");
}

} // namespace
