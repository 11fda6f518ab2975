#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/registry_api.h"

// The elevated run: completes the runtime at folder when folder is an
// existing folder that is, text for text, the JavaHome of the runtime the
// launcher chooses. Everything is checked before anything is written.
// Returns the exit code (see private_argument.h); writes nothing into a
// refused folder.
std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files);
