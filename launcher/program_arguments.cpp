#include "launcher/program_arguments.h"

std::vector<std::wstring> SplitProgramArguments(const std::wstring& commandLine) {
    const std::size_t end = commandLine.size();
    const auto blankAt = [&](std::size_t at) {
        return at < end && (commandLine[at] == L' ' || commandLine[at] == L'\t');
    };
    std::size_t at = 0;
    if (at < end && commandLine[at] == L'"') {
        const std::size_t closing = commandLine.find(L'"', 1);
        at = closing == std::wstring::npos ? end : closing + 1;
    } else {
        while (at < end && !blankAt(at)) {
            ++at;
        }
    }

    std::vector<std::wstring> arguments;
    for (;;) {
        while (blankAt(at)) {
            ++at;
        }
        if (at == end) {
            return arguments;
        }
        std::wstring argument;
        bool quoted = false;
        while (at < end && (quoted || !blankAt(at))) {
            std::size_t backslashes = 0;
            while (at < end && commandLine[at] == L'\\') {
                ++backslashes;
                ++at;
            }
            if (at < end && commandLine[at] == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument += L'"';
                } else if (quoted && at + 1 < end && commandLine[at + 1] == L'"') {
                    argument += L'"';
                    quoted = false;
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                argument.append(backslashes, L'\\');
                if (at < end && (quoted || !blankAt(at))) {
                    argument += commandLine[at];
                    ++at;
                }
            }
        }
        arguments.push_back(argument);
    }
}
