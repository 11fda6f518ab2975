#include "runtime/runtime_choice.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <type_traits>

#include "platform/app_error.h"
#include "platform/decimal_text.h"
#include "registry/registry_reader.h"

namespace {

constexpr double kLowestVersion = 1.5;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

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

}  // namespace

double ParseVersionNumber(const std::wstring& text) {
    // Blanks around the number, a sign, digits with '.' as the decimal
    // point, and an exponent; whatever the user's locale, version numbers
    // are written with a point.
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::iswspace(static_cast<std::wint_t>(text[first])) != 0) {
        ++first;
    }
    while (last > first && std::iswspace(static_cast<std::wint_t>(text[last - 1])) != 0) {
        --last;
    }
    std::string ascii;
    std::size_t i = first;
    auto take = [&](auto accepts) {
        std::size_t count = 0;
        while (i < last && accepts(text[i])) {
            ascii += static_cast<char>(text[i]);
            ++i;
            ++count;
        }
        return count;
    };
    take([&](wchar_t c) { return (c == L'+' || c == L'-') && ascii.empty(); });
    std::size_t digits = take(IsDigit);
    if (i < last && text[i] == L'.') {
        ascii += '.';
        ++i;
        digits += take(IsDigit);
    }
    if (digits == 0) {
        RaiseError(kErrTypeMismatch);
    }
    if (i < last && (text[i] == L'e' || text[i] == L'E')) {
        ascii += 'e';
        ++i;
        take([&](wchar_t c) { return (c == L'+' || c == L'-') && ascii.back() == 'e'; });
        if (take(IsDigit) == 0) {
            RaiseError(kErrTypeMismatch);
        }
    }
    if (i != last) {
        RaiseError(kErrTypeMismatch);
    }
    return std::strtod(ascii.c_str(), nullptr);
}

std::optional<std::wstring> FirstQualifyingVersion(RegistryApi& registry) {
    const SubKeyList versions = EnumSubKeys(registry, kHkeyLocalMachine, kRuntimeKey);
    const auto chosen = std::find_if(versions.Names().begin(), versions.Names().end(), [](const std::wstring& name) {
        return ParseVersionNumber(name.substr(0, 3)) >= kLowestVersion;
    });
    if (chosen == versions.Names().end()) {
        return std::nullopt;
    }
    return *chosen;
}

std::wstring JavaHomeOf(RegistryApi& registry, const std::wstring& version) {
    return RegistryValueText(registry,
                             GetValue(registry, kHkeyLocalMachine, kRuntimeKey + (L"\\" + version), L"JavaHome"));
}

std::wstring ChosenJavaHome(RegistryApi& registry) {
    const std::optional<std::wstring> version = FirstQualifyingVersion(registry);
    return version ? JavaHomeOf(registry, *version) : std::wstring();
}

bool IsUsableFolderText(const std::wstring& text) {
    return std::none_of(text.begin(), text.end(), [](wchar_t c) { return c == L'"' || c < L' '; });
}
