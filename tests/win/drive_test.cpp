// The drive against the test network provider (demo/netprovider.cpp) and scripted drives.
#include "core/appstate.h"
#include "drive/drivewatch.h"
#include "drive/mount.h"
#include "drive/open.h"
#include "drive/webfolder.h"
#include "iat.h"
#include "provider_client.h"
#include "recording.h"
#include "registry_access.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <map>
#include <utility>

// Letter -> connection name; remote when it has one, remembered but unavailable after a '?'.
static std::map<char, std::string> drives;

DWORD logicalDriveStrings(DWORD size, char* buffer) {
    std::string roots;
    for (const auto& drive : drives)
        roots += drive.first + std::string(":\\") + '\0';
    memcpy(buffer, roots.c_str(), roots.size() < size ? roots.size() + 1 : 0);
    return static_cast<DWORD>(roots.size() < size ? roots.size() : roots.size() + 1);
}

// Windows wants the root with its backslash here, and the drive name without one below.
UINT driveType(const char* root) {
    if (strlen(root) != 3 || root[2] != '\\')
        return DRIVE_NO_ROOT_DIR;
    return drives[root[0]].empty() ? DRIVE_FIXED : DRIVE_REMOTE;
}

DWORD connectionName(const char* localName, char* remoteName, DWORD* size) {
    if (strlen(localName) != 2 || drives.count(localName[0]) == 0)
        return ERROR_BAD_DEVICE;
    std::string name = drives[localName[0]];
    DWORD status = name[0] == '?' ? ERROR_CONNECTION_UNAVAIL : NO_ERROR;
    name = name.substr(name[0] == '?');
    return name.size() < *size ? (strcpy(remoteName, name.c_str()), status) : ERROR_MORE_DATA;
}

// The forced cancel follows the first after a pause exactly when that one found a mapping.
static decltype(&WNetCancelConnection2A) realCancel;
static std::string firstCancel; // "T: found" or "T: none"
static size_t callsAtFirst = 0;
static bool filesOpen = false; // the first cancel refused: files in use on the drive
static DWORD WINAPI cancelUpdatingTheProfile(LPCSTR name, DWORD flags, BOOL force) {
    EXPECT_EQ(DWORD(CONNECT_UPDATE_PROFILE), flags) << name;
    std::string since = recording::calls.substr(std::min(callsAtFirst, recording::calls.size()));
    if (force && firstCancel.rfind(name, 0) == 0) {
        EXPECT_EQ(firstCancel == name + std::string(" found") ? "pause 250;" : "", since) << name;
    }
    DWORD result = !force && filesOpen ? ERROR_OPEN_FILES : realCancel(name, flags, force);
    if (!force)
        firstCancel = name + std::string(result == ERROR_NOT_CONNECTED ? " none" : " found"),
        callsAtFirst = recording::calls.size();
    return result;
}

static std::string done() { // the provider's calls, then the recorded effects; both forgotten
    char calls[4096] = "";
    GetEnvironmentVariableA("NIMBARA_NETLOG", calls, sizeof calls);
    std::string all = std::string(calls + 1) + "|" + recording::calls;
    SetEnvironmentVariableA("NIMBARA_NETLOG", ">"); // a mark and no call yet
    recording::reset();
    return all;
}

static const std::string kUnmount = "cancel T: force=0;cancel T: force=1;";
static std::string add(const char* code, const std::string& remote = "http://h/s",
                       const std::string& password = "p") {
    return "add T: " + remote + " user=u password=" + password + " type=1 flags=1 -> " + code + ";";
}
static const std::string kStart =
    "|showStatus 1 disconnected Verbinde zur Nimbara.\r\nEinen Moment bitte.;";
static const std::string kConnected = "showStatus 1 connected Ihre Nimbara\r\nist verbunden.;";
static const std::string kInternalError = "showMessage Ein interner Fehler ist aufgetreten.;";
static const std::string kLetterChanged =
    "showStatus 1 connected Der Laufwerksbuchstabe Ihrer Nimbara\r\nwurde ge\xE4ndert.;";

