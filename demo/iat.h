// Redirects this program's own import of a Windows function to a replacement, so a test or the
// benchmark can watch (and pass on) the calls the client makes to the system. Returns the real
// function, or null when the program does not import it. Function is the replacement's pointer
// type, which is the imported function's own.
#pragma once

#include <windows.h>

#include <cstring>

template <typename Function>
Function redirectImport(const char* dll, const char* name, Function replacement) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + import->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name,
                    name) != 0)
                continue;
            Function real = reinterpret_cast<Function>(static_cast<ULONG_PTR>(slots->u1.Function));
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return real;
        }
    }
    return nullptr;
}

// Keeps an import redirected for as long as it lives, then puts the real function back. The real
// one is also given to real, for a replacement that passes calls on.
template <typename Function> class ImportRedirect {
public:
    ImportRedirect(const char* dll, const char* name, Function replacement,
                   Function* real = nullptr)
        : dll_(dll), name_(name), real_(redirectImport(dll, name, replacement)) {
        if (real != nullptr)
            *real = real_;
    }
    ~ImportRedirect() {
        if (real_ != nullptr)
            redirectImport(dll_, name_, real_);
    }
    ImportRedirect(const ImportRedirect&) = delete;
    ImportRedirect& operator=(const ImportRedirect&) = delete;
    explicit operator bool() const { return real_ != nullptr; }

private:
    const char* dll_;
    const char* name_;
    Function real_;
};
