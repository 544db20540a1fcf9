// The frame of the web-service calls without Windows: URL encoding, the request path with its
// length limits, splitting the answer into lines and fields, the trims, the authentication
// answer in both forms, and the quota bar position.
#pragma once

#include "core/updateinfo.h"

#include <cstddef>
#include <string>

// Writes the encoded text, terminated, into out. Returns false (and leaves the empty text) when
// out is smaller than three times the length of text plus one.
bool urlEncode(const char* text, char* out, size_t outSize);
std::string urlEncode(const std::string& text);

struct Endpoint {
    std::string protocol;
    std::string host;
    std::string prefix;
    std::string version;
};

// The longest sum of protocol, host and version, and of prefix, user name and password.
constexpr size_t kRequestPartsLimit = 200;

// The base URL "%s://%s/"; empty when the endpoint is too long.
std::string baseUrl(const Endpoint& endpoint);
// The request path: prefix, type, encoded user name and password, client version and the key
// suffix ("" for the quota call). False when either length limit is exceeded.
bool requestPath(const Endpoint& endpoint, const std::string& userName, const std::string& password,
                 const std::string& keySuffix, std::string* path);

// One line of an answer split at its first colon (leading colons skipped).
struct Field {
    std::string name;
    std::string raw; // everything after the colon
};
// False for a line without a colon, which carries no field.
bool splitField(const std::string& line, Field* field);
// The raw value without its first and last character (the blank and the CR).
std::string trimmedValue(const std::string& raw);
// The raw value without its first character, cut at its first CR or LF.
std::string credentialValue(const std::string& raw);
// A text cut at its first CR or LF.
std::string firstLine(const std::string& text);

// Splits an answer read in chunks into lines. Lines end at LF; empty lines vanish; a line of
// fewer than two characters (the service's blank line, a lone CR) ends the work on its chunk.
// A line that straddles two chunks is carried over and handed out whole; a line the answer
// never finished (the connection dropped) is not handed out at all.
class LineSplitter {
public:
    // A line longer than this is dropped whole rather than handed out in parts.
    static constexpr size_t kLongestLine = 4096;

    template <typename Handler> void feed(const char* data, size_t size, Handler&& handle) {
        size_t start = 0;
        for (size_t i = 0; i < size; ++i) {
            if (data[i] != '\n')
                continue;
            if (!takeLine(data + start, i - start)) {
                start = i + 1;
                continue;
            }
            start = i + 1;
            if (pending_.empty())
                continue; // runs of LF count as one separator
            if (pending_.size() < 2) {
                pending_.clear();
                skipRestOf(data + start, size - start);
                return;
            }
            handle(pending_);
            pending_.clear();
        }
        keepUnfinished(data + start, size - start);
    }

private:
    bool takeLine(const char* part, size_t length);
    void keepUnfinished(const char* part, size_t length);
    void skipRestOf(const char* rest, size_t length);

    std::string pending_;
    bool discarding_ = false; // dropping the rest of a line that was skipped or too long
};

// The field form of the authentication answer, as far as it has been read.
struct FieldAnswer {
    bool nameSeen = false;
    bool passwordSeen = false;
    bool shareSeen = false;
    std::string name; // raw values
    std::string password;
    std::string share;
    std::string status; // trimmed values
    std::string message;
};

// Handles one line of the field answer. Returns true when it was a Version line, after which
// the caller runs the update announcement.
bool applyAuthLine(const std::string& line, FieldAnswer* answer, UpdateInfo* update);
bool completeCredentials(const FieldAnswer& answer);
// Status 409 with a message that is an "http://" page: the user is sent there instead.
bool redirectsToPage(const FieldAnswer& answer);

// The line-list form ("REST.1"): "OK", then user name, password and share.
struct LineListAnswer {
    std::string lines[4];
    int count = 0;
};
void applyLineListLine(const std::string& line, LineListAnswer* answer);
// True when the answer starts with "OK" and carries all three values.
bool lineListComplete(const LineListAnswer& answer);

// The position (0 to 100) of the usage bar for the used and total byte counts as sent.
int quotaBarPosition(const std::string& used, const std::string& total);
