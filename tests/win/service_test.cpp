// The web-service calls against the local provider service, over HTTP and HTTPS: what the
// service receives, what is stored from its answers, and the quota figures on a page.
#include "app/appstate.h"
#include "base/httpclient.h"
#include "base/registry.h"
#include "base/settings.h"
#include "provider_client.h"
#include "recording.h"
#include "service/auth.h"
#include "service/quota.h"
#include "service/rekey.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using provider::Answer;

std::string stored(const char* name) {
    std::string text = "<absent>";
    readProductString(name, &text);
    return text;
}

void setString(const char* name, const std::string& text) {
    writeStringSetting(settings::kProductKey, name, text.c_str());
}

class Service : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        recording::reset();
        provider::reset();
        useService(false);
        writeDwordSetting(settings::kProductKey, settings::kForceMethod, 5);
    }

    void useService(bool secure) {
        setString(settings::kAuthApiProto, secure ? "https" : "http");
        setString(settings::kAuthApiHost, secure ? provider::httpsHost() : provider::httpHost());
        setString(settings::kStatApiProto, secure ? "https" : "http");
        setString(settings::kStatApiHost, secure ? provider::httpsHost() : provider::httpHost());
    }

    void answer(const std::string& body) {
        Answer a;
        a.body = body;
        provider::script({a});
    }

    std::string lastPath() {
        std::vector<provider::Request> requests = provider::requests();
        return requests.empty() ? "<none>" : requests.back().path;
    }
};

TEST_F(Service, RequestPathAndEncoding) {
    answer("Status: 200\r\n");
    // "ü" is the byte 0xFC in the client's code page and travels unchanged.
    EXPECT_FALSE(authenticate("Anna Müller", "a&b=c?d"));
    EXPECT_EQ("/a/filemanager.webdav.auth?type=REST.2&username=Anna%20M\xFC"
              "ller&password=a%26b%3Dc%3Fd&ClientVersion=1.0.0&key=0",
              lastPath());
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ("Mozilla/5.0 (compatible; Qelto Nimbara)", requests[0].header("User-Agent"));

    // The key follows the connection method.
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 3);
    authenticate("u", "p");
    EXPECT_EQ("/a/filemanager.webdav.auth?type=REST.2&username=u&password=p&ClientVersion=1.0.0"
              "&key=1",
              lastPath());
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 1);
    authenticate("u", "p");
    EXPECT_NE(std::string::npos, lastPath().find("&key=2"));
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 6);
    setString(settings::kAuthApiUrl, "/other?");
    setString(settings::kAuthApiVersion, "REST.3");
    authenticate("u", "p");
    EXPECT_EQ("/other?type=REST.3&username=u&password=p&ClientVersion=1.0.0&key=0", lastPath());
}

TEST_F(Service, LengthLimits) {
    answer("Status: 200\r\n");
    const size_t prefix = std::string(settings::kDefaultAuthApiUrl).size();
    // Prefix, user name and password of exactly 200 characters are sent.
    authenticate(std::string(100, 'u'), std::string(200 - prefix - 100, 'p'));
    EXPECT_EQ(1u, provider::requests().size());
    EXPECT_EQ("", recording::joined());
    // One more is refused with the message box, and nothing is sent.
    EXPECT_FALSE(authenticate(std::string(100, 'u'), std::string(201 - prefix - 100, 'p')));
    EXPECT_EQ("showMessage Ein interner Fehler ist aufgetreten.;", recording::joined());
    EXPECT_EQ(1u, provider::requests().size());

    // The endpoint: a host of 150 characters with "https" and "REST.2" is within the limit.
    recording::reset();
    setString(settings::kAuthApiProto, "https");
    setString(settings::kAuthApiHost, std::string(150, 'h'));
    EXPECT_TRUE(authenticate("u", "p")); // not reachable, but not refused
    EXPECT_EQ("", recording::joined());
    setString(settings::kAuthApiHost, std::string(190, 'h'));
    EXPECT_FALSE(authenticate("u", "p"));
    EXPECT_EQ("showMessage Ein interner Fehler ist aufgetreten.;", recording::joined());
}

