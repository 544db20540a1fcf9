// Connection-method selection against the real registry and OS probe; the rules themselves
// live in method_rules.cpp.
#include "core/method.h"

#include "base/osprobe.h"
#include "base/registry.h"
#include "base/settings.h"

static DwordSetting readSetting(HKEY root, const char* subKey, const char* valueName) {
    DwordSetting setting;
    DWORD v = 0;
    setting.readable = readDwordValue(root, subKey, valueName, &v);
    setting.value = v;
    return setting;
}

static RedirectorSettings readRedirectorSettings() {
    RedirectorSettings s;
    s.useBasicAuth =
        readSetting(HKEY_LOCAL_MACHINE, settings::kWebClientParametersKey, settings::kUseBasicAuth);
    s.basicAuthLevel = readSetting(HKEY_LOCAL_MACHINE, settings::kWebClientParametersKey,
                                   settings::kBasicAuthLevel);
    s.disableBasicOverClearChannel = readSetting(HKEY_CURRENT_USER, settings::kInternetSettingsKey,
                                                 settings::kDisableBasicOverClearChannel);
    return s;
}

ConnectionMethod forcedMethod() {
    DWORD v = 0;
    if (!readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, settings::kForceMethod, &v))
        return 0;
    return static_cast<ConnectionMethod>(v);
}

bool sslPreferred() {
    return sslPreferredFrom(readSetting(HKEY_CURRENT_USER, settings::kProductKey, settings::kSsl));
}

bool basicAuthAllowed(bool checkLevel) {
    return basicAuthAllowedFrom(readRedirectorSettings(), checkLevel);
}

bool isVistaOrLater() {
    OsProbe probe;
    return probe.majorVersion() > 5;
}

ConnectionMethod selectConnectionMethod() {
    ConnectionMethod forced = forcedMethod();
    if (forced != 0)
        return forced;
    OsProbe probe;
    return methodForVersion(probe.majorVersion(), probe.minorVersion(), sslPreferred(),
                            readRedirectorSettings());
}
