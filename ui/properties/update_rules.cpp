// The portable rules of the self-update (see update_rules.h).
#include "ui/properties/update_rules.h"

#include <cstdlib>

// Each slash is dropped with the text before it. Slashes at the very start (the second of "://")
// do not count; after two that do, what is left is the path on the host.
std::string updateRequestPath(const std::string& location) {
    std::string path = location;
    int counted = 0;
    size_t slash;
    while (counted < 2 && (slash = path.find('/')) != std::string::npos) {
        if (slash != 0)
            ++counted;
        path.erase(0, slash + 1);
    }
    return path;
}

// strtoll clamps a number too large for its type, so no text overflows here.
long long expectedUpdateSize(const std::string& fileSize) {
    if (fileSize.empty())
        return kDefaultUpdateSize;
    return strtoll(fileSize.c_str(), nullptr, 10);
}

int downloadBarPosition(uint32_t received, long long expected) {
    if (expected <= 0)
        return 0;
    if (received >= expected)
        return 100;
    return static_cast<int>(received * 100LL / expected); // received fits 32 bits: no overflow
}

bool isWebAddress(const std::string& address) {
    return address.compare(0, 7, "http://") == 0 || address.compare(0, 8, "https://") == 0;
}
