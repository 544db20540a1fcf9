// The tests' own way into the registry, with the plain API, under the product's key by default.
#pragma once

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

namespace reg {

constexpr const char* kProduct = "Software\\Qelto\\Nimbara";

inline void setBytes(const char* name, DWORD type, const std::string& bytes,
                     const char* key = kProduct, HKEY root = HKEY_CURRENT_USER) {
    RegSetKeyValueA(root, key, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}
inline void set(const char* name, const std::string& text, const char* key = kProduct) {
    setBytes(name, REG_SZ, text + '\0', key);
}
inline void set(std::initializer_list<std::pair<const char*, std::string>> texts) {
    for (const auto& [name, text] : texts)
        set(name, text);
}
inline void set(const char* name, DWORD value, const char* key = kProduct,
                HKEY root = HKEY_CURRENT_USER) {
    setBytes(name, REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4), key, root);
}
inline void set(std::initializer_list<std::pair<const char*, DWORD>> values) {
    for (const auto& [name, value] : values)
        set(name, value);
}
inline void remove(std::initializer_list<const char*> names, const char* key = kProduct) {
    for (const char* name : names)
        RegDeleteKeyValueA(HKEY_CURRENT_USER, key, name);
}
// "TYPE:bytes" of the value as the registry holds it; "" when there is none.
inline std::string raw(const char* name, const char* key = kProduct,
                       HKEY root = HKEY_CURRENT_USER) {
    char buffer[1024];
    DWORD size = sizeof buffer, type = 0;
    if (RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) !=
        ERROR_SUCCESS)
        return "";
    return std::to_string(type) + ":" + std::string(buffer, size);
}
// A string up to its terminator, a DWORD in decimal; "-" when there is none.
inline std::string get(const char* name, const char* key = kProduct) {
    std::string value = raw(name, key);
    DWORD number = 0;
    if (value.compare(0, 2, "4:") == 0)
        return std::to_string((memcpy(&number, &value[2], 4), number));
    return value.empty() ? "-" : value.substr(2, value.find('\0') - 2);
}

} // namespace reg
