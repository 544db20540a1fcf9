// Scripting the local provider service and reading its request log from a Windows test. A
// script is written beside script.json and moved over it, so the service never reads half one.
#include "provider_client.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace provider {

static std::string statePath(const char* name) {
    const char* dir = std::getenv("NIMBARA_PROVIDER_STATE");
    EXPECT_NE(nullptr, dir) << "NIMBARA_PROVIDER_STATE is not set";
    return std::string("Z:") + (dir ? dir : "") + "/" + name;
}

std::string Request::header(const std::string& name) const {
    for (size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
        if (_strnicmp(head.c_str() + at + 2, (name + ":").c_str(), name.size() + 1) == 0) {
            size_t start = head.find_first_not_of(' ', at + 3 + name.size());
            return head.substr(start, head.find("\r\n", start) - start);
        }
    }
    return "";
}

int port(const char* kind) {
    std::ifstream ports(statePath("ports"));
    std::string name;
    int value = 0;
    while (ports >> name >> value && name != kind) {
    }
    EXPECT_EQ(kind, name) << "the provider service is not running";
    return value;
}

std::string host(const char* kind) {
    return "127.0.0.1:" + std::to_string(port(kind));
}

std::string httpsHost() {
    return host("https");
}

void script(const std::vector<Answer>& answers) {
    std::string text = "[";
    for (const Answer& a : answers) {
        text += (text.size() > 1 ? ", {\"hang\": " : "{\"hang\": ") +
                std::string(a.hang ? "true" : "false") + ", \"hex\": \"";
        for (unsigned char c : a.body)
            text += "0123456789abcdef"[c >> 4] + std::string(1, "0123456789abcdef"[c & 15]);
        text += "\"" + (a.file.empty() ? "" : ", \"file\": \"" + a.file + "\"") + "}";
    }
    std::string target = statePath("script.json"), temporary = target + ".new";
    std::ofstream(temporary, std::ios::binary) << text << "]";
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        ADD_FAILURE() << "cannot write " << target << " (error " << GetLastError() << ")";
}

void reset() {
    DeleteFileA(statePath("script.json").c_str());
    DeleteFileA(statePath("requests.txt").c_str());
}

std::vector<Request> requests() {
    std::vector<Request> all;
    std::ifstream log(statePath("requests.txt"));
    Request r;
    std::string hex;
    while (log >> r.port >> hex) {
        std::string raw;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            raw += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        size_t end = raw.find("\r\n\r\n");
        r.head = raw.substr(0, end + 2);
        r.body = raw.substr(end + 4);
        std::istringstream(r.head) >> r.method >> r.path;
        all.push_back(r);
    }
    return all;
}

std::string fieldAnswer(std::initializer_list<std::pair<const char*, const char*>> fields) {
    std::string text;
    for (const auto& field : fields)
        text += std::string(field.first) + ": " + field.second + "\r\n";
    return text;
}

} // namespace provider
