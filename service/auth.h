// The authentication call and the credential store.
#pragma once

#include <string>

enum class AuthResult {
    Failed,     // the service refused, answered incompletely, or sent the user to a page
    Succeeded,  // the credentials were received and stored
    NotReached, // the service could not be reached; the stored login stays as it was
};

// Both answer true when the service cannot be reached, so that mounting goes on with the
// stored login; the Call forms tell that case apart.
bool authenticate(const std::string& userName, const std::string& password);
bool authenticateStored();
AuthResult authenticateCall(const std::string& userName, const std::string& password);
AuthResult authenticateStoredCall();

bool storeConnection(const std::string& share, const std::string& password,
                     const std::string& userName);
bool storeCredentials(const std::string& password, const std::string& userName);
bool rewriteStoredCredentials();
