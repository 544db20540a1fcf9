// The portable rules of the self-update: CRC-32 and its text, the request path, the expected
// size, the bar and the addresses that may be used.
#include "base/crc32.h"
#include "ui/properties/update_rules.h"

#include <gtest/gtest.h>

#include <string>

static std::string crcOf(const std::string& bytes, size_t split) {
    const Crc32 table;
    uint32_t crc = table.update(kCrc32Start, bytes.data(), split);
    char text[9];
    formatCrc32(~table.update(crc, bytes.data() + split, bytes.size() - split), text);
    return text;
}

// Streamed in two parts or read from a file; a stream that cannot be read counts -1.
TEST(Crc32, TextsStreamsAndFiles) {
    const std::pair<std::string, const char*> cases[] = {
        {"abc", "352441C2"},
        {"", "00000000"},
        {"123456789", "CBF43926"},
        {std::string("\xff\0\x80", 3), "AC616EDF"}};
    for (const auto& c : cases)
        for (size_t split : {size_t{0}, c.first.size() / 2})
            EXPECT_EQ(c.second, crcOf(c.first, split)) << c.first;
    FILE* file = tmpfile();
    fputs("abc", file);
    rewind(file);
    uint32_t crc = 0;
    long count = 0;
    ASSERT_TRUE(fileCrc32(file, &crc, &count));
    EXPECT_EQ(0x352441C2u, crc);
    EXPECT_EQ(3, count);
    fclose(file);
    FILE* folder = fopen(".", "rb"); // opens, but every read fails
    ASSERT_TRUE(fileCrc32(folder, &crc, &count));
    EXPECT_EQ(-1, count);
    fclose(folder);
    EXPECT_FALSE(fileCrc32(nullptr, &crc, &count));
}

TEST(UpdateRules, RequestPathSizeBarAndAddresses) {
    const char* paths[][2] = {{"http://h/dir/file.exe", "dir/file.exe"},
                              {"https://h:8/a/b/c.exe", "a/b/c.exe"},
                              {"h/file.exe", "file.exe"},
                              {"/a/b/c", "c"},
                              {"http://h", "h"},
                              {"//x/y", "y"},
                              {"", ""}};
    for (const auto& p : paths)
        EXPECT_STREQ(p[1], updateRequestPath(p[0])) << p[0];
    const std::pair<const char*, long> sizes[] = {
        {"", 250000}, {"5000000", 5000000}, {"12abc", 12}, {"abc", 0}, {"-5", -5}};
    for (const auto& s : sizes)
        EXPECT_EQ(s.second, expectedUpdateSize(s.first)) << s.first;
    const long bars[][3] = {{0, 0, 0},      {512, 0, 0},          {512, -5, 0},
                            {1, 3, 33},     {2999, 3000, 99},     {4000, 3000, 100},
                            {0, 200000, 0}, {4294967295u, 5, 100}};
    for (const auto& b : bars)
        EXPECT_EQ(b[2], downloadBarPosition(static_cast<uint32_t>(b[0]), b[1])) << b[0] << b[1];
    for (const char* web : {"http://h/x", "https://h/x"})
        EXPECT_TRUE(isWebAddress(web)) << web;
    for (const char* other : {"file:///C:/x.exe", "\\\\server\\share\\x.exe", "HTTP://h/x",
                              "http:/h/x", "ftp://h/x", "", "C:\\x.exe"})
        EXPECT_FALSE(isWebAddress(other)) << other;
}
