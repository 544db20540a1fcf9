// The web-service calls, the quota and the re-key command against the local provider service.
#include "app/mainwindow.h"
#include "core/appstate.h"
#include "base/httpclient.h"
#include "iat.h"
#include "provider_client.h"
#include "recording.h"
#include "registry_access.h"
#include "service/auth.h"
#include "service/quota.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

std::string login(const char* status = "200", const char* name = "dav-anna") {
    return std::string("Status: ") + status + "\r\nName: " + name +
           "\r\nPassword: s3cr:et\r\nShare: anna\r\n";
}

class Service : public testing::Test {
protected:
    void SetUp() override {
        app = AppState();
        app.instance = GetModuleHandleA(nullptr);
        recording::reset();
        provider::use("http");
        reg::set("ForceMethod", 5);
        reg::set({{"DAVUser", "kept"}, {"DAVPasswd", "kept pw"}}); // a stored login
    }
};

TEST_F(Service, RequestPathKeyAndLength) {
    provider::script({{"Status: 200\r\n"}});
    // "ü" is the byte 0xFC in the client's code page and travels unchanged, and so does ",".
    EXPECT_FALSE(authenticate("Anna Müller", "a&b=c?d,e").accepted());
    const provider::Request first = provider::requests().at(0);
    EXPECT_EQ("GET /a/filemanager.webdav.auth?type=REST.2&username=Anna%20M\xFC"
              "ller&password=a%26b%3Dc%3Fd,e&ClientVersion=1.0.0&key=0",
              first.method + " " + first.path);
    EXPECT_NE(std::string::npos,
              first.head.find("\r\nUser-Agent: Mozilla/5.0 (compatible; Qelto Nimbara)\r\n"));
    // Prefix (27), user name and password beyond 200: refused with the message box, nothing sent.
    EXPECT_FALSE(authenticate(std::string(100, 'u'), std::string(74, 'p')).accepted());
    EXPECT_EQ("showMessage Ein interner Fehler ist aufgetreten.;", recording::calls);

    // The key follows the connection method; prefix and version come from the registry.
    reg::set("ForceMethod", 1);
    reg::set({{"authApiUrl", "/other?"}, {"authApiVersion", "REST.3"}});
    authenticate("u", "p");
    EXPECT_EQ("/other?type=REST.3&username=u&password=p&ClientVersion=1.0.0&key=2",
              provider::requests().at(1).path);
    // Not forced: the key of Wine's method 4. A stored password without a user name is not sent.
    reg::remove({"ForceMethod", "DAVUser"});
    authenticateStored();
    EXPECT_EQ("/other?type=REST.3&username=&password=&ClientVersion=1.0.0&key=1",
              provider::requests().at(2).path);
}

// A registry refusing the value named by refused; the names and types it was asked to write.
std::string refused, written;
decltype(&RegSetValueExA) realSetValue;
LSTATUS WINAPI refuseNamed(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD size) {
    written += std::string(" ") + name + std::to_string(type);
    return name == refused ? ERROR_ACCESS_DENIED
                           : realSetValue(key, name, reserved, type, data, size);
}

