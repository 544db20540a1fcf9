// The Windows edition code (1000 to 1051) from the facts the version query reports.
// Portable: the OS probe gathers the facts, this file classifies them.
#pragma once

#include <cstdint>

struct VersionFacts {
    bool queried = false;  // a version query succeeded at all
    bool extended = false; // the query with the extended structure succeeded
    uint32_t platformId = 0;
    uint32_t major = 0;
    uint32_t minor = 0;
    char servicePack2 = '\0'; // second character of the service-pack text
    uint16_t suiteMask = 0;
    uint8_t productType = 0;
    uint16_t architecture = 0;
    const char* productOptions = nullptr; // "ProductType" from the registry; null when unreadable
};

enum : uint32_t {
    kPlatformWin32s = 0,
    kPlatformWindows = 1,
    kPlatformNt = 2,
    kProductWorkstation = 1,
    kProductDomainController = 2,
    kProductServer = 3,
    kSuiteEnterprise = 0x0002,
    kSuiteDatacenter = 0x0080,
    kSuitePersonal = 0x0200,
    kSuiteBlade = 0x0400,
    kArchitectureIa64 = 6,
    kArchitectureAlpha64 = 7,
    kArchitectureAmd64 = 9,
};

uint32_t editionCode(const VersionFacts& facts);
bool is64BitArchitecture(uint16_t architecture);
