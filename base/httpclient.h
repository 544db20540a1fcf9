// HttpClient: one HTTP or HTTPS request over WinINet. Construct, open, send, read until 0,
// close. Failures are raised inside each operation and come out as false or 0.
#pragma once

#include "base/handles.h"

#include <windows.h>

#include <wininet.h>

#include <string>
#include <vector>

struct HttpField {
    std::string name;
    std::string value; // for a file field: the path of the file to upload
    bool isFile = false;
};

enum RequestKind { Get = 0, FormPost = 1, MultipartPost = 2 };

// How long a request may wait for the server at each step before it counts as failed.
constexpr DWORD kConnectTimeoutMs = 30000;
constexpr DWORD kSendTimeoutMs = 30000;
constexpr DWORD kReceiveTimeoutMs = 30000;

// The handles close with the client too, whichever way it is left: close() is needed only to
// end a request earlier, and closing twice is harmless.
class HttpClient {
public:
    HttpClient();
    virtual ~HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    bool open(const char* url, const char* userName, const char* password, const char* userAgent);
    virtual bool connect(const char* host, int port, const char* userName, const char* password,
                         int secure, const char* userAgent);
    bool send(const char* path, int kind, const char* referrer);
    DWORD read(void* buffer, DWORD size);
    DWORD status(); // the answer's HTTP status once sent; 0 when there is none
    void close();

    // Fields and cookies are added between open and send (a successful connect empties both).
    void addFormField(const char* name, const char* value, bool isFile);
    void addCookie(const char* name, const char* value);

    const std::string& path() const { return path_; }
    int port() const { return port_; }
    int secure() const { return secure_; }

protected:
    virtual bool sendGet(const char* path, const char* referrer);

private:
    bool sendMultipartPost(const char* path, const char* referrer);
    bool sendFormPost(const char* path, const char* referrer);
    void openRequest(const char* method, const char* path, const char* referrer, DWORD flags);
    void presetCookies(const char* path);
    void appendFilePart(std::string* body, const HttpField& field);

    // Declared in the order of opening, so that they close in reverse: the request first.
    OwnedInternet internet_;
    OwnedInternet connection_;
    OwnedInternet request_;
    std::string host_;
    std::string userName_;
    std::string password_;
    std::string path_;
    int port_;
    int secure_;
    std::vector<HttpField> formFields_;
    std::vector<HttpField> cookies_;
};

extern const char* const kMultipartBoundary;