// HTTP, HTTPS, a line list (REST.1), a line across two reads. The password is stored only after
// the user name; a refused share keeps the login; an incomplete answer stores nothing. Written
// back, the stored login is cut at the line end, unless it has no user name.
TEST_F(Service, CompleteAnswersStored) {
    ImportRedirect registry("advapi32.dll", "RegSetValueExA", refuseNamed, &realSetValue);
    ASSERT_TRUE(registry);
    const std::string all = " s3cr:et anna|anna DAVShare1 DAVUser1 DAVPasswd1";
    const std::string list = "listed\r\ns3cr:et\r\nanna\r\n";
    for (auto [kind, version, body, refuse, stored] :
         {std::tuple{"http", "REST.2", login("200", "plain"), "", "1plain" + all},
          {"https", "REST.2", login("200", "secure"), "", "1secure" + all},
          {"http", "REST.1", "OK\r\n" + list, "", "1listed" + all},
          {"http", "REST.3", login("200", "third"), "", "1third" + all},
          {"http", "REST.2", "Padding: " + std::string(990, 'x') + "\r\n" + login(), "",
           "1dav-anna" + all},
          {"http", "REST.2", login(), "DAVUser", "1kept kept pw anna|anna DAVShare1 DAVUser1"},
          {"http", "REST.2", login(), "DAVShare",
           "1dav-anna s3cr:et old|anna DAVShare1 DAVUser1 DAVPasswd1"},
          {"http", "REST.2", "Status: 200\r\nName: n\r\nPassword: p\r\n", "", "0kept kept pw old|"},
          {"http", "REST.1", "NO\r\n" + list, "", "0kept kept pw old|"}}) {
        SetUp(); // the stored login again
        provider::use(kind);
        reg::set({{"authApiVersion", version}, {"DAVShare", "old"}});
        provider::script({{body}});
        written.clear(), refused = refuse;
        AuthOutcome outcome = authenticate("anna", "portal");
        EXPECT_EQ(stored, std::to_string(outcome.result == AuthResult::Succeeded) +
                              reg::get("DAVUser") + " " + reg::get("DAVPasswd") + " " +
                              reg::get("DAVShare") + "|" + outcome.share + written);
        ASSERT_EQ(1u, provider::requests().size());
        EXPECT_EQ(provider::port(kind), provider::requests()[0].port);
    }
    for (auto [user, password, after] : {std::tuple{"kept\rx", "kept pw", "1kept kept pw"},
                                         {"anna", "", "1anna "},
                                         {"", "pw", "0 pw"}}) {
        reg::set({{"DAVUser", user}, {"DAVPasswd", password}});
        bool rewritten = rewriteStoredCredentials();
        EXPECT_EQ(after,
                  std::to_string(rewritten) + reg::get("DAVUser") + " " + reg::get("DAVPasswd"));
    }
}

// A page to send the user to, and a version to offer: not the running one nor a skipped one.
TEST_F(Service, RedirectAndUpdateOffer) {
    reg::set("UpdateIgnoreVersion", "2.0.0");
    auto outcome = [](const std::string& body) {
        provider::script({{login("409") + body}});
        AuthOutcome o = authenticate("anna", "portal");
        return std::to_string(static_cast<int>(o.result)) + o.redirectPage + " " +
               std::to_string(o.offerUpdate) + app.updateInfo.location + " " +
               app.updateInfo.version + "|" + app.updateInfo.checksumSha256;
    };
    EXPECT_EQ("0http://p/agb?x=1 0 |", outcome("Message: http://p/agb?x=1\r\n"));
    EXPECT_EQ("dav-anna", reg::get("DAVUser"));
    EXPECT_EQ("1 0 1.0.0|", outcome("Version: 1.0.0\r\n"));
    EXPECT_EQ("1 0 2.0.0|", outcome("Version: 2.0.0\r\n"));
    EXPECT_EQ("1 1 0.9.9|", outcome("Version: 0.9.9\r\n")); // any other text, older or not
    EXPECT_EQ("1 1http://h/2.0.1.exe 2.0.1|Ab",
              outcome("Version: 2.0.1\r\nLocation: http://h/2.0.1.exe"
                      "\r\nChecksum-SHA256: Ab\r\n"));
    // Announced by the earlier answer only, its digest kept; a new one without a digest has none.
    EXPECT_EQ("1 0http://h/2.0.1.exe 2.0.1|Ab", outcome(""));
    EXPECT_EQ("1 1http://h/2.0.1.exe 2.0.2|", outcome("Version: 2.0.2\r\n"));
    EXPECT_EQ("", recording::calls);
}

TEST_F(Service, NotReachedUntrustedOrSilent) {
    reg::set("authApiHost", "127.0.0.1:1"); // nothing listens there
    EXPECT_EQ(AuthResult::NotReached, authenticateStored().result);
    EXPECT_TRUE(authenticateStored().accepted());
    // A certificate nobody trusts is refused at send.
    provider::use("untrusted");
    provider::script({{login()}});
    EXPECT_EQ(AuthResult::NotReached, authenticateStored().result);
    // A service that never answers: the call gives up after the receive time-out.
    provider::use("http");
    provider::script({{"", true}});
    DWORD start = GetTickCount();
    EXPECT_EQ(AuthResult::NotReached, authenticate("anna", "portal").result);
    EXPECT_GE(GetTickCount() - start, kReceiveTimeoutMs / 2);
    EXPECT_LT(GetTickCount() - start, kReceiveTimeoutMs + kSendTimeoutMs + 20000);
    EXPECT_EQ("", recording::calls);
}

