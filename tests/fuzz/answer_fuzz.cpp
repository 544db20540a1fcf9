// Fuzzes the reading of a service answer: chunking, line splitting, both forms of the
// authentication answer and the quota fields with the usage bar.
//
// Input: six bytes that choose three chunk sizes (1 to 1024, used in turn), then the answer.
#include "service/answer.h"

#include <cstdint>
#include "fuzz_check.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines splitInChunks(const std::string& answer, const size_t sizes[3]) {
    Lines lines;
    LineSplitter splitter;
    size_t at = 0;
    for (size_t n = 0; at < answer.size(); ++n) {
        size_t size = sizes[n % 3] < answer.size() - at ? sizes[n % 3] : answer.size() - at;
        splitter.feed(answer.data() + at, size, [&lines](const std::string& line) {
            CHECK(line.size() >= 2 && line.size() <= LineSplitter::kLongestLine);
            CHECK(line.find('\n') == std::string::npos);
            lines.push_back(line);
        });
        at += size;
    }
    return lines;
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool digitsWithoutLeadingZero(const std::string& text) {
    return !text.empty() && text.size() <= 18 && text[0] != '0' &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

void checkFieldAnswer(const Lines& lines) {
    FieldAnswer answer;
    UpdateInfo update;
    int versionLines = 0;
    for (const std::string& line : lines) {
        Field field;
        if (splitField(line, &field)) {
            CHECK(field.name.find(':') == std::string::npos);
            CHECK(line.size() > field.raw.size() + field.name.size());
            CHECK(line.compare(line.size() - field.raw.size(), std::string::npos, field.raw) == 0);
            CHECK(trimmedValue(field.raw).size() + 2 == field.raw.size() || field.raw.size() <= 1);
        }
        if (applyAuthLine(line, &answer, &update))
            ++versionLines;
    }
    CHECK(update.announced == (versionLines > 0));
    if (completeCredentials(answer)) {
        for (const std::string* raw : {&answer.name, &answer.password, &answer.share}) {
            std::string value = credentialValue(*raw);
            CHECK(!hasLineBreak(value));
            CHECK(value.size() < raw->size() || raw->empty());
        }
    }
    if (redirectsToPage(answer))
        CHECK(answer.status == "409" && answer.message.compare(0, 7, "http://") == 0);
}

void checkLineList(const Lines& lines) {
    LineListAnswer answer;
    for (const std::string& line : lines)
        applyLineListLine(line, &answer);
    CHECK(answer.count >= 0 && answer.count <= 4);
    CHECK(static_cast<size_t>(answer.count) == (lines.size() < 4 ? lines.size() : 4));
    if (lineListComplete(answer)) {
        CHECK(answer.lines[0] == "OK\r");
        for (int i = 1; i < 4; ++i)
            CHECK(!hasLineBreak(firstLine(answer.lines[i])));
    }
}

void checkBar(const std::string& used, const std::string& total) {
    int position = quotaBarPosition(used, total);
    CHECK(position >= 0 && position <= 100);
    if (digitsWithoutLeadingZero(used) && digitsWithoutLeadingZero(total) &&
        strtoull(used.c_str(), nullptr, 10) >= strtoull(total.c_str(), nullptr, 10))
        CHECK(position == 100);
}

void checkQuota(const Lines& lines) {
    std::string used, total;
    for (const std::string& line : lines) {
        Field field;
        if (!splitField(line, &field))
            continue;
        std::string value = trimmedValue(field.raw);
        if (field.name == "Quota-Used-Bytes")
            used = value;
        else if (field.name == "Quota-Total-Bytes")
            total = value;
        checkBar(value, total);
        checkBar(used, value);
    }
    checkBar(used, total);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6)
        return 0;
    size_t sizes[3];
    for (int i = 0; i < 3; ++i)
        sizes[i] = 1 + (data[2 * i] | data[2 * i + 1] << 8) % 1024;
    const std::string answer(reinterpret_cast<const char*>(data) + 6, size - 6);

    const Lines lines = splitInChunks(answer, sizes);
    const size_t wholeAnswer[3] = {answer.size() + 1, 1, 1};
    const Lines unsplit = splitInChunks(answer, wholeAnswer);

    // Without lines of one character, which end their chunk, chunk borders change nothing:
    // every finished line that is not empty and not too long is handed out, whole, in order.
    Lines finished;
    bool shortLine = false;
    for (size_t start = 0, end; (end = answer.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string line = answer.substr(start, end - start);
        shortLine = shortLine || line.size() == 1;
        if (!line.empty() && line.size() <= LineSplitter::kLongestLine)
            finished.push_back(line);
    }
    if (!shortLine) {
        CHECK(lines == finished);
        CHECK(unsplit == finished);
    }
    CHECK(unsplit.size() <= finished.size());

    checkFieldAnswer(lines);
    checkLineList(lines);
    checkQuota(lines);
    return 0;
}
