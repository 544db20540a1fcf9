// bench_auth: times the client's authentication call against the local provider service, over
// HTTP and then HTTPS, and beside it each step of that call on its own, so that its cost can be
// set against a bare WinINet request. The service must answer every request with a complete field
// answer. One call of each is made per round, so a change of load meets all of them alike:
//   authenticate  authenticate(), the whole call (it must succeed every time)
//   connectivity  internetAvailable(), the connectivity check
//   endpoint      readEndpoint(kAuthEndpoint), four registry reads
//   method        selectConnectionMethod(), once for the key of the request
//   request       startCall() and readAnswer() with applyAuthLine(), then close(): the request
//   store         storeConnection(): the method once more and three registry writes
// After the rounds, "probe" times selectConnectionMethod() without a forced method (the OS probe
// and the registry reads a machine without one makes); the calls above run with method 5.
//   bench_auth HTTP_PORT HTTPS_PORT COUNT
// Two unmeasured rounds precede the COUNT measured ones on each protocol. Output, in ms:
//   PROTOCOL STEP median M min A max B runs COUNT
#include "core/appstate.h"
#include "core/connectivity.h"
#include "base/registry.h"
#include "base/settings.h"
#include "core/method.h"
#include "service/auth.h"
#include "service/frame.h"

#include <windows.h>

#include "bench_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr int kWarmUps = 2;
constexpr const char* kUser = "bench-user";
constexpr const char* kPassword = "bench-pw";
constexpr const char* kExpectedName = "bench-name";

void useService(const char* protocol, int port) {
    std::string host = "127.0.0.1:" + std::to_string(port);
    writeStringSetting(settings::kProductKey, settings::kAuthApiProto, protocol);
    writeStringSetting(settings::kProductKey, settings::kAuthApiHost, host.c_str());
}

// The stored user name must be the one the service sent, else the calls measured were not the
// successful ones.
bool storedNameIsExpected() {
    std::string name;
    return readProductString(settings::kDavUser, &name) && name == kExpectedName;
}

// A value of the product key as it was before the benchmark, so the prefix's other benchmarks
// meet the same settings on every run.
struct SavedValue {
    const char* name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::vector<SavedValue> saveValues(std::initializer_list<const char*> names) {
    std::vector<SavedValue> saved;
    HKEY key = nullptr;
    bool opened = RegOpenKeyExA(HKEY_CURRENT_USER, settings::kProductKey, 0, KEY_QUERY_VALUE,
                                &key) == ERROR_SUCCESS;
    for (const char* name : names) {
        SavedValue value;
        value.name = name;
        DWORD size = 0;
        if (opened &&
            RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            value.present =
                RegQueryValueExA(key, name, nullptr, &value.type,
                                 size ? value.data.data() : nullptr, &size) == ERROR_SUCCESS;
            value.data.resize(size);
        }
        saved.push_back(value);
    }
    if (opened)
        RegCloseKey(key);
    return saved;
}

void restoreValues(const std::vector<SavedValue>& saved) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settings::kProductKey, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    for (const SavedValue& value : saved) {
        if (value.present)
            RegSetValueExA(key, value.name, 0, value.type,
                           value.data.empty() ? nullptr : value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        else
            RegDeleteValueA(key, value.name);
    }
    RegCloseKey(key);
}

// The values the service answers with (see tools/benchmark.sh), as storeConnection gets them.
constexpr const char* kAnsweredShare = "https://dav.example.invalid/bench";
constexpr const char* kAnsweredPassword = "bench-secret";
// Method 5 stores the login without building a web folder place.
constexpr DWORD kForcedMethod = 5;

// The request step: what authenticate does between its key and storing the answer.
bool requestOnce(const Endpoint& endpoint, const std::string& keySuffix) {
    HttpClient client;
    if (startCall(endpoint, kUser, kPassword, keySuffix, &client) != CallStart::Sent)
        return false;
    FieldAnswer answer;
    UpdateInfo update;
    readAnswer(&client, [&answer, &update](const std::string& line) {
        applyAuthLine(line, &answer, &update);
    });
    client.close();
    return completeCredentials(answer);
}

enum Step { Authenticate, Connectivity, EndpointRead, Method, Request, Store, StepCount };
constexpr const char* kStepNames[StepCount] = {"authenticate", "connectivity", "endpoint",
                                               "method",       "request",      "store"};

// Runs one step; false when it did not do its work.
bool runStep(int step, const Endpoint& endpoint, const std::string& keySuffix) {
    switch (step) {
    case Authenticate:
        return authenticate(kUser, kPassword).result == AuthResult::Succeeded;
    case Connectivity:
        return internetAvailable();
    case EndpointRead:
        return readEndpoint(kAuthEndpoint).host == endpoint.host;
    case Method:
        return selectConnectionMethod() == static_cast<ConnectionMethod>(kForcedMethod);
    case Request:
        return requestOnce(endpoint, keySuffix);
    case Store:
        return storeConnection(kAnsweredShare, kAnsweredPassword, kExpectedName);
    default:
        return false;
    }
}

void printFigures(const char* protocol, const char* step, std::vector<double>& times) {
    double median = sortedMedian(times);
    std::printf("%s %s median %.2f min %.2f max %.2f runs %d\n", protocol, step, median,
                times.front(), times.back(), static_cast<int>(times.size()));
}

// selectConnectionMethod() as a machine without a forced method runs it.
void measureProbe(const char* protocol, int count) {
    RegistryKey(HKEY_CURRENT_USER).remove(settings::kProductKey, settings::kForceMethod);
    std::vector<double> times;
    for (int i = 0; i < kWarmUps + count; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        selectConnectionMethod();
        double elapsed = millisecondsSince(start);
        if (i >= kWarmUps)
            times.push_back(elapsed);
    }
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, kForcedMethod);
    printFigures(protocol, "probe", times);
}

