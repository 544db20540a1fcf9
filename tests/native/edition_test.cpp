// Edition classification from version facts: every code, the refinements and the registry
// fallback for systems without the extended version query.
#include "base/edition.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

const uint16_t kIntel = 0;
const uint16_t kArm64 = 12;

VersionFacts windowsFamily(uint32_t minor, char servicePack2) {
    VersionFacts f;
    f.queried = true;
    f.platformId = kPlatformWindows;
    f.major = 4;
    f.minor = minor;
    f.servicePack2 = servicePack2;
    return f;
}

// An NT system as the extended query reports it.
VersionFacts nt(uint32_t major, uint32_t minor, uint8_t productType, uint16_t suite = 0,
                uint16_t architecture = kIntel) {
    VersionFacts f;
    f.queried = true;
    f.extended = true;
    f.platformId = kPlatformNt;
    f.major = major;
    f.minor = minor;
    f.productType = productType;
    f.suiteMask = suite;
    f.architecture = architecture;
    return f;
}

// An NT system that answered only the plain query; productOptions is the registry text.
VersionFacts ntPlain(uint32_t major, uint32_t minor, const char* productOptions) {
    VersionFacts f = nt(major, minor, 0);
    f.extended = false;
    f.productOptions = productOptions;
    return f;
}

struct Case {
    const char* what;
    VersionFacts facts;
    uint32_t code;
};

void expectCodes(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(c.code, editionCode(c.facts)) << c.what;
}

const uint8_t kWork = kProductWorkstation;
const uint8_t kServer = kProductServer;
const uint8_t kDc = kProductDomainController;
const uint16_t kDatacenter = kSuiteDatacenter;
const uint16_t kEnterprise = kSuiteEnterprise;
const uint16_t kPersonal = kSuitePersonal;
const uint16_t kBlade = kSuiteBlade;
const uint16_t kTerminal = 0x0010;
const uint16_t kSingleUserTs = 0x0100;

