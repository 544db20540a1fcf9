// The runtime information text (see infotext.h).
#include "ui/properties/infotext.h"

#include "base/settings.h"

// Every number as Windows' signed decimal: a build number with its top bit set reads negative.
static std::string number(uint32_t value) {
    return std::to_string(static_cast<int32_t>(value));
}

std::string runtimeInfoText(const RuntimeFacts& facts) {
    const char* block = methodInfoText(facts.method);
    std::string text = "Qelto Nimbara - Laufzeitinformationen\r\nClient Version: ";
    text += NIMBARA_CLIENT_VERSION;
    text += "\r\n\r\nVERBINDUNGSTYP\r\n";
    text += block != nullptr ? block : "";
    text += "\r\nSYSTEMINFORMATION\r\nVersion: " + number(facts.majorVersion) + "." +
            number(facts.minorVersion) + "." + number(facts.buildNumber) + " (" +
            number(facts.editionCode) + ") ";
    text += facts.is32Bit ? "32 Bit" : "64 Bit";
    text += facts.administrator ? "\r\nRechte: Administrator\r\n" : "\r\nRechte: eingeschränkt\r\n";
    text +=
        "\r\nKONFIGURATION\r\nForceMethod: " + number(static_cast<uint32_t>(facts.forcedMethod));
    text += "\r\n";
    return text;
}
