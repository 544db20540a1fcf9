// The authentication call and the credential store.
#pragma once

#include <string>

enum class AuthResult {
    Failed,     // the service refused, answered incompletely, or sent the user to a page
    Succeeded,  // the credentials were received and stored
    NotReached, // the service could not be reached; the stored login stays as it was
};

// What one authentication call did, for the caller that owns the user interface to act on once
// the call's connection is closed: the call itself opens no window.
struct AuthOutcome {
    AuthResult result = AuthResult::Failed;
    std::string share;        // the share stored, when the result is Succeeded
    bool offerUpdate = false; // a version newer than this one, not skipped by the user
    std::string redirectPage; // status 409: the "http://" page the user is to be sent to
    // True unless the service refused: when it cannot be reached, mounting goes on with the
    // stored login.
    bool accepted() const { return result != AuthResult::Failed; }
};

AuthOutcome authenticate(const std::string& userName, const std::string& password);
AuthOutcome authenticateStored();

bool storeConnection(const std::string& share, const std::string& password,
                     const std::string& userName);
bool storeCredentials(const std::string& password, const std::string& userName);
bool rewriteStoredCredentials();
