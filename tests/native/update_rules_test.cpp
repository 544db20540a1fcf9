// The portable rules of the self-update: the digests, path, size, bar and addresses.
#include "base/crc32.h"
#include "base/sha256.h"
#include "service/update_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

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

// Standard vectors, chunks across the block border, padding borders as sha256sum reads them; a
// digest compares in either case, and only a whole one.
TEST(UpdateRules, Sha256) {
    auto digest = [](const std::string& bytes, size_t chunk) {
        Sha256 sha;
        for (size_t at = 0; at < bytes.size(); at += chunk)
            sha.update(bytes.data() + at, std::min(chunk, bytes.size() - at));
        return sha.finishHex();
    };
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", digest("", 1));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", digest("abc", 1));
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
              digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 5));
    for (size_t chunk : {1000000, 63, 64, 65})
        EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
                  digest(std::string(1000000, 'a'), chunk));
    std::string bytes;
    for (int i = 0; i < 76800; ++i)
        bytes += static_cast<char>(i * 7);
    for (size_t length : {55, 56, 63, 64, 119, 120, 76800}) {
        std::ofstream("sha256-input.bin", std::ios::binary) << bytes.substr(0, length);
        char line[80] = "";
        FILE* sum = popen("sha256sum sha256-input.bin", "r");
        EXPECT_TRUE(sum && fgets(line, sizeof line, sum) && pclose(sum) == 0);
        EXPECT_EQ(std::string(line).substr(0, 64), digest(bytes.substr(0, length), 10)) << length;
    }
    std::string abc = digest("abc", 3), upper = abc, cut = abc;
    for (char& c : upper)
        c = static_cast<char>(toupper(c));
    cut.back() = 'g';
    EXPECT_TRUE(sameSha256(upper, abc) && sameSha256(abc, abc) && !sameSha256(cut, abc) &&
                !sameSha256(abc.substr(1), abc) && !sameSha256(abc + "0", abc));
}

// Path on the host; size sent, or 250000; size limit; bar, 0 while the size is unknown; web only.
TEST(UpdateRules, PathSizeBarAndAddresses) {
    std::string paths;
    for (const char* location :
         {"http://h/d/f.exe", "https://h:8/a/b/c", "h/f", "/a/b/c", "http://h", ""})
        paths += std::string(updateRequestPath(location)) + " ";
    EXPECT_EQ("d/f.exe a/b/c f c h  ", paths);
    EXPECT_TRUE(expectedUpdateSize("") == 250000 && expectedUpdateSize("12abc") == 12 &&
                expectedUpdateSize("-5") == -5);
    const uint32_t mib64 = 64u << 20;
    EXPECT_TRUE(updateSizeLimit(-5) == mib64 && updateSizeLimit(mib64 / 4) == mib64 &&
                updateSizeLimit(mib64 / 4 + 1) == mib64 + 4 &&
                updateSizeLimit(0x3FFFFFFE) == 0xFFFFFFF8u &&
                updateSizeLimit(0x3FFFFFFF) == UINT32_MAX);
    EXPECT_TRUE(downloadBarPosition(512, 0) == 0 && downloadBarPosition(512, -5) == 0 &&
                downloadBarPosition(1, 3) == 33 && downloadBarPosition(2999, 3000) == 99 &&
                downloadBarPosition(4000, 3000) == 100 &&
                downloadBarPosition(4294967295u, 5) == 100);
    EXPECT_TRUE(isWebAddress("http://h/x") && isWebAddress("https://h/x") &&
                !isWebAddress("file:///C:/x") && !isWebAddress("\\\\s\\x") &&
                !isWebAddress("HTTP://h/x") && !isWebAddress("h:80/x"));
}
