#include "win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "win32/win32_error.h"

namespace {

// The seam keeps keys in 32 bits, as a 32-bit program sees them. Windows
// keeps every handle value, predefined roots included, within 32 bits and
// sign-extends it in 64-bit code, so that the two kinds of program can share
// handles; HKEY_LOCAL_MACHINE is 0x80000002 in one, 0xFFFFFFFF80000002 in
// the other. Converting with sign extension is therefore exact both ways.
HKEY ToHkey(RegistryKey key) {
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
}

// False for a handle that the 32-bit form cannot hold, which Windows never
// hands out; it is refused rather than cut short.
bool FitsRegistryKey(HKEY key, RegistryKey& fitted) {
    fitted = static_cast<RegistryKey>(reinterpret_cast<std::uintptr_t>(key));
    return ToHkey(fitted) == key;
}

// The conversion functions count in int; a longer text is no registry text.
int CountOf(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX)) {
        RaiseError(kErrOutOfMemory);
    }
    return static_cast<int>(length);
}

}  // namespace

long Win32Registry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) {
    HKEY key = nullptr;
    const LONG code = RegOpenKeyExA(ToHkey(root), path.c_str(), 0, access, &key);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    if (!FitsRegistryKey(key, opened)) {
        RegCloseKey(key);
        return ERROR_INVALID_HANDLE;
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
