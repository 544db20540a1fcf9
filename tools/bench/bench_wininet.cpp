// bench_wininet: the reference for the authentication call, the same GET made directly with
// WinINet: open, connect, request, send, read the body in 1024-byte chunks without parsing it,
// close. Every call opens its own handles, as the client does.
//   bench_wininet HTTP_PORT HTTPS_PORT COUNT
// Two unmeasured calls precede the COUNT measured ones on each protocol. Output, in milliseconds:
//   http median M min A max B runs COUNT
//   https median M min A max B runs COUNT
#include <windows.h>

#include "bench_timing.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWarmUps = 2;
constexpr const char* kPath = "/a/filemanager.webdav.auth?type=REST.2&username=bench-user"
                              "&password=bench-pw&ClientVersion=1.0.0&key=0";
constexpr const char* kUserAgent = "Mozilla/5.0 (compatible; Qelto Nimbara)";

// One GET; the body is read whole and only its size is kept. False when a step failed.
bool get(int port, bool secure, DWORD* bodySize) {
    *bodySize = 0;
    HINTERNET internet =
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet == nullptr)
        return false;
    bool ok = false;
    HINTERNET connection = InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port),
                                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection != nullptr) {
        DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
        const char* acceptTypes[] = {"*/*", nullptr};
        HINTERNET request =
            HttpOpenRequestA(connection, "GET", kPath, "HTTP/1.0", nullptr, acceptTypes, flags, 0);
        if (request != nullptr) {
            if (HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
                char buffer[1024];
                DWORD got = 0;
                ok = true;
                do {
                    if (!InternetReadFile(request, buffer, sizeof buffer, &got)) {
                        ok = false;
                        break;
                    }
                    *bodySize += got;
                } while (got > 0);
            }
            InternetCloseHandle(request);
        }
        InternetCloseHandle(connection);
    }
    InternetCloseHandle(internet);
    return ok;
}

bool measure(const char* protocol, int port, bool secure, int count) {
    DWORD size = 0;
    for (int i = 0; i < kWarmUps; ++i) {
        if (!get(port, secure, &size) || size == 0) {
            std::fprintf(stderr, "bench_wininet: %s warm-up request failed\n", protocol);
            return false;
        }
    }
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        bool ok = get(port, secure, &size);
        times.push_back(millisecondsSince(start));
        if (!ok || size == 0) {
            std::fprintf(stderr, "bench_wininet: %s request %d failed\n", protocol, i + 1);
            return false;
        }
    }
    double median = sortedMedian(times);
    std::printf("%s median %.2f min %.2f max %.2f runs %d\n", protocol, median, times.front(),
                times.back(), count);
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
