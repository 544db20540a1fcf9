// Registry access: RegistryValue (a typed buffer for one value), RegistryKey (operations on one
// root) and the typed accessors for settings that several parts of the client share.
#pragma once

#include <windows.h>

#include <string>

class RegistryValue {
public:
    RegistryValue();
    ~RegistryValue();
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

    BYTE* allocate(DWORD n);
    void clear();
    void setType(DWORD type) { type_ = type; }
    bool setDword(DWORD v);
    bool setString(const char* text, bool expandable);
    bool getDword(DWORD* out) const;
    bool getString(const char** out) const;

    BYTE* data() const { return data_; }
    DWORD size() const { return size_; }
    DWORD type() const { return type_; }

private:
    HANDLE heap_;
    BYTE* data_;
    DWORD size_;
    DWORD type_;
};

class RegistryKey {
public:
    explicit RegistryKey(HKEY root) : root_(root) {}

    bool read(const char* subKey, const char* valueName, RegistryValue* value) const;
    bool write(const char* subKey, const char* valueName, const RegistryValue& value) const;
    bool remove(const char* subKey, const char* valueName) const;

private:
    HKEY root_;
};

// The read pattern of the whole client: open, read, typed getter. False means that the caller's
// default applies (value missing, of another type, or the key unreadable).
bool readDwordValue(HKEY root, const char* subKey, const char* valueName, DWORD* out);
// A string of the product key, whatever its length; false when absent or not a string.
bool readProductString(const char* valueName, std::string* out);

bool driveLetterDiffers(const char* text);
void storeDriveLetter(const char* text);
bool saveCredentialsEnabled();
bool autostartEnabled();
bool setAutostart(bool enable);
void writeStringSetting(const char* subKey, const char* valueName, const char* text);
void writeDwordSetting(const char* subKey, const char* valueName, DWORD v);
void deleteKeyTree(const char* subKey);
