// The web-service frame: URL encoding, the request path and its limits, splitting the answer
// into lines and fields, both forms of the authentication answer and the quota bar.
#include "base/url.h"
#include "service/answer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The bytes that travel unencoded, written down as ranges.
bool travelsAsIs(unsigned byte) {
    const unsigned ranges[][2] = {
        {0x2C, 0x39}, {0x41, 0x5A}, {0x5F, 0x5F}, {0x61, 0x7A}, {0x80, 0xFF}};
    for (const auto& range : ranges)
        if (byte >= range[0] && byte <= range[1])
            return true;
    return false;
}

std::string expectedEncoding(unsigned byte) {
    if (travelsAsIs(byte))
        return std::string(1, static_cast<char>(byte));
    std::ostringstream out;
    out << '%' << std::uppercase << std::hex << std::setw(2) << std::setfill('0') << byte;
    return out.str();
}

using Lines = std::vector<std::string>;

// Feeds an answer in chunks of the given sizes (the last size repeats) and collects the lines.
Lines linesOf(const std::string& answer, std::vector<size_t> sizes) {
    Lines lines;
    LineSplitter splitter;
    size_t at = 0;
    for (size_t n = 0; at < answer.size(); ++n) {
        size_t size = std::min(sizes[std::min(n, sizes.size() - 1)], answer.size() - at);
        splitter.feed(answer.data() + at, size,
                      [&lines](const std::string& line) { lines.push_back(line); });
        at += size;
    }
    return lines;
}

Lines linesOf(const std::string& answer) {
    return linesOf(answer, {answer.size() + 1});
}

struct ParsedAuth {
    FieldAnswer answer;
    UpdateInfo update;
    int versionLines = 0;
};

ParsedAuth parseFieldAnswer(const std::string& text) {
    ParsedAuth parsed;
    for (const std::string& line : linesOf(text, {1024}))
        parsed.versionLines += applyAuthLine(line, &parsed.answer, &parsed.update) ? 1 : 0;
    return parsed;
}

LineListAnswer parseLineList(const std::string& text) {
    LineListAnswer answer;
    for (const std::string& line : linesOf(text, {1024}))
        applyLineListLine(line, &answer);
    return answer;
}

} // namespace

TEST(UrlEncode, EveryByteFollowsTheTable) {
    for (unsigned byte = 1; byte <= 0xFF; ++byte) {
        const char text[] = {static_cast<char>(byte), 'a', '\0'};
        EXPECT_EQ(expectedEncoding(byte) + "a", urlEncode(text)) << "byte " << byte;
        char out[8];
        ASSERT_TRUE(urlEncode(text, out, sizeof out));
        EXPECT_EQ(expectedEncoding(byte) + "a", out) << "byte " << byte;
    }
    // NUL ends the text, in both forms.
    EXPECT_EQ("a", urlEncode(std::string("a\0b", 3)));
    EXPECT_EQ("", urlEncode(""));

    std::string all, expected;
    for (unsigned byte = 1; byte <= 0xFF; ++byte) {
        all += static_cast<char>(byte);
        expected += expectedEncoding(byte);
    }
    EXPECT_EQ(expected, urlEncode(all));

    // The buffer must hold three bytes per character plus the terminator, whatever is encoded.
    std::vector<char> out(3 * all.size() + 1, 'x');
    EXPECT_TRUE(urlEncode(all.c_str(), out.data(), out.size()));
    EXPECT_EQ(expected, out.data());
    out.assign(3 * all.size(), 'x');
    EXPECT_FALSE(urlEncode(all.c_str(), out.data(), out.size()));
    EXPECT_EQ('\0', out[0]);
    char small[3] = {'x', 'x', 'x'};
    EXPECT_FALSE(urlEncode("a", small, sizeof small));
    EXPECT_EQ('\0', small[0]);
    small[0] = 'x';
    EXPECT_FALSE(urlEncode("", small, 0));
    EXPECT_EQ('x', small[0]);
}

