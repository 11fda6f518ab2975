#include "win32/win32_files.h"

#include <windows.h>

#include "win32/win32_error.h"

namespace {

// The last component of a path, after its last backslash or slash, or
// after the colon of a drive-relative path such as "C:name".
std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

}  // namespace

bool Win32Files::FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Files::FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Win32Files::CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) {
    const std::wstring target = folder + FileNameOf(source);
    // FALSE: an existing file of that name is replaced. A missing folder
    // fails as ERROR_PATH_NOT_FOUND, a read-only or open target as
    // access denied or sharing violation.
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        RaiseLastWin32Error();
    }
}
