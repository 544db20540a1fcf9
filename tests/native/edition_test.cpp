// Edition classification from version facts, with the registry fallback.
#include "base/edition.h"

#include <gtest/gtest.h>

// The registry text "LANMANNT" counts only for NT without the extended query.
static VersionFacts facts(uint32_t platform, uint32_t major, uint32_t minor, bool extended,
                          uint8_t type = 0, uint16_t suite = 0, uint16_t arch = 0, char sp2 = 0,
                          const char* text = "LANMANNT") {
    return {true, extended, platform, major, minor, sp2, suite, type, arch, text};
}

TEST(Edition, QueryPlatformAndTheWindows95Family) {
    VersionFacts failed = facts(2, 5, 1, true);
    failed.queried = false;
    EXPECT_EQ(1000u, editionCode(failed));
    EXPECT_EQ(1051u, editionCode(facts(0, 3, 10, false)));
    EXPECT_EQ(1000u, editionCode(facts(3, 5, 1, true)));
    EXPECT_EQ(1000u, editionCode(facts(1, 5, 0, false)));
    // Minor version 4.x, second character of the service-pack text, code.
    const uint32_t family[][3] = {{0, 'B', 1002},  {0, 'C', 1002},  {0, 'A', 1001},
                                  {0, 'b', 1001},  {10, 'A', 1004}, {10, 'B', 1003},
                                  {90, 'A', 1005}, {20, ' ', 1000}};
    for (const auto& c : family)
        EXPECT_EQ(c[2], editionCode(facts(1, 4, c[0], false, 0, 0, 0, char(c[1]))))
            << "4." << c[0] << " " << char(c[1]);
}

// NT by the extended query: major, minor, product type, suite, architecture, code.
TEST(Edition, ExtendedQuery) {
    const uint16_t cases[][6] = {
        {3, 51, 0, 0, 0, 1006},    {5, 0, 0, 0, 0, 1011},     {5, 1, 0, 0, 0, 1016},
        {5, 2, 0, 0, 0, 1019},     {6, 3, 0, 0, 0, 1029},     {7, 0, 0, 0, 0, 1000},
        {4, 0, 1, 0, 0, 1008},     {5, 0, 1, 0, 0, 1012},     {5, 1, 1, 0x200, 0, 1017},
        {5, 1, 1, 0x10, 0, 1018},  {5, 2, 1, 0x200, 0, 1019}, {6, 0, 1, 0x200, 0, 1034},
        {6, 0, 1, 0x200, 9, 1029}, {6, 0, 2, 0x82, 0, 1044},  {6, 0, 3, 0x2, 0, 1040},
        {6, 0, 3, 0x10, 0, 1038},  {5, 2, 2, 0x80, 6, 1025},  {5, 2, 3, 0x2, 9, 1027},
        {5, 2, 3, 0x400, 9, 1026}, {5, 2, 3, 0x82, 0, 1021},  {5, 2, 2, 0x12, 0, 1020},
        {5, 2, 3, 0x400, 0, 1022}, {5, 2, 3, 0x410, 0, 1019}, {5, 0, 2, 0x82, 0, 1014},
        {5, 0, 3, 0x2, 0, 1015},   {5, 0, 3, 0, 9, 1013},     {4, 0, 2, 0x2, 0, 1010},
        {6, 1, 3, 0x80, 0, 1009}};
    for (const auto& c : cases)
        EXPECT_EQ(uint32_t(c[5]), editionCode(facts(2, c[0], c[1], true, c[2], c[3], c[4])))
            << "row " << &c - cases;
}

// Without the extended query the "ProductType" text decides, whatever type and suite say.
TEST(Edition, RegistryFallback) {
    const struct {
        uint32_t major, minor;
        const char* text;
        uint32_t code;
    } cases[] = {{3, 51, "winnt", 1008},   {5, 0, "WINNT", 1011},    {4, 0, "LANMANNT", 1009},
                 {5, 0, "LanmanNt", 1013}, {5, 1, "LANMANNT", 1016}, {4, 0, "SERVERNT", 1010},
                 {5, 0, "ServerNT", 1015}, {5, 2, "servernt", 1020}, {6, 0, "SERVERNT", 1029},
                 {4, 0, nullptr, 1006},    {4, 0, "WINNT ", 1006},   {5, 2, "SERVER", 1019}};
    for (const auto& c : cases)
        EXPECT_EQ(c.code, editionCode(facts(2, c.major, c.minor, false, 3, 0x82, 0, 0, c.text)))
            << "row " << &c - cases;
    for (uint16_t a = 0; a <= 12; ++a)
        EXPECT_EQ(a == 6 || a == 7 || a == 9, is64BitArchitecture(a)) << "architecture " << a;
}
