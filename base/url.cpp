// URL splitting (see url.h).
#include "base/url.h"

#include "base/text.h"

#include <cstring>

// Copies text[from, to) into a part buffer; false when it does not fit.
static bool copyPart(char* part, const char* text, size_t from, size_t to) {
    size_t length = to > from ? to - from : 0;
    if (length >= kUrlPartSize) {
        part[0] = '\0';
        return false;
    }
    memcpy(part, text + from, length);
    part[length] = '\0';
    return true;
}

static size_t find(const char* text, size_t from, size_t end, char c) {
    for (size_t i = from; i < end; ++i)
        if (text[i] == c)
            return i;
    return end;
}

bool splitUrl(const char* url, UrlParts* parts) {
    memset(parts, 0, sizeof *parts);
    const size_t end = strlen(url);
    bool fits = true;
    size_t colon = find(url, 0, end, ':');
    size_t hostStart = 0;
    if (colon < end && url[colon + 1] == '/') {
        fits = copyPart(parts->scheme, url, 0, colon) && fits;
        hostStart = colon + 3 <= end ? colon + 3 : end;
    } else {
        copyText(parts->scheme, sizeof parts->scheme, "http");
    }

    size_t at = find(url, hostStart, end, '@');
    if (at < end) {
        size_t credentialColon = find(url, hostStart, end, ':');
        if (credentialColon < at) {
            fits = copyPart(parts->userName, url, hostStart, credentialColon) && fits;
            fits = copyPart(parts->password, url, credentialColon + 1, at) && fits;
        }
        hostStart = at + 1;
    }

    size_t slash = find(url, hostStart, end, '/');
    size_t portColon = find(url, hostStart, slash, ':');
    if (portColon < slash) {
        int port = 0;
        for (size_t i = portColon + 1; i < end && url[i] >= '0' && url[i] <= '9'; ++i)
            port = port < 100000 ? port * 10 + (url[i] - '0') : port;
        parts->port = port;
        fits = copyPart(parts->host, url, hostStart, portColon) && fits;
    } else {
        fits = copyPart(parts->host, url, hostStart, slash) && fits;
        parts->port = strcmp(parts->scheme, "https") == 0 ? 443 : 80;
    }

    if (slash < end)
        fits = copyPart(parts->path, url, slash, end) && fits;
    else
        copyText(parts->path, sizeof parts->path, "/");
    return fits;
}
