// The authentication call: the stored login or a typed one is sent to the web service, the
// WebDAV credentials and share it answers with are stored, and what else the answer says (an
// update announced, a page to send the user to) is returned for the caller to act on.
#include "service/auth.h"

#include "base/registry.h"
#include "base/settings.h"
#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/method.h"
#include "core/notify.h"
#include "service/frame.h"

#include <utility>

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
    writeStoredString(settings::kDavShare, firstLine(share));
    return storeCredentials(password, userName);
}

bool rewriteStoredCredentials() {
    std::string userName, password;
    if (!readProductString(settings::kDavUser, &userName) ||
        !readProductString(settings::kDavPassword, &password) || userName.empty())
        return false;
    return storeCredentials(password, userName);
}

// A newer version is offered unless the user chose to skip exactly this version.
static bool offersUpdate(const std::string& version) {
    if (version == NIMBARA_CLIENT_VERSION)
        return false;
    std::string ignored;
    return !readProductString(settings::kUpdateIgnoreVersion, &ignored) || ignored != version;
}

// The SHA-256 digest belongs to the announcement it came with: a later announcement without one
// must not be checked against the digest of an earlier file.
static AuthOutcome readFieldAnswer(HttpClient* client) {
    FieldAnswer answer;
    bool announced = false;
    std::string earlierDigest = std::exchange(app.updateInfo.checksumSha256, "");
    readAnswer(client, [&answer, &announced](const std::string& line) {
        announced = applyAuthLine(line, &answer, &app.updateInfo) || announced;
    });
    if (!announced && app.updateInfo.checksumSha256.empty())
        app.updateInfo.checksumSha256 = earlierDigest;
    AuthOutcome outcome;
    if (completeCredentials(answer)) {
        outcome.share = firstLine(credentialValue(answer.share));
        storeConnection(outcome.share, credentialValue(answer.password),
                        credentialValue(answer.name));
        outcome.result = AuthResult::Succeeded;
    }
    // Judged once the whole answer is in: the Update page needs the location and checksum that
    // may follow the Version line.
    outcome.offerUpdate = announced && offersUpdate(app.updateInfo.version);
    if (redirectsToPage(answer)) {
        outcome.redirectPage = answer.message;
        outcome.result = AuthResult::Failed;
    }
    return outcome;
}

// An answer of fewer than three values after "OK" stores nothing: a partial login would
// replace a working one.
static AuthOutcome readLineListAnswer(HttpClient* client) {
    LineListAnswer answer;
    readAnswer(client, [&answer](const std::string& line) { applyLineListLine(line, &answer); });
    AuthOutcome outcome;
    if (!lineListComplete(answer))
        return outcome;
    outcome.share = firstLine(answer.lines[3]);
    storeConnection(outcome.share, answer.lines[2], answer.lines[1]);
    outcome.result = AuthResult::Succeeded;
    return outcome;
}

AuthOutcome authenticate(const std::string& userName, const std::string& password) {
    AuthOutcome outcome;
    if (!internetAvailable()) {
        showStatus(kBalloonInformation, "Sie haben derzeit keine Verbindung zum Internet.", false);
        return outcome;
    }
    Endpoint endpoint = readEndpoint(kAuthEndpoint);
    std::string keySuffix = "&key=" + std::to_string(credentialKind(selectConnectionMethod()));
    HttpClient client;
    switch (startCall(endpoint, userName, password, keySuffix, &client)) {
    case CallStart::TooLong:
        return outcome;
    case CallStart::NotReached:
        outcome.result = AuthResult::NotReached;
        return outcome;
    default:
        break;
    }
    return endpoint.version == "REST.1" ? readLineListAnswer(&client) : readFieldAnswer(&client);
}

AuthOutcome authenticateStored() {
    std::string userName, password;
    if (readProductString(settings::kDavUser, &userName))
        readProductString(settings::kDavPassword, &password);
    return authenticate(userName, password);
}
