// The web-service frame: encoding, the request path, lines and fields of the answers, the quota
// bar.
#include "lines_of.h"

#include <gtest/gtest.h>

static FieldAnswer fieldAnswer(const std::string& text) {
    FieldAnswer answer;
    UpdateInfo update;
    for (const std::string& line : linesOf(text))
        applyAuthLine(line, &answer, &update);
    return answer;
}

TEST(UrlEncode, RangeEdgesAndBufferSize) {
    const std::string text =
        "\x01\x2B\x2C\x39\x3A\x40\x41\x5A\x5B\x5E\x5F\x60\x61\x7A\x7B\x7F\x80\xFF";
    const std::string expected = "%01%2B,9%3A%40AZ%5B%5E_%60az%7B%7F\x80\xFF";
    EXPECT_EQ(expected, urlEncode(text));
    EXPECT_EQ("a", urlEncode(std::string("a\0b", 3))); // NUL ends the text
    // Three bytes per character plus the terminator, whatever is encoded.
    std::vector<char> out(3 * text.size() + 1, 'x');
    EXPECT_TRUE(urlEncode(text.c_str(), out.data(), out.size()));
    EXPECT_EQ(expected, out.data());
    EXPECT_FALSE(urlEncode(text.c_str(), out.data(), out.size() - 1));
    EXPECT_EQ('\0', out[0]);
}

TEST(RequestPath, EncodedLoginAndLengthLimits) {
    Endpoint e{"https", "service.nimbara.example", "/a/filemanager.webdav.auth?", "REST.2"};
    std::string path;
    ASSERT_TRUE(requestPath(e, "Anna M\xE4rz", "a&b=c?d+e@f", "&key=1", &path));
    EXPECT_EQ("/a/filemanager.webdav.auth?type=REST.2&username=Anna%20M\xE4rz"
              "&password=a%26b%3Dc%3Fd%2Be%40f&ClientVersion=1.0.0&key=1",
              path);
    // Up to 200 characters as typed: protocol, host, version; prefix (27), user name, password.
    e.host.assign(189, 'h');
    EXPECT_TRUE(requestPath(e, std::string(100, ' '), std::string(73, '&'), "", &path));
    EXPECT_EQ("https://" + e.host + "/", baseUrl(e));
    EXPECT_FALSE(requestPath(e, std::string(100, ' '), std::string(74, '&'), "", &path));
    e.host += 'h';
    EXPECT_FALSE(requestPath(e, "u", "p", "", &path));
    EXPECT_EQ("", baseUrl(e));
}

// However the answer is chunked, the lines are the same; a longer than the longest is dropped. A
// line under two characters ends the work on its chunk, to the end of the line the chunk ends in.
TEST(LineSplitter, ChunkBordersAndShortLines) {
    const std::string longest = "Password: " + std::string(4085, 'p') + "\r";
    const std::string answer =
        "Status: 200\r\nMessage: http://portal.example/a?b=c\r\n\n\nName: u\n" + longest +
        "\nChecksum: " + std::string(4087, 'c') +
        "\nShare: home\r\nVersion: 1.0.0\r\nName: cut off";
    const Lines whole = linesOf(answer, {answer.size()});
    ASSERT_EQ((Lines{"Status: 200\r", "Message: http://portal.example/a?b=c\r", "Name: u", longest,
                     "Share: home\r", "Version: 1.0.0\r"}),
              whole);
    for (size_t split = 1; split < answer.size(); ++split)
        ASSERT_EQ(whole, linesOf(answer, {split, answer.size()})) << "split at " << split;
    EXPECT_EQ(whole, linesOf(answer, {1}));
    EXPECT_EQ(whole, linesOf(answer, {7, 1, 1023}));

    EXPECT_EQ(Lines{"Status: 200\r"}, linesOf("Status: 200\r\n\r\nName: x\r\n"));
    EXPECT_EQ(Lines{"Status: 200\r"}, linesOf("Status: 200\r\nx\nName: y\r\n"));
    EXPECT_EQ((Lines{"Status: 200\r", "Name: x\r"}),
              linesOf("Status: 200\r\n\r\nName: x\r\n", {15, 1024}));
    const std::string cut = "Status: 200\r\n\r\nName: x\r\nPassword: p\r\nShare: s\r\n";
    EXPECT_EQ((Lines{"Status: 200\r", "Share: s\r"}), linesOf(cut, {29, 1024}));
    EXPECT_EQ((Lines{"Status: 200\r", "Share: s\r"}), linesOf(cut, {29, 3, 3, 1024}));
    // A blank line that straddles two chunks ends the chunk in which it is completed.
    EXPECT_EQ((Lines{"A: 1\r", "C: 3\r"}), linesOf("A: 1\r\n\r\nB: 2\r\nC: 3\r\n", {7, 7, 1024}));
}

