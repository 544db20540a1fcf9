// The frame shared by the web-service calls: endpoint from the registry, length checks,
// request through HttpClient, and the answer read in chunks and split into lines.
#pragma once

#include "base/httpclient.h"
#include "service/answer.h"

struct EndpointSettings {
    const char* protocol;
    const char* host;
    const char* prefix;
    const char* version;
    const char* defaultPrefix;
};

extern const EndpointSettings kAuthEndpoint;
extern const EndpointSettings kQuotaEndpoint;

constexpr DWORD kAnswerChunkSize = 1024;
constexpr const char* kUserAgent = "Mozilla/5.0 (compatible; Qelto Nimbara)";

enum class CallStart {
    TooLong,    // the message box was shown
    NotReached, // open or send failed: nothing to read
    Sent,       // the answer is ready to be read
};

Endpoint readEndpoint(const EndpointSettings& settings);
CallStart startCall(const Endpoint& endpoint, const std::string& userName,
                    const std::string& password, const std::string& keySuffix, HttpClient* client);

// Reads the answer to its end and hands each line to handle.
template <typename Handler> void readAnswer(HttpClient* client, Handler&& handle) {
    // 4096 bytes, zero-filled once; a chunk fills at most its first 1024.
    char text[4096] = {0};
    LineSplitter lines;
    DWORD got;
    while ((got = client->read(text, kAnswerChunkSize)) > 0)
        lines.feed(text, got, handle);
}