// What the call answers and whether the service did, the figures sent, the bar's position.
std::string quota() {
    QuotaFigures figures;
    std::string all = std::to_string(queryQuotaStored(&figures));
    all += std::to_string(figures.answered) + "|";
    for (int item = 0; item < kQuotaItemCount; ++item)
        all += (figures.sent[item] ? figures.values[item] : "-") + "|";
    return all + std::to_string(figures.barPosition);
}

// The re-key command: fresh credentials with the stored login, and a balloon that says how it went.
TEST_F(Service, RekeyAndOffline) {
    auto rekey = [] { mainWindowProc(nullptr, WM_COMMAND, 4011, 0); };
    provider::script({{login() + "Version: 9.9.9\r\n"}});
    // Offline nothing is sent; the re-key says so.
    recording::online = false;
    EXPECT_FALSE(authenticate("anna", "portal").accepted());
    rekey();
    EXPECT_EQ("00|-|-|-|-|-|-|-|0", quota());
    EXPECT_TRUE(provider::requests().empty());
    const std::string offline =
        "showStatus 1 disconnected Sie haben derzeit keine Verbindung zum Internet.;";
    EXPECT_EQ(offline + offline, recording::calls);
    recording::reset(); // online again, and under a web-folder method too
    reg::set("ForceMethod", 1);
    rekey();
    EXPECT_NE(std::string::npos,
              provider::requests().at(0).path.find("username=kept&password=kept%20pw"));
    reg::set("authApiHost", "127.0.0.1:1");
    rekey();
    EXPECT_EQ("followAuthentication 1 ;" // the update offered, then the balloon
              "showStatus 1 connected Authentifizierungsdaten erfolgreich aktualisiert.;"
              "showStatus 3 connected Konnte die Authentifizierungsdaten nicht aktualisieren.;",
              recording::calls);
}

// Whatever is thrown inside a request stays inside HttpClient: open and send report false.
struct Throwing : HttpClient {
    bool connect(const char*, int, const char*, const char*, int, const char*) override { throw 1; }
    bool sendGet(const char*, const char*) override { throw 1; }
};

// How many handles the client closed.
int closes = 0;
decltype(&InternetCloseHandle) realClose;
BOOL WINAPI countClose(HINTERNET handle) {
    ++closes;
    return realClose(handle);
}

TEST_F(Service, HttpClientThrowsNothingAndLeavesNothingOpen) {
    Throwing client;
    EXPECT_FALSE(client.open("http://127.0.0.1/", nullptr, nullptr, "test") ||
                 client.send("/", Get, nullptr));
    // A caller's exception after the request was sent: its three handles close with the client.
    provider::script({{"body"}});
    ImportRedirect closing("wininet.dll", "InternetCloseHandle", countClose, &realClose);
    ASSERT_TRUE(closing);
    try {
        HttpClient sent;
        EXPECT_TRUE(sent.open(("http://" + provider::host("http") + "/").c_str(), nullptr, nullptr,
                              "test") &&
                    sent.send("/", Get, nullptr));
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(3, closes);
}

TEST_F(Service, Quota) {
    provider::script(
        {{"Status: 200\r\nQuota-Used-Bytes: 1073741824\r\nQuota-Total-Bytes: 10737418240\r\n"
          "Quota-Available-Bytes: 9663676416\r\nQuota-Used-Pretty: 1 GB\r\nQuota-Total-Pretty: "
          "10 GB\r\nQuota-Available-Pretty: 9 GB\r\nPackage-Name: Nimbara M\r\n"}});
    EXPECT_EQ("11|1073741824|10737418240|9663676416|1 GB|10 GB|9 GB|Nimbara M|9", quota());
    EXPECT_EQ("/a/filemanager.webdav.stat?type=REST.2&username=kept&password=kept%20pw"
              "&ClientVersion=1.0.0",
              provider::requests().at(0).path);
    // No status line: false, though the figures came; not reached: nothing answered.
    provider::script({{"Quota-Used-Bytes: 5\r\nQuota-Total-Bytes: 10\r\n"}});
    EXPECT_EQ("01|5|10|-|-|-|-|-|50", quota());
    reg::set("statApiHost", "127.0.0.1:1");
    EXPECT_EQ("00|-|-|-|-|-|-|-|0", quota());
    // No stored user name: no request at all.
    provider::use("http");
    reg::set("DAVUser", "");
    EXPECT_EQ("00|-|-|-|-|-|-|-|0", quota());
    EXPECT_TRUE(provider::requests().empty());
}

} // namespace
