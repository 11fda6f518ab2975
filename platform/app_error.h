#pragma once

#include <cstdint>
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

// The numbers and texts users of programs like this one know.
inline constexpr std::int32_t kErrInvalidArgument = 5;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrFileAlreadyExists = 58;
inline constexpr std::int32_t kErrPermissionDenied = 70;
inline constexpr std::int32_t kErrPathNotFound = 76;
inline constexpr std::int32_t kErrDuplicateKey = 457;
inline constexpr std::int32_t kErrUnsupportedValueType = 1001;
