// The control functions (see control.h).
#include "control.h"

#include <cstdlib>

namespace control {

std::string clientPath() {
    const char* exe = getenv("NIMBARA_EXE");
    std::string path = exe ? std::string("Z:") + exe : std::string();
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

HANDLE start(const std::string& arguments, const std::string& program) {
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " ");
    commandLine += arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

DWORD waitExit(HANDLE process, DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (process != nullptr && WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    return code;
}

HWND findClient() {
    return FindWindowA("QeltoNimbaraWindowsClient", nullptr);
}

DWORD clientProcessId() {
    DWORD id = 0;
    HWND window = findClient();
    if (window != nullptr)
        GetWindowThreadProcessId(window, &id);
    return id;
}

bool waitForClient(DWORD timeoutMs, DWORD processId) {
    for (DWORD start = GetTickCount(); GetTickCount() - start <= timeoutMs; Sleep(50))
        if (findClient() != nullptr && (processId == 0 || clientProcessId() == processId))
            return true;
    return false;
}

bool waitForNoClient(DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start <= timeoutMs; Sleep(50))
        if (findClient() == nullptr)
            return true;
    return false;
}

bool sendCommand(WORD command) {
    DWORD_PTR result = 0;
    HWND window = findClient();
    return window != nullptr && SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0,
                                                    SMTO_ABORTIFHUNG, 60000, &result) != 0;
}

bool postTray(UINT mouseMessage) {
    HWND window = findClient();
    return window != nullptr && PostMessageA(window, WM_USER + 101, 1, mouseMessage) != 0;
}

} // namespace control
