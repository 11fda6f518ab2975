#include "win32/system_library.h"

#include <array>
#include <string>

HMODULE LoadSystemLibrary(const wchar_t* name) {
    std::array<wchar_t, MAX_PATH> folder{};
    const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return nullptr;
    }
    if (length == 0) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder.data(), length) + L"\\" + name;
    return LoadLibraryW(path.c_str());
}
