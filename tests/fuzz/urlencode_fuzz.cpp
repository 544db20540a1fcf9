// Fuzzes URL encoding: the input, up to its first NUL, is the text.
#include "service/answer.h"

#include <cstdint>
#include "fuzz_check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static bool travelsAsIs(unsigned char c) {
    return (c >= ',' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') ||
           c >= 0x80;
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower-case digits are not written
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string text = input.c_str(); // NUL ends the text
    const std::string encoded = urlEncode(input);

    size_t escaped = 0;
    for (unsigned char c : text)
        escaped += travelsAsIs(c) ? 0 : 1;
    CHECK(encoded.size() == text.size() + 2 * escaped);

    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const unsigned char c = encoded[i];
        if (c != '%') {
            CHECK(travelsAsIs(c));
            decoded += static_cast<char>(c);
            continue;
        }
        CHECK(i + 2 < encoded.size());
        const int high = hexValue(encoded[i + 1]);
        const int low = high < 0 ? -1 : hexValue(encoded[i + 2]);
        CHECK(high >= 0 && low >= 0);
        const char original = static_cast<char>(high << 4 | low);
        CHECK(!travelsAsIs(static_cast<unsigned char>(original)));
        decoded += original;
        i += 2;
    }
    CHECK(decoded == text);

    // The buffer form: exactly three bytes per character and the terminator are enough.
    std::vector<char> out(3 * text.size() + 1, 'x');
    CHECK(urlEncode(text.c_str(), out.data(), out.size()));
    CHECK(encoded == out.data());
    out.pop_back();
    CHECK(!urlEncode(text.c_str(), out.data(), out.size()));
    CHECK(out.empty() || out[0] == '\0');
    return 0;
}
