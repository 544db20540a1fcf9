// End-to-end: the self-update of the real Nimbara.exe, run from a copy in a scratch folder that
// InstallDir names, against the local provider service, which announces the versions and serves
// a second build of the program under another version number.
#include "base/crc32.h"
#include "client_fixture.h"
#include "provider_client.h"

#include <fstream>
#include <sstream>

namespace {

using namespace e2e;

std::string windowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

std::string contentOf(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

HWND waitForWindow(const char* title) {
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); window == nullptr && GetTickCount() - start < kTimeout;
         Sleep(50))
        window = FindWindowA("#32770", title);
    return window;
}

// The shown page of the properties dialog, when it is the Update page.
HWND waitForUpdatePage() {
    HWND frame = waitForWindow("Eigenschaften Ihrer Nimbara");
    for (HWND page = GetWindow(frame, GW_CHILD); frame != nullptr && page != nullptr;
         page = GetWindow(page, GW_HWNDNEXT))
        if (IsWindowVisible(page) && GetDlgItem(page, 1036) && GetDlgItem(page, 1068))
            return page;
    return nullptr;
}

// Runs from a copy of the built program, so the update replaces the copy; the environment
// variable the control functions start the client from names the copy meanwhile.
class Update : public Client {
protected:
    void SetUp() override {
        Client::SetUp();
        built = getenv("NIMBARA_EXE");
        folder = windowsPath(built.substr(0, built.rfind('/')) + "/../update-e2e");
        CreateDirectoryA(folder.c_str(), nullptr);
        DeleteFileA((folder + "\\Nimbara.bak").c_str());
        ASSERT_TRUE(CopyFileA(windowsPath(built).c_str(), (folder + "\\Nimbara.exe").c_str(), 0));
        _putenv(("NIMBARA_EXE=" + folder.substr(2) + "\\Nimbara.exe").c_str());
        setProductValue("InstallDir", REG_SZ, folder + '\0');
    }
    void TearDown() override {
        Client::TearDown();
        _putenv(("NIMBARA_EXE=" + built).c_str());
    }
    std::string built, folder;
};

provider::Answer announcement(const char* version, const std::string& next) {
    FILE* file = fopen(next.c_str(), "rb");
    uint32_t crc = 0;
    long size = 0;
    fileCrc32(file, &crc, &size);
    if (file != nullptr)
        fclose(file);
    char checksum[9];
    formatCrc32(crc, checksum);
    provider::Answer answer;
    answer.body = provider::fieldAnswer(
        {{"Version", version},
         {"Location", ("http://" + provider::host("http") + "/dl/Nimbara.exe").c_str()},
         {"Filesize", std::to_string(size).c_str()},
         {"Checksum", checksum}});
    return answer;
}

// A skipped version opens the dialog no more; the next one is installed: the running program
// becomes the backup, the new one starts with /replace and the old instance ends.
TEST_F(Update, SkippedVersionThenUpdateAndRestart) {
    provider::reset();
    setProductValue("authApiProto", REG_SZ, std::string("http", 5));
    setProductValue("authApiHost", REG_SZ, provider::host("http") + '\0');
    setProductValue("ForceMethod", REG_DWORD, std::string("\5\0\0\0", 4));
    const std::string next = windowsPath(built.substr(0, built.rfind('/')) + "/Nimbara_next.exe");
    provider::script({announcement("1.0.1", next)});
    HANDLE old = startInstance("");
    HANDLE rekey = run("/rekey");
    HWND page = waitForUpdatePage();
    ASSERT_NE(nullptr, page);
    SendDlgItemMessageA(page, 1046, BM_CLICK, 0, 0);
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(1036, BN_CLICKED), 0);
    EXPECT_EQ(0u, control::waitExit(rekey, kTimeout));
    EXPECT_EQ(std::string("1.0.1", 6), productValue("UpdateIgnoreVersion"));
    runToEnd("/rekey"); // returns: no dialog holds the forwarded command
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Eigenschaften Ihrer Nimbara"));

    provider::Answer program;
    program.file = built.substr(0, built.rfind('/')) + "/Nimbara_next.exe";
    provider::script({announcement("1.0.2", next), program});
    run("/rekey");
    page = waitForUpdatePage();
    ASSERT_NE(nullptr, page);
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(1036, BN_CLICKED), 0);
    HWND done = waitForWindow("Nimbara");
    ASSERT_NE(nullptr, done);
    PostMessageA(done, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, control::waitExit(old, kTimeout));
    EXPECT_TRUE(control::waitForClient(kTimeout));
    EXPECT_NE(GetProcessId(old), control::clientProcessId());
    EXPECT_EQ(contentOf(next), contentOf(folder + "\\Nimbara.exe"));
    EXPECT_EQ(contentOf(windowsPath(built)), contentOf(folder + "\\Nimbara.bak"));
    EXPECT_EQ(4u, provider::requests().size());
}

} // namespace
