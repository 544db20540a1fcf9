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

HttpClient::HttpClient()
    : internet_(nullptr), connection_(nullptr), request_(nullptr), port_(0), secure_(0) {}

HttpClient::~HttpClient() {
    clearFields();
    for (HttpField* cookie : cookies_)
        delete cookie;
}

void HttpClient::clearFields() {
    for (HttpField* field : formFields_)
        delete field;
    formFields_.clear();
}

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
        internet_ = InternetOpenA(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!usable(internet_))
            throw HttpFailure("open internet failed...");
        // A server that accepts the connection and never answers must not hold the client
        // forever: every wait is bounded.
        setTimeouts(internet_);
        int portInUse = port;
        if (secure == 0 || secure == 1) {
            if (portInUse == 0)
                portInUse = secure == 1 ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
            connection_ = InternetConnectA(internet_, host, static_cast<INTERNET_PORT>(portInUse),
                                           userName, password, INTERNET_SERVICE_HTTP, 0, 0);
            if (usable(connection_))
                setTimeouts(connection_);
        }
        if (!usable(connection_))
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
        for (HttpField* cookie : cookies_)
            delete cookie;
        cookies_.clear();
        clearFields();
        return true;
    } catch (...) {
        if (connection_ != nullptr)
            InternetCloseHandle(connection_);
        if (internet_ != nullptr)
            InternetCloseHandle(internet_);
        connection_ = nullptr;
        internet_ = nullptr;
        return false;
    }
}

void HttpClient::addFormField(const char* name, const char* value, bool isFile) {
    HttpField* field = new HttpField;
    field->name = name;
    field->value = value;
    field->isFile = isFile;
    formFields_.push_back(field);
}

void HttpClient::addCookie(const char* name, const char* value) {
    HttpField* cookie = new HttpField;
    cookie->name = name;
    cookie->value = value;
    cookies_.push_back(cookie);
}

void HttpClient::openRequest(const char* method, const char* path, const char* referrer,
                             DWORD flags) {
    if (!usable(connection_))
        throw HttpFailure("handle not opened...");
    const char* acceptTypes[] = {"*/*", nullptr};
    request_ =
        HttpOpenRequestA(connection_, method, path, "HTTP/1.0", referrer, acceptTypes, flags, 0);
    if (!usable(request_))
        throw HttpFailure("request failed...");
    // Wine's WinINet does not hand the time-outs down from the root handle.
    setTimeouts(request_);
    if (!HttpAddRequestHeadersA(request_, "Accept: */*\r\n", static_cast<DWORD>(-1),
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
    for (HttpField* cookie : cookies_)
        if (!InternetSetCookieA(url.c_str(), cookie->name.c_str(), cookie->value.c_str()))
            throw HttpFailure("add cookie failed...");
}

bool HttpClient::sendGet(const char* path, const char* referrer) {
    openRequest("GET", path, referrer, requestFlags(false, secure_));
    presetCookies(path);
    if (!HttpSendRequestA(request_, nullptr, 0, nullptr, 0))
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
        body += formFields_[i]->name + "=" + formFields_[i]->value;
    }
    const char* header = "Content-Type: application/x-www-form-urlencoded\r\n";
    BOOL sent = HttpSendRequestA(request_, header, static_cast<DWORD>(strlen(header)), &body[0],
                                 static_cast<DWORD>(body.size()));
    if (!sent && GetLastError() != ERROR_HTTP_REDIRECT_NEEDS_CONFIRMATION)
        throw HttpFailure("request failed...");
    return true;
}

// A file part's content, read in blocks of 1024 bytes; a file that cannot be opened adds
// nothing, not even the line end after it.
void HttpClient::appendFilePart(std::string* body, const HttpField& field) {
    HANDLE file = CreateFileA(field.value.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD size = GetFileSize(file, nullptr);
    DWORD total = 0;
    char block[1024];
    DWORD got = 0;
    while (total <= size && ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) {
        body->append(block, got);
        total += got;
    }
    *body += "\r\n";
    CloseHandle(file);
}

// The body is built to hold all of every part, whatever the sizes of names, values and files.
bool HttpClient::sendMultipartPost(const char* path, const char* referrer) {
    openRequest("POST", path, referrer, requestFlags(true, secure_));
    std::string contentType =
        std::string("Content-Type: multipart/form-data; boundary=") + kMultipartBoundary + "\r\n";
    if (!HttpAddRequestHeadersA(request_, contentType.c_str(), static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        throw HttpFailure("additional header failed...");
    presetCookies(path);

    std::string body;
    for (HttpField* field : formFields_) {
        body += std::string("--") + kMultipartBoundary +
                "\r\nContent-Disposition: form-data; name=\"" + field->name + "\"";
        if (field->isFile) {
            body += "; filename=\"" + field->value + "\"\r\n\r\n";
            appendFilePart(&body, *field);
        } else {
            body += "\r\n\r\n" + field->value + "\r\n";
        }
    }
    body += std::string("--") + kMultipartBoundary + "--\r\n";

    std::string contentLength = "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (!HttpAddRequestHeadersA(request_, contentLength.c_str(), static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        throw HttpFailure("additional header failed...");

    // The structure's own size: 40 bytes in the 32-bit build, wider in the 64-bit one, whose
    // WinINet expects the 64-bit layout (as with the tray structure).
    INTERNET_BUFFERSA buffers;
    memset(&buffers, 0, sizeof buffers);
    buffers.dwStructSize = sizeof buffers;
    DWORD written = 0;
    if (!HttpSendRequestExA(request_, &buffers, nullptr, HSR_INITIATE, 0) ||
        !InternetWriteFile(request_, body.data(), static_cast<DWORD>(body.size()), &written) ||
        !HttpEndRequestA(request_, nullptr, HSR_INITIATE, 0))
        throw HttpFailure("request failed");
    return true;
}

void HttpClient::closeRequest() {
    if (request_ != nullptr)
        InternetCloseHandle(request_);
    request_ = nullptr;
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
            closeRequest();
            return false;
        }
        path_ = path;
        return true;
    } catch (...) {
        closeRequest();
        return false;
    }
}

DWORD HttpClient::read(void* buffer, DWORD size) {
    DWORD got = 0;
    try {
        if (request_ == nullptr)
            throw HttpFailure("connection failed...");
        if (!InternetReadFile(request_, buffer, size, &got))
            throw HttpFailure("response failed...");
        return got;
    } catch (...) {
        closeRequest();
        return 0;
    }
}

void HttpClient::close() {
    closeRequest();
    if (connection_ != nullptr)
        InternetCloseHandle(connection_);
    if (internet_ != nullptr)
        InternetCloseHandle(internet_);
    connection_ = nullptr;
    internet_ = nullptr;
}
