#pragma once

#include <algorithm>
#include <array>
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

// The numbers users of programs like this one know, the registry reader's
// own, and the careful copy's own. The elevated run's exit code is one of
// them, so the first run reads it back as the same error.
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
inline constexpr std::int32_t kErrRuntimeFolderRefused = 1002;
inline constexpr std::int32_t kErrSourceNotProtected = 1003;
inline constexpr std::int32_t kErrSourceIsLink = 1004;
inline constexpr std::int32_t kErrDestinationIsLink = 1005;
inline constexpr std::int32_t kErrElevatedRunUnfinished = 1006;
inline constexpr std::int32_t kErrIncompleteCopy = 1007;
inline constexpr std::int32_t kErrElevatedRunLost = 1008;

struct KnownError {
    std::int32_t Number;
    const wchar_t* Description;
};

inline constexpr std::array<KnownError, 17> kKnownErrors = {{
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
    {kErrRuntimeFolderRefused,
     L"The support files were not installed: the step that copies them with administrator rights was given a "
     L"folder other than the Java runtime this program uses."},
    {kErrSourceNotProtected,
     L"The support files in C:\\tarvex\\GsmModemJar were not installed: users other than administrators can "
     L"change that folder, a folder above it or a file in it. An administrator should run this command once, then "
     L"start the program again:\r\n\r\n"
     L"icacls C:\\tarvex /inheritance:r /grant:r \"*S-1-5-32-544:(OI)(CI)F\" \"*S-1-5-18:(OI)(CI)F\" "
     L"\"*S-1-5-32-545:(OI)(CI)RX\""},
    {kErrSourceIsLink,
     L"The support files in C:\\tarvex\\GsmModemJar were not installed: that folder, a folder above it or a file "
     L"in it is a link. An administrator should put the real folder or file in its place, then start the program "
     L"again."},
    {kErrDestinationIsLink,
     L"The support files were not installed: a folder on the way to the Java runtime's bin or lib folder is a "
     L"link. An administrator should put the real folder in its place, then start the program again."},
    {kErrElevatedRunUnfinished,
     L"The support files were not installed: the step that copies them with administrator rights did not finish "
     L"within a minute."},
    {kErrIncompleteCopy, L"The support files were not installed: a file could not be written in full."},
    {kErrElevatedRunLost,
     L"The support files may not have been installed: the step that copies them with administrator rights started, "
     L"but waiting for it to end failed."},
}};

// The error with this number and its usual text; Number 0 when there is no
// such error.
inline AppError KnownErrorNumbered(std::int32_t number) {
    const auto known = std::find_if(kKnownErrors.begin(), kKnownErrors.end(),
                                    [&](const KnownError& error) { return error.Number == number; });
    return known != kKnownErrors.end() ? AppError{known->Number, known->Description} : AppError{};
}

// Raises the error with this number and its usual text.
[[noreturn]] inline void RaiseError(std::int32_t number) { throw KnownErrorNumbered(number); }
