#include "runtime/runtime_choice.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <iterator>
#include <string_view>
#include <type_traits>

#include "platform/app_error.h"
#include "platform/decimal_text.h"
#include "registry/registry_reader.h"
#include "runtime/careful_copy.h"

namespace {

constexpr double kLowestVersion = 1.5;

std::wstring RegistryValueText(RegistryApi& registry, const RegistryValue& value) {
    return std::visit(
        [&](const auto& held) -> std::wstring {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::monostate>) {
                return {};
            } else if constexpr (std::is_same_v<Held, std::wstring>) {
                return held;
            } else if constexpr (std::is_same_v<Held, std::int32_t>) {
                return DecimalText(held);
            } else {
                return registry.FromAnsi(std::string(held.begin(), held.end()));
            }
        },
        value);
}

bool IsNewEnough(const std::wstring& version) { return ParseVersionNumber(version.substr(0, 3)) >= kLowestVersion; }

std::wstring JavaHomeOf(RegistryApi& registry, const std::wstring& version) {
    return RegistryValueText(registry,
                             GetValue(registry, kHkeyLocalMachine, kRuntimeKey + (L"\\" + version), L"JavaHome"));
}

// Whether the runtime at home is still there: its java.exe, by an absolute
// path, as a relative one would depend on the current folder.
bool HasJava(const std::wstring& home, FileSystem& files) {
    return IsAbsoluteFolder(home) && files.FileExists(home + L"\\bin\\java.exe");
}

}  // namespace

double ParseVersionNumber(const std::wstring& text) {
    // Blanks around the number, a sign, digits with '.' as the decimal
    // point, and an exponent; whatever the user's locale, version numbers
    // are written with a point.
    const auto blank = [](wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; };
    const auto begin = std::find_if_not(text.begin(), text.end(), blank);
    std::wstring_view rest(begin, std::find_if_not(text.rbegin(), std::make_reverse_iterator(begin), blank).base());
    std::string ascii;
    // Moves one of these characters from the front of rest to ascii, if it is there.
    const auto one = [&](std::wstring_view these) {
        const bool there = !rest.empty() && these.find(rest.front()) != std::wstring_view::npos;
        if (there) {
            ascii += static_cast<char>(rest.front());
            rest.remove_prefix(1);
        }
        return there;
    };
    // Moves the digits at the front of rest to ascii; whether there were any.
    const auto digits = [&] {
        bool any = false;
        while (one(L"0123456789")) {
            any = true;
        }
        return any;
    };
    one(L"+-");
    const bool whole = digits();
    const bool fraction = one(L".") && digits();
    if (!whole && !fraction) {
        RaiseError(kErrTypeMismatch);
    }
    if (one(L"eE")) {
        one(L"+-");
        if (!digits()) {
            RaiseError(kErrTypeMismatch);
        }
    }
    if (!rest.empty()) {
        RaiseError(kErrTypeMismatch);
    }
    // atof rather than strtod, which mingw-w64 replaces with about 20 KiB of
    // its own: the C runtime's atof reads text checked as above alike, in
    // the "C" locale the program never leaves, where the point is '.'. The
    // errors strtod would report are ruled out above.
    return std::atof(ascii.c_str());  // NOLINT(cert-err34-c)
}

std::optional<std::wstring> ChosenJavaHome(RegistryApi& registry, FileSystem& files) {
    const SubKeyList versions = EnumSubKeys(registry, kHkeyLocalMachine, kRuntimeKey);
    const std::vector<std::wstring>& names = versions.Names();
    const auto first = std::find_if(names.begin(), names.end(), IsNewEnough);
    if (first == names.end()) {
        return std::nullopt;
    }
    const std::wstring home = JavaHomeOf(registry, *first);
    if (HasJava(home, files)) {
        return home;
    }
    for (auto later = std::next(first); later != names.end(); ++later) {
        try {
            if (IsNewEnough(*later)) {
                const std::wstring laterHome = JavaHomeOf(registry, *later);
                if (HasJava(laterHome, files)) {
                    return laterHome;
                }
            }
        } catch (const AppError&) {
            // A later key that cannot be read is passed over like one whose
            // runtime is gone: only the first's errors are the user's to see.
        }
    }
    // None is there: the first, which fails as it always has, with its boxes.
    return home;
}
