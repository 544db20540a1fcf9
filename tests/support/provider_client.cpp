// Scripting the local provider service and reading its request log from a Windows test. The
// service reads script.json anew when a different file is put in place, so a script is written
// beside it and moved over it in one step: the service never sees half a script.
#include "provider_client.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

namespace provider {

namespace {

std::string linuxStateDir() {
    char buffer[MAX_PATH];
    DWORD size = GetEnvironmentVariableA("NIMBARA_PROVIDER_STATE", buffer, sizeof buffer);
    if (size == 0 || size >= sizeof buffer)
        return "";
    return std::string(buffer, size);
}

std::string statePath(const char* name) {
    return stateDir() + "\\" + name;
}

bool readWhole(const std::string& path, std::string& text) {
    text.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool writeWhole(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    return CloseHandle(file) && ok;
}

// The port on the line of the ports file that starts with name; 0 when there is none.
int port(const char* name) {
    std::string text;
    if (!readWhole(statePath("ports"), text)) {
        ADD_FAILURE() << "the provider service is not running (no ports file in " << stateDir()
                      << ")";
        return 0;
    }
    std::istringstream lines(text);
    std::string key;
    int value = 0;
    while (lines >> key >> value) {
        if (key == name)
            return value;
    }
    ADD_FAILURE() << "no " << name << " port in the ports file";
    return 0;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "-" stands for nothing; anything that is not hexadecimal digits in pairs is refused.
bool unhex(const std::string& hex, std::string& out) {
    out.clear();
    if (hex == "-")
        return true;
    if (hex.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = hexDigit(hex[i]);
        int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
    }
    return true;
}

// Header lines "Name: value\r\n" as the service wrote them.
void splitHeaders(const std::string& block, Request& request) {
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find("\r\n", start);
        if (end == std::string::npos)
            end = block.size();
        std::string line = block.substr(start, end - start);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            size_t value = line.find_first_not_of(' ', colon + 1);
            request.headers.emplace_back(line.substr(0, colon), value == std::string::npos
                                                                    ? std::string()
                                                                    : line.substr(value));
        }
        start = end + 2;
    }
}

bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

} // namespace

std::string Request::header(const std::string& name) const {
    for (const auto& h : headers) {
        if (sameText(h.first, name))
            return h.second;
    }
    return "";
}

bool Request::hasHeader(const std::string& name) const {
    for (const auto& h : headers) {
        if (sameText(h.first, name))
            return true;
    }
    return false;
}

std::string stateDir() {
    std::string dir = linuxStateDir();
    if (dir.empty())
        return "";
    for (char& c : dir) {
        if (c == '/')
            c = '\\';
    }
    return "Z:" + dir;
}

int httpPort() {
    return port("http");
}
int httpsPort() {
    return port("https");
}
int untrustedPort() {
    return port("untrusted");
}
std::string httpHost() {
    return "127.0.0.1:" + std::to_string(httpPort());
}
std::string httpsHost() {
    return "127.0.0.1:" + std::to_string(httpsPort());
}
std::string untrustedHost() {
    return "127.0.0.1:" + std::to_string(untrustedPort());
}

void script(const std::string& json) {
    if (stateDir().empty()) {
        ADD_FAILURE() << "NIMBARA_PROVIDER_STATE is not set";
        return;
    }
    std::string target = statePath("script.json");
    std::string temporary = target + ".new";
    if (!writeWhole(temporary, json) ||
        !MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        ADD_FAILURE() << "cannot write " << target << " (error " << GetLastError() << ")";
}

void script(const std::vector<Answer>& answers) {
    std::string json = "[";
    for (size_t i = 0; i < answers.size(); ++i)
        json += (i ? ",\n" : "") + answers[i].json();
    script(json + "]\n");
}

void reset() {
    if (stateDir().empty()) {
        ADD_FAILURE() << "NIMBARA_PROVIDER_STATE is not set";
        return;
    }
    for (const char* name : {"script.json", "requests.log", "requests.txt"}) {
        std::string path = statePath(name);
        if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            ADD_FAILURE() << "cannot delete " << path << " (error " << GetLastError() << ")";
    }
}

std::vector<Request> requests() {
    std::vector<Request> result;
    std::string text;
    if (!readWhole(statePath("requests.txt"), text))
        return result; // nothing received since the last reset
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Request request;
        std::string target, version, headers, body, headerBlock;
        if (!(fields >> request.port >> request.method >> target >> version >> headers >> body) ||
            !unhex(target, request.path) || !unhex(version, request.version) ||
            !unhex(headers, headerBlock) || !unhex(body, request.body)) {
            ADD_FAILURE() << "unreadable line in the request log: " << line;
            continue;
        }
        splitHeaders(headerBlock, request);
        result.push_back(request);
    }
    return result;
}

std::string jsonString(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7f) {
            out += "\\u00";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string fieldAnswer(std::initializer_list<std::pair<const char*, const char*>> fields) {
    std::string text;
    for (const auto& field : fields) {
        text += field.first;
        text += ": ";
        text += field.second;
        text += "\r\n";
    }
    return text;
}

std::string Answer::json() const {
    std::string out =
        "{\"status\": " + std::to_string(status) + ", \"reason\": " + jsonString(reason) +
        ", \"length\": " + (length ? "true" : "false") + ", \"pause\": " + number(pause);
    if (!headers.empty()) {
        out += ", \"headers\": [";
        for (size_t i = 0; i < headers.size(); ++i) {
            out += (i ? ", [" : "[") + jsonString(headers[i].first) + ", " +
                   jsonString(headers[i].second) + "]";
        }
        out += "]";
    }
    if (chunks.empty()) {
        out += ", \"body\": " + jsonString(body);
    } else {
        out += ", \"chunks\": [";
        for (size_t i = 0; i < chunks.size(); ++i)
            out += (i ? ", " : "") + jsonString(chunks[i]);
        out += "]";
    }
    if (stopAfter >= 0)
        out += ", \"stop_after\": " + std::to_string(stopAfter);
    if (hang)
        out += ", \"hang\": true";
    if (delay > 0)
        out += ", \"delay\": " + number(delay);
    if (!raw.empty())
        out += ", \"raw\": " + jsonString(raw);
    return out + "}";
}

} // namespace provider
