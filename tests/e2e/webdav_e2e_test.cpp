// End-to-end against a real WebDAV share: the demo network provider does the redirector's work
// (the login checked at the server, the share mounted through FUSE behind the letter).
#include "client_fixture.h"
#include "provider_client.h"

#include <string>

namespace {

using namespace e2e;

class WebDav : public Client {
protected:
    void SetUp() override {
        Client::SetUp();
        const char* state = getenv("NIMBARA_WEBDAV_STATE");
        ASSERT_NE(nullptr, state);
        std::string unusable = readFile(onZ(state) + "\\unusable");
        if (!unusable.empty())
            GTEST_SKIP() << unusable;
        reg::set("DAVHost", "127.0.0.1:" + readFile(onZ(state) + "\\port").substr(0, 5));
        SetEnvironmentVariableA("NIMBARA_WEBDAV", state);
        SetEnvironmentVariableA("NIMBARA_NETLOGFILE", netlog.c_str());
        DeleteFileA(netlog.c_str());
        share = onZ(state) + "\\storage\\demo\\";
        mountPoint = std::string(state) + "/mounts/T ";
        provider::use("https");
    }
    static std::string onZ(std::string path) {
        for (char& c : path)
            c = c == '/' ? '\\' : c;
        return "Z:" + path;
    }
    // The login on the Login tab, as a user types it after a double click on the tray icon.
    void logIn(const char* password = "demo-password") {
        startInstance("/tray");
        ASSERT_TRUE(control::postTray(WM_LBUTTONDBLCLK) && control::waitForProperties(kTimeout));
        ASSERT_TRUE(waitFor([&] { return control::enterLogin("demo", password); }));
    }
    bool mounted() const {
        return readFile("Z:\\proc\\mounts").find(mountPoint) != std::string::npos;
    }
    std::string netlog = getenv("TEMP") + std::string("\\nimbara-webdav-log.txt"), share,
                mountPoint;
};

// The service hands out the server's login: the drive shows the share's files, a file written
// through the letter lands in the server's folder, one put there is read through the letter, and
// "&Trennen" leaves no mount behind.
TEST_F(WebDav, ShareOnTheDrive) {
    const std::string login = "Status: 200\r\nName: demo-webdav\r\nPassword: demo-secret\r\n"
                              "Share: demo\r\n";
    provider::script({{"Status: 401\r\n"},
                      {login, false, "", 200,
                       R"([["demo", "demo-password"], ["demo-webdav", "demo-secret"]])"}});
    logIn();
    ASSERT_TRUE(waitFor([] { return readFile("T:\\Willkommen.txt").size() > 0; }));
    EXPECT_EQ(readFile(share + "Willkommen.txt"), readFile("T:\\Willkommen.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((share + "..\\..\\login").c_str()))
        << "the WebDAV login left on the disk";
    std::ofstream("T:\\Hallo.txt", std::ios::binary) << "aus Windows\r\n";
    EXPECT_TRUE(waitFor([&] { return readFile(share + "Hallo.txt") == "aus Windows\r\n"; }));
    std::ofstream(share + "Vom Server.txt", std::ios::binary) << "vom Server";
    EXPECT_TRUE(waitFor([] { return readFile("T:\\Vom Server.txt") == "vom Server"; }));
    control::saveScreenshot("webdav-share");
    EXPECT_TRUE(mounted());
    ASSERT_TRUE(control::sendCommand(IDM_DISCONNECT));
    EXPECT_TRUE(waitFor([&] { return !mounted(); }));
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("T:\\")); // the letter gone
    DeleteFileA((share + "Hallo.txt").c_str());
    DeleteFileA((share + "Vom Server.txt").c_str());
}

// A wrong portal password is refused by the service (the dialog stays open). Then a WebDAV
// password the server refuses, and a share it does not have: the mapping fails with the
// redirector's 86 and 67, and nothing is mounted.
TEST_F(WebDav, RefusedLogins) {
    const std::string logins =
        R"([["demo", "demo-password"], ["demo-webdav", "wrong"], ["demo-webdav", "demo-secret"]])";
    provider::script({{"Status: 401\r\n"},
                      {"Status: 200\r\nName: demo-webdav\r\nPassword: wrong\r\nShare: demo\r\n",
                       false, "", 200, logins}});
    logIn("falsch");
    Sleep(1500);
    EXPECT_NE(nullptr, control::findProperties()) << "a wrong portal password was accepted";
    ASSERT_TRUE(control::enterLogin("demo", "demo-password"));
    EXPECT_TRUE(waitFor([&] { return readFile(netlog).find("-> 86;") != std::string::npos; }))
        << readFile(netlog);
    provider::script(
        {{"Status: 200\r\nName: demo-webdav\r\nPassword: demo-secret\r\nShare: nix\r\n", false, "",
          200, logins}});
    ASSERT_TRUE(control::sendCommand(IDM_CONNECT));
    EXPECT_TRUE(waitFor([&] { return readFile(netlog).find("-> 67;") != std::string::npos; }))
        << readFile(netlog);
    control::saveScreenshot("webdav-refused");
    EXPECT_FALSE(mounted());
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("T:\\"));
}

} // namespace
