#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

// mod_main: completes the runtime at javaHome with the serial-port support
// files it lacks, copying them from the fixed installation folder. A copy
// refused for lack of rights is handed, once, to the launcher run again
// elevated. Reports its own failure in two message boxes and never passes
// it on.
void InstallSerialSupport(const std::wstring& javaHome, Platform& platform);

// How the two runs of the launcher talk. The first passes one argument,
//   /InstallSerialSupport:<runtime folder>
// quoted as one command-line argument. The elevated run copies the missing
// files into that folder and ends with exit code 0, or with the Number of
// the error that stopped it: 5 when it refuses the folder, or a file
// error's number (70, 53, 76, or an HRESULT for errors without a classic
// number), which the first run turns back into its description.

// The parameters that start the elevated run for javaHome.
std::wstring SerialSupportParameters(const std::wstring& javaHome);

// The folder named by the launcher's arguments (those after the program
// name) when they are exactly the private argument with an absolute folder.
std::optional<std::wstring> SerialSupportFolderIn(const std::vector<std::wstring>& arguments);

// The elevated run: completes the runtime at folder when folder is an
// existing folder, without "..", that a registered runtime names text for
// text. Returns the exit code; writes nothing into a refused folder.
std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files);
