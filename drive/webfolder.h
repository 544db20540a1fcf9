// The web-folder network place of the share (the web-folder connection methods).
#pragma once

#include "service/auth.h"

#include <string>

// The folder-shortcut class that makes Explorer follow the place's Target.lnk.
constexpr const char* kFolderShortcutClassId = "{0AFACED1-E828-11D1-9187-B532F1E9575D}";

void buildWebFolderPlace(const std::string& share);
bool writeWebFolderLink(const char* address, const char* displayName, const char* linkPath);

// The authentication call as the drive needs it: under the first web-folder method the network
// place follows the share the call stored. Callers hand the outcome to followAuthentication.
AuthOutcome refreshLogin(const std::string& userName, const std::string& password);
AuthOutcome refreshStoredLogin();
// The stored share and WebDAV login emptied, the place with them.
void clearStoredConnection();
