// Service frame without Windows (see answer.h).
#include "service/answer.h"

#include "base/settings.h"

#include <cstdio>
#include <cstdlib>

static bool copiedByUrlEncode(unsigned char c) {
    return (c >= 0x2C && c <= 0x39) || (c >= 0x41 && c <= 0x5A) || c == 0x5F ||
           (c >= 0x61 && c <= 0x7A) || c >= 0x80;
}

bool urlEncode(const char* text, char* out, size_t outSize) {
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    if (outSize == 0 || outSize < 3 * length + 1) {
        if (outSize > 0)
            out[0] = '\0';
        return false;
    }
    static const char hex[] = "0123456789ABCDEF";
    size_t o = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (copiedByUrlEncode(c)) {
            out[o++] = static_cast<char>(c);
        } else {
            out[o++] = '%';
            out[o++] = hex[c >> 4];
            out[o++] = hex[c & 0x0F];
        }
    }
    out[o] = '\0';
    return true;
}

std::string urlEncode(const std::string& text) {
    std::string out(3 * text.size() + 1, '\0');
    urlEncode(text.c_str(), &out[0], out.size());
    out.resize(out.find('\0'));
    return out;
}

static bool endpointFits(const Endpoint& e) {
    return e.protocol.size() + e.host.size() + e.version.size() <= kRequestPartsLimit;
}

std::string baseUrl(const Endpoint& e) {
    if (!endpointFits(e))
        return std::string();
    return e.protocol + "://" + e.host + "/";
}

bool requestPath(const Endpoint& e, const std::string& userName, const std::string& password,
                 const std::string& keySuffix, std::string* path) {
    if (!endpointFits(e) ||
        e.prefix.size() + userName.size() + password.size() > kRequestPartsLimit)
        return false;
    *path = e.prefix + "type=" + e.version + "&username=" + urlEncode(userName) +
            "&password=" + urlEncode(password) + "&ClientVersion=" NIMBARA_CLIENT_VERSION +
            keySuffix;
    return true;
}

bool splitField(const std::string& line, Field* field) {
    size_t start = line.find_first_not_of(':');
    if (start == std::string::npos)
        return false;
    size_t colon = line.find(':', start);
    if (colon == std::string::npos)
        return false;
    field->name = line.substr(start, colon - start);
    field->raw = line.substr(colon + 1);
    return true;
}

std::string trimmedValue(const std::string& raw) {
    if (raw.size() <= 1)
        return std::string();
    return raw.substr(1, raw.size() - 2);
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

std::string credentialValue(const std::string& raw) {
    if (raw.size() <= 1)
        return std::string();
    return firstLine(raw.substr(1));
}

// Appends one run of bytes to the line being collected; false while the line is dropped.
bool LineSplitter::takeLine(const char* part, size_t length) {
    if (discarding_) {
        discarding_ = false;
        pending_.clear();
        return false;
    }
    if (pending_.size() + length > kLongestLine) {
        pending_.clear();
        return false;
    }
    pending_.append(part, length);
    return true;
}

void LineSplitter::keepUnfinished(const char* part, size_t length) {
    if (discarding_)
        return;
    if (pending_.size() + length > kLongestLine) {
        pending_.clear();
        discarding_ = true;
        return;
    }
    pending_.append(part, length);
}

// The rest of a chunk after a blank line is skipped; when it ends inside a line, that line's
// continuation in the next chunk is skipped too, so no fragment of it is taken for a field.
void LineSplitter::skipRestOf(const char* rest, size_t length) {
    discarding_ = length > 0 && rest[length - 1] != '\n';
}

bool applyAuthLine(const std::string& line, FieldAnswer* a, UpdateInfo* u) {
    Field f;
    if (!splitField(line, &f))
        return false;
    if (f.name == "Name") {
        a->name = f.raw;
        a->nameSeen = true;
    } else if (f.name == "Password") {
        a->password = f.raw;
        a->passwordSeen = true;
    } else if (f.name == "Share") {
        a->share = f.raw;
        a->shareSeen = true;
    } else if (f.name == "Status") {
        a->status = trimmedValue(f.raw);
    } else if (f.name == "Message") {
        a->message = trimmedValue(f.raw);
    } else if (f.name == "Version") {
        u->version = trimmedValue(f.raw);
        u->announced = true;
        return true;
    } else if (f.name == "Location") {
        u->location = trimmedValue(f.raw);
    } else if (f.name == "Filesize") {
        u->fileSize = trimmedValue(f.raw);
    } else if (f.name == "Checksum") {
        u->checksum = trimmedValue(f.raw);
    } else if (f.name == "Checksum-SHA256") {
        u->checksumSha256 = trimmedValue(f.raw);
    } else if (f.name == "Info-Uri") {
        u->infoUri = trimmedValue(f.raw);
    }
    return false;
}

bool completeCredentials(const FieldAnswer& a) {
    return a.nameSeen && a.passwordSeen && a.shareSeen;
}

bool redirectsToPage(const FieldAnswer& a) {
    return a.status == "409" && !a.message.empty() && a.message.compare(0, 7, "http://") == 0;
}

void applyLineListLine(const std::string& line, LineListAnswer* a) {
    if (a->count < 4)
        a->lines[a->count++] = line;
}

bool lineListComplete(const LineListAnswer& a) {
    return a.count == 4 && a.lines[0] == "OK\r";
}

static bool allDigits(const std::string& text) {
    return text.find_first_not_of("0123456789") == std::string::npos;
}

// The counts can exceed 32 bits, so the share is estimated from their leading digits.
int quotaBarPosition(const std::string& used, const std::string& total) {
    // Nothing to divide by, or figures that are no numbers: the bar stays empty.
    if (total.empty() || !allDigits(total) || !allDigits(used) ||
        total.find_first_not_of('0') == std::string::npos)
        return 0;
    size_t u = used.size();
    size_t t = total.size();
    if (u > t)
        return 100;
    if (t - u >= 4)
        return used.empty() ? 0 : 1;
    if (u + t <= 5) {
        long position = (used.empty() ? 0 : strtol(used.c_str(), nullptr, 10)) * 100 /
                        strtol(total.c_str(), nullptr, 10);
        return position > 100 ? 100 : static_cast<int>(position);
    }
    // At most five digits each: whole numbers, read without the floating-point parser.
    double a = strtol(used.substr(0, 2).c_str(), nullptr, 10);
    double b = strtol(total.substr(0, t - u + 2).c_str(), nullptr, 10);
    if (b <= 0)
        return 0;
    double position = a / b * 100;
    return position > 100 ? 100 : static_cast<int>(position);
}
