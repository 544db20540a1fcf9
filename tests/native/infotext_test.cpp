// The Info page's runtime information, byte for byte.
#include "ui/properties/infotext.h"

#include <gtest/gtest.h>

// An administrator on XP Professional under method 5; other rows give the texts that change.
TEST(InfoText, ExampleAndTheLinesThatVary) {
    const std::string example =
        "Qelto Nimbara - Laufzeitinformationen\r\nClient Version: 1.0.0\r\n\r\nVERBINDUNGSTYP\r\n"
        "Provider: WebClient\r\nAuth: Basic\r\nSSL/Auth: JA\r\nSSL/Daten: -\r\n\r\n"
        "SYSTEMINFORMATION\r\nVersion: 5.1.2600 (1018) 32 Bit\r\nRechte: Administrator\r\n\r\n"
        "KONFIGURATION\r\nForceMethod: 0\r\n";
    const std::string block5 = methodInfoText(5);
    struct Row {
        RuntimeFacts facts;
        std::vector<std::pair<std::string, std::string>> changes;
    };
    std::vector<Row> rows = {
        {{5, 5, 1, 2600, 1018, true, true, 0}, {}},
        {{5, 5, 1, 2600, 1018, true, false, 0}, {{"Administrator", "eingeschr\xE4nkt"}}},
        {{5, 0, 0, 0, 1000, true, true, 0}, {{"5.1.2600 (1018)", "0.0.0 (1000)"}}}, // no version
        {{5, 6, 1, 0xFFFFFFFF, 1029, false, true, 0}, {{"5.1.2600 (1018) 32", "6.1.-1 (1029) 64"}}},
        {{7, 5, 1, 2600, 1018, true, true, 7}, {{block5, ""}, {"Method: 0", "Method: 7"}}}};
    for (ConnectionMethod m = 1; m <= 6; ++m) // each method's own block, whatever is forced
        rows.push_back(
            {{m, 5, 1, 2600, 1018, true, true, 7 - m},
             {{block5, methodInfoText(m)}, {"Method: 0", "Method: " + std::to_string(7 - m)}}});
    for (const Row& row : rows) {
        std::string expected = example;
        for (const auto& change : row.changes)
            expected.replace(expected.find(change.first), change.first.size(), change.second);
        EXPECT_EQ(expected, runtimeInfoText(row.facts)) << "row " << &row - &rows[0];
    }
}
