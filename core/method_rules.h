// The connection-method rules: which of the six methods applies, given the Windows version and
// the settings already read. Portable; core/method.cpp reads the registry and asks these.
#pragma once

#include <cstdint>

typedef int32_t ConnectionMethod;

// A DWORD setting as read: present (and of a DWORD type) or not.
struct DwordSetting {
    bool readable = false;
    uint32_t value = 0;
};

struct RedirectorSettings {
    DwordSetting useBasicAuth;
    DwordSetting basicAuthLevel;
    DwordSetting disableBasicOverClearChannel;
};

bool sslPreferredFrom(const DwordSetting& ssl);
bool basicAuthAllowedFrom(const RedirectorSettings& settings, bool checkLevel);
// Steps 2 to 4 of the selection (the forced method is handled by the caller).
ConnectionMethod methodForVersion(uint32_t major, uint32_t minor, bool sslPreferred,
                                  const RedirectorSettings& settings);
bool isWebFolderMethod(ConnectionMethod method);
int credentialKind(ConnectionMethod method);
// The method's block of the runtime information; null for a method outside 1 to 6.
const char* methodInfoText(ConnectionMethod method);