TEST(RequestPath, DefaultsAndEncodedLogin) {
    Endpoint e{"https", "service.nimbara.example", "/a/filemanager.webdav.auth?", "REST.2"};
    std::string path;
    ASSERT_TRUE(requestPath(e, "Anna M\xE4rz", "a&b=c?d+e@f", "&key=1", &path));
    EXPECT_EQ("/a/filemanager.webdav.auth?type=REST.2&username=Anna%20M\xE4rz"
              "&password=a%26b%3Dc%3Fd%2Be%40f&ClientVersion=1.0.0&key=1",
              path);
    EXPECT_EQ("https://service.nimbara.example/", baseUrl(e));
    UrlParts parts;
    ASSERT_TRUE(splitUrl(baseUrl(e).c_str(), &parts));
    EXPECT_STREQ("https", parts.scheme);
    EXPECT_EQ(443, parts.port);

    Endpoint quota{"http", "host:8080", "/a/filemanager.webdav.stat?", "REST.1"};
    ASSERT_TRUE(requestPath(quota, "", "", "", &path));
    EXPECT_EQ("/a/filemanager.webdav.stat?type=REST.1&username=&password=&ClientVersion=1.0.0",
              path);
    EXPECT_EQ("http://host:8080/", baseUrl(quota));
}

TEST(RequestPath, LengthLimitsOnThePlainTexts) {
    const std::string prefix = "/a/filemanager.webdav.auth?"; // 27 characters
    struct Case {
        size_t hostLength, userLength, passwordLength;
        bool fits;
    } cases[] = {{150, 5, 5, true},     // 5 + 150 + 6 = 161
                 {189, 5, 5, true},     // 200
                 {190, 5, 5, false},    // 201
                 {20, 100, 100, false}, // 27 + 200 = 227
                 {20, 100, 73, true},   // 200
                 {20, 100, 74, false},  // 201
                 {20, 173, 0, true},    {20, 0, 174, false}};
    for (const Case& c : cases) {
        Endpoint e{"https", std::string(c.hostLength, 'h'), prefix, "REST.2"};
        std::string path = "unchanged";
        EXPECT_EQ(c.fits, requestPath(e, std::string(c.userLength, 'u'),
                                      std::string(c.passwordLength, 'p'), "&key=0", &path))
            << c.hostLength << "/" << c.userLength << "/" << c.passwordLength;
        EXPECT_EQ(c.fits, path != "unchanged");
        EXPECT_EQ(c.hostLength <= 189, !baseUrl(e).empty());
    }
    // The limit is on the texts as typed, not as encoded.
    Endpoint e{"https", "h", prefix, "REST.2"};
    std::string path;
    ASSERT_TRUE(requestPath(e, std::string(100, ' '), std::string(73, '&'), "", &path));
    std::string encoded = "&username=";
    for (int i = 0; i < 173; ++i)
        encoded += i < 100 ? "%20" : i == 100 ? "&password=%26" : "%26";
    EXPECT_NE(std::string::npos, path.find(encoded + "&ClientVersion="));
    EXPECT_FALSE(requestPath(e, std::string(100, ' '), std::string(74, '&'), "", &path));
}

