// The control functions (see control.h).
#include "control.h"

#include <cstdlib>
#include <vector>

namespace control {

std::string windowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string clientPath() {
    const char* exe = getenv("NIMBARA_EXE");
    return exe ? windowsPath(exe) : std::string();
}

Process start(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    Process process;
    if (CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process.handle = info.hProcess;
        process.id = info.dwProcessId;
    }
    return process;
}

DWORD waitExit(Process& process, DWORD timeoutMs) {
    if (process.handle == nullptr)
        return STILL_ACTIVE;
    if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.handle, &code);
    return code;
}

void release(Process& process) {
    if (process.handle != nullptr)
        CloseHandle(process.handle);
    process.handle = nullptr;
}

void kill(Process& process) {
    if (process.handle != nullptr) {
        TerminateProcess(process.handle, 99);
        WaitForSingleObject(process.handle, 10000);
    }
    release(process);
}

HWND findClient() {
    return FindWindowA(kClientClass, nullptr);
}

DWORD clientProcessId() {
    HWND window = findClient();
    DWORD id = 0;
    if (window != nullptr)
        GetWindowThreadProcessId(window, &id);
    return id;
}

HWND waitForClient(DWORD timeoutMs, DWORD processId) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = findClient();
        if (window != nullptr && (processId == 0 || clientProcessId() == processId))
            return window;
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

bool waitForNoClient(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (findClient() != nullptr) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

bool sendCommand(WORD command, WORD notification) {
    HWND window = findClient();
    DWORD_PTR result = 0;
    return window != nullptr &&
           SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(command, notification), 0,
                               SMTO_ABORTIFHUNG, 60000, &result) != 0;
}

bool sendTray(UINT mouseMessage) {
    HWND window = findClient();
    // Posted, not sent: the tray menu runs a modal loop inside the client's handler.
    return window != nullptr && PostMessageA(window, WM_USER + 101, 1, mouseMessage) != 0;
}

} // namespace control
