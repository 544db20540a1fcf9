// The service frame (see frame.h).
#include "service/frame.h"

#include "base/registry.h"
#include "base/settings.h"
#include "core/notify.h"

const EndpointSettings kAuthEndpoint = {settings::kAuthApiProto, settings::kAuthApiHost,
                                        settings::kAuthApiUrl, settings::kAuthApiVersion,
                                        settings::kDefaultAuthApiUrl};
const EndpointSettings kQuotaEndpoint = {settings::kStatApiProto, settings::kStatApiHost,
                                         settings::kStatApiUrl, settings::kStatApiVersion,
                                         settings::kDefaultStatApiUrl};

static std::string readSetting(const char* name, const char* fallback) {
    std::string text;
    return readProductString(name, &text) ? text : fallback;
}

Endpoint readEndpoint(const EndpointSettings& s) {
    Endpoint e;
    e.protocol = readSetting(s.protocol, settings::kDefaultApiProto);
    e.host = readSetting(s.host, settings::kDefaultApiHost);
    e.prefix = readSetting(s.prefix, s.defaultPrefix);
    e.version = readSetting(s.version, settings::kDefaultApiVersion);
    return e;
}

CallStart startCall(const Endpoint& endpoint, const std::string& userName,
                    const std::string& password, const std::string& keySuffix, HttpClient* client) {
    std::string path;
    if (!requestPath(endpoint, userName, password, keySuffix, &path)) {
        showMessage("Ein interner Fehler ist aufgetreten.");
        return CallStart::TooLong;
    }
    if (!client->open(baseUrl(endpoint).c_str(), nullptr, nullptr, kUserAgent))
        return CallStart::NotReached;
    if (!client->send(path.c_str(), Get, nullptr)) {
        client->close();
        return CallStart::NotReached;
    }
    return CallStart::Sent;
}
