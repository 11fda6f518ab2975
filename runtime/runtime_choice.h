#pragma once

#include <optional>
#include <string>

#include "platform/registry_api.h"

// Which registered Java runtime the launcher uses: the first listed under
// HKLM\SOFTWARE\JavaSoft\Java Runtime Environment whose version is 1.5 or
// higher, not the highest. The locator and the elevated run both choose
// through here, so they cannot disagree.

inline constexpr wchar_t kRuntimeKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";

// Reads a version text such as "1.6" or "10" as a number; raises 13
// "Type mismatch" for anything that is not a number.
double ParseVersionNumber(const std::wstring& text);

// The first version subkey whose first three characters read as 1.5 or
// higher; none when no subkey does. Raises 13 for a version text met before
// it that is not a number, and whatever the registry reader raises.
std::optional<std::wstring> FirstQualifyingVersion(RegistryApi& registry);

// The JavaHome value of that version subkey as text, exactly as read: empty
// when the key cannot be opened. Raises 1001 when it has no readable value.
std::wstring JavaHomeOf(RegistryApi& registry, const std::wstring& version);

// The home folder of the runtime the launcher uses; empty when there is
// none. Raises as the two above do.
std::wstring ChosenJavaHome(RegistryApi& registry);

// Whether text can name a folder at all: a double quote would end the
// quoted path it is put in, and Windows allows no control character in a
// name; NUL, which would silently cut the path short, is one of them.
bool IsUsableFolderText(const std::wstring& text);
