#pragma once

#include <string>
#include <vector>

// The arguments after the program's name in a command line as Windows
// hands it over, split as Windows programs split them: blanks separate
// arguments except inside double quotes; 2n backslashes before a quote give
// n backslashes and the quote opens or closes, 2n+1 give n and a literal
// quote; inside quotes, two quotes give one and end the quoting. The name
// itself is quoted or runs to the first blank, with no escapes. These are
// the shell's rules (CommandLineToArgvW), which the launcher always used.
std::vector<std::wstring> SplitProgramArguments(const std::wstring& commandLine);
