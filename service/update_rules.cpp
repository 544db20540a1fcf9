// The portable rules of the self-update (see update_rules.h).
#include "service/update_rules.h"

#include <cstdlib>
#include <cstring>

// Each slash is dropped with the text before it. Slashes at the very start (the second of "://")
// do not count; after two that do, what is left is the path on the host.
const char* updateRequestPath(const char* location) {
    const char* path = location;
    const char* slash;
    for (int counted = 0; counted < 2 && (slash = strchr(path, '/')) != nullptr; path = slash + 1)
        counted += slash != path;
    return path;
}

// strtol clamps a number too large for a long, so no text overflows here.
long expectedUpdateSize(const std::string& fileSize) {
    if (fileSize.empty())
        return kDefaultUpdateSize;
    return strtol(fileSize.c_str(), nullptr, 10);
}

uint32_t updateSizeLimit(long expected) {
    const uint32_t least = 64u << 20;
    if (expected <= long(least / 4))
        return least;
    return expected >= long(UINT32_MAX / 4) ? UINT32_MAX : 4 * uint32_t(expected);
}

int downloadBarPosition(uint32_t received, long expected) {
    if (expected <= 0)
        return 0;
    if (received >= static_cast<unsigned long>(expected))
        return 100;
    return static_cast<int>(100.0 * received / expected); // in double: no overflow
}

bool isWebAddress(const char* address) {
    return strncmp(address, "http://", 7) == 0 || strncmp(address, "https://", 8) == 0;
}
