// End-to-end: the real Nimbara.exe under Wine, started with its switches as a user or the
// system would, and driven through its window as other processes do.
#include "control.h"
#include "provider_client.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

const DWORD kStartTimeout = 60000;
const WORD kQuit = 4006;

bool forceMethodStored(DWORD* value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Qelto\\Nimbara", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = sizeof *value;
    LONG result =
        RegQueryValueExA(key, "ForceMethod", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD;
}

class Client : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(control::clientPath().empty()) << "NIMBARA_EXE is not set";
        stopLeftovers();
        ASSERT_TRUE(control::waitForNoClient(10000)) << "a client from before is still running";
    }
    void TearDown() override {
        stopLeftovers();
        for (control::Process& process : processes)
            control::kill(process);
    }

    // Whatever an earlier test left running is stopped, so each test starts clean.
    static void stopLeftovers() {
        DWORD id = control::clientProcessId();
        if (id == 0)
            return;
        control::sendCommand(kQuit);
        if (control::waitForNoClient(20000))
            return;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process != nullptr) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }

    control::Process& run(const std::string& arguments) {
        processes.push_back(control::start(control::clientPath(), arguments));
        EXPECT_NE(nullptr, processes.back().handle) << "could not start with " << arguments;
        return processes.back();
    }

    // Runs the client to its end; true when it ended with exit code 0 and no client window
    // appeared meanwhile.
    bool runsToEndWithoutWindow(const std::string& arguments) {
        control::Process& process = run(arguments);
        bool windowSeen = false;
        DWORD start = GetTickCount();
        while (WaitForSingleObject(process.handle, 20) == WAIT_TIMEOUT) {
            windowSeen = windowSeen || control::findClient() != nullptr;
            if (GetTickCount() - start > kStartTimeout)
                return false;
        }
        return control::waitExit(process, 0) == 0 && !windowSeen;
    }

    // Starts the client as the running instance and waits for its window.
    control::Process& startInstance(const std::string& arguments) {
        control::Process& process = run(arguments);
        EXPECT_NE(nullptr, control::waitForClient(kStartTimeout, process.id))
            << "no window for " << arguments;
        return process;
    }

    // Starts a second process that must hand its switch over and end.
    void forwardAndEnd(const std::string& arguments) {
        control::Process& process = run(arguments);
        EXPECT_EQ(0u, control::waitExit(process, kStartTimeout)) << arguments;
    }

    std::deque<control::Process> processes; // references to its items stay valid
};

TEST_F(Client, ForceSwitchesStoreTheMethodAndEnd) {
    DWORD method = 99;
    EXPECT_TRUE(runsToEndWithoutWindow("/force=3"));
    ASSERT_TRUE(forceMethodStored(&method));
    EXPECT_EQ(3u, method);
    EXPECT_TRUE(runsToEndWithoutWindow("/noforce"));
    ASSERT_TRUE(forceMethodStored(&method));
    EXPECT_EQ(0u, method);

    // Also while an instance runs: stored, nothing forwarded, the instance goes on.
    control::Process& instance = startInstance("/tray");
    forwardAndEnd("/force=6");
    ASSERT_TRUE(forceMethodStored(&method));
    EXPECT_EQ(6u, method);
    EXPECT_EQ(instance.id, control::clientProcessId());
}

TEST_F(Client, TextsThatAreNoSwitches) {
    // Without an instance, "/force=7" starts the client without a switch action.
    control::Process& instance = startInstance("/force=7");
    DWORD method = 0;
    EXPECT_FALSE(forceMethodStored(&method));
    // With one, each of these is forwarded as command 0, which changes nothing.
    for (const char* text : {"/tray ", "/Tray", "/force=7", "/stop now"})
        forwardAndEnd(text);
    EXPECT_FALSE(forceMethodStored(&method));
    EXPECT_EQ(instance.id, control::clientProcessId());
    EXPECT_EQ(STILL_ACTIVE, control::waitExit(instance, 0));
}

TEST_F(Client, StopWithoutAnInstanceEndsAtOnce) {
    EXPECT_TRUE(runsToEndWithoutWindow("/stop"));
}

TEST_F(Client, SecondStartForwardsItsCommandAndEnds) {
    control::Process& instance = startInstance("");
    forwardAndEnd(""); // opens the drive in the running instance
    EXPECT_EQ(instance.id, control::clientProcessId());
    forwardAndEnd("/stop");
    EXPECT_EQ(0u, control::waitExit(instance, kStartTimeout));
    EXPECT_EQ(nullptr, control::findClient());
}

TEST_F(Client, QuitFromTheMenuCommandEndsTheClient) {
    control::Process& instance = startInstance("/tray");
    EXPECT_TRUE(control::sendCommand(kQuit));
    EXPECT_EQ(0u, control::waitExit(instance, kStartTimeout));
    // A command with a notification code in the high word is not a menu command.
    control::Process& second = startInstance("/tray");
    EXPECT_TRUE(control::sendCommand(kQuit, 1));
    EXPECT_EQ(STILL_ACTIVE, control::waitExit(second, 1000));
}

