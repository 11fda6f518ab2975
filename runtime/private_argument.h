#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_error.h"

// How the two runs of the launcher talk. The first, refused a copy for lack
// of rights, starts the program again elevated with one argument,
//   /InstallSerialSupport:<runtime folder>
// quoted as one command-line argument. The elevated run ends with exit
// code 0 when every file is in place; otherwise with the number of the
// error that stopped it: one of the launcher's own below, a classic one
// (5 for a malformed argument, 53, 76, ...), or an HRESULT for a system
// error without a number of its own. The first run reads the exit code back
// as the same error. The launcher's own errors are raised by the first run
// too, for the same causes.

inline constexpr std::int32_t kErrRuntimeFolderRefused = 1002;
inline constexpr std::int32_t kErrSourceNotProtected = 1003;
inline constexpr std::int32_t kErrSourceIsLink = 1004;
inline constexpr std::int32_t kErrDestinationIsLink = 1005;
inline constexpr std::int32_t kErrElevatedRunUnfinished = 1006;
inline constexpr std::int32_t kErrIncompleteCopy = 1007;
inline constexpr std::int32_t kErrElevatedRunLost = 1008;

inline constexpr std::array<KnownError, 7> kCopyErrors = {{
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

// The error an exit code of the elevated run stands for, with its usual
// text: the launcher's own or a classic one; Number 0 when it is neither.
AppError CopyErrorNumbered(std::int32_t number);

// Raises the launcher's own error with this number.
[[noreturn]] void RaiseCopyError(std::int32_t number);

// The parameters that start the elevated run for javaHome.
std::wstring SerialSupportParameters(const std::wstring& javaHome);

// None when the launcher's arguments (those after the program name) are no
// request for the elevated run. Otherwise the folder it names: empty when
// the request is malformed (more arguments, another spelling, a folder that
// is not a drive's absolute path), which the elevated run refuses.
std::optional<std::wstring> SerialSupportFolderIn(const std::vector<std::wstring>& arguments);