class Drive : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        drives.clear();
        done();
        reg::set({{"DAVHost", "h"}, {"DAVShare", "s"}, {"DAVUser", "u"}, {"DAVPasswd", "p"}});
        reg::set("DriveLetter", "T:");
        reg::set({{"ForceMethod", 5}, {"DisableReKeyOnOpen", 1}});
        auto real = redirectImport("mpr.dll", "WNetCancelConnection2A", cancelUpdatingTheProfile);
        if (real != cancelUpdatingTheProfile)
            realCancel = real;
    }
    // The provider lives on in this process: the next test starts clean.
    void TearDown() override { realCancel("T:", 0, TRUE); }
};

// The share's mappings among 26 drives (105 characters) go first; retries, with growing pauses.
TEST_F(Drive, MountRetriesThenGivesUp) {
    drives = {{'V', "\\\\h@SSL\\s"}, {'W', "\\\\h\\s"}, {'X', "https://h/s"}};
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        drives.emplace(letter, "");
    SetEnvironmentVariableA("NIMBARA_NETCODES", "59 1201 2250 1224");
    EXPECT_FALSE(mountDrive(false));
    EXPECT_EQ(kUnmount + "cancel W: force=1;" + add("59") + kUnmount + add("1201") + kUnmount +
                  add("2250") + kUnmount + add("1224") + kStart +
                  "pause 20000;showStatus 1 disconnected Ein "
                  "Aktualisierungskonflikt wurde festgestellt.\r\nDie Behebung kann bis zu einer "
                  "Minute dauern.;pause 40000;pause 60000;showStatus 3 disconnected "
                  "Ihr System aktualisiert den Verbindungsstatus.\r\nBitte versuchen Sie es in "
                  "1-2 Minuten erneut.;",
              done());
}

// Neither a refused login (its page followed, the login asked for again) nor a 256-character user
// name maps or opens; a service not reached lets the stored login map.
TEST_F(Drive, OpenMountsFirstUnlessConnected) {
    reg::set("DisableReKeyOnOpen", 0);
    provider::use("http");
    provider::script({{"Status: 409\r\nMessage: http://p/x\r\n"}}); // sent to a page instead
    openDrive(nullptr);
    reg::set("DisableReKeyOnOpen", 1);
    reg::set("DAVUser", std::string(256, 'u'));
    openDrive(nullptr);
    reg::set("DisableReKeyOnOpen", 0);
    reg::set("DAVUser", "u");
    reg::set("authApiHost", "127.0.0.1:1");
    openDrive(nullptr);
    EXPECT_EQ(kUnmount + kUnmount + kUnmount + add("0") + kStart +
                  "followAuthentication 0 http://p/x;showStatus 3 disconnected Der "
                  "Verbindungsaufbau ist fehlgeschlagen.\r\nBitte geben Sie Ihre Zugangsdaten "
                  "erneut ein.;requestLogin true;" +
                  kStart.substr(1) + kInternalError + kStart.substr(1) + kConnected +
                  "shellOpen none T:  5;",
              done());
}

// A name or password over 255 characters is not mapped cut short; no share is the default one.
TEST_F(Drive, MountsOnlyWhatFits) {
    const std::string password(255, 'p');
    const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
        {"DAVPasswd", password, add("0", "http://h/s", password) + kStart + kConnected},
        {"DAVPasswd", password + "p", kStart + kInternalError},
        {"DAVShare", std::string(247, 's'), kStart + kInternalError},
        {"DAVShare", "-", add("0", "http://h/Nimbara") + kStart + kConnected},
        {"ForceMethod", "2", kStart}};
    bool mapped = false; // by the case before: the next one pauses between its cancels
    for (const auto& [name, value, effects] : cases) {
        SetUp();
        value == "-"   ? reg::remove({name})
        : value == "2" ? reg::set(name, 2)
                       : reg::set(name, value);
        EXPECT_EQ(effects.find("add") == 0, mountDrive(false)) << name;
        std::string expected = kUnmount + effects;
        expected.insert(expected.find('|') + 1,
                        std::exchange(mapped, effects[0] == 'a') ? "pause 250;" : "");
        EXPECT_EQ(expected, done()) << name;
    }
}