TEST_F(Service, CompleteAnswerOverHttpAndHttps) {
    for (bool secure : {false, true}) {
        useService(secure);
        answer(provider::fieldAnswer({{"Status", "200"},
                                      {"Name", secure ? "dav-anna-s" : "dav-anna"},
                                      {"Password", "s3cr:et"},
                                      {"Share", "anna"}}));
        EXPECT_EQ(AuthResult::Succeeded, authenticateCall("anna", "portal")) << secure;
        EXPECT_EQ(secure ? "dav-anna-s" : "dav-anna", stored(settings::kDavUser));
        EXPECT_EQ("s3cr:et", stored(settings::kDavPassword));
        EXPECT_EQ("anna", stored(settings::kDavShare));
    }
    EXPECT_EQ(provider::httpsPort(), provider::requests().back().port);
}

TEST_F(Service, IncompleteAnswersStoreNothing) {
    setString(settings::kDavUser, "kept");
    setString(settings::kDavPassword, "kept-pw");
    answer(provider::fieldAnswer({{"Status", "200"}, {"Name", "new"}, {"Password", "new-pw"}}));
    EXPECT_FALSE(authenticate("anna", "portal"));
    EXPECT_EQ("kept", stored(settings::kDavUser));
    EXPECT_EQ("<absent>", stored(settings::kDavShare));

    // A blank line ends the work on its chunk: the Share after it is not read.
    answer("Status: 200\r\nName: n\r\nPassword: p\r\n\r\nShare: s\r\n");
    EXPECT_FALSE(authenticate("anna", "portal"));
    EXPECT_EQ("kept", stored(settings::kDavUser));

    // An answer that stops in the middle of its Share line stores no cut share.
    Answer cut;
    cut.body = "Status: 200\r\nName: n\r\nPassword: p\r\nShare: complete-share\r\n";
    cut.stopAfter = static_cast<int>(cut.body.size()) - 8;
    cut.length = false;
    provider::script({cut});
    EXPECT_FALSE(authenticate("anna", "portal"));
    EXPECT_EQ("kept", stored(settings::kDavUser));
    EXPECT_EQ("<absent>", stored(settings::kDavShare));
}

TEST_F(Service, LineStraddlingTheChunkBoundaryIsReadWhole) {
    std::string padding = "Padding: " + std::string(1000, 'x') + "\r\n";
    std::string body = padding + "Name: straddling-user\r\nPassword: p\r\nShare: s\r\n";
    Answer a;
    size_t cutAt = 1024 + 3; // inside the Name line
    ASSERT_LT(padding.size(), cutAt);
    a.chunks = {body.substr(0, cutAt), body.substr(cutAt)};
    a.length = false;
    provider::script({a});
    EXPECT_TRUE(authenticate("anna", "portal"));
    EXPECT_EQ("straddling-user", stored(settings::kDavUser));
}

TEST_F(Service, RedirectToAPage) {
    app.retryAfterLogin = 2;
    answer(provider::fieldAnswer({{"Status", "409"},
                                  {"Message", "http://portal.example/agb?x=1"},
                                  {"Name", "dav"},
                                  {"Password", "pw"},
                                  {"Share", "share"}}));
    EXPECT_EQ(AuthResult::Failed, authenticateCall("anna", "portal"));
    EXPECT_EQ("shellOpen none http://portal.example/agb?x=1  " + std::to_string(SW_SHOW) + ";",
              recording::joined());
    EXPECT_EQ(0, app.retryAfterLogin);
    EXPECT_EQ("dav", stored(settings::kDavUser)); // sent beside it, so stored

    recording::reset();
    app.retryAfterLogin = 2;
    answer(provider::fieldAnswer({{"Status", "409"}, {"Message", "https://portal.example/"}}));
    EXPECT_FALSE(authenticate("anna", "portal"));
    EXPECT_EQ("", recording::joined());
    EXPECT_EQ(2, app.retryAfterLogin);
}