TEST(Fields, SplitAndTrim) {
    struct Case {
        const char* line;
        bool isField;
        const char* name;
        const char* raw;
    } cases[] = {
        {"Status: 200\r", true, "Status", " 200\r"},
        {"Message: http://h:81/p?a=b:c\r", true, "Message", " http://h:81/p?a=b:c\r"},
        {"::Name: x\r", true, "Name", " x\r"},
        {"Name:", true, "Name", ""},
        {":", false, "", ""},
        {"no colon here\r", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        Field f;
        ASSERT_EQ(c.isField, splitField(c.line, &f)) << c.line;
        if (c.isField) {
            EXPECT_EQ(c.name, f.name) << c.line;
            EXPECT_EQ(c.raw, f.raw) << c.line;
        }
    }

    struct Trim {
        const char* raw;
        const char* trimmed;
        const char* credential;
    } trims[] = {
        {" pass word\r", "pass word", "pass word"},
        {" a\rb\nc", "a\rb\n", "a"},
        {" a", "", "a"},
        {" \r", "", ""},
        {" ", "", ""},
        {"x", "", ""},
        {"", "", ""},
    };
    for (const Trim& t : trims) {
        EXPECT_EQ(t.trimmed, trimmedValue(t.raw)) << t.raw;
        EXPECT_EQ(t.credential, credentialValue(t.raw)) << t.raw;
    }
    EXPECT_EQ("share", firstLine("share\nrest\r"));
    EXPECT_EQ("whole", firstLine("whole"));
}

TEST(LineSplitter, ChunkBordersDoNotChangeTheLines) {
    std::string answer = "Status: 200\r\nMessage: http://portal.example/a?b=c\r\n\n\n"
                         "Name: user\nPassword: " +
                         std::string(1100, 'p') + "\r\nShare: home\r\nVersion: 1.0.0\r\n";
    const Lines whole = linesOf(answer);
    ASSERT_EQ(6u, whole.size());
    EXPECT_EQ("Status: 200\r", whole[0]);
    EXPECT_EQ("Name: user", whole[2]);
    EXPECT_EQ(1100u + 11u, whole[3].size());
    EXPECT_EQ("Version: 1.0.0\r", whole[5]);
    for (size_t split = 1; split < answer.size(); ++split)
        ASSERT_EQ(whole, linesOf(answer, {split, answer.size()})) << "split at " << split;
    EXPECT_EQ(whole, linesOf(answer, {1}));
    EXPECT_EQ(whole, linesOf(answer, {1024}));
    EXPECT_EQ(whole, linesOf(answer, {7, 1, 1023}));

    // A line the answer never finished is not handed out, however it was chunked.
    for (size_t size : {1u, 5u, 1024u})
        EXPECT_EQ(Lines{"Status: 200\r"}, linesOf("Status: 200\r\nName: cut off", {size}));
}

TEST(LineSplitter, ShortLineEndsItsChunk) {
    // The blank line ends the chunk: the Name line after it in the same chunk is never seen.
    EXPECT_EQ(Lines{"Status: 200\r"}, linesOf("Status: 200\r\n\r\nName: x\r\n", {1024}));
    EXPECT_EQ(Lines{"Status: 200\r"}, linesOf("Status: 200\r\nx\nName: y\r\n", {1024}));
    // A blank line at the end of a chunk: the next chunk is read as usual.
    EXPECT_EQ((Lines{"Status: 200\r", "Name: x\r"}),
              linesOf("Status: 200\r\n\r\nName: x\r\n", {15, 1024}));
    // The skipped rest ends inside a line ("Passw|ord"): its continuation in the next chunk is
    // skipped as well, also when it takes more chunks, so no fragment is taken for a field.
    const std::string cut = "Status: 200\r\n\r\nName: x\r\nPassword: p\r\nShare: s\r\n";
    EXPECT_EQ((Lines{"Status: 200\r", "Share: s\r"}), linesOf(cut, {29, 1024}));
    EXPECT_EQ((Lines{"Status: 200\r", "Share: s\r"}), linesOf(cut, {29, 3, 3, 1024}));
    // A blank line that straddles two chunks ends the chunk in which it is completed.
    EXPECT_EQ((Lines{"A: 1\r", "C: 3\r"}), linesOf("A: 1\r\n\r\nB: 2\r\nC: 3\r\n", {7, 7, 1024}));
}

TEST(LineSplitter, OverlongLinesAreDroppedWhole) {
    const size_t longest = LineSplitter::kLongestLine;
    for (size_t length : {longest - 1, longest, longest + 1, 3 * longest}) {
        std::string line = "Name: " + std::string(length - 7, 'n') + "\r";
        ASSERT_EQ(length, line.size());
        std::string answer = "Status: 200\r\n" + line + "\nShare: s\r\n";
        Lines expected{"Status: 200\r"};
        if (length <= longest)
            expected.push_back(line);
        expected.push_back("Share: s\r");
        for (size_t size : {1u, 1000u, 1024u, 5000u, 20000u})
            EXPECT_EQ(expected, linesOf(answer, {size})) << length << " in chunks of " << size;
    }
}

TEST(FieldAnswer, CredentialsStatusAndUpdates) {
    ParsedAuth ok =
        parseFieldAnswer("Status: 200\r\nName: dav user\r\nPassword: s3:cr=t\r\nShare: home\r\n");
    EXPECT_TRUE(completeCredentials(ok.answer));
    EXPECT_EQ("dav user", credentialValue(ok.answer.name));
    EXPECT_EQ("s3:cr=t", credentialValue(ok.answer.password));
    EXPECT_EQ("home", credentialValue(ok.answer.share));
    EXPECT_EQ("200", ok.answer.status);
    EXPECT_FALSE(redirectsToPage(ok.answer));
    EXPECT_FALSE(ok.update.announced);

    EXPECT_FALSE(completeCredentials(parseFieldAnswer("Name: a\r\nPassword: b\r\n").answer));
    EXPECT_FALSE(completeCredentials(parseFieldAnswer("Password: b\r\nShare: c\r\n").answer));
    EXPECT_FALSE(completeCredentials(parseFieldAnswer("name: a\r\nPassword: b\r\nShare: c\r\n"
                                                      "Name : a\r\n")
                                         .answer));
    // Leading colons are skipped; a later line overrides an earlier one; lines without a colon
    // are ignored; an empty value still counts as sent.
    ParsedAuth repeated =
        parseFieldAnswer("::Name: first\r\nno colon\r\nName: second\r\n"
                         "Password:\r\nShare: s\r\nStatus: 500\r\nStatus: 200\r\n");
    EXPECT_TRUE(completeCredentials(repeated.answer));
    EXPECT_EQ("second", credentialValue(repeated.answer.name));
    EXPECT_EQ("", credentialValue(repeated.answer.password));
    EXPECT_EQ("200", repeated.answer.status);

    ParsedAuth update = parseFieldAnswer(
        "Version: 1.0.0\r\nLocation: https://dl.example:8443/n.exe\r\nFilesize: 123456\r\n"
        "Checksum: 0a1b2c3d\r\nInfo-Uri: http://info.example/new\r\nVersion: 1.2.0\r\n");
    EXPECT_EQ(2, update.versionLines);
    EXPECT_TRUE(update.update.announced);
    EXPECT_EQ("1.2.0", update.update.version);
    EXPECT_EQ("https://dl.example:8443/n.exe", update.update.location);
    EXPECT_EQ("123456", update.update.fileSize);
    EXPECT_EQ("0a1b2c3d", update.update.checksum);
    EXPECT_EQ("http://info.example/new", update.update.infoUri);
    EXPECT_FALSE(completeCredentials(update.answer));
}

TEST(FieldAnswer, RedirectOnlyToAnHttpPageWithStatus409) {
    struct Case {
        const char* status;
        const char* message;
        bool redirects;
    } cases[] = {
        {"409", "http://portal.example/renew?id=7", true},
        {"409", "http://", true},
        {"409", "https://portal.example/", false},
        {"409", "HTTP://portal.example/", false},
        {"409", "http:/", false},
        {"409", "", false},
        {"200", "http://portal.example/", false},
        {"4090", "http://portal.example/", false},
    };
    for (const Case& c : cases) {
        ParsedAuth parsed =
            parseFieldAnswer(std::string("Status: ") + c.status + "\r\nMessage: " + c.message +
                             "\r\nName: u\r\nPassword: p\r\nShare: s\r\n");
        EXPECT_EQ(c.message, parsed.answer.message);
        EXPECT_EQ(c.redirects, redirectsToPage(parsed.answer)) << c.status << " " << c.message;
        EXPECT_TRUE(completeCredentials(parsed.answer));
    }
}

TEST(LineListAnswer, OkThenThreeValues) {
    LineListAnswer ok = parseLineList("OK\r\nuser\r\npass word\r\nshare\r\nextra\r\n");
    ASSERT_TRUE(lineListComplete(ok));
    EXPECT_EQ("user", firstLine(ok.lines[1]));
    EXPECT_EQ("pass word", firstLine(ok.lines[2]));
    EXPECT_EQ("share", firstLine(ok.lines[3]));

    for (const char* incomplete :
         {"ok\r\nuser\r\npass\r\nshare\r\n", // case matters
          "OK\nuser\npass\nshare\n",         // the CR belongs to "OK\r"
          "OK \r\nuser\r\npass\r\nshare\r\n",
          "OK\r\nuser\r\npass\r\n",              // too short
          "OK\r\nuser\r\npass\r\nshare",         // last line never finished
          "OK\r\n\r\nuser\r\npass\r\nshare\r\n", // the blank line ends the chunk
          "Status: 200\r\nOK\r\nuser\r\npass\r\n", ""})
        EXPECT_FALSE(lineListComplete(parseLineList(incomplete))) << incomplete;
}

TEST(QuotaBar, PositionFromTheLeadingDigits) {
    struct Case {
        const char* used;
        const char* total;
        int position;
    } cases[] = {{"1073741824", "10737418240", 9},
                 {"50", "100", 50},
                 {"100", "100", 100},
                 {"1000000", "99999", 100},
                 {"0", "1073741824", 1},
                 {"5368709120", "10737418240", 49},
                 {"123456789", "10737418240", 1},
                 {"1", "3", 33},
                 {"5", "10000", 1},
                 {"12", "100000", 1},
                 {"123", "100000", 0},
                 {"99", "10", 100},
                 {"999", "100", 100},
                 {"", "1073741824", 0},
                 {"", "100", 0},
                 // No total, a zero total or figures that are not numbers leave the bar empty;
                 // leading zeros must not make the estimate divide by zero.
                 {"50", "", 0},
                 {"50", "0", 0},
                 {"0", "000", 0},
                 {"5", "1x0", 0},
                 {"5", "-100", 0},
                 {"5", " 100", 0},
                 {"1x", "100", 0},
                 {"-5", "100", 0},
                 {"0012", "00001", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(c.position, quotaBarPosition(c.used, c.total)) << c.used << " / " << c.total;
}
