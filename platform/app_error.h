#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

// An error as the user sees it: a number and a description that travel
// together from the failing call to the message box. Routines raise it by
// throwing; a routine with an error trap catches it and reports it.
struct AppError {
    std::int32_t Number = 0;
    std::wstring Description;
    // The system's own code behind the error, 0 when there is none. It
    // tells apart causes that users know as one error: access denied and a
    // file in use are both 70 "Permission denied".
    std::uint32_t SystemCode = 0;
};

inline constexpr std::uint32_t kSystemAccessDenied = 5;  // ERROR_ACCESS_DENIED

// The numbers users of programs like this one know, and the registry
// reader's own.
inline constexpr std::int32_t kErrInvalidArgument = 5;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr std::int32_t kErrBadFileName = 52;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrFileAlreadyExists = 58;
inline constexpr std::int32_t kErrPermissionDenied = 70;
inline constexpr std::int32_t kErrPathNotFound = 76;
inline constexpr std::int32_t kErrDuplicateKey = 457;
inline constexpr std::int32_t kErrUnsupportedValueType = 1001;

struct KnownError {
    std::int32_t Number;
    const wchar_t* Description;
};

inline constexpr std::array<KnownError, 10> kClassicErrors = {{
    {kErrInvalidArgument, L"Invalid procedure call or argument"},
    {kErrOutOfMemory, L"Out of memory"},
    {kErrTypeMismatch, L"Type mismatch"},
    {kErrBadFileName, L"Bad file name or number"},
    {kErrFileNotFound, L"File not found"},
    {kErrFileAlreadyExists, L"File already exists"},
    {kErrPermissionDenied, L"Permission denied"},
    {kErrPathNotFound, L"Path not found"},
    {kErrDuplicateKey, L"This key is already associated with an element of this collection"},
    {kErrUnsupportedValueType, L"Unsupported value type"},
}};

// The error with this number and its usual text in table; Number 0 when
// table has no such number.
inline AppError ErrorIn(std::span<const KnownError> table, std::int32_t number) {
    const auto known =
        std::find_if(table.begin(), table.end(), [&](const KnownError& error) { return error.Number == number; });
    return known != table.end() ? AppError{known->Number, known->Description} : AppError{};
}

inline AppError KnownErrorNumbered(std::int32_t number) { return ErrorIn(kClassicErrors, number); }

// Raises the error with this number and its usual text.
[[noreturn]] inline void RaiseError(std::int32_t number) { throw KnownErrorNumbered(number); }
