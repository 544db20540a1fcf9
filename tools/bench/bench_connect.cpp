// bench_connect: times the client's connect command, from IDM_CONNECT reaching the main window
// procedure to the return of its mapping call, beside the two outside calls it waits for, made
// directly: the authentication GET against the local provider service (WinINet, the same
// request) and WNetAddConnection2A against the test network provider registered in the prefix.
// The service must answer every request with a complete field answer. One of each per round:
//   connect  IDM_CONNECT until WNetAddConnection2A returns, with nothing mapped before, as
//            after start-up (the client's own calls in between: its unmount, which pauses only
//            when it found a mapping, the online check, the drive scan, the notices, the
//            credential refresh and the registry)
//   auth     the same authentication GET, made with bare WinINet calls
//   map      WNetAddConnection2A with the same names, after cancelling the mapping
//   pause    the time the client spent in its own pauses during connect
//   bench_connect HTTPS_PORT COUNT
// Two unmeasured rounds precede the COUNT measured ones. Output, in ms:
//   NAME median M min A max B runs COUNT
#include "core/appstate.h"
#include "app/mainwindow.h"
#include "base/pause.h"
#include "base/registry.h"
#include "base/settings.h"
#include "res/resource.h"

#include <windows.h>
#include <wininet.h>

#include "bench_timing.h"
#include "iat.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kWarmUps = 2;
constexpr const char* kPath = "/a/filemanager.webdav.auth?type=REST.2&username=bench-name&password="
                              "bench-secret&ClientVersion=1.0.0&key=0";

LARGE_INTEGER mapped;
double paused = 0;
decltype(&WNetAddConnection2A) realAdd = nullptr;

DWORD APIENTRY timedAdd(LPNETRESOURCEA resource, LPCSTR password, LPCSTR user, DWORD flags) {
    DWORD result = realAdd(resource, password, user, flags);
    QueryPerformanceCounter(&mapped);
    return result;
}

bool authenticateDirectly(int port) {
    HINTERNET session =
        InternetOpenA("Mozilla/5.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", static_cast<WORD>(port), nullptr,
                                            nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(
        connection, "GET", kPath, nullptr, nullptr, nullptr,
        INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    bool sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0) != FALSE;
    char buffer[1024];
    DWORD got = 0;
    while (sent && InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
    }
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
    InternetCloseHandle(session);
    return sent;
}

bool mapDirectly(double* milliseconds) {
    char local[] = "T:", remote[] = "https://dav.example.invalid/bench";
    NETRESOURCEA resource = {};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpLocalName = local;
    resource.lpRemoteName = remote;
    WNetCancelConnection2A(local, 0, TRUE);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD result = realAdd(&resource, "bench-secret", "bench-name", CONNECT_UPDATE_PROFILE);
    *milliseconds = millisecondsSince(start);
    return result == NO_ERROR;
}

void print(const char* name, std::vector<double> values) {
    double median = sortedMedian(values);
    printf("%s median %.2f min %.2f max %.2f runs %u\n", name, median, values.front(),
           values.back(), static_cast<unsigned>(values.size()));
}

} // namespace

// The client's pauses, timed: they are part of its own time.
void pauseMilliseconds(DWORD milliseconds) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    Sleep(milliseconds);
    paused += millisecondsSince(start);
}

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    int port = atoi(argv[1]), count = atoi(argv[2]);
    std::string host = "127.0.0.1:" + std::to_string(port);
    writeStringSetting(settings::kProductKey, settings::kAuthApiProto, "https");
    writeStringSetting(settings::kProductKey, settings::kAuthApiHost, host.c_str());
    writeStringSetting(settings::kProductKey, settings::kDavUser, "bench-name");
    writeStringSetting(settings::kProductKey, settings::kDavPassword, "bench-secret");
    writeStringSetting(settings::kProductKey, settings::kDriveLetter, "T:");
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 5);
    // The test network provider answers only when it can log each call.
    SetEnvironmentVariableA("NIMBARA_NETLOGFILE", "bench-netlog.txt");
    realAdd = redirectImport("mpr.dll", "WNetAddConnection2A", &timedAdd);
    app.instance = GetModuleHandleA(nullptr);
    if (realAdd == nullptr)
        return 3;

    std::vector<double> connect, auth, map, pauses;
    for (int round = 0; round < kWarmUps + count; ++round) {
        app.connected = false;
        WNetCancelConnection2A("T:", 0, TRUE); // the direct mapping of the round before
        paused = 0;
        mapped.QuadPart = 0;
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        mainWindowProc(nullptr, WM_COMMAND, MAKEWPARAM(IDM_CONNECT, 0), 0);
        if (mapped.QuadPart == 0 || !app.connected) {
            fprintf(stderr, "round %d: the client did not map the drive\n", round);
            return 1;
        }
        double client = millisecondsSince(start) - millisecondsSince(mapped);
        LARGE_INTEGER authStart;
        QueryPerformanceCounter(&authStart);
        bool authOk = authenticateDirectly(port);
        double authTime = millisecondsSince(authStart), mapTime = 0;
        if (!authOk || !mapDirectly(&mapTime)) {
            fprintf(stderr, "round %d: a direct call failed\n", round);
            return 1;
        }
        if (round < kWarmUps)
            continue;
        connect.push_back(client);
        auth.push_back(authTime);
        map.push_back(mapTime);
        pauses.push_back(paused);
    }
    print("connect", connect);
    print("auth", auth);
    print("map", map);
    print("pause", pauses);
    return 0;
}
