// Scripting the local provider service and reading its request log; a script is moved into place.
#include "provider_client.h"
#include "registry_access.h"

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

int port(const char* kind) {
    std::ifstream ports(statePath("ports"));
    std::string name;
    int value = 0;
    while (ports >> name >> value && name != kind) {
    }
    EXPECT_EQ(kind, name) << "the provider service is not running";
    return value;
}

void script(const std::vector<Answer>& answers) {
    std::string text;
    for (const Answer& a : answers) {
        text += (text.empty() ? "[{" : ", {") + std::string(a.hang ? "\"hang\": true, " : "") +
                "\"status\": " + std::to_string(a.status) + ", " +
                (a.file.empty() ? "" : "\"file\": \"" + a.file + "\", ") +
                (a.logins.empty() ? "" : "\"account\": {\"logins\": " + a.logins + ", ") +
                "\"hex\": \"";
        for (unsigned char c : a.body)
            text += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
        text += a.logins.empty() ? "\"}" : "\"}}";
    }
    std::string target = statePath("script.json"), temporary = target + ".new";
    std::ofstream(temporary, std::ios::binary) << (text.empty() ? "[" : text) << "]";
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        ADD_FAILURE() << "cannot write " << target << " (error " << GetLastError() << ")";
}

void use(const char* kind) {
    DeleteFileA(statePath("script.json").c_str());
    DeleteFileA(statePath("requests.txt").c_str());
    for (std::string api : {"authApi", "statApi"}) {
        reg::set((api + "Proto").c_str(), std::string(kind) == "http" ? "http" : "https");
        reg::set((api + "Host").c_str(), host(kind));
    }
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

} // namespace provider
