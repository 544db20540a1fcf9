// Splitting a URL into the parts the HTTP client connects with.
#include "base/url.h"

#include <gtest/gtest.h>

#include <string>

// The parts as "scheme user:password@host:port path".
static std::string split(const std::string& url, bool fits = true) {
    UrlParts p;
    EXPECT_EQ(fits, splitUrl(url.c_str(), &p)) << url.size() << ": " << url.substr(0, 20);
    return std::string(p.scheme) + " " + p.userName + ":" + p.password + "@" + p.host + ":" +
           std::to_string(p.port) + " " + p.path;
}

// Only "https" means port 443. Each part holds up to kUrlPartSize - 1 characters; one more does not
// fit.
TEST(SplitUrl, EveryShapeAndPartsUpToTheirBufferSize) {
    const char* cases[][2] = {
        {"https://H", "https :@H:443 /"},         {"H:81/x", "http :@H:81 /x"},
        {"http://u@H/", "http :@H:80 /"},         {"https://u:p:q@H:444", "https u:p:q@H:444 /"},
        {"https://H:/p", "https :@H:0 /p"},       {"http:/x", "http :@:80 /"},
        {"http://H:81x/p:1", "http :@H:81 /p:1"}, {"", "http :@:80 /"},
        {"HTTPS://H/a:b", "HTTPS :@H:80 /a:b"},   {"http://H:99999999999/p", "http :@H:999999 /p"}};
    for (const auto& c : cases)
        EXPECT_EQ(c[1], split(c[0])) << c[0];

    const std::string longest(1023, 'x'), longer(1024, 'x');
    EXPECT_EQ(longest + " :@H:80 /", split(longest + "://H/"));
    EXPECT_EQ("http " + longest + ":p@H:80 /", split("http://" + longest + ":p@H/"));
    EXPECT_EQ("http u:" + longest + "@H:80 /", split("http://u:" + longest + "@H/"));
    EXPECT_EQ("http :@" + longest + ":80 /", split("http://" + longest + ":80/"));
    EXPECT_EQ("http :@" + longest + ":80 /", split("http://" + longest + "/"));
    EXPECT_EQ("http :@H:80 /" + longest.substr(1), split("http://H/" + longest.substr(1)));
    for (const std::string& url :
         {longer + "://H/", "http://" + longer + ":p@H/", "http://u:" + longer + "@H/",
          "http://" + longer + ":80/", "http://" + longer + "/", "http://H/" + longest})
        split(url, false);
}
