// Splitting a URL into the parts the HTTP client connects with. Portable.
#pragma once

#include <cstddef>

constexpr size_t kUrlPartSize = 1024;

struct UrlParts {
    char scheme[kUrlPartSize] = {0};
    char userName[kUrlPartSize] = {0};
    char password[kUrlPartSize] = {0};
    char host[kUrlPartSize] = {0};
    int port = 0;
    char path[kUrlPartSize] = {0};
};

// [scheme "://"] [user ":" password "@"] host [":" port] [path]. Returns false when a part does
// not fit its 1024-byte buffer; the parts are then not to be used.
bool splitUrl(const char* url, UrlParts* parts);