TEST_F(Service, UpdateAnnouncement) {
    answer(provider::fieldAnswer({{"Version", "1.0.0"}, {"Location", "http://h/Nimbara.exe"}}));
    authenticate("anna", "portal");
    EXPECT_TRUE(app.updateInfo.announced);
    EXPECT_EQ("1.0.0", app.updateInfo.version);
    EXPECT_EQ("http://h/Nimbara.exe", app.updateInfo.location);
    EXPECT_EQ("", recording::joined());

    setString(settings::kUpdateIgnoreVersion, "2.0.0");
    answer(provider::fieldAnswer({{"Version", "2.0.0"}, {"Filesize", "1234"}}));
    authenticate("anna", "portal");
    EXPECT_EQ("2.0.0", app.updateInfo.version);
    EXPECT_EQ("1234", app.updateInfo.fileSize);
    EXPECT_EQ("http://h/Nimbara.exe", app.updateInfo.location); // only ever overwritten
    EXPECT_EQ("", recording::joined());

    answer(provider::fieldAnswer(
        {{"Version", "2.0.1"}, {"Checksum", "DEADBEEF"}, {"Info-Uri", "http://h/neu"}}));
    authenticate("anna", "portal");
    EXPECT_EQ("showPropertiesDialog 3;", recording::joined());
    EXPECT_EQ("DEADBEEF", app.updateInfo.checksum);
    EXPECT_EQ("http://h/neu", app.updateInfo.infoUri);

    recording::reset();
    app.propertiesOpen = true;
    authenticate("anna", "portal");
    EXPECT_EQ("", recording::joined());
}

TEST_F(Service, LineListAnswer) {
    setString(settings::kAuthApiVersion, "REST.1");
    answer("OK\r\nlist-user\r\nlist-pw\r\nlist-share\r\n");
    EXPECT_TRUE(authenticate("anna", "portal"));
    EXPECT_EQ("list-user", stored(settings::kDavUser));
    EXPECT_EQ("list-pw", stored(settings::kDavPassword));
    EXPECT_EQ("list-share", stored(settings::kDavShare));
    EXPECT_NE(std::string::npos, lastPath().find("type=REST.1&"));

    answer("ok\r\nother\r\nother\r\nother\r\n");
    EXPECT_FALSE(authenticate("anna", "portal"));
    answer("OK\r\nshort-user\r\n");
    EXPECT_FALSE(authenticate("anna", "portal"));
    EXPECT_EQ("list-user", stored(settings::kDavUser));
}

TEST_F(Service, ServiceNotReachedOrNotTrusted) {
    setString(settings::kDavUser, "kept");
    setString(settings::kDavPassword, "kept-pw");
    setString(settings::kAuthApiHost, "127.0.0.1:1"); // nothing listens there
    EXPECT_TRUE(authenticateStored());
    EXPECT_EQ(AuthResult::NotReached, authenticateStoredCall());

    // A certificate from a CA the system does not trust is refused at send.
    answer(provider::fieldAnswer({{"Name", "n"}, {"Password", "p"}, {"Share", "s"}}));
    setString(settings::kAuthApiProto, "https");
    setString(settings::kAuthApiHost, provider::untrustedHost());
    EXPECT_EQ(AuthResult::NotReached, authenticateStoredCall());
    EXPECT_EQ("kept", stored(settings::kDavUser));
    EXPECT_EQ("<absent>", stored(settings::kDavShare));
}

TEST_F(Service, ServiceThatNeverAnswersTimesOut) {
    Answer hang;
    hang.hang = true;
    provider::script({hang});
    DWORD start = GetTickCount();
    EXPECT_EQ(AuthResult::NotReached, authenticateCall("anna", "portal"));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, kReceiveTimeoutMs / 2);
    EXPECT_LT(elapsed, kReceiveTimeoutMs + kSendTimeoutMs + 20000);
}

TEST_F(Service, RekeyCommand) {
    setString(settings::kDavUser, "stored-user");
    setString(settings::kDavPassword, "stored-pw");
    answer(provider::fieldAnswer({{"Name", "fresh"}, {"Password", "fresh-pw"}, {"Share", "s"}}));
    rekeyStoredLogin();
    EXPECT_EQ("showStatus 1 connected Authentifizierungsdaten erfolgreich aktualisiert.;",
              recording::joined());
    EXPECT_EQ("fresh", stored(settings::kDavUser));
    EXPECT_NE(std::string::npos, lastPath().find("username=stored-user&password=stored-pw"));

    recording::reset();
    setString(settings::kAuthApiHost, "127.0.0.1:1");
    rekeyStoredLogin();
    EXPECT_EQ("showStatus 3 connected Konnte die Authentifizierungsdaten nicht aktualisieren.;",
              recording::joined());
    EXPECT_EQ("fresh", stored(settings::kDavUser));
}

