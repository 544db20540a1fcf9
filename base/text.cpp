// Bounded text helpers (see text.h). Portable: no Windows calls.
#include "base/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// On Windows the system's own formatter: the toolchain's C99 one would bring in floating-point
// formatting that the client never uses. It reports a text that does not fit as -1 or as the
// whole size (then unterminated); both are refused below.
#ifdef _WIN32
#define NIMBARA_VSNPRINTF _vsnprintf
#else
#define NIMBARA_VSNPRINTF vsnprintf
#endif

bool formatText(char* buffer, size_t size, const char* format, ...) {
    if (buffer == nullptr || size == 0)
        return false;
    va_list args;
    va_start(args, format);
    int written = NIMBARA_VSNPRINTF(buffer, size, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

bool copyText(char* buffer, size_t size, const char* source) {
    if (buffer == nullptr || size == 0)
        return false;
    size_t length = source ? strlen(source) : 0;
    if (length >= size) {
        buffer[0] = '\0';
        return false;
    }
    if (length > 0)
        memcpy(buffer, source, length);
    buffer[length] = '\0';
    return true;
}

void copyTextCut(char* buffer, size_t size, const char* source) {
    if (buffer == nullptr || size == 0)
        return;
    size_t length = source ? strnlen(source, size - 1) : 0;
    if (length > 0)
        memcpy(buffer, source, length);
    buffer[length] = '\0';
}

static char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(const char* a, const char* b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    while (*a != '\0' && *b != '\0') {
        if (lowerAscii(*a) != lowerAscii(*b))
            return false;
        ++a;
        ++b;
    }
    return *a == *b;
}
