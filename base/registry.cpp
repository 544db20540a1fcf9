// Registry classes and the typed setting accessors. Keys are opened and closed within each
// operation; nothing is cached, so a value edited by hand takes effect at its next use.
#include "base/registry.h"

#include "base/handles.h"
#include "base/settings.h"
#include "base/text.h"

#include <cstring>

// Every value buffer carries this many zero bytes beyond its size, so that a string stored by
// another program without its terminating NUL (or a multi-string without its final one) is
// still handed out terminated, and a DWORD value shorter than four bytes reads as zero-filled
// instead of beyond its buffer.
static const DWORD kTerminatorPad = 4;

RegistryValue::RegistryValue()
    : heap_(HeapCreate(0, 0, 0)), data_(nullptr), size_(0), type_(REG_NONE) {}

RegistryValue::~RegistryValue() {
    clear();
    if (heap_ != nullptr)
        HeapDestroy(heap_);
}

BYTE* RegistryValue::allocate(DWORD n) {
    clear();
    if (heap_ == nullptr || n > MAXDWORD - kTerminatorPad)
        return nullptr;
    data_ = static_cast<BYTE*>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, n + kTerminatorPad));
    if (data_ != nullptr)
        size_ = n;
    return data_;
}

void RegistryValue::clear() {
    if (data_ != nullptr)
        HeapFree(heap_, 0, data_);
    data_ = nullptr;
    size_ = 0;
}

bool RegistryValue::setDword(DWORD v) {
    if (allocate(sizeof v) == nullptr)
        return false;
    type_ = REG_DWORD;
    memcpy(data_, &v, sizeof v);
    return true;
}

bool RegistryValue::setString(const char* text, bool expandable) {
    size_t n = text ? strlen(text) : 0;
    if (n >= MAXDWORD - kTerminatorPad || allocate(static_cast<DWORD>(n + 1)) == nullptr)
        return false;
    type_ = expandable ? REG_EXPAND_SZ : REG_SZ;
    if (n > 0)
        memcpy(data_, text, n);
    data_[n] = '\0';
    return true;
}

bool RegistryValue::getDword(DWORD* out) const {
    if (type_ != REG_DWORD && type_ != REG_DWORD_BIG_ENDIAN)
        return false;
    if (data_ == nullptr)
        return false;
    memcpy(out, data_, sizeof *out);
    return true;
}

bool RegistryValue::getString(const char** out) const {
    if (type_ != REG_SZ && type_ != REG_EXPAND_SZ && type_ != REG_LINK && type_ != REG_MULTI_SZ)
        return false;
    if (data_ == nullptr)
        return false;
    *out = reinterpret_cast<const char*>(data_);
    return true;
}

bool RegistryKey::read(const char* subKey, const char* valueName, RegistryValue* value) const {
    OwnedKey key;
    if (RegOpenKeyExA(root_, subKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        value->allocate(size) == nullptr)
        return false;
    DWORD got = size;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, value->data(), &got) !=
        ERROR_SUCCESS) {
        value->clear();
        return false;
    }
    value->setType(type);
    return true;
}

bool RegistryKey::write(const char* subKey, const char* valueName,
                        const RegistryValue& value) const {
    // A value whose buffer could not be allocated has nothing to write: refuse it rather than
    // store an empty value in place of the intended one.
    if (value.data() == nullptr)
        return false;
    OwnedKey key;
    if (RegCreateKeyExA(root_, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), valueName, 0, value.type(), value.data(), value.size()) ==
           ERROR_SUCCESS;
}

bool RegistryKey::remove(const char* subKey, const char* valueName) const {
    OwnedKey key;
    if (RegOpenKeyExA(root_, subKey, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      key.receive()) != ERROR_SUCCESS)
        return false;
    if (valueName != nullptr)
        return RegDeleteValueA(key.get(), valueName) == ERROR_SUCCESS;
    for (;;) {
        DWORD subKeys = 0;
        DWORD longest = 0;
        if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &longest, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        if (subKeys == 0)
            break;
        HANDLE heap = GetProcessHeap();
        char* name = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, longest + 1));
        bool removed = name != nullptr &&
                       RegEnumKeyA(key.get(), 0, name, longest + 1) == ERROR_SUCCESS &&
                       RegistryKey(key.get()).remove(name, nullptr);
        if (name != nullptr)
            HeapFree(heap, 0, name);
        if (!removed)
            return false;
    }
    key.reset(); // closed before the key itself is deleted
    return RegDeleteKeyA(root_, subKey) == ERROR_SUCCESS;
}

bool readDwordValue(HKEY root, const char* subKey, const char* valueName, DWORD* out) {
    RegistryKey key(root);
    RegistryValue value;
    return key.read(subKey, valueName, &value) && value.getDword(out);
}

bool readProductString(const char* valueName, std::string* out) {
    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue value;
    const char* text = nullptr;
    if (!key.read(settings::kProductKey, valueName, &value) || !value.getString(&text))
        return false;
    *out = text;
    return true;
}

bool driveLetterDiffers(const char* text) {
    std::string stored;
    if (!readProductString(settings::kDriveLetter, &stored))
        return false;
    return stored != (text ? text : "");
}

void storeDriveLetter(const char* text) {
    writeStringSetting(settings::kProductKey, settings::kDriveLetter, text);
}

bool saveCredentialsEnabled() {
    DWORD v = 1;
    if (!readDwordValue(HKEY_CURRENT_USER, settings::kProductKey, settings::kSaveCredentials, &v))
        return true;
    return v == 1;
}

bool autostartEnabled() {
    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue value;
    const char* text = nullptr;
    return key.read(settings::kRunKey, settings::kRunValue, &value) && value.getString(&text);
}

bool setAutostart(bool enable) {
    bool enabled = autostartEnabled();
    if (enabled && enable)
        return true;
    if (!enabled && !enable)
        return false;
    RegistryKey key(HKEY_CURRENT_USER);
    if (!enable) {
        key.remove(settings::kRunKey, settings::kRunValue);
        return true;
    }
    RegistryValue installDir;
    const char* directory = nullptr;
    if (!key.read(settings::kProductKey, settings::kInstallDir, &installDir) ||
        !installDir.getString(&directory))
        directory = settings::kDefaultInstallDir;
    // A command cut at 255 characters would start nothing (or the wrong file) at log-on:
    // refuse it and report false instead.
    char command[256];
    if (!formatText(command, sizeof command, settings::kRunCommandFormat, directory))
        return false;
    RegistryValue value;
    if (value.setString(command, false))
        key.write(settings::kRunKey, settings::kRunValue, value);
    return true;
}

void writeStringSetting(const char* subKey, const char* valueName, const char* text) {
    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue value;
    if (value.setString(text, false))
        key.write(subKey, valueName, value);
}

void writeDwordSetting(const char* subKey, const char* valueName, DWORD v) {
    RegistryKey key(HKEY_CURRENT_USER);
    RegistryValue value;
    if (value.setDword(v))
        key.write(subKey, valueName, value);
}

void deleteKeyTree(const char* subKey) {
    RegistryKey key(HKEY_CURRENT_USER);
    key.remove(subKey, nullptr);
}
