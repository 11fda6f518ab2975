#include "launcher/program_arguments.h"

std::vector<std::wstring> SplitProgramArguments(const std::wstring& commandLine) {
    // Windows hands the command line over ending in a NUL, and it ends there.
    const wchar_t* at = commandLine.c_str();
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    if (*at == L'"') {
        do {
            ++at;
        } while (*at != L'\0' && *at != L'"');
        if (*at == L'"') {
            ++at;
        }
    } else {
        while (*at != L'\0' && !blank(*at)) {
            ++at;
        }
    }

    std::vector<std::wstring> arguments;
    for (;;) {
        while (blank(*at)) {
            ++at;
        }
        if (*at == L'\0') {
            return arguments;
        }
        std::wstring argument;
        bool quoted = false;
        while (*at != L'\0' && (quoted || !blank(*at))) {
            std::size_t backslashes = 0;
            while (*at == L'\\') {
                ++backslashes;
                ++at;
            }
            if (*at == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument += L'"';
                } else if (quoted && at[1] == L'"') {
                    argument += L'"';
                    quoted = false;
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                argument.append(backslashes, L'\\');
                if (*at != L'\0' && (quoted || !blank(*at))) {
                    argument += *at;
                    ++at;
                }
            }
        }
        arguments.push_back(argument);
    }
}
