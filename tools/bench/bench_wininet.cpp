// bench_wininet: the reference for the authentication call, the client's GET made directly with
// WinINet and nothing else: no registry, no parsing, the body read in 1024-byte chunks and only
// its size kept. Every call opens its own handles, as the client does. Four versions, measured in
// turn (one call of each per round, so a change of load meets all of them alike):
//   same       the WinINet calls of the client, in its order: the connectivity check, open with
//              the three time-outs, connect with the time-outs, the attempt to connect, the
//              request with the time-outs and the replaced Accept header, send, read, close
//   no-check   the same without the connectivity check
//   no-extras  the same without the time-outs, the attempt and the added header
//   plain      neither: open, connect, request, send, read, close
//   bench_wininet HTTP_PORT HTTPS_PORT COUNT
// Two unmeasured rounds precede the COUNT measured ones on each protocol. Output, in ms:
//   PROTOCOL VERSION median M min A max B runs COUNT
#include <windows.h>

#include "bench_timing.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWarmUps = 2;
constexpr const char* kPath = "/a/filemanager.webdav.auth?type=REST.2&username=bench-user"
                              "&password=bench-pw&ClientVersion=1.0.0&key=0";
constexpr const char* kUserAgent = "Mozilla/5.0 (compatible; Qelto Nimbara)";
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kOfflineOnly = 0x20; // INTERNET_CONNECTION_OFFLINE

struct Version {
    const char* name;
    bool check;  // InternetGetConnectedState first
    bool extras; // time-outs on every handle, InternetAttemptConnect, the Accept header
};

constexpr Version kVersions[] = {
    {"same", true, true},
    {"no-check", false, true},
    {"no-extras", true, false},
    {"plain", false, false},
};
constexpr size_t kVersionCount = sizeof kVersions / sizeof kVersions[0];

void setTimeouts(HINTERNET handle) {
    DWORD connect = kTimeoutMs, send = kTimeoutMs, receive = kTimeoutMs;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

// The request on an open connection: send, then the body to its end. False when a step failed.
bool request(HINTERNET connection, bool secure, bool extras, DWORD* bodySize) {
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
    const char* acceptTypes[] = {"*/*", nullptr};
    HINTERNET request =
        HttpOpenRequestA(connection, "GET", kPath, "HTTP/1.0", nullptr, acceptTypes, flags, 0);
    if (request == nullptr)
        return false;
    bool ok = true;
    if (extras) {
        setTimeouts(request);
        ok = HttpAddRequestHeadersA(request, "Accept: */*\r\n", static_cast<DWORD>(-1),
                                    HTTP_ADDREQ_FLAG_REPLACE) != FALSE;
    }
    ok = ok && HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    if (ok) {
        char buffer[1024];
        DWORD got = 0;
        do {
            if (!InternetReadFile(request, buffer, sizeof buffer, &got)) {
                ok = false;
                break;
            }
            *bodySize += got;
        } while (got > 0);
    }
    InternetCloseHandle(request);
    return ok;
}

// One GET in the given version. False when a step failed.
bool get(const Version& version, int port, bool secure, DWORD* bodySize) {
    *bodySize = 0;
    if (version.check) {
        DWORD state = 0;
        if (!InternetGetConnectedState(&state, 0) || state == kOfflineOnly)
            return false;
    }
    HINTERNET internet =
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet == nullptr)
        return false;
    if (version.extras)
        setTimeouts(internet);
    bool ok = false;
    HINTERNET connection = InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port),
                                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection != nullptr) {
        ok = true;
        if (version.extras) {
            setTimeouts(connection);
            ok = InternetAttemptConnect(0) == ERROR_SUCCESS;
        }
        ok = ok && request(connection, secure, version.extras, bodySize);
        InternetCloseHandle(connection);
    }
    InternetCloseHandle(internet);
    return ok;
}

bool measure(const char* protocol, int port, bool secure, int count) {
    DWORD size = 0;
    std::vector<double> times[kVersionCount];
    for (int round = 0; round < kWarmUps + count; ++round) {
        for (size_t v = 0; v < kVersionCount; ++v) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            bool ok = get(kVersions[v], port, secure, &size);
            double elapsed = millisecondsSince(start);
            if (!ok || size == 0) {
                std::fprintf(stderr, "bench_wininet: %s %s request failed in round %d\n", protocol,
                             kVersions[v].name, round + 1);
                return false;
            }
            if (round >= kWarmUps)
                times[v].push_back(elapsed);
        }
    }
    for (size_t v = 0; v < kVersionCount; ++v) {
        double median = sortedMedian(times[v]);
        std::printf("%s %s median %.2f min %.2f max %.2f runs %d\n", protocol, kVersions[v].name,
                    median, times[v].front(), times[v].back(), count);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_wininet HTTP_PORT HTTPS_PORT COUNT\n");
        return 2;
    }
    int httpPort = std::atoi(argv[1]);
    int httpsPort = std::atoi(argv[2]);
    int count = std::atoi(argv[3]);
    if (httpPort <= 0 || httpsPort <= 0 || count <= 0) {
        std::fprintf(stderr, "bench_wininet: bad arguments\n");
        return 2;
    }
    if (!measure("http", httpPort, false, count) || !measure("https", httpsPort, true, count))
        return 1;
    return 0;
}
