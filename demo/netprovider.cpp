// The test network provider, loaded by mpr into a program that maps a drive: it appends each
// call with its arguments to the program's variable NIMBARA_NETLOG (none: no network, as under
// Wine without a provider) and to the file NIMBARA_NETLOGFILE when one is named, answers a
// mapping with the next code of NIMBARA_NETCODES (none left: success), and NPGetConnection for
// what it mapped. With NIMBARA_NETDEMO naming a Linux folder it is the demo provider: Wine has
// no WebDAV redirector, so a mapped letter stands in for that folder through Wine's mount
// manager, and is removed again when the mapping is cancelled. With NIMBARA_WEBDAV naming the
// state folder of demo/webdav.sh it does the redirector's work: the remote name becomes a WebDAV
// address, the login is checked at the server and the share mounted through FUSE, and the
// letter stands in for that mount until the mapping is cancelled.
#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <cstring>
#include <string>

static std::map<std::wstring, std::wstring> mapped; // local name -> remote name

static bool recordInFile(const std::wstring& call) {
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"NIMBARA_NETLOGFILE", path, MAX_PATH);
    FILE* file = length > 0 && length < MAX_PATH ? _wfopen(path, L"ab") : nullptr;
    if (file == nullptr)
        return false;
    fprintf(file, "%ls\n", call.c_str());
    return fclose(file) == 0;
}

// Wine's own request to its mount manager: the layout of its drive definition in Wine 8.
struct UnixDrive {
    ULONG size, type, fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset, deviceOffset, labelOffset;
};

// Lets drive letter stand in for the demo folder (folder empty: removes the letter).
static void standIn(const wchar_t* local, const char* folder) {
    char request[sizeof(UnixDrive) + MAX_PATH] = {};
    UnixDrive* drive = reinterpret_cast<UnixDrive*>(request);
    size_t length = strlen(folder);
    if (length >= MAX_PATH)
        return;
    drive->type = DRIVE_REMOTE;
    drive->letter = static_cast<WCHAR>(towlower(local[0]));
    drive->mountPointOffset = length > 0 ? sizeof(UnixDrive) : 0;
    memcpy(request + sizeof(UnixDrive), folder, length);
    drive->size = static_cast<ULONG>(sizeof(UnixDrive) + (length > 0 ? length + 1 : 0));
    HANDLE manager =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD returned = 0;
    DeviceIoControl(manager,
                    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS),
                    request, drive->size, nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
}

// A Linux folder named by the variable; empty when it is not set or too long.
static std::string folderNamedBy(const char* variable) {
    char folder[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA(variable, folder, MAX_PATH);
    return length < MAX_PATH ? folder : "";
}

static std::string demoFolder() {
    return folderNamedBy("NIMBARA_NETDEMO");
}

static std::string webdavState() {
    return folderNamedBy("NIMBARA_WEBDAV");
}

static bool record(const std::wstring& call) {
    if (recordInFile(call) || !demoFolder().empty() || !webdavState().empty())
        return true;
    wchar_t log[4096];
    DWORD length = GetEnvironmentVariableW(L"NIMBARA_NETLOG", log, 4096);
    return length > 0 && length < 4096 &&
           SetEnvironmentVariableW(L"NIMBARA_NETLOG", (std::wstring(log, length) + call).c_str());
}

static std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text)
        result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

// A Linux path as Wine's drive Z: shows it.
static std::string onDriveZ(std::string path) {
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return "Z:" + path;
}

// Every form a client builds: \\host[@SSL][@port]\share, http(s)://host[:port]/share and the
// older http(s):\\host\share.
static std::string webdavAddress(std::string remote) {
    for (char& c : remote)
        c = c == '\\' ? '/' : c;
    std::string scheme = "http";
    if (remote.rfind("//", 0) == 0) {
        remote.erase(0, 2);
        size_t end = remote.find('/'), ssl = remote.find("@SSL");
        if (ssl != std::string::npos && ssl < end)
            scheme = "https", remote.erase(ssl, 4), end -= 4;
        size_t at = remote.find('@');
        if (at != std::string::npos && at < end)
            remote[at] = ':';
    } else {
        size_t colon = remote.find(':');
        scheme = remote.substr(0, colon);
        remote.erase(0, remote.find_first_not_of('/', colon + 1));
    }
    return scheme + "://" + remote;
}

// Runs demo/webdav.sh and waits for the Windows code it writes: a Linux program started from
// Wine cannot be waited for.
static DWORD runWebdav(const std::string& arguments, const std::string& mount) {
    std::string state = webdavState(), result = onDriveZ(mount + ".result");
    DeleteFileA(result.c_str());
    std::string command = "Z:\\bin\\bash " + state + "/webdav.sh " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return ERROR_NO_NET_OR_BAD_PATH;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int n = 0; n < 600; ++n, Sleep(100)) {
        FILE* file = fopen(result.c_str(), "r");
        unsigned long code = 0;
        bool read = file != nullptr && fscanf(file, "%lu", &code) == 1;
        if (file != nullptr)
            fclose(file);
        if (read)
            return DeleteFileA(result.c_str()), code;
    }
    return ERROR_NO_NET_OR_BAD_PATH;
}

static std::string mountPoint(const wchar_t* local) {
    return webdavState() + "/mounts/" + static_cast<char>(towupper(local[0]));
}

// The login goes through a file only the script reads and deletes, never on a command line.
static DWORD mountShare(const wchar_t* local, const std::wstring& remote, const wchar_t* user,
                        const wchar_t* password) {
    std::string state = webdavState(), mount = mountPoint(local);
    FILE* login = fopen(onDriveZ(state + "/login").c_str(), "wb");
    if (login == nullptr)
        return ERROR_NO_NET_OR_BAD_PATH;
    fprintf(login, "%ls\n%ls\n", user != nullptr ? user : L"",
            password != nullptr ? password : L"");
    fclose(login);
    DWORD code =
        runWebdav("mount " + state + " " + webdavAddress(narrow(remote)) + " " + mount, mount);
    if (code == NO_ERROR)
        standIn(local, mount.c_str());
    return code;
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
    if (code == NO_ERROR && !webdavState().empty()) {
        code = mountShare(resource->lpLocalName, resource->lpRemoteName, user, password);
        record(L"mount " + std::wstring(resource->lpLocalName) + L" -> " + std::to_wstring(code) +
               L";");
    } else if (code == NO_ERROR && !demoFolder().empty())
        standIn(resource->lpLocalName, demoFolder().c_str());
    if (code == NO_ERROR)
        mapped[resource->lpLocalName] = resource->lpRemoteName;
    return code;
}

EXPORT DWORD WINAPI NPCancelConnection(LPWSTR name, BOOL force) {
    if (!record(L"cancel " + std::wstring(name) + L" force=" + std::to_wstring(force) + L";"))
        return ERROR_NO_NETWORK;
    bool letter = wcslen(name) == 2 && name[1] == L':';
    if ((!demoFolder().empty() || !webdavState().empty()) && letter)
        standIn(name, "");
    if (!webdavState().empty() && letter && mapped.count(name) > 0) {
        std::string mount = mountPoint(name);
        runWebdav("unmount " + webdavState() + " " + mount, mount);
    }
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
