// The runtime information of the Info page, built from the facts the page gathers: portable, so
// its exact bytes are tested natively.
#pragma once

#include "core/method_rules.h"

#include <cstdint>
#include <string>

struct RuntimeFacts {
    ConnectionMethod method;
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t buildNumber;
    uint32_t editionCode;
    bool is32Bit; // else 64-bit: the probe knows no third kind
    bool administrator;
    ConnectionMethod forcedMethod;
};

// The text with CR LF line ends; a method outside 1 to 6 leaves its block empty.
std::string runtimeInfoText(const RuntimeFacts& facts);
