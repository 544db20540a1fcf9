// main of the Windows test programs: each test starts without the product's settings or Run value.
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <gtest/gtest.h>

static void cleanRegistry() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qelto");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                       "Nimbara");
}

class CleanRegistry : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { cleanRegistry(); }
    void OnTestEnd(const testing::TestInfo&) override { cleanRegistry(); }
};

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new CleanRegistry);
    return RUN_ALL_TESTS();
}
