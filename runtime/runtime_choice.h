#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/registry_api.h"

// Which registered Java runtime the launcher uses. The locator and the
// elevated run both choose through here, so they cannot disagree.

inline constexpr wchar_t kRuntimeKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";

// Reads a version text such as "1.6" or "10" as a number; raises 13
// "Type mismatch" for anything that is not a number.
double ParseVersionNumber(const std::wstring& text);

// The home folder of the runtime the launcher uses, exactly as read: the
// JavaHome of the first version subkey under HKLM\SOFTWARE\JavaSoft\Java
// Runtime Environment whose first three characters read as 1.5 or higher,
// not the highest. Java's uninstallers often leave their key behind: when
// that folder has no bin\java.exe, the first later subkey of 1.5 or higher
// whose folder has one is taken instead, and the first when none has. None
// when no subkey reads as 1.5 or higher. Raises 13 for a version text before
// the first that is not a number, and what the registry reader raises for
// the first's JavaHome (1001 when it has no readable value); later subkeys
// that cannot be read are passed over.
std::optional<std::wstring> ChosenJavaHome(RegistryApi& registry, FileSystem& files);
