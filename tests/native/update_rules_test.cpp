// The portable rules of the self-update: CRC-32 and its text, the request path, the expected
// size, the bar and the addresses that may be used.
#include "base/crc32.h"
#include "ui/properties/update_rules.h"

#include <gtest/gtest.h>

// Of texts, and of a stream from its position on; a stream whose reads fail counts -1.
TEST(UpdateRules, Crc32) {
    std::string texts;
    for (const char* bytes : {"abc", "", "123456789", "\xff\x80"}) {
        char text[9];
        formatCrc32(~Crc32().update(kCrc32Start, bytes, strlen(bytes)), text);
        texts += std::string(text) + " ";
    }
    EXPECT_EQ("352441C2 00000000 CBF43926 3F456CAD ", texts);
    FILE* file = tmpfile();
    uint32_t crc = 0;
    long count = 0;
    EXPECT_TRUE(fputs("xabc", file) >= 0 && fseek(file, 1, SEEK_SET) == 0 &&
                fileCrc32(file, &crc, &count) && crc == 0x352441C2 && count == 3);
    FILE* folder = fopen(".", "rb"); // opens, but every read fails
    EXPECT_TRUE(fileCrc32(folder, &crc, &count) && count == -1 &&
                !fileCrc32(nullptr, &crc, &count));
    fclose(file), fclose(folder);
}

// The path on the host; the size sent, or 250000; the bar, 0 while the size is unknown; web only.
TEST(UpdateRules, PathSizeBarAndAddresses) {
    std::string paths;
    for (const char* location :
         {"http://h/d/f.exe", "https://h:8/a/b/c", "h/f", "/a/b/c", "http://h", ""})
        paths += std::string(updateRequestPath(location)) + " ";
    EXPECT_EQ("d/f.exe a/b/c f c h  ", paths);
    EXPECT_TRUE(expectedUpdateSize("") == 250000 && expectedUpdateSize("12abc") == 12 &&
                expectedUpdateSize("-5") == -5);
    EXPECT_TRUE(downloadBarPosition(512, 0) == 0 && downloadBarPosition(512, -5) == 0 &&
                downloadBarPosition(1, 3) == 33 && downloadBarPosition(2999, 3000) == 99 &&
                downloadBarPosition(4000, 3000) == 100 &&
                downloadBarPosition(4294967295u, 5) == 100);
    EXPECT_TRUE(isWebAddress("http://h/x") && isWebAddress("https://h/x") &&
                !isWebAddress("file:///C:/x") && !isWebAddress("\\\\s\\x") &&
                !isWebAddress("HTTP://h/x") && !isWebAddress("h:80/x"));
}
