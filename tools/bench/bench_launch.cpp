// bench_launch: starts a program several times and prints the median of a start-up time. It runs
// inside Wine, so the cost of the Linux loader that starts Wine itself is not part of the figure.
//   bench_launch COUNT exit PROGRAM [ARGUMENTS...]
//       time from CreateProcessA until the process has ended (it must exit with code 0)
//   bench_launch COUNT window CLASS STOP PROGRAM [ARGUMENTS...]
//       time from CreateProcessA until FindWindowA finds a window of CLASS owned by the new
//       process; then STOP ends it: a number is sent to that window as a WM_COMMAND id, "kill"
//       terminates the process. Either way the next run starts only after the process has ended.
// One unmeasured warm-up run precedes the COUNT measured ones. Output, in milliseconds:
//   median M min A max B runs COUNT
#include <windows.h>

#include "bench_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A run or a shutdown that takes longer than this counts as hung.
constexpr DWORD kRunLimitMs = 60000;
constexpr DWORD kStopLimitMs = 30000;
// Pause between two looks for the window; short against start-up times of hundreds of
// milliseconds, long enough that the polling does not compete with the program it waits for.
constexpr DWORD kPollMs = 1;

struct Options {
    int count = 0;
    bool windowMode = false;
    std::string windowClass;
    bool stopByKill = false;
    WORD stopCommand = 0;
    std::string program;
    std::string commandLine;
};

// Quotes an argument for the child's command line when it holds blanks or quotes, or is empty.
void appendArgument(std::string& line, const char* argument) {
    line += ' ';
    if (*argument != '\0' && strpbrk(argument, " \t\"") == nullptr) {
        line += argument;
        return;
    }
    line += '"';
    size_t backslashes = 0;
    for (const char* c = argument; *c != '\0'; ++c) {
        if (*c == '\\') {
            ++backslashes;
        } else {
            if (*c == '"')
                line.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        line += *c;
    }
    line.append(backslashes, '\\');
    line += '"';
}

bool parseOptions(int argc, char** argv, Options& options) {
    if (argc < 4)
        return false;
    char* end = nullptr;
    long count = strtol(argv[1], &end, 10);
    if (*end != '\0' || count < 1 || count > 10000)
        return false;
    options.count = static_cast<int>(count);
    int next = 3;
    if (strcmp(argv[2], "window") == 0) {
        if (argc < 6)
            return false;
        options.windowMode = true;
        options.windowClass = argv[3];
        if (strcmp(argv[4], "kill") == 0) {
            options.stopByKill = true;
        } else {
            unsigned long id = strtoul(argv[4], &end, 10);
            if (*end != '\0' || id == 0 || id > 0xFFFF)
                return false;
            options.stopCommand = static_cast<WORD>(id);
        }
        next = 5;
    } else if (strcmp(argv[2], "exit") != 0) {
        return false;
    }
    options.program = argv[next];
    options.commandLine = "\"" + options.program + "\"";
    for (int i = next + 1; i < argc; ++i)
        appendArgument(options.commandLine, argv[i]);
    return true;
}

bool endProcess(HANDLE process) {
    TerminateProcess(process, 99);
    return WaitForSingleObject(process, kStopLimitMs) == WAIT_OBJECT_0;
}

bool waitForExit(HANDLE process, const LARGE_INTEGER& start, double& elapsed) {
    DWORD waited = WaitForSingleObject(process, kRunLimitMs);
    elapsed = millisecondsSince(start);
    if (waited != WAIT_OBJECT_0) {
        fprintf(stderr, "the program did not end within %lu ms\n", kRunLimitMs);
        endProcess(process);
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    if (code != 0) {
        fprintf(stderr, "the program ended with code %lu\n", code);
        return false;
    }
    return true;
}

// Waits up to a few seconds until no window of the class is left, so the next run cannot find a
// window of the previous one.
bool waitWindowGone(const Options& options) {
    for (int i = 0; i < 500; ++i) {
        if (FindWindowA(options.windowClass.c_str(), nullptr) == nullptr)
            return true;
        Sleep(10);
    }
    return false;
}

bool stopWindowProgram(const Options& options, HANDLE process, HWND window) {
    if (options.stopByKill)
        return endProcess(process);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(options.stopCommand, 0), 0);
    if (WaitForSingleObject(process, kStopLimitMs) == WAIT_OBJECT_0)
        return true;
    fprintf(stderr, "the program did not end within %lu ms of command %u\n", kStopLimitMs,
            options.stopCommand);
    endProcess(process);
    return false;
}

bool waitForWindow(const Options& options, HANDLE process, DWORD processId,
                   const LARGE_INTEGER& start, double& elapsed) {
    HWND window = nullptr;
    for (;;) {
        window = FindWindowA(options.windowClass.c_str(), nullptr);
        elapsed = millisecondsSince(start);
        if (window != nullptr)
            break;
        if (WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) {
            fprintf(stderr, "the program ended before a window of class %s existed\n",
                    options.windowClass.c_str());
            return false;
        }
        if (elapsed > kRunLimitMs) {
            fprintf(stderr, "no window of class %s within %lu ms\n", options.windowClass.c_str(),
                    kRunLimitMs);
            endProcess(process);
            return false;
        }
    }
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    bool ours = owner == processId;
    if (!ours)
        fprintf(stderr, "the window of class %s belongs to another process\n",
                options.windowClass.c_str());
    bool stopped = stopWindowProgram(options, process, window);
    if (stopped && !waitWindowGone(options)) {
        fprintf(stderr, "a window of class %s is left after its program ended\n",
                options.windowClass.c_str());
        return false;
    }
    return ours && stopped;
}

bool runOnce(const Options& options, double& elapsed) {
    if (options.windowMode && FindWindowA(options.windowClass.c_str(), nullptr) != nullptr) {
        fprintf(stderr, "a window of class %s exists before the start\n",
                options.windowClass.c_str());
        return false;
    }
    std::vector<char> line(options.commandLine.begin(), options.commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(options.program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        fprintf(stderr, "cannot start %s: error %lu\n", options.program.c_str(), GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    bool measured = options.windowMode
                        ? waitForWindow(options, info.hProcess, info.dwProcessId, start, elapsed)
                        : waitForExit(info.hProcess, start, elapsed);
    CloseHandle(info.hProcess);
    return measured;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: bench_launch COUNT exit PROGRAM [ARGUMENTS...]\n"
                        "       bench_launch COUNT window CLASS COMMAND-ID|kill PROGRAM "
                        "[ARGUMENTS...]\n");
        return 2;
    }
    double elapsed = 0.0;
    if (!runOnce(options, elapsed)) {
        fprintf(stderr, "warm-up run failed\n");
        return 1;
    }
    std::vector<double> samples;
    for (int i = 0; i < options.count; ++i) {
        if (!runOnce(options, elapsed)) {
            fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        samples.push_back(elapsed);
    }
    double median = sortedMedian(samples);
    printf("median %.1f min %.1f max %.1f runs %d\n", median, samples.front(), samples.back(),
           options.count);
    return 0;
}
