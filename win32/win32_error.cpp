#include "win32/win32_error.h"

#include <windows.h>

#include <optional>

#include "platform/decimal_text.h"
#include "win32/owners.h"

namespace {

// The classic errors users know for these codes. Codes outside the list
// keep their own number and text so that nothing is reported as something
// else.
std::optional<AppError> ClassicErrorFor(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return KnownErrorNumbered(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return KnownErrorNumbered(kErrPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return KnownErrorNumbered(kErrPermissionDenied);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return KnownErrorNumbered(kErrFileAlreadyExists);
    default:
        return std::nullopt;
    }
}

}  // namespace

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const ScopedLocal held(buffer);
    std::wstring text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
    }
    // System texts are sentences ending in ".\r\n"; the classic descriptions
    // that appear beside them in the same boxes have neither.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    if (!text.empty() && text.back() == L'.') {
        text.pop_back();
    }
    if (text.empty()) {
        text = L"System error " + DecimalText(code);
    }
    return text;
}

AppError AppErrorFromWin32(unsigned long code) {
    if (code == ERROR_SUCCESS) {
        // A call that failed without saying why still failed; Number 0
        // would read as success.
        return AppError{static_cast<std::int32_t>(E_FAIL), SystemErrorText(E_FAIL)};
    }
    AppError error = ClassicErrorFor(code).value_or(
        AppError{static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)), SystemErrorText(code)});
    error.SystemCode = code;
    return error;
}

AppError AppErrorFromWin32ForFolder(unsigned long code) {
    // SetCurrentDirectoryW says "file not found" for a missing last folder
    // and "directory name is invalid" for a file.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_DIRECTORY) {
        return KnownErrorNumbered(kErrPathNotFound);
    }
    return AppErrorFromWin32(code);
}

const wchar_t* PathText(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) {
        RaiseError(kErrBadFileName);
    }
    return path.c_str();
}

void RaiseLastWin32Error() { throw AppErrorFromWin32(GetLastError()); }
