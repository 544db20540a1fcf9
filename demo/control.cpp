// The control functions (see control.h).
#include "control.h"

#include <cstdlib>
#include <vector>

namespace control {

// A Linux path from the environment as Wine's drive Z: sees it; empty when the variable is unset.
static std::string windowsPath(const char* variable) {
    const char* value = getenv(variable);
    std::string path = value ? std::string("Z:") + value : std::string();
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

std::string clientPath() {
    return windowsPath("NIMBARA_EXE");
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

HWND findProperties() {
    return FindWindowA("#32770", "Eigenschaften Ihrer Nimbara");
}

bool waitForProperties(DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start <= timeoutMs; Sleep(50))
        if (findProperties() != nullptr)
            return true;
    return false;
}

struct ControlSearch {
    int id;
    HWND found;
};

static BOOL CALLBACK matchControl(HWND child, LPARAM data) {
    ControlSearch* search = reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(child) == search->id)
        search->found = child;
    return search->found == nullptr;
}

HWND findControl(HWND root, int id) {
    ControlSearch search = {id, nullptr};
    EnumChildWindows(root, matchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

static BOOL CALLBACK collectShown(HWND window, LPARAM list) {
    if (IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

bool clickTab(int index) {
    if (index < 0)
        return PostMessageA(findProperties(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    HWND tabs = findControl(findProperties(), 1024);
    DWORD processId = 0;
    GetWindowThreadProcessId(tabs, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, processId);
    // The tab control writes the item's rectangle in its own process.
    void* remote = process
                       ? VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE)
                       : nullptr;
    RECT item = {};
    bool found =
        remote != nullptr &&
        SendMessageA(tabs, 0x130A /* TCM_GETITEMRECT */, index, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(process, remote, &item, sizeof item, nullptr);
    if (remote != nullptr)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process != nullptr)
        CloseHandle(process);
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    return found && PostMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
           PostMessageA(tabs, WM_LBUTTONUP, 0, at);
}

bool enterLogin(const std::string& name, const std::string& password) {
    HWND dialog = findProperties();
    HWND nameField = findControl(dialog, 1008), passwordField = findControl(dialog, 1003);
    if (nameField == nullptr || passwordField == nullptr)
        return false;
    // As typed: the page takes a change notice of its edit fields for the user's input.
    SendMessageA(nameField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(passwordField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password.c_str()));
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0;
}

bool saveScreenshot(const std::string& name, HWND only) {
    std::string folder = windowsPath("NIMBARA_SCREENSHOTS");
    HDC screen = GetDC(nullptr);
    RECT area = {0, 0, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
    if (only != nullptr)
        GetWindowRect(only, &area);
    int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool copied = !folder.empty() && bitmap != nullptr &&
                  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    // The desktop's own picture holds no window: paint each shown one over it, lowest first,
    // as it has painted itself (a forced redraw would hide a dialog's pages under Wine).
    std::vector<HWND> windows;
    EnumWindows(collectShown, reinterpret_cast<LPARAM>(&windows));
    for (auto window = windows.rbegin(); copied && window != windows.rend(); ++window) {
        RECT r;
        HDC source = GetWindowDC(*window);
        if (GetWindowRect(*window, &r))
            BitBlt(memory, r.left - area.left, r.top - area.top, r.right - r.left, r.bottom - r.top,
                   source, 0, 0, SRCCOPY);
        ReleaseDC(*window, source);
    }
    DWORD imageSize = static_cast<DWORD>((width * 3 + 3) / 4 * 4 * height);
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof info + imageSize), 0,
                             0, static_cast<DWORD>(sizeof file + sizeof info)};
    CreateDirectoryA(folder.c_str(), nullptr);
    HANDLE out = copied ? CreateFileA((folder + "\\" + name + ".bmp").c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, 0, nullptr)
                        : INVALID_HANDLE_VALUE;
    DWORD written = 0;
    bool saved = out != INVALID_HANDLE_VALUE &&
                 WriteFile(out, &file, sizeof file, &written, nullptr) &&
                 WriteFile(out, &info, sizeof info, &written, nullptr) &&
                 WriteFile(out, bits, imageSize, &written, nullptr);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return saved;
}

} // namespace control
