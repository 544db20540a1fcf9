// Splitting a URL into the parts the HTTP client connects with.
#include "base/url.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(SplitUrl, EveryShape) {
    struct Case {
        const char* url;
        const char* scheme;
        const char* userName;
        const char* password;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"https://H", "https", "", "", "H", 443, "/"},
        {"http://H:8080/a/b?x=1", "http", "", "", "H", 8080, "/a/b?x=1"},
        {"H:81/x", "http", "", "", "H", 81, "/x"},
        {"H", "http", "", "", "H", 80, "/"},
        {"http://u:p@H/", "http", "u", "p", "H", 80, "/"},
        {"http://u@H/", "http", "", "", "H", 80, "/"},
        {"https://u:p:q@H:444", "https", "u", "p:q", "H", 444, "/"},
        {"https://:@H/", "https", "", "", "H", 443, "/"},
        {"https://H:/p", "https", "", "", "H", 0, "/p"},
        {"http://H:81abc/p:1", "http", "", "", "H", 81, "/p:1"},
        {"H/a:b", "http", "", "", "H", 80, "/a:b"},
        {"HTTPS://H", "HTTPS", "", "", "H", 80, "/"}, // only "https" means port 443
        {"httpsx://H", "httpsx", "", "", "H", 80, "/"},
        {"ftp://H/f", "ftp", "", "", "H", 80, "/f"},
        {"http:/", "http", "", "", "", 80, "/"}, // the text ends where the host would start
        {"http:/x", "http", "", "", "", 80, "/"},
        {"", "http", "", "", "", 80, "/"},
        {"http://H:65536/", "http", "", "", "H", 65536, "/"},
    };
    for (const Case& c : cases) {
        UrlParts parts;
        ASSERT_TRUE(splitUrl(c.url, &parts)) << c.url;
        EXPECT_STREQ(c.scheme, parts.scheme) << c.url;
        EXPECT_STREQ(c.userName, parts.userName) << c.url;
        EXPECT_STREQ(c.password, parts.password) << c.url;
        EXPECT_STREQ(c.host, parts.host) << c.url;
        EXPECT_EQ(c.port, parts.port) << c.url;
        EXPECT_STREQ(c.path, parts.path) << c.url;
    }

    // A port of any length stays a non-negative number beyond the valid range.
    UrlParts huge;
    ASSERT_TRUE(splitUrl(("http://H:" + std::string(400, '9') + "/p").c_str(), &huge));
    EXPECT_GT(huge.port, 65535);
    EXPECT_STREQ("H", huge.host);
    EXPECT_STREQ("/p", huge.path);
}

TEST(SplitUrl, PartsUpToTheirBufferSize) {
    using Part = char(UrlParts::*)[kUrlPartSize];
    struct Shape {
        const char* before;
        const char* after;
        Part part;
        const char* lead; // what the part holds in front of the long run
    } shapes[] = {
        {"", "://H/", &UrlParts::scheme, ""},
        {"http://", ":p@H/", &UrlParts::userName, ""},
        {"http://u:", "@H/", &UrlParts::password, ""},
        {"http://", "/", &UrlParts::host, ""},
        {"http://", ":80/", &UrlParts::host, ""},
        {"http://H", "", &UrlParts::path, "/"},
    };
    for (const Shape& s : shapes) {
        const size_t longest = kUrlPartSize - 1 - strlen(s.lead);
        for (size_t length : {longest, longest + 1}) {
            std::string run(length, 'x');
            std::string url = s.before + std::string(s.lead) + run + s.after;
            UrlParts parts;
            bool fits = splitUrl(url.c_str(), &parts);
            EXPECT_EQ(length == longest, fits) << s.before << "..." << s.after << " " << length;
            if (fits) {
                EXPECT_EQ(s.lead + run, parts.*s.part) << s.before << "..." << s.after;
            }
        }
    }
}
