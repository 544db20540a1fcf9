// The test network provider: a DLL that the Windows network-provider router (mpr) loads from the
// test prefix's provider order, so that the client's WNetAddConnection2A and
// WNetCancelConnection2A reach a provider the tests control. Every call is recorded with its
// arguments, one line each, in calls.log of the directory named by NIMBARA_NETPROVIDER_DIR;
// NPAddConnection3 answers with the next code of codes.txt there (success when none is left);
// NPGetConnection answers for what it has mapped. A process without that variable finds no
// network here, as Wine without a provider answers.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// From the network-provider interface (npapi.h declares the entry points with TCHAR types).
const DWORD kSpecVersion = 0x01, kNetType = 0x02, kDriverVersion = 0x03, kConnection = 0x06,
            kStart = 0x0C;
const DWORD kAddConnection3 = 0x08, kCancelConnection = 0x02, kGetConnections = 0x04;
const DWORD kNoNetwork = 1222, kNotConnected = 2250, kMoreData = 234;

std::map<std::wstring, std::wstring> mapped; // local name -> remote name

std::string directory() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("NIMBARA_NETPROVIDER_DIR", path, sizeof path);
    return n > 0 && n < sizeof path ? path : "";
}

std::string narrow(const wchar_t* text) {
    if (text == nullptr)
        return "(null)";
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

void record(const std::string& line) {
    FILE* log = fopen((directory() + "\\calls.log").c_str(), "ab");
    if (log != nullptr) {
        fprintf(log, "%s\n", line.c_str());
        fclose(log);
    }
}

// The first code of codes.txt, which is taken off the list.
DWORD nextCode() {
    std::string path = directory() + "\\codes.txt";
    std::vector<unsigned long> codes;
    unsigned long code;
    FILE* in = fopen(path.c_str(), "r");
    while (in != nullptr && fscanf(in, "%lu", &code) == 1)
        codes.push_back(code);
    if (in != nullptr)
        fclose(in);
    if (codes.empty())
        return 0;
    FILE* out = fopen(path.c_str(), "w");
    for (size_t i = 1; out != nullptr && i < codes.size(); ++i)
        fprintf(out, "%lu\n", codes[i]);
    if (out != nullptr)
        fclose(out);
    return codes[0];
}

} // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI NPGetCaps(DWORD index) {
    switch (index) {
    case kSpecVersion:
        return 0x00050001;
    case kNetType:
        return 0x002E0000; // WNNC_NET_DAV
    case kDriverVersion:
    case kStart:
        return 1;
    case kConnection:
        return kAddConnection3 | kCancelConnection | kGetConnections;
    default:
        return 0;
    }
}

__declspec(dllexport) DWORD WINAPI
    NPAddConnection3(HWND, NETRESOURCEW* resource, LPWSTR password, LPWSTR userName, DWORD flags) {
    if (directory().empty())
        return kNoNetwork;
    DWORD code = nextCode();
    record("add " + narrow(resource->lpLocalName) + " " + narrow(resource->lpRemoteName) +
           " user=" + narrow(userName) + " password=" + narrow(password) +
           " type=" + std::to_string(resource->dwType) + " flags=" + std::to_string(flags) +
           " -> " + std::to_string(code));
    if (code == 0 && resource->lpLocalName != nullptr)
        mapped[resource->lpLocalName] = resource->lpRemoteName;
    return code;
}

__declspec(dllexport) DWORD WINAPI NPCancelConnection(LPWSTR name, BOOL force) {
    if (directory().empty())
        return kNoNetwork;
    record("cancel " + narrow(name) + " force=" + std::to_string(force));
    return mapped.erase(name) > 0 ? 0 : kNotConnected;
}

__declspec(dllexport) DWORD WINAPI
    NPGetConnection(LPWSTR localName, LPWSTR remoteName, LPDWORD size) {
    if (directory().empty())
        return kNoNetwork;
    record("get " + narrow(localName));
    auto found = mapped.find(localName);
    if (found == mapped.end())
        return kNotConnected;
    DWORD needed = static_cast<DWORD>(found->second.size() + 1);
    if (*size < needed) {
        *size = needed;
        return kMoreData;
    }
    wcscpy(remoteName, found->second.c_str());
    return 0;
}

} // extern "C"
