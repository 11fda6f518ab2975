#include "runtime/private_argument.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

#include "runtime/careful_copy.h"

namespace {

constexpr wchar_t kPrivateArgument[] = L"/InstallSerialSupport:";

// Whether argument begins with the private argument's prefix, in any case.
bool LooksPrivate(const std::wstring& argument) {
    std::wstring start = argument.substr(0, std::size(kPrivateArgument) - 1);
    std::transform(start.begin(), start.end(), start.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); });
    return start == L"/installserialsupport:";
}

}  // namespace

AppError CopyErrorNumbered(std::int32_t number) {
    const AppError own = ErrorIn(kCopyErrors, number);
    return own.Number != 0 ? own : KnownErrorNumbered(number);
}

void RaiseCopyError(std::int32_t number) { throw CopyErrorNumbered(number); }

std::wstring SerialSupportParameters(const std::wstring& javaHome) {
    // Backslashes before the closing quote are doubled, or they would
    // escape it.
    std::size_t trailing = 0;
    while (trailing < javaHome.size() && javaHome[javaHome.size() - 1 - trailing] == L'\\') {
        ++trailing;
    }
    return L"\"" + std::wstring(kPrivateArgument) + javaHome + std::wstring(trailing, L'\\') + L"\"";
}

std::optional<std::wstring> SerialSupportFolderIn(const std::vector<std::wstring>& arguments) {
    const std::wstring_view prefix = kPrivateArgument;
    if (arguments.empty() || !LooksPrivate(arguments[0])) {
        return std::nullopt;
    }
    // Whatever else resembles the private argument is refused by the
    // elevated run, never taken for a whole launcher's start.
    const std::wstring folder = arguments[0].substr(prefix.size());
    if (arguments.size() != 1 || !arguments[0].starts_with(prefix) || !IsAbsoluteFolder(folder)) {
        return std::wstring();
    }
    return folder;
}