TEST_F(Drive, UnmountAndAutoMount) {
    // The drive in use: the forced cancel after the pause.
    filesOpen = true, unmountDrive(false), filesOpen = false;
    EXPECT_EQ("cancel T: force=1;|pause 250;", done());
    recording::online = false; // offline: the drive is let go, and nothing more
    EXPECT_FALSE(mountDrive(false));
    EXPECT_EQ(kUnmount + "|showStatus 1 disconnected Sie haben derzeit keine Verbindung "
                         "zum Internet.;",
              done());
    unmountDrive(true); // SaveCredentials absent: the login is kept
    EXPECT_EQ("p", reg::get("DAVPasswd"));
    // With no letter stored, a failed mapping stores none; a successful one keeps its letter.
    reg::remove({"DriveLetter"});
    SetEnvironmentVariableA("NIMBARA_NETCODES", "67");
    EXPECT_FALSE(mountDrive(false));
    EXPECT_EQ("-", reg::get("DriveLetter"));
    EXPECT_TRUE(mountDrive(false));
    EXPECT_EQ("T:", reg::get("DriveLetter"));
    const std::string connecting = kStart.substr(kStart.find("show")); // no letter: no unmount
    EXPECT_EQ(kUnmount + add("67") + add("0") + "|" + connecting +
                  "showStatus 3 disconnected Die Verbindung zur Nimbara konnte nicht hergestellt "
                  "werden.\r\nBitte versuchen Sie es erneut.;" +
                  connecting + kConnected,
              done());
    reg::set("SaveCredentials", 0); // not kept on this computer, yet kept while connecting
    EXPECT_TRUE(mountDrive(false) && reg::get("DAVPasswd") == "p" && !done().empty());
    for (int on : {2, 1}) // only 1 is on
        reg::set("AutoMount", on), autoMount();
    EXPECT_EQ("|showStatus 3 disconnected Automatisches Verbinden fehlgeschlagen,\r\nSie haben "
              "keine Logindaten gespeichert.;",
              done());
    reg::remove({"DriveLetter"});
    unmountDrive(true); // not saved: the login goes, with a letter stored or not
    EXPECT_EQ("", reg::get("DAVPasswd"));
    // Saved, and refused at the service: the login is asked for, and the drive will not open.
    reg::set({{"SaveCredentials", 1}, {"DisableReKeyOnOpen", 0}});
    provider::use("http");
    provider::script(std::vector<provider::Answer>(1));
    autoMount();
    EXPECT_NE(std::string::npos, done().find("requestLogin false;"));
}

// After sleep a connected drive no longer mapped is mapped again; otherwise nothing.
TEST_F(Drive, ResumeMapsALostDriveAgain) {
    drives = {{'T', "http://h/s"}};
    const std::string mounted = kUnmount + add("0") + kStart + kConnected;
    for (const auto& [method, connected, lost] :
         {std::tuple{5, true, false}, {5, false, true}, {1, true, true}, {5, true, true}}) {
        reg::set("ForceMethod", method);
        app.connected = connected;
        drives['T'] = lost ? "?http://h/s" : "http://h/s";
        remountAfterResume();
        EXPECT_EQ(method == 5 && connected && lost ? mounted : "|", done()) << method << connected;
    }
    reg::set("DisableReKeyOnOpen", 0); // refused at the service: the login asked for, no opening
    provider::use("http");
    remountAfterResume();
    EXPECT_NE(std::string::npos, done().find("requestLogin false;"));
}

// Only a volume counts, an arrival by each of its drives, a removal by its lowest.
TEST_F(Drive, OnlyAVolumeArrivalCounts) {
    reg::remove({"DAVShare"});
    drives = {{'A', "\\\\h@SSL\\Nimbara"}, {'Z', "\\\\h\\Nimbara"}};
    // Arriving or leaving, the device type, its drives; the letter stored after, and connected.
    for (auto [arrival, type, mask, after] :
         {std::tuple{true, DBT_DEVTYP_PORT, 1u << 25 | 1, "T:"},
          {true, DBT_DEVTYP_VOLUME, 1u << 25 | 1, "Z: connected"},
          {false, DBT_DEVTYP_VOLUME, 3u << 24, "Z: connected"}, // Y: and Z:
          {false, DBT_DEVTYP_VOLUME, 1u << 25, "Z:"},           // Z: alone
          {true, DBT_DEVTYP_VOLUME, 1u << 24, "Z:"}}) {         // Y: is no network drive
        DEV_BROADCAST_VOLUME volume = {sizeof volume, DWORD(type), 0, mask, 0};
        handleVolumeBroadcast(arrival, reinterpret_cast<DEV_BROADCAST_HDR*>(&volume));
        EXPECT_EQ(after, reg::get("DriveLetter") + (app.connected ? " connected" : "")) << mask;
    }
    // With no letter stored, any letter is a new one; then the stored one is the drive back.
    reg::remove({"DriveLetter"});
    drives = {{'T', "\\\\h\\Nimbara"}};
    DEV_BROADCAST_VOLUME onT = {sizeof onT, DBT_DEVTYP_VOLUME, 0, 1u << 19, 0};
    for (int arrival = 0; arrival < 2; ++arrival)
        handleVolumeBroadcast(true, reinterpret_cast<DEV_BROADCAST_HDR*>(&onT));
    EXPECT_EQ("|" + kLetterChanged + kLetterChanged +
                  "showStatus 1 disconnected Die Verbindung zu Ihrer Nimbara wurde getrennt.;" +
                  kLetterChanged + kConnected,
              done());
}

