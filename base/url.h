// Splitting a URL into the parts the HTTP client connects with. Portable.
#pragma once

#include <cstddef>

constexpr size_t kUrlPartSize = 1024;

// Filled by splitUrl alone. No member initializers: with them, the compiler builds each object
// by copying a 5 KB zeroed image of it that the program would carry.
struct UrlParts {
    char scheme[kUrlPartSize];
    char userName[kUrlPartSize];
    char password[kUrlPartSize];
    char host[kUrlPartSize];
    int port;
    char path[kUrlPartSize];
};

// [scheme "://"] [user ":" password "@"] host [":" port] [path]. Every part is set, a missing
// one to the empty text. Returns false when a part does not fit its 1024-byte buffer; the parts
// are then not to be used.
bool splitUrl(const char* url, UrlParts* parts);
