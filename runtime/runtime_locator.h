#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// mod_main: finds the first registered Java runtime of version 1.5 or higher,
// leaves its home folder in javaHomePath and completes it with the serial
// support files. Ends the program when no runtime, or none new enough, is
// registered; reports any other failure and returns with javaHomePath empty.
void LocateJavaRuntime(Platform& platform, std::wstring& javaHomePath);

// Reads a version text such as "1.6" or "10" as a number; raises 13
// "Type mismatch" for anything that is not a number.
double ParseVersionNumber(const std::wstring& text);

// The JavaHome of every registered runtime, whatever its version, as
// LocateJavaRuntime would read it; a runtime whose JavaHome cannot be read
// names no folder and is left out.
std::vector<std::wstring> RegisteredJavaHomes(RegistryApi& registry);