std::vector<Case> fullTable() {
    VersionFacts failed = nt(5, 1, kWork);
    failed.queried = false;
    VersionFacts win32s = nt(3, 10, 0);
    win32s.platformId = kPlatformWin32s;
    VersionFacts unknownPlatform = nt(5, 1, kWork);
    unknownPlatform.platformId = 3;
    VersionFacts family5 = windowsFamily(0, 0);
    family5.major = 5;
    return {
        {"failed query", failed, 1000},
        {"win32s", win32s, 1051},
        {"unknown platform", unknownPlatform, 1000},
        // The Windows 95/98/Me family.
        {"95", windowsFamily(0, ' '), 1001},
        {"95 B", windowsFamily(0, 'B'), 1002},
        {"95 C", windowsFamily(0, 'C'), 1002},
        {"95 A", windowsFamily(0, 'A'), 1001},
        {"95 b", windowsFamily(0, 'b'), 1001},
        {"98", windowsFamily(10, ' '), 1003},
        {"98 A", windowsFamily(10, 'A'), 1004},
        {"98 B", windowsFamily(10, 'B'), 1003},
        {"Me", windowsFamily(90, ' '), 1005},
        {"Me A", windowsFamily(90, 'A'), 1005},
        {"family 4.20", windowsFamily(20, ' '), 1000},
        {"family 5.0", family5, 1000},
        // NT base codes where nothing refines them (a product type outside 1 to 3).
        {"NT 3.51", nt(3, 51, 0), 1006},
        {"NT 4", nt(4, 0, 0), 1006},
        {"2000", nt(5, 0, 0), 1011},
        {"XP", nt(5, 1, 0), 1016},
        {"2003", nt(5, 2, 0), 1019},
        {"5.3", nt(5, 3, 0), 1000},
        {"Vista", nt(6, 0, 0), 1029},
        {"6.3", nt(6, 3, 0), 1029},
        {"7.0", nt(7, 0, 0), 1000},
        {"10.0", nt(10, 0, 0, kPersonal), 1000},
        // Workstations.
        {"NT 4 workstation", nt(4, 0, kWork), 1008},
        {"NT 3.51 workstation", nt(3, 51, kWork), 1006},
        {"2000 Professional", nt(5, 0, kWork), 1012},
        {"2000 personal", nt(5, 0, kWork, kPersonal), 1011},
        {"XP Home", nt(5, 1, kWork, kPersonal), 1017},
        {"XP Professional", nt(5, 1, kWork, kSingleUserTs), 1018},
        {"5.2 workstation x86", nt(5, 2, kWork), 1019},
        {"5.2 workstation personal", nt(5, 2, kWork, kPersonal), 1019},
        {"XP Professional x64", nt(5, 2, kWork, 0, kArchitectureAmd64), 1019},
        {"Vista", nt(6, 0, kWork, kSingleUserTs), 1029},
        {"Vista Home 32-bit", nt(6, 0, kWork, kPersonal), 1034},
        {"Vista Home 64-bit", nt(6, 0, kWork, kPersonal, kArchitectureAmd64), 1029},
        {"Vista Home IA64", nt(6, 0, kWork, kPersonal, kArchitectureIa64), 1034},
        {"7 workstation", nt(6, 1, kWork), 1029},
        {"7 Home 32-bit", nt(6, 1, kWork, kPersonal), 1034},
        {"XP on AMD64", nt(5, 1, kWork, 0, kArchitectureAmd64), 1016},
        {"NT 4 on AMD64", nt(4, 0, kWork, 0, kArchitectureAmd64), 1006},
        {"2000 on AMD64", nt(5, 0, kWork, 0, kArchitectureAmd64), 1011},
        {"XP on ARM64", nt(5, 1, kWork, 0, kArm64), 1018},
        {"7.0 workstation", nt(7, 0, kWork, kPersonal), 1000},
        // Servers and domain controllers of 6.0.
        {"2008", nt(6, 0, kServer, kSingleUserTs), 1038},
        {"2008 Enterprise", nt(6, 0, kServer, kEnterprise), 1040},
        {"2008 Datacenter", nt(6, 0, kServer, kDatacenter | kEnterprise), 1044},
        {"2008 DC Datacenter", nt(6, 0, kDc, kDatacenter, kArchitectureAmd64), 1044},
        // 5.2 by architecture.
        {"2003 IA64", nt(5, 2, kServer, 0, kArchitectureIa64), 1023},
        {"2003 IA64 Enterprise", nt(5, 2, kServer, kEnterprise, kArchitectureIa64), 1024},
        {"2003 IA64 Datacenter", nt(5, 2, kDc, kDatacenter | kEnterprise, kArchitectureIa64), 1025},
        {"2003 x64", nt(5, 2, kServer, kTerminal, kArchitectureAmd64), 1026},
        {"2003 x64 Enterprise", nt(5, 2, kServer, kEnterprise, kArchitectureAmd64), 1027},
        {"2003 x64 Datacenter", nt(5, 2, kServer, kDatacenter, kArchitectureAmd64), 1028},
        {"2003 x64 blade", nt(5, 2, kServer, kBlade, kArchitectureAmd64), 1026},
        {"2003", nt(5, 2, kServer), 1019},
        {"2003 terminal", nt(5, 2, kServer, kTerminal), 1019},
        {"2003 Enterprise", nt(5, 2, kDc, kEnterprise | kTerminal), 1020},
        {"2003 Datacenter", nt(5, 2, kServer, kDatacenter | kEnterprise), 1021},
        {"2003 Web", nt(5, 2, kServer, kBlade), 1022},
        {"2003 blade and terminal", nt(5, 2, kServer, kBlade | kTerminal), 1019},
        {"2003 blade and enterprise", nt(5, 2, kServer, kBlade | kEnterprise), 1020},
        {"2003 Web on Alpha64", nt(5, 2, kServer, kBlade, kArchitectureAlpha64), 1022},
        // 5.0.
        {"2000 Server", nt(5, 0, kServer), 1013},
        {"2000 Advanced Server", nt(5, 0, kServer, kEnterprise), 1015},
        {"2000 Datacenter", nt(5, 0, kDc, kDatacenter), 1014},
        {"2000 datacenter and enterprise", nt(5, 0, kServer, kDatacenter | kEnterprise), 1014},
        {"2000 Server on AMD64", nt(5, 0, kServer, 0, kArchitectureAmd64), 1013},
        // Every other server version: enterprise or not, datacenter does not count.
        {"NT 4 Server", nt(4, 0, kServer), 1009},
        {"NT 4 Server Enterprise", nt(4, 0, kDc, kEnterprise), 1010},
        {"NT 4 datacenter", nt(4, 0, kServer, kDatacenter), 1009},
        {"NT 3.51 Server", nt(3, 51, kServer), 1009},
        {"5.1 server", nt(5, 1, kServer, kEnterprise), 1010},
        {"5.3 server", nt(5, 3, kServer, kBlade), 1009},
        {"6.1 server", nt(6, 1, kServer, kDatacenter), 1009},
        {"6.1 server enterprise", nt(6, 1, kDc, kEnterprise, kArchitectureAmd64), 1010},
        {"7.0 server", nt(7, 0, kServer), 1009},
        // Without the extended query, the registry text decides.
        {"WINNT NT 4", ntPlain(4, 0, "WINNT"), 1008},
        {"winnt NT 3.51", ntPlain(3, 51, "winnt"), 1008},
        {"WINNT 2000", ntPlain(5, 0, "WINNT"), 1011},
        {"WINNT 2003", ntPlain(5, 2, "WinNT"), 1019},
        {"LANMANNT NT 4", ntPlain(4, 0, "LANMANNT"), 1009},
        {"LanmanNt 2000", ntPlain(5, 0, "LanmanNt"), 1013},
        {"LANMANNT 2003", ntPlain(5, 2, "LANMANNT"), 1019},
        {"LANMANNT XP", ntPlain(5, 1, "LANMANNT"), 1016},
        {"LANMANNT Vista", ntPlain(6, 0, "LANMANNT"), 1029},
        {"SERVERNT NT 4", ntPlain(4, 0, "SERVERNT"), 1010},
        {"ServerNT 2000", ntPlain(5, 0, "ServerNT"), 1015},
        {"servernt 2003", ntPlain(5, 2, "servernt"), 1020},
        {"SERVERNT XP", ntPlain(5, 1, "SERVERNT"), 1016},
        {"unreadable NT 4", ntPlain(4, 0, nullptr), 1006},
        {"unreadable 2000", ntPlain(5, 0, nullptr), 1011},
        {"unreadable 2003", ntPlain(5, 2, nullptr), 1019},
        {"other text", ntPlain(4, 0, "WINNT "), 1006},
        {"empty text", ntPlain(5, 0, ""), 1011},
        {"prefix of a name", ntPlain(5, 2, "SERVER"), 1019},
    };
}

