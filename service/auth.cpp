// The authentication call: the stored login or a typed one is sent to the web service, the
// WebDAV credentials and share it answers with are stored, an update announcement is noted.
#include "service/auth.h"

#include "app/appstate.h"
#include "app/connectivity.h"
#include "app/notify.h"
#include "base/registry.h"
#include "base/settings.h"
#include "base/shellopen.h"
#include "drive/method.h"
#include "drive/webfolder.h"
#include "service/frame.h"
#include "ui/properties/frame.h"

static bool writeStoredString(const char* name, const std::string& text) {
    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue value;
    return value.setString(text.c_str(), false) && key.write(settings::kProductKey, name, value);
}

bool storeCredentials(const std::string& password, const std::string& userName) {
    if (!writeStoredString(settings::kDavUser, firstLine(userName)))
        return false;
    return writeStoredString(settings::kDavPassword, firstLine(password));
}

bool storeConnection(const std::string& share, const std::string& password,
                     const std::string& userName) {
    std::string shareName = firstLine(share);
    writeStoredString(settings::kDavShare, shareName);
    if (selectConnectionMethod() == 1)
        buildWebFolderPlace(shareName);
    return storeCredentials(password, userName);
}

bool rewriteStoredCredentials() {
    std::string userName, password;
    if (!readProductString(settings::kDavUser, &userName) ||
        !readProductString(settings::kDavPassword, &password) || userName.empty())
        return false;
    return storeCredentials(password, userName);
}

// A newer version opens the properties dialog on its Update tab, unless the user chose to
// skip exactly this version or the dialog is open already.
static void announceUpdate(const std::string& version) {
    if (version == NIMBARA_CLIENT_VERSION)
        return;
    std::string ignored;
    if (readProductString(settings::kUpdateIgnoreVersion, &ignored) && ignored == version)
        return;
    if (app.propertiesOpen)
        return;
    app.propertiesStartPage = kPageUpdate;
    app.propertiesOpen = true;
    showPropertiesDialog(app.mainWindow);
}

static void sendToPage(const std::string& page) {
    if (app.propertiesOpen)
        ShowWindow(app.propertiesWindow, SW_MINIMIZE);
    app.retryAfterLogin = kRetryNothing; // closing the dialog must not mount the drive
    shellOpen(nullptr, page.c_str(), nullptr, SW_SHOW);
}

static AuthResult readFieldAnswer(HttpClient* client) {
    FieldAnswer answer;
    bool announced = false;
    readAnswer(client, [&answer, &announced](const std::string& line) {
        announced = applyAuthLine(line, &answer, &app.updateInfo) || announced;
    });
    AuthResult result = AuthResult::Failed;
    if (completeCredentials(answer)) {
        storeConnection(credentialValue(answer.share), credentialValue(answer.password),
                        credentialValue(answer.name));
        result = AuthResult::Succeeded;
    }
    // Only once the whole answer is in: the modal dialog may stay open for minutes, which the
    // service's connection would not survive, and the Update page needs the location and
    // checksum that may follow the Version line.
    if (announced)
        announceUpdate(app.updateInfo.version);
    if (redirectsToPage(answer)) {
        sendToPage(answer.message);
        result = AuthResult::Failed;
    }
    return result;
}

// An answer of fewer than three values after "OK" stores nothing: a partial login would
// replace a working one.
static AuthResult readLineListAnswer(HttpClient* client) {
    LineListAnswer answer;
    readAnswer(client, [&answer](const std::string& line) { applyLineListLine(line, &answer); });
    if (!lineListComplete(answer))
        return AuthResult::Failed;
    storeConnection(answer.lines[3], answer.lines[2], answer.lines[1]);
    return AuthResult::Succeeded;
}

AuthResult authenticateCall(const std::string& userName, const std::string& password) {
    if (!internetAvailable()) {
        showStatus(kBalloonInformation, "Sie haben derzeit keine Verbindung zum Internet.", false);
        return AuthResult::Failed;
    }
    Endpoint endpoint = readEndpoint(kAuthEndpoint);
    std::string keySuffix = "&key=" + std::to_string(credentialKind(selectConnectionMethod()));
    HttpClient client;
    switch (startCall(endpoint, userName, password, keySuffix, &client)) {
    case CallStart::TooLong:
        return AuthResult::Failed;
    case CallStart::NotReached:
        return AuthResult::NotReached;
    default:
        break;
    }
    AuthResult result =
        endpoint.version == "REST.1" ? readLineListAnswer(&client) : readFieldAnswer(&client);
    client.close();
    return result;
}

AuthResult authenticateStoredCall() {
    std::string userName, password;
    if (readProductString(settings::kDavUser, &userName))
        readProductString(settings::kDavPassword, &password);
    return authenticateCall(userName, password);
}

bool authenticate(const std::string& userName, const std::string& password) {
    return authenticateCall(userName, password) != AuthResult::Failed;
}

bool authenticateStored() {
    return authenticateStoredCall() != AuthResult::Failed;
}
