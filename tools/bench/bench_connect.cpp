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
//   bench_connect HTTPS_PORT COUNT [DAVHOST MOUNT]
// With DAVHOST the drive is the real WebDAV share there (the service must hand out its login,
// the test network provider mount it through FUSE at MOUNT, a Linux path), and a 5 MB file is
// then written and read through the letter (write_letter, read_letter) and through the FUSE
// mount directly (write_mount, read_mount), COUNT times each.
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

#include <algorithm>
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

std::string remote = "https://dav.example.invalid/bench", user = "bench-name",
            password = "bench-secret";

bool mapDirectly(double* milliseconds) {
    char local[] = "T:";
    NETRESOURCEA resource = {};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpLocalName = local;
    resource.lpRemoteName = &remote[0];
    WNetCancelConnection2A(local, 0, TRUE);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD result = realAdd(&resource, password.c_str(), user.c_str(), CONNECT_UPDATE_PROFILE);
    *milliseconds = millisecondsSince(start);
    return result == NO_ERROR;
}

// Writes (and flushes) or reads the whole 5 MB file; the time in ms, or -1 when it failed.
double timedFile(const std::string& path, bool write) {
    static std::vector<char> data(5 * 1024 * 1024, 'n');
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HANDLE file = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, 0, nullptr,
                              write ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
    DWORD done = 0, total = 0;
    for (size_t at = 0; file != INVALID_HANDLE_VALUE && at < data.size(); at += 65536) {
        BOOL ok = write ? WriteFile(file, &data[at], 65536, &done, nullptr)
                        : ReadFile(file, &data[at], 65536, &done, nullptr);
        total += ok ? done : 0;
    }
    bool whole = total == data.size() && (!write || FlushFileBuffers(file));
    CloseHandle(file);
    return whole ? millisecondsSince(start) : -1;
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
    if (argc != 3 && argc != 5)
        return 2;
    int port = atoi(argv[1]), count = atoi(argv[2]);
    std::string host = "127.0.0.1:" + std::to_string(port);
    bool share = argc == 5;
    if (share) { // the service hands out the login of demo/webdav.sh's server
        remote = "https://" + std::string(argv[3]) + "/demo", user = "demo-webdav",
        password = "demo-secret";
        writeStringSetting(settings::kProductKey, settings::kDavHost, argv[3]);
    }
    writeStringSetting(settings::kProductKey, settings::kAuthApiProto, "https");
    writeStringSetting(settings::kProductKey, settings::kAuthApiHost, host.c_str());
    writeStringSetting(settings::kProductKey, settings::kDavUser, user.c_str());
    writeStringSetting(settings::kProductKey, settings::kDavPassword, password.c_str());
    writeStringSetting(settings::kProductKey, settings::kDriveLetter, "T:");
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, share ? 6 : 5);
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
    if (!share)
        return 0;
    std::string mount = "Z:" + std::string(argv[4]);
    for (char& c : mount)
        c = c == '/' ? '\\' : c;
    const std::pair<const char*, std::string> targets[] = {{"letter", "T:\\bench.bin"},
                                                           {"mount", mount + "\\bench-direct.bin"}};
    for (bool write : {true, false})
        for (const auto& [name, path] : targets) {
            std::vector<double> times;
            for (int round = 0; round < count; ++round)
                times.push_back(timedFile(path, write));
            std::sort(times.begin(), times.end());
            if (times.front() < 0) {
                fprintf(stderr, "%s %s failed\n", write ? "writing" : "reading", path.c_str());
                return 1;
            }
            print(((write ? "write_" : "read_") + std::string(name)).c_str(), times);
            if (!write)
                DeleteFileA(path.c_str());
        }
    WNetCancelConnection2A("T:", 0, TRUE);
    return 0;
}