TEST(Edition, ClassificationTable) {
    expectCodes(fullTable());
}

TEST(Edition, TableReachesEveryCodeAndNoOther) {
    const std::set<uint32_t> codes = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1008, 1009,
                                      1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018,
                                      1019, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027,
                                      1028, 1029, 1034, 1038, 1040, 1044, 1051};
    std::set<uint32_t> seen;
    for (const Case& c : fullTable())
        seen.insert(editionCode(c.facts));
    EXPECT_EQ(codes, seen);
}

// The refinement source follows the query: without the extended structure the product type and
// suite mask are not looked at, and with it the registry text is not.
TEST(Edition, RefinementSourceFollowsTheQuery) {
    VersionFacts plain = nt(5, 0, kServer, kDatacenter);
    plain.extended = false;
    EXPECT_EQ(1011u, editionCode(plain));
    plain.productOptions = "LANMANNT";
    EXPECT_EQ(1013u, editionCode(plain));

    VersionFacts extended = nt(4, 0, kWork);
    extended.productOptions = "SERVERNT";
    EXPECT_EQ(1008u, editionCode(extended));

    // A product type text does not apply to the 95/98/Me family.
    VersionFacts family = windowsFamily(10, 'A');
    family.productOptions = "LANMANNT";
    EXPECT_EQ(1004u, editionCode(family));
}

TEST(Edition, SixtyFourBitArchitectures) {
    EXPECT_TRUE(is64BitArchitecture(kArchitectureIa64));
    EXPECT_TRUE(is64BitArchitecture(kArchitectureAlpha64));
    EXPECT_TRUE(is64BitArchitecture(kArchitectureAmd64));
    for (uint16_t other : {0, 1, 2, 3, 4, 5, 8, 10, 11, 12, 0xFFFF})
        EXPECT_FALSE(is64BitArchitecture(other)) << other;
}

} // namespace
