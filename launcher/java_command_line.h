#pragma once

#include <string>

// The command that starts the SMS server: the runtime's java.exe (or `java`
// from the search path when no runtime was located), the application's
// class path under applicationFolder, and its main class.
std::wstring BuildJavaCommandLine(const std::wstring& javaHome, const std::wstring& applicationFolder);
