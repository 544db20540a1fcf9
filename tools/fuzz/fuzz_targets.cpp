// Fuzz targets of the answer, URL and encoding parsers, one per build (FUZZ_TARGET names it).
#include "base/url.h"
#include "tests/native/lines_of.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define CHECK(condition)                                                                           \
    ((condition) ? (void)0 : (fprintf(stderr, "line %d: %s\n", __LINE__, #condition), abort()))

// Six bytes choose three chunk sizes (1 to 1024, used in turn), the rest is the answer.
void fuzzAnswer(const std::string& input) {
    if (input.size() < 6)
        return;
    std::vector<size_t> sizes;
    for (size_t i = 0; i < 6; i += 2)
        sizes.push_back(1 + (uint8_t(input[i]) | uint8_t(input[i + 1]) << 8) % 1024);
    const std::string answer = input.substr(6);
    const Lines lines = linesOf(answer, sizes), unsplit = linesOf(answer, {answer.size() + 1});

    // Without lines of one character, which end their chunk, chunk borders change nothing:
    // every finished line that is not empty and not too long is handed out, whole, in order.
    Lines finished;
    bool shortLine = false;
    for (size_t start = 0, end; (end = answer.find('\n', start)) != answer.npos; start = end + 1) {
        shortLine = shortLine || end - start == 1;
        if (end > start && end - start <= LineSplitter::kLongestLine)
            finished.push_back(answer.substr(start, end - start));
    }
    CHECK(shortLine ? unsplit.size() <= finished.size() : lines == finished && unsplit == finished);

    FieldAnswer auth;
    UpdateInfo update;
    for (const std::string& line : lines) {
        CHECK(line.size() >= 2 && line.size() <= LineSplitter::kLongestLine);
        applyAuthLine(line, &auth, &update);
        CHECK(unsigned(quotaBarPosition(auth.status, trimmedValue(line))) <= 100);
    }
    for (const std::string* raw : {&auth.name, &auth.password, &auth.share})
        CHECK(credentialValue(*raw).find_first_of("\r\n") == std::string::npos);
    CHECK(!redirectsToPage(auth) || (auth.status == "409" && auth.message.find("http://") == 0));
}

// The URL is the input up to its first NUL.
void fuzzUrl(const std::string& input) {
    const char* url = input.c_str();
    UrlParts parts;
    const bool fits = splitUrl(url, &parts);
    for (const char* part : {parts.scheme, parts.userName, parts.password, parts.host, parts.path})
        CHECK(memchr(part, '\0', kUrlPartSize) != nullptr);
    CHECK(parts.port >= 0 && (fits || strlen(url) >= kUrlPartSize));
    if (!fits)
        return;
    for (const char* part : {parts.userName, parts.password, parts.host})
        CHECK(strstr(url, part) != nullptr && (part == parts.host || !strchr(part, '@')));
    CHECK(parts.path[0] == '/' && (strstr(url, parts.path) || strcmp(parts.path, "/") == 0) &&
          strchr(parts.host, '/') == nullptr);
    CHECK(strstr(url, ":/") != nullptr || strcmp(parts.scheme, "http") == 0);
    CHECK(strchr(url, '@') != nullptr || (parts.userName[0] == '\0' && parts.password[0] == '\0'));
}

// The text is the input up to its first NUL. Letters, digits, ",-./" and "_" and every byte from
// 0x80 travel as they are, all else as "%" and two upper-case hex digits.
void fuzzUrlEncode(const std::string& input) {
    const std::string text = input.c_str(), encoded = urlEncode(input);
    std::string expected;
    for (unsigned char c : text) {
        char escaped[4];
        snprintf(escaped, sizeof escaped, "%%%02X", c);
        expected += isalnum(c) || strchr(",-./_", c) || c >= 0x80 ? std::string(1, c) : escaped;
    }
    CHECK(encoded == expected);
    // The buffer form: exactly three bytes per character and the terminator are enough.
    std::vector<char> out(3 * text.size() + 1, 'x');
    CHECK(urlEncode(text.c_str(), out.data(), out.size()) && encoded == out.data());
    out.pop_back();
    CHECK(!urlEncode(text.c_str(), out.data(), out.size()) && (out.empty() || out[0] == '\0'));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_TARGET(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
