// The end-to-end fixture: starts the real Nimbara.exe as a user or the system would, leaves none.
#pragma once

#include "control.h"
#include "registry_access.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

constexpr DWORD kTimeout = 60000;

inline std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Whether done() comes true within the time-out.
inline bool waitFor(const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kTimeout; Sleep(50))
        if (done())
            return true;
    return false;
}

class Client : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(control::clientPath().empty()) << "NIMBARA_EXE is not set";
        stopLeftovers();
        RegDeleteTreeA(HKEY_CURRENT_USER, reg::kProduct); // each test from a fresh product key
        for (const char* name : {"NIMBARA_WEBDAV", "NIMBARA_NETDEMO", "NIMBARA_NETLOGFILE"})
            SetEnvironmentVariableA(name, nullptr); // the network provider's mode, for the client
    }
    void TearDown() override {
        stopLeftovers();
        for (HANDLE process : processes)
            TerminateProcess(process, 99), CloseHandle(process);
    }

    static void stopLeftovers() {
        DWORD id = control::clientProcessId();
        if (id == 0 || (control::sendCommand(IDM_QUIT) && control::waitForNoClient(20000)))
            return;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }

    HANDLE run(const std::string& arguments, const std::string& program = control::clientPath()) {
        processes.push_back(control::start(arguments, program));
        EXPECT_NE(nullptr, processes.back()) << "could not start with " << arguments;
        return processes.back();
    }
    HANDLE startInstance(const std::string& arguments,
                         const std::string& program = control::clientPath()) {
        HANDLE process = run(arguments, program);
        EXPECT_TRUE(control::waitForClient(kTimeout, GetProcessId(process))) << arguments;
        return process;
    }
    // Runs a process that must end with exit code 0, without a window of its own meanwhile.
    void runToEnd(const std::string& arguments) {
        HANDLE process = run(arguments);
        DWORD start = GetTickCount();
        while (WaitForSingleObject(process, 20) == WAIT_TIMEOUT &&
               GetTickCount() - start < kTimeout)
            EXPECT_NE(GetProcessId(process), control::clientProcessId()) << arguments;
        EXPECT_EQ(0u, control::waitExit(process, 0)) << arguments;
    }

    std::vector<HANDLE> processes;
};

} // namespace e2e
