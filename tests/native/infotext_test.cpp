// The Info page's runtime information, byte for byte.
#include "ui/properties/infotext.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// The example of an administrator on Windows XP Professional under method 5; every other row
// changes some facts and gives the texts that must change with them.
TEST(InfoText, ExampleAndTheLinesThatVary) {
    const std::string block5 =
        "Provider: WebClient\r\nAuth: Basic\r\nSSL/Auth: JA\r\nSSL/Daten: -\r\n";
    const std::string example = "Qelto Nimbara - Laufzeitinformationen\r\nClient Version: "
                                "1.0.0\r\n\r\nVERBINDUNGSTYP\r\n" +
                                block5 +
                                "\r\nSYSTEMINFORMATION\r\nVersion: 5.1.2600 (1018) 32 Bit\r\n"
                                "Rechte: Administrator\r\n\r\nKONFIGURATION\r\nForceMethod: 0\r\n";
    const struct {
        RuntimeFacts facts;
        std::vector<std::pair<std::string, std::string>> changes;
    } cases[] = {
        {{5, 5, 1, 2600, 1018, true, true, 0}, {}},
        {{5, 5, 1, 2600, 1018, true, false, 0}, {{"Administrator", "eingeschr\xE4nkt"}}},
        {{5, 0, 0, 0, 1000, true, true, 0}, {{"5.1.2600 (1018)", "0.0.0 (1000)"}}}, // no version
        {{5, 6, 1, 0xFFFFFFFF, 1029, false, true, 0}, {{"5.1.2600 (1018) 32", "6.1.-1 (1029) 64"}}},
        {{7, 5, 1, 2600, 1018, true, true, 7}, {{block5, ""}, {"Method: 0", "Method: 7"}}},
        {{1, 5, 1, 2600, 1018, true, true, 1},
         {{"WebClient", "WebFolders"}, {"Method: 0", "Method: 1"}}},
        {{2, 5, 1, 2600, 1018, true, true, 0}, {{"WebClient", "WebFolders"}, {"n: -", "n: JA"}}},
        {{3, 5, 1, 2600, 1018, true, true, 0}, {{"Auth: Basic", "Auth: Session Key"}}},
        {{4, 5, 1, 2600, 1018, true, true, 0},
         {{"Auth: Basic", "Auth: Session Key"}, {"n: -", "n: JA"}}},
        {{6, 5, 1, 2600, 1018, true, true, 0}, {{"n: -", "n: JA"}}},
    };
    for (const auto& c : cases) {
        std::string expected = example;
        for (const auto& change : c.changes)
            expected.replace(expected.find(change.first), change.first.size(), change.second);
        EXPECT_EQ(expected, runtimeInfoText(c.facts)) << "row " << &c - cases;
    }
}
