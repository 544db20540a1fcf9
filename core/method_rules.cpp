// Connection-method rules (see method_rules.h).
#include "core/method_rules.h"

bool sslPreferredFrom(const DwordSetting& ssl) {
    return !ssl.readable || ssl.value == 1;
}

bool basicAuthAllowedFrom(const RedirectorSettings& s, bool checkLevel) {
    bool allowed = s.useBasicAuth.readable && s.useBasicAuth.value != 0;
    if (checkLevel) {
        if (!allowed)
            return false;
        if (s.basicAuthLevel.readable)
            allowed = s.basicAuthLevel.value == 2;
    }
    if (allowed && s.disableBasicOverClearChannel.readable)
        allowed = s.disableBasicOverClearChannel.value == 0;
    return allowed;
}

ConnectionMethod methodForVersion(uint32_t major, uint32_t minor, bool sslPreferred,
                                  const RedirectorSettings& settings) {
    if (major == 4 || (major == 5 && minor == 0))
        return sslPreferred ? 2 : 1;
    if (major == 5)
        return basicAuthAllowedFrom(settings, false) ? 5 : 3;
    if (major < 4)
        return 3;
    if (basicAuthAllowedFrom(settings, true))
        return sslPreferred ? 6 : 5;
    return sslPreferred ? 4 : 3;
}

bool isWebFolderMethod(ConnectionMethod method) {
    return method == 1 || method == 2;
}

int credentialKind(ConnectionMethod method) {
    if (method == 1 || method == 2)
        return 2;
    if (method == 3 || method == 4)
        return 1;
    return 0;
}

const char* methodInfoText(ConnectionMethod method) {
    switch (method) {
    case 1:
        return "Provider: WebFolders\r\nAuth: Basic\r\nSSL/Auth: JA\r\nSSL/Daten: -\r\n";
    case 2:
        return "Provider: WebFolders\r\nAuth: Basic\r\nSSL/Auth: JA\r\nSSL/Daten: JA\r\n";
    case 3:
        return "Provider: WebClient\r\nAuth: Session Key\r\nSSL/Auth: JA\r\nSSL/Daten: -\r\n";
    case 4:
        return "Provider: WebClient\r\nAuth: Session Key\r\nSSL/Auth: JA\r\nSSL/Daten: JA\r\n";
    case 5:
        return "Provider: WebClient\r\nAuth: Basic\r\nSSL/Auth: JA\r\nSSL/Daten: -\r\n";
    case 6:
        return "Provider: WebClient\r\nAuth: Basic\r\nSSL/Auth: JA\r\nSSL/Daten: JA\r\n";
    default:
        return nullptr;
    }
}
