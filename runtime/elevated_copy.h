#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "platform/file_system.h"
#include "platform/process_api.h"
#include "platform/registry_api.h"

// How the launcher's two runs install the support files, and how they talk.
// The first run copies row by row. Refused a copy for lack of rights, it
// starts the program again elevated with one argument,
//   /InstallSerialSupport:<runtime folder>
// quoted as one command-line argument. The elevated run checks every row
// before it writes any, and ends with exit code 0 when every file is in
// place; otherwise with the number of the error that stopped it, one of
// the known errors (5 for a malformed argument, 53, 76, 1002 to 1007, ...),
// or the HRESULT of a Win32 failure without a number of its own. The first
// run reads the exit code back as the same error.

enum class CopyOrder {
    RowByRow,            // the first run: what was copied before a failure stays
    CheckEveryRowFirst,  // the elevated run: a failure anywhere writes nothing
};

// Completes the runtime at javaHome with the support files it lacks, each
// through the handles it was checked through, so that what was checked is
// what is copied and where. A file the runtime has is never replaced; the
// first failure is raised and abandons the remaining files.
void CopyMissingSupportFiles(const std::wstring& javaHome, FileSystem& files, CopyOrder order);

// The first run's side: the elevated run's verdict on javaHome, Number 0
// when it copied every file; or refusal itself when it could not run,
// declined at the prompt or not started at all. Waits for it a minute at
// most.
AppError CopyElevated(const std::wstring& javaHome, ProcessApi& processes, const AppError& refusal);

// The parameters that start the elevated run for javaHome.
std::wstring SerialSupportParameters(const std::wstring& javaHome);

// The elevated run's side. None when the launcher's arguments (those after
// the program name) are no request for the elevated run. Otherwise the
// folder it names: empty when the request is malformed (more arguments,
// another spelling, a folder that is not a drive's absolute path), which
// the elevated run refuses.
std::optional<std::wstring> SerialSupportFolderIn(const std::vector<std::wstring>& arguments);

// The elevated run: completes the runtime at folder when folder is an
// existing folder that is, text for text, the JavaHome of the runtime the
// launcher chooses, and returns its exit code. Writes nothing into a
// refused folder.
std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files);
