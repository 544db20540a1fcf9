// HttpClient over WinINet. Certificate checks are never switched off here: a server whose
// certificate is not trusted makes the request fail.
#include "base/httpclient.h"

#include "base/text.h"
#include "base/url.h"

#include <cstring>
#include <exception>

static_assert(sizeof(void*) != 4 || sizeof(INTERNET_BUFFERSA) == 40,
              "the 32-bit INTERNET_BUFFERSA is 40 bytes");

const char* const kMultipartBoundary = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

namespace {

// A failure inside an operation, with its label for diagnosis; the operation turns it into
// its false or 0 result.
class HttpFailure : public std::exception {
public:
    explicit HttpFailure(const char* label) : label_(label) {}
    const char* what() const noexcept override { return label_; }

private:
    const char* label_;
};

bool usable(HINTERNET handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void setTimeouts(HINTERNET handle) {
    DWORD connect = kConnectTimeoutMs, send = kSendTimeoutMs, receive = kReceiveTimeoutMs;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

DWORD requestFlags(bool post, int secure) {
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE;
    if (post)
        flags |= INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_FORMS_SUBMIT;
    if (secure == 1)
        flags |= INTERNET_FLAG_SECURE;
    return flags;
}

} // namespace

HttpClient::HttpClient() : port_(0), secure_(0) {}

bool HttpClient::open(const char* url, const char* userName, const char* password,
                      const char* userAgent) {
    try {
        UrlParts parts;
        // A port beyond 65535 would wrap around to another one: refuse it.
        if (!splitUrl(url, &parts) || parts.port > 65535)
            return false;
        int secure = 2; // neither plain nor secure: connect refuses it
        if (strncmp(parts.scheme, "https", 5) == 0)
            secure = 1;
        else if (strncmp(parts.scheme, "http", 4) == 0)
            secure = 0;
        path_ = parts.path;
        if (userName == nullptr && parts.userName[0] != '\0')
            userName = parts.userName;
        if (password == nullptr && parts.password[0] != '\0')
            password = parts.password;
        return connect(parts.host, parts.port, userName, password, secure, userAgent);
    } catch (...) {
        return false;
    }
}

bool HttpClient::connect(const char* host, int port, const char* userName, const char* password,
                         int secure, const char* userAgent) {
    try {
        internet_.reset(
            InternetOpenA(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!usable(internet_.get()))
            throw HttpFailure("open internet failed...");
        // A server that accepts the connection and never answers must not hold the client
        // forever: every wait is bounded.
        setTimeouts(internet_.get());
        int portInUse = port;
        if (secure == 0 || secure == 1) {
            if (portInUse == 0)
                portInUse = secure == 1 ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
            connection_.reset(InternetConnectA(internet_.get(), host,
                                               static_cast<INTERNET_PORT>(portInUse), userName,
                                               password, INTERNET_SERVICE_HTTP, 0, 0));
            if (usable(connection_.get()))
                setTimeouts(connection_.get());
        }
        if (!usable(connection_.get()))
            throw HttpFailure("connect failed...");
        if (InternetAttemptConnect(0) != ERROR_SUCCESS)
            throw HttpFailure("connect failed...");
        host_ = host;
        port_ = portInUse;
        secure_ = secure;
        if (userName != nullptr)
            userName_ = userName;
        if (password != nullptr)
            password_ = password;
        cookies_.clear();
        formFields_.clear();
        return true;
    } catch (...) {
        connection_.reset();
        internet_.reset();
        return false;
    }
}

void HttpClient::addFormField(const char* name, const char* value, bool isFile) {
    formFields_.push_back(HttpField{name, value, isFile});
}

void HttpClient::addCookie(const char* name, const char* value) {
    cookies_.push_back(HttpField{name, value, false});
}

void HttpClient::openRequest(const char* method, const char* path, const char* referrer,
                             DWORD flags) {
    if (!usable(connection_.get()))
        throw HttpFailure("handle not opened...");
    const char* acceptTypes[] = {"*/*", nullptr};
    request_.reset(HttpOpenRequestA(connection_.get(), method, path, "HTTP/1.0", referrer,
                                    acceptTypes, flags, 0));
    if (!usable(request_.get()))
        throw HttpFailure("request failed...");
    // Wine's WinINet does not hand the time-outs down from the root handle.
    setTimeouts(request_.get());
    if (!HttpAddRequestHeadersA(request_.get(), "Accept: */*\r\n", static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_REPLACE))
        throw HttpFailure("additional header failed...");
}

void HttpClient::presetCookies(const char* path) {
    if (cookies_.empty())
        return;
    std::string url = secure_ == 1 ? "https://" : "http://";
    url += host_;
    int defaultPort = secure_ == 1 ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    if (port_ != defaultPort)
        url += ":" + std::to_string(port_);
    url += path;
    for (const HttpField& cookie : cookies_)
        if (!InternetSetCookieA(url.c_str(), cookie.name.c_str(), cookie.value.c_str()))
            throw HttpFailure("add cookie failed...");
}

bool HttpClient::sendGet(const char* path, const char* referrer) {
    openRequest("GET", path, referrer, requestFlags(false, secure_));
    presetCookies(path);
    if (!HttpSendRequestA(request_.get(), nullptr, 0, nullptr, 0))
        throw HttpFailure("request failed...");
    return true;
}

bool HttpClient::sendFormPost(const char* path, const char* referrer) {
    openRequest("POST", path, referrer, requestFlags(true, secure_));
    presetCookies(path);
    std::string body;
    for (size_t i = 0; i < formFields_.size(); ++i) {
        if (i > 0)
            body += "&";
        body += formFields_[i].name + "=" + formFields_[i].value;
    }
    const char* header = "Content-Type: application/x-www-form-urlencoded\r\n";
    BOOL sent = HttpSendRequestA(request_.get(), header, static_cast<DWORD>(strlen(header)),
                                 &body[0], static_cast<DWORD>(body.size()));
    if (!sent && GetLastError() != ERROR_HTTP_REDIRECT_NEEDS_CONFIRMATION)
        throw HttpFailure("request failed...");
    return true;
}

// A file part's content, read in blocks of 1024 bytes; a file that cannot be opened adds
// nothing, not even the line end after it.
void HttpClient::appendFilePart(std::string* body, const HttpField& field) {
    OwnedFile file(CreateFileA(field.value.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD size = GetFileSize(file.get(), nullptr);
    DWORD total = 0;
    char block[1024];
    DWORD got = 0;
    while (total <= size && ReadFile(file.get(), block, sizeof block, &got, nullptr) && got > 0) {
        body->append(block, got);
        total += got;
    }
    *body += "\r\n";
}

// The body is built to hold all of every part, whatever the sizes of names, values and files.
bool HttpClient::sendMultipartPost(const char* path, const char* referrer) {
    openRequest("POST", path, referrer, requestFlags(true, secure_));
    std::string contentType =
        std::string("Content-Type: multipart/form-data; boundary=") + kMultipartBoundary + "\r\n";
    if (!HttpAddRequestHeadersA(request_.get(), contentType.c_str(), static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        throw HttpFailure("additional header failed...");
    presetCookies(path);

    std::string body;
    for (const HttpField& field : formFields_) {
        body += std::string("--") + kMultipartBoundary +
                "\r\nContent-Disposition: form-data; name=\"" + field.name + "\"";
        if (field.isFile) {
            body += "; filename=\"" + field.value + "\"\r\n\r\n";
            appendFilePart(&body, field);
        } else {
            body += "\r\n\r\n" + field.value + "\r\n";
        }
    }
    body += std::string("--") + kMultipartBoundary + "--\r\n";

    std::string contentLength = "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (!HttpAddRequestHeadersA(request_.get(), contentLength.c_str(), static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        throw HttpFailure("additional header failed...");

    // The structure's own size: 40 bytes in the 32-bit build, wider in the 64-bit one, whose
    // WinINet expects the 64-bit layout (as with the tray structure).
    INTERNET_BUFFERSA buffers;
    memset(&buffers, 0, sizeof buffers);
    buffers.dwStructSize = sizeof buffers;
    DWORD written = 0;
    if (!HttpSendRequestExA(request_.get(), &buffers, nullptr, HSR_INITIATE, 0) ||
        !InternetWriteFile(request_.get(), body.data(), static_cast<DWORD>(body.size()),
                           &written) ||
        !HttpEndRequestA(request_.get(), nullptr, HSR_INITIATE, 0))
        throw HttpFailure("request failed");
    return true;
}

bool HttpClient::send(const char* path, int kind, const char* referrer) {
    try {
        bool sent = false;
        switch (kind) {
        case Get:
            sent = sendGet(path, referrer);
            break;
        case FormPost:
            sent = sendFormPost(path, referrer);
            break;
        case MultipartPost:
            sent = sendMultipartPost(path, referrer);
            break;
        default:
            break;
        }
        if (!sent) {
            request_.reset();
            return false;
        }
        path_ = path;
        return true;
    } catch (...) {
        request_.reset();
        return false;
    }
}

DWORD HttpClient::read(void* buffer, DWORD size) {
    DWORD got = 0;
    try {
        if (!request_)
            throw HttpFailure("connection failed...");
        if (!InternetReadFile(request_.get(), buffer, size, &got))
            throw HttpFailure("response failed...");
        return got;
    } catch (...) {
        request_.reset();
        return 0;
    }
}

DWORD HttpClient::status() {
    DWORD code = 0, size = sizeof code;
    if (!request_ ||
        !HttpQueryInfoA(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code,
                        &size, nullptr))
        return 0;
    return code;
}

void HttpClient::close() {
    request_.reset();
    connection_.reset();
    internet_.reset();
}
