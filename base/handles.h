// Owners of Windows handles: each holds one handle and releases it when it goes out of scope,
// whichever way the scope is left, so a function with several exits needs no clean-up at each.
// An owner can be moved, never copied: a handle has exactly one owner.
#pragma once

#include <windows.h>

#include <wininet.h>

// Kind says what the handle is (Handle), what an owner holds when it owns nothing (empty) and
// how the handle is released (close).
template <typename Kind> class Owned {
public:
    using Handle = typename Kind::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Kind::empty(); }

    // Releases what is held and takes handle instead; reset() leaves the owner empty, and an
    // empty owner releases nothing, so resetting twice is harmless.
    void reset(Handle handle = Kind::empty()) {
        if (handle_ != Kind::empty())
            Kind::close(handle_);
        handle_ = handle;
    }
    // For a call that hands its handle out through a pointer: releases what is held first.
    Handle* receive() {
        reset();
        return &handle_;
    }
    // Gives the handle up without releasing it, to a new owner.
    Handle release() {
        Handle handle = handle_;
        handle_ = Kind::empty();
        return handle;
    }

private:
    Handle handle_ = Kind::empty();
};

struct RegistryKeyKind {
    using Handle = HKEY;
    static HKEY empty() { return nullptr; }
    static void close(HKEY key) { RegCloseKey(key); }
};

struct InternetKind {
    using Handle = HINTERNET;
    static HINTERNET empty() { return nullptr; }
    static void close(HINTERNET handle) { InternetCloseHandle(handle); }
};

// CreateFileA reports failure with INVALID_HANDLE_VALUE, not null.
struct FileKind {
    using Handle = HANDLE;
    static HANDLE empty() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE file) { CloseHandle(file); }
};

// Kernel handles that are null when absent: tokens, duplicates.
struct KernelKind {
    using Handle = HANDLE;
    static HANDLE empty() { return nullptr; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};

struct GdiObjectKind {
    using Handle = HGDIOBJ;
    static HGDIOBJ empty() { return nullptr; }
    static void close(HGDIOBJ object) { DeleteObject(object); }
};

using OwnedKey = Owned<RegistryKeyKind>;
using OwnedInternet = Owned<InternetKind>;
using OwnedFile = Owned<FileKind>;
using OwnedHandle = Owned<KernelKind>;
using OwnedGdiObject = Owned<GdiObjectKind>;
