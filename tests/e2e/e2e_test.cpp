// End-to-end: the real Nimbara.exe under Wine, started with its switches and driven from outside.
#include "client_fixture.h"
#include "provider_client.h"
#include "res/resource.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace e2e;

// The switches with and without an instance; /replace: a third start during the hand-over does
// not become an instance, a later one forwards to the new one.
TEST_F(Client, SwitchesAndTheReplaceHandOver) {
    runToEnd("/stop"); // with no instance: ends at once
    runToEnd("/force=3");
    EXPECT_EQ("3", reg::get("ForceMethod"));
    HANDLE old = startInstance("/force=7"); // no switch: starts without a switch action
    runToEnd("/force=6");                   // stored, nothing forwarded
    EXPECT_EQ("6", reg::get("ForceMethod"));
    runToEnd("/Tray"); // no switch: forwarded as command 0, which changes nothing
    EXPECT_EQ(GetProcessId(old), control::clientProcessId());
    HANDLE replacement = run("/replace"), third = run("/tray");
    EXPECT_EQ(0u, control::waitExit(old, kTimeout));
    EXPECT_EQ(0u, control::waitExit(third, kTimeout));
    EXPECT_TRUE(control::waitForClient(kTimeout, GetProcessId(replacement)));
    runToEnd("/stop");
    EXPECT_EQ(0u, control::waitExit(replacement, kTimeout));
}

// Waits for a top-level window whose title has the text (Explorer showing the drive).
bool waitForWindowTitled(const char* part) {
    return waitFor([part] {
        char title[256];
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
            if (GetWindowTextA(window, title, sizeof title) > 0 && strstr(title, part) != nullptr)
                return true;
        return false;
    });
}

// From a fresh registry a double click opens the dialog on Login; with the portal login the client
// maps the share and opens the drive in Explorer.
TEST_F(Client, ConnectAsksForTheLoginThenMapsAndOpens) {
    provider::use("https");
    const std::string login = "Status: 200\r\nName: dav-user\r\nPassword: dav-pw\r\nShare: s\r\n";
    provider::script({{"Status: 401\r\n"}, {login}, {login}}); // stored, portal, stored login
    const std::string netlog = getenv("TEMP") + std::string("\\nimbara-netlog.txt");
    DeleteFileA(netlog.c_str());
    SetEnvironmentVariableA("NIMBARA_NETLOGFILE", netlog.c_str());
    SetEnvironmentVariableA("NIMBARA_NETDEMO", getenv("NIMBARA_DEMO_DRIVE"));

    startInstance("/tray");
    ASSERT_TRUE(control::postTray(WM_LBUTTONDBLCLK));
    bool opened = control::waitForProperties(kTimeout);
    Sleep(500); // painted
    control::saveScreenshot("connect-1-login");
    ASSERT_TRUE(opened);
    EXPECT_TRUE(
        IsWindowVisible(control::findControl(control::findProperties(), IDC_LOGIN_NAME))); // Login
    ASSERT_TRUE(control::enterLogin("portal-user", "portal-pw"));

    bool shown = waitForWindowTitled("T:");
    Sleep(500);
    control::saveScreenshot("connect-2-opened");
    EXPECT_TRUE(shown);
    std::string log = readFile(netlog);
    EXPECT_NE(std::string::npos, log.find("add T: ")) << log;
    EXPECT_NE(std::string::npos, log.find("user=dav-user password=dav-pw")) << log;
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(3u, requests.size()); // then the portal login and the refresh before the mapping
    EXPECT_TRUE(requests[1].path.find("name=portal-user&") != std::string::npos &&
                requests[2].path.find("name=dav-user&") != std::string::npos);
    ASSERT_TRUE(control::sendCommand(IDM_QUIT)); // "&Beenden" disconnects
    EXPECT_TRUE(control::waitForNoClient(kTimeout));
    EXPECT_NE(std::string::npos, readFile(netlog).find("cancel T:")) << readFile(netlog);
}

} // namespace
