// main of the Windows test programs: every test starts from a registry without the product's
// settings, its Run value or its Explorer entries.
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <gtest/gtest.h>

static void cleanRegistry() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qelto");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                       "Nimbara");
    RegDeleteTreeA(HKEY_CURRENT_USER,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                   "MyComputer\\NameSpace\\{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                      "Desktop\\NameSpace\\{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}");
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
