// OsProbe construction: the version queries, the native system information and the edition
// code (classified by edition.cpp from what Windows reports here).
#include "base/osprobe.h"

#include "base/edition.h"
#include "base/handles.h"
#include "base/settings.h"

#include <cstring>

typedef void(WINAPI* NativeSystemInfoFunction)(LPSYSTEM_INFO);

static bool queryVersion(OSVERSIONINFOEXA* version, BOOL* extended) {
    version->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    *extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(version));
    if (*extended)
        return true;
    version->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(version)) != FALSE;
}

// A 32-bit process on 64-bit Windows must see the native architecture, so the native call is
// used where the system has it (it is missing before XP).
static void querySystemInfo(SYSTEM_INFO* system) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    NativeSystemInfoFunction native =
        kernel ? reinterpret_cast<NativeSystemInfoFunction>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")))
               : nullptr;
    if (native != nullptr)
        native(system);
    else
        GetSystemInfo(system);
}

// The "ProductType" text for systems without the extended version query.
static bool readProductOptions(char* buffer, DWORD size) {
    OwnedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, settings::kProductOptionsKey, 0, KEY_QUERY_VALUE,
                      key.receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD got = size - 1;
    if (RegQueryValueExA(key.get(), settings::kProductType, nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &got) != ERROR_SUCCESS)
        return false;
    buffer[got < size ? got : size - 1] = '\0';
    return true;
}

OsProbe::OsProbe() : edition_(1000), extended_(FALSE) {
    memset(&version_, 0, sizeof version_);
    memset(&system_, 0, sizeof system_);
    if (!queryVersion(&version_, &extended_))
        return;
    querySystemInfo(&system_);

    VersionFacts facts;
    facts.queried = true;
    facts.extended = extended_ != FALSE;
    facts.platformId = version_.dwPlatformId;
    facts.major = version_.dwMajorVersion;
    facts.minor = version_.dwMinorVersion;
    facts.servicePack2 = version_.szCSDVersion[1];
    facts.suiteMask = version_.wSuiteMask;
    facts.productType = version_.wProductType;
    facts.architecture = system_.wProcessorArchitecture;
    // 80 bytes as the registry gives them, plus room for a terminator of our own.
    char productOptions[81] = {0};
    if (!facts.extended && facts.platformId == kPlatformNt &&
        readProductOptions(productOptions, sizeof productOptions))
        facts.productOptions = productOptions;
    edition_ = ::editionCode(facts);
}

bool OsProbe::is64Bit() const {
    return is64BitArchitecture(system_.wProcessorArchitecture);
}
