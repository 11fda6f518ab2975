#include "win32/win32_error.h"

#include <windows.h>

#include <optional>

#include "platform/decimal_text.h"

namespace {

// The table users of programs like this one know. Codes outside it keep
// their own number and text so that nothing is reported as something else.
std::optional<AppError> ClassicErrorFor(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return AppError{kErrFileNotFound, L"File not found"};
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return AppError{kErrPathNotFound, L"Path not found"};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return AppError{kErrPermissionDenied, L"Permission denied"};
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return AppError{kErrFileAlreadyExists, L"File already exists"};
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
    std::wstring text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
    }
    if (buffer != nullptr) {
        LocalFree(buffer);
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
    AppError error = ClassicErrorFor(code).value_or(
        AppError{static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)), SystemErrorText(code)});
    error.SystemCode = code;
    return error;
}

AppError AppErrorFromExitCode(unsigned long code) {
    if (HRESULT_FACILITY(code) == FACILITY_WIN32 && (code & 0x80000000UL) != 0) {
        // An HRESULT carries its Win32 code, and with it the system's text.
        return AppErrorFromWin32(HRESULT_CODE(code));
    }
    // The classic numbers another run can end with, with their usual texts.
    switch (code) {
    case 0:
        return AppError{};
    case kErrInvalidArgument:
        return AppError{kErrInvalidArgument, L"Invalid procedure call or argument"};
    case kErrFileNotFound:
        return ClassicErrorFor(ERROR_FILE_NOT_FOUND).value();
    case kErrPermissionDenied:
        return ClassicErrorFor(ERROR_ACCESS_DENIED).value();
    case kErrPathNotFound:
        return ClassicErrorFor(ERROR_PATH_NOT_FOUND).value();
    default:
        return AppError{static_cast<std::int32_t>(code), L"System error " + DecimalText(code)};
    }
}

AppError AppErrorFromWin32ForFolder(unsigned long code) {
    // SetCurrentDirectoryW says "file not found" for a missing last folder
    // and "directory name is invalid" for a file.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_DIRECTORY) {
        return AppError{kErrPathNotFound, L"Path not found"};
    }
    return AppErrorFromWin32(code);
}

void RaiseLastWin32Error() { throw AppErrorFromWin32(GetLastError()); }
