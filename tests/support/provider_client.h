// The Windows tests' side of the local provider service (tests/support/provider.py): where it
// listens, scripting its next answers and reading back the requests it received. The service
// shares its state directory with the tests through Wine's drive Z:.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace provider {

// One request as the service received it.
struct Request {
    int port = 0;
    std::string method;
    std::string path; // the request target exactly as sent: object path and query
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers; // in the order sent
    std::string body;

    // Value of the first header of that name (compared without regard to case); "" when absent.
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
};

// One scripted answer; the defaults give "200 OK" with an empty body and a Content-Length.
struct Answer {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;                // bytes, sent as they are (0x80-0xFF included)
    std::vector<std::string> chunks; // when not empty: the body, written piece by piece
    double pause = 0.1;              // seconds between two pieces
    bool length = true;              // false: no Content-Length, the body ends with the connection
    int stopAfter = -1;              // >= 0: close the connection after this many body bytes
    bool hang = false;               // never answer
    double delay = 0;                // seconds before the answer
    std::string raw;                 // when not empty: these bytes instead of a generated answer

    std::string json() const;
};

// The state directory as a Windows path ("Z:\..."); "" when the test runs without the service.
std::string stateDir();
int httpPort();
int httpsPort();
int untrustedPort();
// "127.0.0.1:PORT", as a host setting of the client takes it.
std::string httpHost();
std::string httpsHost();
std::string untrustedHost();

// Puts a new script in place: a JSON list of answers as provider.py describes them. The service
// starts again at its first answer.
void script(const std::string& json);
void script(const std::vector<Answer>& answers);
// Forgets the script (every request is answered 404) and the requests received so far.
void reset();
// The requests received since the last reset, in the order they arrived.
std::vector<Request> requests();

// A JSON string literal of bytes; bytes 0x80-0xFF become \u0080-\u00FF, which the service sends
// as those bytes.
std::string jsonString(const std::string& bytes);
// "Name: value\r\n" lines, the service's field answer.
std::string fieldAnswer(std::initializer_list<std::pair<const char*, const char*>> fields);

} // namespace provider