// A window with the controls of the General page that the quota call fills.
class QuotaPage : public Service {
protected:
    void SetUp() override {
        Service::SetUp();
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        page = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                               nullptr, app.instance, nullptr);
        ASSERT_NE(nullptr, page);
        for (int id : {kQuotaUsedBytes, kQuotaTotalBytes, kQuotaAvailableBytes, kQuotaUsedPretty,
                       kQuotaTotalPretty, kQuotaAvailablePretty, kQuotaPackageName})
            CreateWindowExA(0, "STATIC", "before", WS_CHILD, 0, 0, 50, 10, page,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app.instance,
                            nullptr);
        bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, page,
                              reinterpret_cast<HMENU>(kQuotaBar), app.instance, nullptr);
        ASSERT_NE(nullptr, bar);
        setString(settings::kDavUser, "dav-user");
        setString(settings::kDavPassword, "dav pw");
    }
    void TearDown() override { DestroyWindow(page); }

    std::string text(int id) {
        char buffer[256] = "";
        GetDlgItemTextA(page, id, buffer, sizeof buffer);
        return buffer;
    }
    int position() { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }

    static std::string quotaAnswer(const char* used, const char* total) {
        return provider::fieldAnswer({{"Status", "200"},
                                      {"Quota-Used-Bytes", used},
                                      {"Quota-Total-Bytes", total},
                                      {"Quota-Available-Bytes", "9663676416"},
                                      {"Quota-Used-Pretty", "1 GB"},
                                      {"Quota-Total-Pretty", "10 GB"},
                                      {"Quota-Available-Pretty", "9 GB"},
                                      {"Package-Name", "Nimbara M"}});
    }

    HWND page = nullptr;
    HWND bar = nullptr;
};

TEST_F(QuotaPage, FiguresAndBar) {
    answer(quotaAnswer("1073741824", "10737418240"));
    EXPECT_TRUE(queryQuotaStored(page));
    EXPECT_EQ("/a/filemanager.webdav.stat?type=REST.2&username=dav-user&password=dav%20pw"
              "&ClientVersion=1.0.0",
              lastPath());
    EXPECT_EQ("1073741824", text(kQuotaUsedBytes));
    EXPECT_EQ("10737418240", text(kQuotaTotalBytes));
    EXPECT_EQ("9663676416", text(kQuotaAvailableBytes));
    EXPECT_EQ("1 GB", text(kQuotaUsedPretty));
    EXPECT_EQ("10 GB", text(kQuotaTotalPretty));
    EXPECT_EQ("9 GB", text(kQuotaAvailablePretty));
    EXPECT_EQ("Nimbara M", text(kQuotaPackageName));
    EXPECT_EQ(9, position());
    EXPECT_EQ(100, static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)));

    const struct {
        const char* used;
        const char* total;
        int position;
    } cases[] = {{"50", "100", 50}, {"1000000", "99999", 100}, {"0", "1073741824", 1}};
    for (const auto& c : cases) {
        answer(quotaAnswer(c.used, c.total));
        EXPECT_TRUE(queryQuotaStored(page));
        EXPECT_EQ(c.position, position()) << c.used << "/" << c.total;
    }
}

TEST_F(QuotaPage, FailuresLeaveThePageUnknown) {
    // No status line: false, though the figures are written.
    answer("Quota-Used-Bytes: 5\r\nQuota-Total-Bytes: 10\r\n");
    EXPECT_FALSE(queryQuotaStored(page));
    EXPECT_EQ("5", text(kQuotaUsedBytes));
    EXPECT_EQ("before", text(kQuotaPackageName));

    // No stored user name: no request at all.
    setString(settings::kDavUser, "");
    size_t before = provider::requests().size();
    EXPECT_FALSE(queryQuotaStored(page));
    EXPECT_EQ(before, provider::requests().size());

    // The service cannot be reached: false, the page untouched.
    setString(settings::kDavUser, "dav-user");
    setString(settings::kStatApiHost, "127.0.0.1:1");
    EXPECT_FALSE(queryQuotaStored(page));
    EXPECT_EQ("5", text(kQuotaUsedBytes));
}

