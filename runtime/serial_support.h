#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

// mod_main: completes the runtime at javaHome with the serial-port support
// files it lacks, copying them from the fixed installation folder. A copy
// refused for lack of rights is handed, once, to the launcher run again
// elevated, and waited for at most a minute. Reports its own failure in two
// message boxes and never passes it on.
void InstallSerialSupport(const std::wstring& javaHome, Platform& platform);

// How the two runs of the launcher talk. The first passes one argument,
//   /InstallSerialSupport:<runtime folder>
// quoted as one command-line argument. The elevated run ends with exit code
// 0 when every file is in place, or with the number of the error that
// stopped it (see app_error.h): 5 for a malformed argument, 1002 for a
// folder other than the chosen runtime's, 1003 to 1005 for a source or
// destination it does not trust, a file error's number, or an HRESULT for
// errors without a number of their own.

// The parameters that start the elevated run for javaHome.
std::wstring SerialSupportParameters(const std::wstring& javaHome);

// None when the launcher's arguments (those after the program name) are no
// request for the elevated run. Otherwise the folder it names: empty when
// the request is malformed (more arguments, another spelling, a folder that
// is not a drive's absolute path), which the elevated run refuses.
std::optional<std::wstring> SerialSupportFolderIn(const std::vector<std::wstring>& arguments);

// The elevated run: completes the runtime at folder when folder is an
// existing folder that is, text for text, the JavaHome of the runtime the
// launcher chooses, copying only from a source that only administrators can
// change, and through no link. Returns the exit code; writes nothing into a
// refused folder.
std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files);
