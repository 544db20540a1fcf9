// End-to-end against a real WebDAV share, mounted through FUSE by the demo network provider.
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
    bool mounted() const {
        return readFile("Z:\\proc\\mounts").find(mountPoint) != std::string::npos;
    }
    std::string netlog = getenv("TEMP") + std::string("\\nimbara-webdav-log.txt"), share,
                mountPoint;
};

// A wrong portal password keeps the dialog open; a refused WebDAV password and an unknown share
// fail with 86 and 67, mounting nothing. Then files pass both ways; "&Trennen" leaves no mount.
TEST_F(WebDav, RefusedLoginsThenTheShareOnTheDrive) {
    const std::string logins =
        R"([["demo", "demo-password"], ["demo-webdav", "wrong"], ["demo-webdav", "demo-secret"]])";
    auto answer = [&logins](const char* password, const char* share) {
        return provider::Answer{std::string("Status: 200\r\nName: demo-webdav\r\nPassword: ") +
                                    password + "\r\nShare: " + share + "\r\n",
                                false, "", 200, logins};
    };
    provider::script({{"Status: 401\r\n"}, answer("wrong", "demo")});
    startInstance("/tray"); // the login typed after a double click on the tray icon
    ASSERT_TRUE(control::postTray(WM_LBUTTONDBLCLK) && control::waitForProperties(kTimeout));
    ASSERT_TRUE(waitFor([] { return control::enterLogin("demo", "falsch"); }));
    Sleep(1500);
    EXPECT_NE(nullptr, control::findProperties()) << "a wrong portal password was accepted";
    ASSERT_TRUE(control::enterLogin("demo", "demo-password"));
    EXPECT_TRUE(waitFor([&] { return readFile(netlog).find("-> 86;") != std::string::npos; }))
        << readFile(netlog);
    provider::script({answer("demo-secret", "nix")});
    ASSERT_TRUE(control::sendCommand(IDM_CONNECT));
    EXPECT_TRUE(waitFor([&] { return readFile(netlog).find("-> 67;") != std::string::npos; }))
        << readFile(netlog);
    control::saveScreenshot("webdav-refused");
    EXPECT_FALSE(mounted());
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("T:\\"));

    provider::script({answer("demo-secret", "demo")});
    ASSERT_TRUE(control::sendCommand(IDM_CONNECT));
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

} // namespace