TEST_F(Service, HttpClientRequestKinds) {
    HttpClient refused;
    EXPECT_FALSE(refused.open("ftp://127.0.0.1/", nullptr, nullptr, "test"));
    HttpClient capitals;
    EXPECT_FALSE(capitals.open(("HTTPS://" + provider::httpsHost() + "/").c_str(), nullptr, nullptr,
                               "test"));

    answer("body");
    std::string base = "http://" + provider::httpHost() + "/";
    HttpClient unknownKind;
    ASSERT_TRUE(unknownKind.open(base.c_str(), nullptr, nullptr, "test"));
    EXPECT_FALSE(unknownKind.send("/x", 3, nullptr));
    char buffer[64];
    EXPECT_EQ(0u, unknownKind.read(buffer, sizeof buffer));
    unknownKind.close();
    EXPECT_TRUE(provider::requests().empty());

    // A form POST: fields joined as they are, with the form content type.
    HttpClient form;
    ASSERT_TRUE(form.open(base.c_str(), nullptr, nullptr, "test"));
    form.addFormField("a", "1", false);
    form.addFormField("b", "x%20y", false);
    form.addCookie("session", "abc");
    ASSERT_TRUE(form.send("/form?q=1", FormPost, nullptr));
    DWORD got = form.read(buffer, sizeof buffer);
    EXPECT_EQ("body", std::string(buffer, got));
    form.close();
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ("/form?q=1", requests[0].path);
    EXPECT_EQ("a=1&b=x%20y", requests[0].body);
    EXPECT_EQ("application/x-www-form-urlencoded", requests[0].header("Content-Type"));
    EXPECT_NE(std::string::npos, requests[0].header("Cookie").find("session=abc"));

    // An empty form sends an empty body.
    HttpClient empty;
    ASSERT_TRUE(empty.open(base.c_str(), nullptr, nullptr, "test"));
    ASSERT_TRUE(empty.send("/empty", FormPost, nullptr));
    empty.close();
    EXPECT_EQ("", provider::requests().back().body);
}

TEST_F(Service, MultipartPost) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    std::string file = std::string(directory) + "nimbara-upload.txt";
    // Content larger than the block size, so the file is read in several blocks.
    std::string content = "first line\r\n" + std::string(3000, 'z') + "\r\nlast";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    DWORD written = 0;
    WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(handle);
    std::string missing = std::string(directory) + "nimbara-no-such-file.txt";
    // A plain field far beyond any fixed allowance still arrives whole.
    std::string large(20000, 'v');

    answer("");
    HttpClient client;
    ASSERT_TRUE(
        client.open(("http://" + provider::httpHost() + "/").c_str(), nullptr, nullptr, "test"));
    client.addFormField("note", "hello", false);
    client.addFormField("upload", file.c_str(), true);
    client.addFormField("gone", missing.c_str(), true);
    client.addFormField("large", large.c_str(), false);
    ASSERT_TRUE(client.send("/upload", MultipartPost, nullptr));
    client.close();
    DeleteFileA(file.c_str());

    const std::string b = "--MULTI-PARTS-FORM-DATA-BOUNDARY";
    std::string expected =
        "--" + b + "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\n" + "hello\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"" + file +
        "\"\r\n\r\n" + content + "\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"gone\"; filename=\"" + missing + "\"\r\n\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"large\"\r\n\r\n" + large + "\r\n" +
        "--" + b + "--\r\n";
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ(expected, requests[0].body);
    EXPECT_EQ(std::to_string(expected.size()), requests[0].header("Content-Length"));
    EXPECT_EQ("multipart/form-data; boundary=" + b, requests[0].header("Content-Type"));
}

} // namespace