bool measure(const char* protocol, int port, int count) {
    useService(protocol, port);
    Endpoint endpoint = readEndpoint(kAuthEndpoint);
    std::string keySuffix = "&key=" + std::to_string(credentialKind(selectConnectionMethod()));
    std::vector<double> times[StepCount];
    for (int round = 0; round < kWarmUps + count; ++round) {
        for (int step = 0; step < StepCount; ++step) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            bool ok = runStep(step, endpoint, keySuffix);
            double elapsed = millisecondsSince(start);
            if (!ok) {
                std::fprintf(stderr, "bench_auth: %s %s failed in round %d\n", protocol,
                             kStepNames[step], round + 1);
                return false;
            }
            if (round >= kWarmUps)
                times[step].push_back(elapsed);
        }
    }
    // The store step writes the answered login too: another name first, so that this call shows
    // that the whole call stores it.
    writeStringSetting(settings::kProductKey, settings::kDavUser, "bench-other");
    if (authenticate(kUser, kPassword).result != AuthResult::Succeeded || !storedNameIsExpected()) {
        std::fprintf(stderr, "bench_auth: %s calls did not store the answered login\n", protocol);
        return false;
    }
    for (int step = 0; step < StepCount; ++step)
        printFigures(protocol, kStepNames[step], times[step]);
    measureProbe(protocol, count);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_auth HTTP_PORT HTTPS_PORT COUNT\n");
        return 2;
    }
    int httpPort = std::atoi(argv[1]);
    int httpsPort = std::atoi(argv[2]);
    int count = std::atoi(argv[3]);
    if (httpPort <= 0 || httpsPort <= 0 || count <= 0) {
        std::fprintf(stderr, "bench_auth: bad arguments\n");
        return 2;
    }
    app = AppState();
    app.instance = GetModuleHandleA(nullptr);
    std::vector<SavedValue> saved =
        saveValues({settings::kForceMethod, settings::kAuthApiProto, settings::kAuthApiHost,
                    settings::kDavUser, settings::kDavPassword, settings::kDavShare});
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, kForcedMethod);
    bool ok = measure("http", httpPort, count) && measure("https", httpsPort, count);
    restoreValues(saved);
    return ok ? 0 : 1;
}