// The scan finds the share's exact name; another letter is taken and announced; none stored: T:.
TEST_F(Drive, ScanFollowsTheShareToItsLetter) {
    std::string share(250, 's'), name = "\\\\h\\" + share;
    reg::set("DAVShare", share);
    reg::remove({"DriveLetter"});
    drives = {{'C', ""}, {'R', "?" + name}, {'S', "\\\\h@SSL\\" + share}, {'T', name}};
    drives['U'] = "\\\\H\\" + share; // the host in capitals
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_EQ("|", done());
    reg::set("DriveLetter", "");
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_EQ("T:", reg::get("DriveLetter"));
    drives['X'] = name; // the share twice: the last one found counts
    EXPECT_TRUE(scanMappedDrives(false));
    EXPECT_EQ("X:", reg::get("DriveLetter"));
    EXPECT_EQ("|" + kLetterChanged + kLetterChanged, done());
}

static bool holds(const std::string& path, const char* address) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(file), {}), units;
    for (const char* c = address; *c; ++c)
        units += std::string(1, *c) + '\0'; // the address in 16-bit units
    return bytes.find(units) != std::string::npos;
}

static BOOL WINAPI nt4(OSVERSIONINFOA* version) {
    return version->dwMajorVersion = 4;
}

// SSL absent: http, bytes above 0x7F widened as they are; NT 4: the "NetHood" folder. Opening
// refreshes the login and, under method 1 only, rebuilds the place with the share answered.
TEST_F(Drive, WebFolderPlace) {
    const std::string place = "\\Nimbara.{0AFACED1-E828-11D1-9187-B532F1E9575D}\\Target.lnk";
    char folder[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_NETHOOD, nullptr, 0, folder);
    buildWebFolderPlace("\xFC");
    EXPECT_TRUE(holds(folder + place, "http://h/\xFC"));
    provider::use("http");
    provider::script({{"Status: 200\r\nName: n\r\nPassword: pw\r\nShare: fresh\r\n"}});
    reg::set("ForceMethod", 1);
    for (int skip : {1, 0}) {
        reg::set("DisableReKeyOnOpen", skip);
        openDrive(nullptr);
        EXPECT_EQ(size_t(1 - skip), provider::requests().size());
    }
    EXPECT_TRUE(holds(folder + place, "http://h/fresh"));
    reg::set("ForceMethod", 2);
    DeleteFileA((folder + place).c_str());
    openDrive(nullptr);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + place).c_str()));
    reg::set("ForceMethod", 1);
    clearStoredConnection();
    EXPECT_EQ("||", reg::get("DAVShare") + "|" + reg::get("DAVUser") + "|" + reg::get("DAVPasswd"));
    EXPECT_TRUE(holds(folder + place, "http://h/"));
    reg::set("SSL", 1);
    const char* shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    reg::set("NetHood", "C:", shell);
    CreateDirectoryA("C:\\WINDOWS\\Nethood", nullptr);
    DeleteFileA(("C:\\WINDOWS\\Nethood" + place).c_str());
    ImportRedirect version("kernel32.dll", "GetVersionExA", nt4);
    buildWebFolderPlace("s");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, shell, "NetHood");
    EXPECT_TRUE(holds("C:\\WINDOWS\\Nethood" + place, "https://h/s"));
}