TEST_F(Client, ReplaceHandsOverToTheNewInstance) {
    control::Process& old = startInstance("/tray");
    control::Process& replacement = run("/replace");
    // A third start during the hand-over finds the mutex and does not become an instance.
    control::Process& third = run("/tray");
    EXPECT_EQ(0u, control::waitExit(old, kStartTimeout));
    EXPECT_EQ(0u, control::waitExit(third, kStartTimeout));
    EXPECT_NE(nullptr, control::waitForClient(kStartTimeout, replacement.id));
    EXPECT_EQ(STILL_ACTIVE, control::waitExit(replacement, 0));

    // The new instance is a complete one: it answers, and a later start forwards to it.
    forwardAndEnd("/tray");
    EXPECT_EQ(replacement.id, control::clientProcessId());
    forwardAndEnd("/stop");
    EXPECT_EQ(0u, control::waitExit(replacement, kStartTimeout));
}

TEST_F(Client, RightButtonPressOpensTheTrayMenu) {
    startInstance("/tray");
    ASSERT_TRUE(control::sendTray(WM_RBUTTONUP));
    Sleep(1500);
    EXPECT_EQ(nullptr, FindWindowA("#32768", nullptr));
    ASSERT_TRUE(control::sendTray(WM_RBUTTONDOWN));
    HWND menu = nullptr;
    DWORD start = GetTickCount();
    while ((menu = FindWindowA("#32768", nullptr)) == nullptr || !IsWindowVisible(menu)) {
        if (GetTickCount() - start > 20000)
            break;
        Sleep(50);
    }
    ASSERT_NE(nullptr, menu);
    DWORD owner = 0;
    GetWindowThreadProcessId(menu, &owner);
    EXPECT_EQ(control::clientProcessId(), owner);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    start = GetTickCount();
    while (IsWindow(menu) && IsWindowVisible(menu) && GetTickCount() - start < 20000)
        Sleep(50);
    EXPECT_FALSE(IsWindow(menu) && IsWindowVisible(menu));
}

void setProductString(const char* name, const std::string& text) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Qelto\\Nimbara", 0,
                                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

std::string productString(const char* name) {
    char buffer[256] = "";
    DWORD size = sizeof buffer - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Qelto\\Nimbara", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "<absent>";
    LONG result =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? buffer : "<absent>";
}

// A second start with /rekey makes the running client fetch fresh WebDAV credentials with the
// stored login from the service.
TEST_F(Client, RekeyForwardedRefreshesTheStoredLogin) {
    provider::reset();
    provider::Answer answer;
    answer.body = provider::fieldAnswer(
        {{"Status", "200"}, {"Name", "fresh-user"}, {"Password", "fresh-pw"}, {"Share", "share"}});
    provider::script({answer});
    setProductString("authApiProto", "https");
    setProductString("authApiHost", provider::httpsHost());
    setProductString("DAVUser", "stored-user");
    setProductString("DAVPasswd", "stored-pw");

    startInstance("/tray");
    forwardAndEnd("/rekey");
    EXPECT_EQ("fresh-user", productString("DAVUser"));
    EXPECT_EQ("fresh-pw", productString("DAVPasswd"));
    EXPECT_EQ("share", productString("DAVShare"));
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].path.find("username=stored-user&password=stored-pw"));
}

// The built program's resources, read from the file as Windows would: German texts as
// Windows-1252 bytes, both icons in three sizes, the version and the manifest.
TEST(BuiltProgram, Resources) {
    HMODULE module =
        LoadLibraryExA(control::clientPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(109));
    ASSERT_NE(nullptr, menu);
    char text[32] = "";
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("Nimbara", text);
    GetMenuStringA(GetSubMenu(menu, 0), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(std::string("&\xD6"
                          "ffnen"),
              text);
    DestroyMenu(menu);

    for (int id : {108, 112}) {
        HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
        ASSERT_NE(nullptr, group) << id;
        const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
        ASSERT_NE(nullptr, directory);
        WORD count = *reinterpret_cast<const WORD*>(directory + 4);
        std::string sizes;
        for (WORD i = 0; i < count; ++i)
            sizes += std::to_string(directory[6 + 14 * i]) + " ";
        EXPECT_EQ("16 32 48 ", sizes) << id;
    }

    HRSRC manifestResource = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(nullptr, manifestResource);
    std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(module, manifestResource))),
        SizeofResource(module, manifestResource));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Nimbara.exe\""));
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));

    HRSRC versionResource = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    ASSERT_NE(nullptr, versionResource);
    const BYTE* version =
        static_cast<const BYTE*>(LockResource(LoadResource(module, versionResource)));
    DWORD size = SizeofResource(module, versionResource);
    const VS_FIXEDFILEINFO* fixed = nullptr;
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        const VS_FIXEDFILEINFO* candidate =
            reinterpret_cast<const VS_FIXEDFILEINFO*>(version + offset);
        if (candidate->dwSignature == 0xFEEF04BD) {
            fixed = candidate;
            break;
        }
    }
    ASSERT_NE(nullptr, fixed);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    FreeLibrary(module);
}

} // namespace