TEST(FieldAnswer, FieldsCredentialsAndUpdates) {
    // Split at the first colon after leading ones; the later line counts; credentials cut at CR/LF.
    FieldAnswer ok = fieldAnswer("Name: first\r\n::Name: dav user\rx\r\nPassword:\r\nno colon\r\n"
                                 "Share: home\nStatus: 500\r\nStatus: 200\r\nMessage: x:y\n");
    EXPECT_TRUE(completeCredentials(ok));
    EXPECT_EQ("dav user||home|200|x:",
              credentialValue(ok.name) + "|" + credentialValue(ok.password) + "|" +
                  credentialValue(ok.share) + "|" + ok.status + "|" + ok.message);
    for (const char* incomplete : {"Name: a\r\nPassword: b\r\n", "Password: b\r\nShare: c\r\n",
                                   "name: a\r\nName : a\r\nPassword: b\r\nShare: c\r\n"})
        EXPECT_FALSE(completeCredentials(fieldAnswer(incomplete))) << incomplete;

    UpdateInfo u;
    int versionLines = 0;
    for (const std::string& line :
         linesOf("Version: 1.0.0\r\nLocation: https://dl.example:8443/n.exe\r\nFilesize: 123\r\n"
                 "Checksum: 0a1b\r\nInfo-Uri: http://info.example/new\r\nVersion: 1.2.0\r\n"))
        versionLines += applyAuthLine(line, &ok, &u) ? 1 : 0;
    EXPECT_EQ(2, versionLines);
    EXPECT_TRUE(u.announced);
    EXPECT_EQ("1.2.0|https://dl.example:8443/n.exe|123|0a1b|http://info.example/new",
              u.version + "|" + u.location + "|" + u.fileSize + "|" + u.checksum + "|" + u.infoUri);

    // Only status 409 with an "http://" page sends the user there.
    auto redirects = [](const char* status, const char* message) {
        return redirectsToPage(
            fieldAnswer(std::string("Status: ") + status + "\r\nMessage: " + message + "\r\n"));
    };
    EXPECT_TRUE(redirects("409", "http://p/a?b=c"));
    EXPECT_TRUE(redirects("409", "http://"));
    for (const char* message : {"https://p/", "HTTP://p/", "http:/", ""})
        EXPECT_FALSE(redirects("409", message)) << message;
    EXPECT_FALSE(redirects("401", "http://p/"));
    EXPECT_FALSE(redirects("4090", "http://p/"));
}

TEST(LineListAnswer, OkThenThreeValues) {
    auto lineList = [](const std::string& text) {
        LineListAnswer answer;
        for (const std::string& line : linesOf(text))
            applyLineListLine(line, &answer);
        return answer;
    };
    LineListAnswer ok = lineList("OK\r\nuser\r\npass word\r\nshare\nextra\r\n");
    ASSERT_TRUE(lineListComplete(ok));
    EXPECT_EQ("pass word|share", firstLine(ok.lines[2]) + "|" + firstLine(ok.lines[3]));
    for (const char* incomplete : {"ok\r\nuser\r\npass\r\nshare\r\n", "OK\nuser\npass\nshare\n",
                                   "OK\r\nuser\r\npass\r\n", "OK\r\nuser\r\npass\r\nshare"})
        EXPECT_FALSE(lineListComplete(lineList(incomplete))) << incomplete;
}

// Used bytes, total bytes, bar position; no numbers, or no or a zero total: an empty bar.
TEST(QuotaBar, PositionAtItsBoundaries) {
    const char* cases[][3] = {
        {"50", "100", "50"},    {"5", "3", "100"},   {"5368709120", "10737418240", "49"},
        {"150", "100", "100"},  {"5", "10000", "1"}, {"1000000", "99999", "100"},
        {"123", "100000", "0"}, {"", "100", "0"},    {"0", "1073741824", "1"},
        {"50", "", "0"},        {"50", "0", "0"},    {"", "1073741824", "0"},
        {"0012", "00001", "0"}, {"5", "1x0", "0"},   {"-5", "100", "0"}};
    for (const auto& c : cases)
        EXPECT_EQ(c[2], std::to_string(quotaBarPosition(c[0], c[1]))) << c[0] << " / " << c[1];
}
