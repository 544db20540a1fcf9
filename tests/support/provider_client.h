// The Windows tests' side of the local provider service: ports, scripted answers, requests.
#pragma once

#include <string>
#include <vector>

namespace provider {

struct Request {
    int port = 0;
    std::string method, path; // path: the request target as sent
    std::string head, body;   // head: the request line and the header lines, each with its CRLF
};

struct Answer {
    std::string body;      // bytes, sent with the status below
    bool hang = false;     // read the request and never answer
    std::string file = ""; // when set: the body is this file's content (a Linux path)
    int status = 200;
    std::string logins = ""; // when set: a demo account, body only for these ([[user, pw], ...])
};

// The port of "http", "https" or "untrusted" (a certificate nobody trusts); "127.0.0.1:PORT".
int port(const char* kind);
inline std::string host(const char* kind) {
    return "127.0.0.1:" + std::to_string(port(kind));
}

void script(const std::vector<Answer>& answers); // the service starts again at the first one
// Forgets script and requests; points the client's service calls at the port of that kind.
void use(const char* kind);
std::vector<Request> requests(); // received since then, in order

} // namespace provider
