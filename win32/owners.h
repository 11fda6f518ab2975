#pragma once

#include <windows.h>

#include <objbase.h>

#include <utility>

#include "win32/system_library.h"

// One owner per kind of resource: it frees what it holds once, on every
// path, and keeps the caller's last error across the free, so that an error
// read after a failed call still is that call's.
template <typename Resource, auto Free, auto Valid>
class Owner {
public:
    Owner() = default;
    explicit Owner(Resource resource) : resource_(resource) {}
    Owner(Owner&& other) noexcept : resource_(std::exchange(other.resource_, Resource{})) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner& operator=(Owner&&) = delete;
    ~Owner() { Close(); }

    Resource Get() const { return resource_; }
    explicit operator bool() const { return Valid(resource_); }
    // Hands the resource over to the caller, who frees it.
    Resource Release() { return std::exchange(resource_, Resource{}); }

    // Frees the resource now; false when the free failed, or there was none.
    bool Close() {
        if (!Valid(resource_)) {
            return false;
        }
        const DWORD error = GetLastError();
        const bool freed = Free(std::exchange(resource_, Resource{}));
        SetLastError(error);
        return freed;
    }

private:
    Resource resource_{};
};

// What each kind is freed with, and when there is something to free.
inline bool IsSet(const void* resource) { return resource != nullptr; }
inline bool IsOpen(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
inline bool CloseKernelHandle(HANDLE handle) { return CloseHandle(handle) != FALSE; }
inline bool CloseSearch(HANDLE search) { return FindClose(search) != FALSE; }
inline bool ReleaseModule(HMODULE module) { return FreeLibrary(module) != FALSE; }
inline bool FreeLocal(void* memory) { return LocalFree(memory) == nullptr; }
inline bool FreeIcon(HICON icon) { return DestroyIcon(icon) != FALSE; }
inline bool FreeGdiObject(HGDIOBJ object) { return DeleteObject(object) != FALSE; }
inline bool FreeMadeSid(PSID sid) { return FreeSid(sid) == nullptr; }

// A kernel handle: a file, folder, process, thread or token.
using ScopedHandle = Owner<HANDLE, CloseKernelHandle, IsOpen>;
// A search FindFirstFileW began.
using ScopedFind = Owner<HANDLE, CloseSearch, IsOpen>;
// A DLL loaded by the program itself.
using ScopedModule = Owner<HMODULE, ReleaseModule, IsSet>;
// Memory the system allocated for the caller with LocalAlloc.
using ScopedLocal = Owner<void*, FreeLocal, IsSet>;
// An icon loaded from the program's resources.
using ScopedIcon = Owner<HICON, FreeIcon, IsSet>;
// A GDI object the program made: a brush, a bitmap.
using ScopedGdiObject = Owner<HGDIOBJ, FreeGdiObject, IsSet>;
// A security identifier made by AllocateAndInitializeSid.
using ScopedSid = Owner<PSID, FreeMadeSid, IsSet>;

// COM on this thread for as long as the owner lives, through ole32's own
// functions: the program loads ole32 only for the moment it needs COM. A
// COM that cannot start leaves the thread as it was, which callers that
// merely prefer COM can live with.
class ComApartment {
public:
    explicit ComApartment(HMODULE ole32) {
        const auto initialize = LibraryFunction<HRESULT(WINAPI*)(void*, DWORD)>(ole32, "CoInitializeEx");
        const auto uninitialize = LibraryFunction<void(WINAPI*)()>(ole32, "CoUninitialize");
        // S_FALSE, COM already there, is balanced as well.
        if (initialize != nullptr && uninitialize != nullptr &&
            SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
            uninitialize_ = uninitialize;
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (uninitialize_ != nullptr) {
            const DWORD error = GetLastError();
            uninitialize_();
            SetLastError(error);
        }
    }

private:
    void(WINAPI* uninitialize_)() = nullptr;
};
