// Fuzzes URL splitting: the input, up to its first NUL, is the URL.
#include "base/url.h"

#include <cstdint>
#include "fuzz_check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

static bool terminated(const char* part) {
    return memchr(part, '\0', kUrlPartSize) != nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    auto parts = std::make_unique<UrlParts>();
    const bool fits = splitUrl(url.c_str(), parts.get());

    CHECK(parts->port >= 0);
    for (const char* part :
         {parts->scheme, parts->userName, parts->password, parts->host, parts->path})
        CHECK(terminated(part));
    // No part can be longer than the URL itself.
    const size_t length = strlen(url.c_str());
    CHECK(fits || length >= kUrlPartSize);
    if (!fits)
        return 0;

    CHECK(parts->path[0] == '/');
    for (const char* part : {parts->userName, parts->password, parts->host})
        CHECK(strstr(url.c_str(), part) != nullptr);
    if (strcmp(parts->path, "/") != 0)
        CHECK(strstr(url.c_str(), parts->path) != nullptr);
    if (strstr(url.c_str(), ":/") == nullptr)
        CHECK(strcmp(parts->scheme, "http") == 0);
    CHECK(strchr(parts->host, '/') == nullptr);
    CHECK(strchr(parts->userName, '@') == nullptr && strchr(parts->password, '@') == nullptr);
    if (strchr(url.c_str(), '@') == nullptr)
        CHECK(parts->userName[0] == '\0' && parts->password[0] == '\0');
    return 0;
}
