// bench_auth: times the client's authentication call against the local provider service, over
// HTTP and then HTTPS. The service must answer every request with a complete field answer.
//   bench_auth HTTP_PORT HTTPS_PORT COUNT
// Two unmeasured calls precede the COUNT measured ones on each protocol. Output, in milliseconds:
//   http median M min A max B runs COUNT
//   https median M min A max B runs COUNT
#include "app/appstate.h"
#include "base/registry.h"
#include "base/settings.h"
#include "service/auth.h"

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

bool measure(const char* protocol, int port, int count) {
    useService(protocol, port);
    for (int i = 0; i < kWarmUps; ++i) {
        if (authenticateCall(kUser, kPassword) != AuthResult::Succeeded) {
            std::fprintf(stderr, "bench_auth: %s warm-up call did not succeed\n", protocol);
            return false;
        }
    }
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        bool ok = authenticate(kUser, kPassword);
        times.push_back(millisecondsSince(start));
        if (!ok) {
            std::fprintf(stderr, "bench_auth: %s call %d failed\n", protocol, i + 1);
            return false;
        }
    }
    // authenticate also answers true when the service is out of reach; this call tells.
    if (authenticateCall(kUser, kPassword) != AuthResult::Succeeded || !storedNameIsExpected()) {
        std::fprintf(stderr, "bench_auth: %s calls did not store the answered login\n", protocol);
        return false;
    }
    double median = sortedMedian(times);
    std::printf("%s median %.2f min %.2f max %.2f runs %d\n", protocol, median, times.front(),
                times.back(), count);
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
    // Method 5 stores the login without building a web folder place.
    writeDwordSetting(settings::kProductKey, settings::kForceMethod, 5);
    bool ok = measure("http", httpPort, count) && measure("https", httpsPort, count);
    restoreValues(saved);
    return ok ? 0 : 1;
}
