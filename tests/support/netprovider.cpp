// The test network provider, loaded by mpr into a program that maps a drive: it appends each
// call with its arguments to the program's variable NIMBARA_NETLOG (none: no network, as under
// Wine without a provider), answers a mapping with the next code of NIMBARA_NETCODES (none
// left: success), and NPGetConnection for what it mapped.
#include <windows.h>

#include <cwchar>
#include <map>
#include <string>

static std::map<std::wstring, std::wstring> mapped; // local name -> remote name

static bool record(const std::wstring& call) {
    wchar_t log[4096];
    DWORD length = GetEnvironmentVariableW(L"NIMBARA_NETLOG", log, 4096);
    return length > 0 && length < 4096 &&
           SetEnvironmentVariableW(L"NIMBARA_NETLOG", (std::wstring(log, length) + call).c_str());
}

#define EXPORT extern "C" __declspec(dllexport)

EXPORT DWORD WINAPI NPGetCaps(DWORD index) { // interface 5.1, WebDAV, started, 3 entry points
    const DWORD caps[] = {0, 0x00050001, 0x002E0000, 1, 0, 0, 0x08 | 0x02 | 0x04};
    return index < 7 ? caps[index] : index == 0x0C ? 1 : 0;
}

EXPORT DWORD WINAPI NPAddConnection3(HWND, NETRESOURCEW* resource, LPWSTR password, LPWSTR user,
                                     DWORD flags) {
    wchar_t codes[256] = L"", *rest = codes;
    GetEnvironmentVariableW(L"NIMBARA_NETCODES", codes, 256);
    DWORD code = wcstoul(codes, &rest, 10);
    SetEnvironmentVariableW(L"NIMBARA_NETCODES", rest);
    if (!record(L"add " + std::wstring(resource->lpLocalName) + L" " + resource->lpRemoteName +
                L" user=" + user + L" password=" + password + L" type=" +
                std::to_wstring(resource->dwType) + L" flags=" + std::to_wstring(flags) + L" -> " +
                std::to_wstring(code) + L";"))
        return ERROR_NO_NETWORK;
    if (code == NO_ERROR)
        mapped[resource->lpLocalName] = resource->lpRemoteName;
    return code;
}

EXPORT DWORD WINAPI NPCancelConnection(LPWSTR name, BOOL force) {
    if (!record(L"cancel " + std::wstring(name) + L" force=" + std::to_wstring(force) + L";"))
        return ERROR_NO_NETWORK;
    return mapped.erase(name) > 0 ? NO_ERROR : ERROR_NOT_CONNECTED;
}

EXPORT DWORD WINAPI NPGetConnection(LPWSTR local, LPWSTR remote, LPDWORD size) {
    auto found = mapped.find(local);
    if (found == mapped.end())
        return ERROR_NOT_CONNECTED;
    DWORD given = *size;
    *size = static_cast<DWORD>(found->second.size() + 1);
    return *size > given ? ERROR_MORE_DATA : (wcscpy(remote, found->second.c_str()), NO_ERROR);
}
