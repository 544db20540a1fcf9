// parse_bench: the cost of reading the authentication answer once it has arrived: the bytes go
// through LineSplitter and applyAuthLine in the client's 1024-byte chunks. Prints the time per
// typical field answer and per megabyte of field lines.
#include "service/answer.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr size_t kChunk = 1024;
constexpr int kTypicalRuns = 200000;
constexpr int kLargeRuns = 10;

using Clock = std::chrono::steady_clock;

// Parses a whole answer as the client reads it; true when it carries a complete login.
bool parse(const std::string& answer, FieldAnswer* fields, UpdateInfo* update) {
    LineSplitter lines;
    for (size_t at = 0; at < answer.size(); at += kChunk) {
        size_t size = answer.size() - at < kChunk ? answer.size() - at : kChunk;
        lines.feed(answer.data() + at, size,
                   [&](const std::string& line) { applyAuthLine(line, fields, update); });
    }
    return completeCredentials(*fields);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main() {
    const std::string typical =
        "Status: 200\r\n"
        "Message: OK\r\n"
        "Name: bench-name-0123456789@example.invalid\r\n"
        "Password: Zq8vX3mT7pL2wR9kB4nJ6hY1cF5dG0sA\r\n"
        "Share: https://dav.example.invalid/remote/bench-name-0123456789\r\n"
        "\r\n";
    std::string large;
    for (int i = 0; large.size() < (1u << 20); ++i) {
        large += "Name: bench-name-" + std::to_string(i) + "\r\n";
        large += "Password: Zq8vX3mT7pL2wR9kB4nJ6hY1cF5dG0sA\r\n";
        large +=
            "Share: https://dav.example.invalid/remote/bench-name-" + std::to_string(i) + "\r\n";
    }

    // Each answer starts from empty fields; the count of complete ones shows that every
    // answer was read to its end.
    int complete = 0;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < kTypicalRuns; ++i) {
        FieldAnswer fields;
        UpdateInfo update;
        complete += parse(typical, &fields, &update) ? 1 : 0;
    }
    double typicalSeconds = secondsSince(start);
    if (complete != kTypicalRuns) {
        std::fprintf(stderr, "parse_bench: %d of %d typical answers complete\n", complete,
                     kTypicalRuns);
        return 1;
    }

    complete = 0;
    size_t lastNameSize = 0;
    start = Clock::now();
    for (int i = 0; i < kLargeRuns; ++i) {
        FieldAnswer fields;
        UpdateInfo update;
        complete += parse(large, &fields, &update) ? 1 : 0;
        lastNameSize += fields.name.size();
    }
    double largeSeconds = secondsSince(start);
    if (complete != kLargeRuns || lastNameSize == 0) {
        std::fprintf(stderr, "parse_bench: %d of %d large answers complete\n", complete,
                     kLargeRuns);
        return 1;
    }

    double megabytes = static_cast<double>(large.size()) * kLargeRuns / (1 << 20);
    std::printf("typical %zu bytes ns_per_answer %.0f runs %d\n", typical.size(),
                typicalSeconds * 1e9 / kTypicalRuns, kTypicalRuns);
    std::printf("large %zu bytes ms_per_mb %.2f runs %d\n", large.size(),
                largeSeconds * 1e3 / megabytes, kLargeRuns);
    return 0;
}
