// The test network provider: a DLL that the network-provider router (mpr) loads from the test
// prefix's provider order, so that WNetAddConnection2A and WNetCancelConnection2A reach a
// provider the tests control. Each call is recorded with its arguments in calls.log of the
// directory named by NIMBARA_NETPROVIDER_DIR; NPAddConnection3 answers with the next code of
// codes.txt there (success when none is left); NPGetConnection answers for what it mapped. A
// process without that variable finds no network here, as Wine without a provider answers.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::wstring, std::wstring> mapped; // local name -> remote name

std::string pathOf(const char* file) {
    char directory[MAX_PATH] = "";
    GetEnvironmentVariableA("NIMBARA_NETPROVIDER_DIR", directory, sizeof directory);
    return directory[0] ? std::string(directory) + "\\" + file : "";
}

void record(const char* format, ...) {
    FILE* log = fopen(pathOf("calls.log").c_str(), "ab");
    if (log == nullptr)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fclose(log);
}

// The first code of codes.txt, which is taken off the list.
DWORD nextCode() {
    std::vector<unsigned long> codes;
    unsigned long code;
    if (FILE* in = fopen(pathOf("codes.txt").c_str(), "r")) {
        while (fscanf(in, "%lu", &code) == 1)
            codes.push_back(code);
        fclose(in);
    }
    if (codes.empty())
        return NO_ERROR;
    if (FILE* out = fopen(pathOf("codes.txt").c_str(), "w")) {
        for (size_t i = 1; i < codes.size(); ++i)
            fprintf(out, "%lu ", codes[i]);
        fclose(out);
    }
    return codes[0];
}

} // namespace

extern "C" {

// Version 5.1 of the interface, a WebDAV provider, started, with the three entry points below.
__declspec(dllexport) DWORD WINAPI NPGetCaps(DWORD index) {
    const DWORD caps[] = {0, 0x00050001, 0x002E0000, 1, 0, 0, 0x08 | 0x02 | 0x04};
    return index < 7 ? caps[index] : index == 0x0C ? 1 : 0;
}

__declspec(dllexport) DWORD WINAPI
    NPAddConnection3(HWND, NETRESOURCEW* resource, LPWSTR password, LPWSTR userName, DWORD flags) {
    if (pathOf("").empty())
        return ERROR_NO_NETWORK;
    DWORD code = nextCode();
    record("add %ls %ls user=%ls password=%ls type=%lu flags=%lu -> %lu\n", resource->lpLocalName,
           resource->lpRemoteName, userName, password, resource->dwType, flags, code);
    if (code == 0)
        mapped[resource->lpLocalName] = resource->lpRemoteName;
    return code;
}

__declspec(dllexport) DWORD WINAPI NPCancelConnection(LPWSTR name, BOOL force) {
    if (pathOf("").empty())
        return ERROR_NO_NETWORK;
    record("cancel %ls force=%d\n", name, force);
    return mapped.erase(name) > 0 ? NO_ERROR : ERROR_NOT_CONNECTED;
}

__declspec(dllexport) DWORD WINAPI
    NPGetConnection(LPWSTR localName, LPWSTR remoteName, LPDWORD size) {
    auto found = mapped.find(localName);
    if (found == mapped.end())
        return ERROR_NOT_CONNECTED;
    if (*size <= found->second.size()) {
        *size = static_cast<DWORD>(found->second.size() + 1);
        return ERROR_MORE_DATA;
    }
    wcscpy(remoteName, found->second.c_str());
    return NO_ERROR;
}

} // extern "C"
