// Edition classification of the OS probe, from version facts (see edition.h).
#include "base/edition.h"

#include "base/text.h"

static uint32_t windowsFamilyCode(const VersionFacts& f) {
    if (f.major != 4)
        return 1000;
    if (f.minor == 0)
        return (f.servicePack2 == 'C' || f.servicePack2 == 'B') ? 1002 : 1001;
    if (f.minor == 10)
        return f.servicePack2 == 'A' ? 1004 : 1003;
    if (f.minor == 90)
        return 1005;
    return 1000;
}

static uint32_t ntBaseCode(const VersionFacts& f) {
    if (f.major == 6)
        return 1029;
    if (f.major == 5) {
        if (f.minor == 2)
            return 1019;
        if (f.minor == 1)
            return 1016;
        if (f.minor == 0)
            return 1011;
        return 1000;
    }
    if (f.major <= 4)
        return 1006;
    return 1000;
}

static uint32_t serverCode(const VersionFacts& f) {
    bool datacenter = (f.suiteMask & kSuiteDatacenter) != 0;
    bool enterprise = (f.suiteMask & kSuiteEnterprise) != 0;
    if (f.major == 6 && f.minor == 0)
        return datacenter ? 1044 : enterprise ? 1040 : 1038;
    if (f.major == 5 && f.minor == 2) {
        if (f.architecture == kArchitectureIa64)
            return datacenter ? 1025 : enterprise ? 1024 : 1023;
        if (f.architecture == kArchitectureAmd64)
            return datacenter ? 1028 : enterprise ? 1027 : 1026;
        if (datacenter)
            return 1021;
        if (enterprise)
            return 1020;
        return f.suiteMask == kSuiteBlade ? 1022 : 1019;
    }
    if (f.major == 5 && f.minor == 0)
        return datacenter ? 1014 : enterprise ? 1015 : 1013;
    return enterprise ? 1010 : 1009;
}

static uint32_t workstationCode(const VersionFacts& f, uint32_t code) {
    bool personal = (f.suiteMask & kSuitePersonal) != 0;
    if (f.major == 4)
        return 1008;
    if (f.major == 5 && personal)
        return f.minor == 1 ? 1017 : code;
    if (f.major == 5)
        return f.minor == 1 ? 1018 : f.minor == 0 ? 1012 : code;
    if (f.major == 6 && personal)
        return 1034;
    return code;
}

// Refinement from the product type, the suite mask and the architecture.
static uint32_t refineExtended(const VersionFacts& f, uint32_t code) {
    if (f.productType == kProductWorkstation && f.architecture != kArchitectureAmd64)
        return workstationCode(f, code);
    if (f.productType == kProductDomainController || f.productType == kProductServer)
        return serverCode(f);
    return code;
}

// Refinement from the "ProductType" registry text, for systems without the extended query.
static uint32_t refineFromRegistry(const VersionFacts& f, uint32_t code) {
    if (f.productOptions == nullptr)
        return code;
    bool v52 = f.major == 5 && f.minor == 2;
    bool v50 = f.major == 5 && f.minor == 0;
    if (equalsIgnoringAsciiCase(f.productOptions, "WINNT") && f.major <= 4)
        code = 1008;
    if (equalsIgnoringAsciiCase(f.productOptions, "LANMANNT")) {
        if (v52)
            code = 1019;
        else if (v50)
            code = 1013;
        else if (f.major <= 4)
            code = 1009;
    }
    if (equalsIgnoringAsciiCase(f.productOptions, "SERVERNT")) {
        if (v52)
            code = 1020;
        else if (v50)
            code = 1015;
        else if (f.major <= 4)
            code = 1010;
    }
    return code;
}

uint32_t editionCode(const VersionFacts& f) {
    if (!f.queried)
        return 1000;
    switch (f.platformId) {
    case kPlatformWin32s:
        return 1051;
    case kPlatformWindows:
        return windowsFamilyCode(f);
    case kPlatformNt: {
        uint32_t code = ntBaseCode(f);
        return f.extended ? refineExtended(f, code) : refineFromRegistry(f, code);
    }
    default:
        return 1000;
    }
}

bool is64BitArchitecture(uint16_t architecture) {
    return architecture == kArchitectureIa64 || architecture == kArchitectureAmd64 ||
           architecture == kArchitectureAlpha64;
}
