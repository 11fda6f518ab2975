#include "win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "win32/win32_error.h"

namespace {

// In a 32-bit program a key handle, predefined roots included, fits the
// seam's 32-bit key exactly, so the two convert both ways without loss.
static_assert(sizeof(HKEY) == sizeof(RegistryKey));

HKEY ToHkey(RegistryKey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }

RegistryKey FromHkey(HKEY key) { return static_cast<RegistryKey>(reinterpret_cast<std::uintptr_t>(key)); }

// The conversion functions count in int; a longer text is no registry text.
int CountOf(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX)) {
        throw AppError{kErrOutOfMemory, L"Out of memory"};
    }
    return static_cast<int>(length);
}

}  // namespace

long Win32Registry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) {
    HKEY key = nullptr;
    const LONG code = RegOpenKeyExA(ToHkey(root), path.c_str(), 0, access, &key);
    if (code == ERROR_SUCCESS) {
        opened = FromHkey(key);
    }
    return code;
}

long Win32Registry::EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) {
    return RegEnumKeyA(ToHkey(key), index, name.data(), static_cast<DWORD>(name.size()));
}

long Win32Registry::QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                               std::span<std::uint8_t> data, std::uint32_t& size) {
    DWORD valueType = type;
    // Never let the call write past the buffer, whatever size came in.
    DWORD valueSize = std::min<DWORD>(size, static_cast<DWORD>(data.size()));
    const LONG code = RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data.data(), &valueSize);
    type = valueType;
    size = valueSize;
    return code;
}

long Win32Registry::CloseKey(RegistryKey key) { return RegCloseKey(ToHkey(key)); }

std::string Win32Registry::ToAnsi(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    // Explicit lengths rather than -1, so that NULs inside are converted too.
    const int count = CountOf(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    if (needed == 0) {
        RaiseLastWin32Error();
    }
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), count, ansi.data(), needed, nullptr, nullptr) == 0) {
        RaiseLastWin32Error();
    }
    return ansi;
}

std::wstring Win32Registry::FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int count = CountOf(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0);
    if (needed == 0) {
        RaiseLastWin32Error();
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), count, wide.data(), needed) == 0) {
        RaiseLastWin32Error();
    }
    return wide;
}
