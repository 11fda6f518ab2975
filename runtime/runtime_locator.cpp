#include "runtime/runtime_locator.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <type_traits>

#include "platform/app_error.h"
#include "platform/decimal_text.h"
#include "registry/registry_reader.h"
#include "runtime/serial_support.h"

namespace {

constexpr wchar_t kRuntimeKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
constexpr wchar_t kVersionKeyPrefix[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\";
constexpr double kLowestVersion = 1.5;

constexpr wchar_t kNoRuntimeMessage[] =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Tarvex SMS Server 4 Huawei 3G/HSDPA for further help";
constexpr wchar_t kNoSuitableRuntimeMessage[] =
    L"Java Runtime Environment version 1.5 or higher version is not avaiable";
constexpr wchar_t kSearchFailedMessage[] = L"Error While Searching JVM on Your Machine";

// Exit code of the launcher when it refuses to start the application.
constexpr int kExitNoRuntime = 1;

[[noreturn]] void RaiseTypeMismatch() { throw AppError{kErrTypeMismatch, L"Type mismatch"}; }

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
        RaiseTypeMismatch();
    }
    if (i < last && (text[i] == L'e' || text[i] == L'E')) {
        ascii += 'e';
        ++i;
        take([&](wchar_t c) { return (c == L'+' || c == L'-') && ascii.back() == 'e'; });
        if (take(IsDigit) == 0) {
            RaiseTypeMismatch();
        }
    }
    if (i != last) {
        RaiseTypeMismatch();
    }
    return std::strtod(ascii.c_str(), nullptr);
}

std::vector<std::wstring> RegisteredJavaHomes(RegistryApi& registry) {
    std::vector<std::wstring> homes;
    const SubKeyList versions = EnumSubKeys(registry, kHkeyLocalMachine, kRuntimeKey);
    for (const std::wstring& version : versions.Names()) {
        try {
            homes.push_back(RegistryValueText(
                registry, GetValue(registry, kHkeyLocalMachine, kVersionKeyPrefix + version, L"JavaHome")));
        } catch (const AppError&) {
            // Unreadable: this runtime names no folder, the others still do.
        }
    }
    return homes;
}

void LocateJavaRuntime(Platform& platform, std::wstring& javaHomePath) {
    UserInterface& ui = platform.Ui;
    try {
        RegistryApi& registry = platform.Registry;
        javaHomePath.clear();
        if (KeyExists(registry, kHkeyLocalMachine, kRuntimeKey) == 0) {
            ui.ShowMessage(kNoRuntimeMessage);
            ui.EndProgram(kExitNoRuntime);
        }

        // The first listed version that is new enough wins, not the highest.
        const SubKeyList versions = EnumSubKeys(registry, kHkeyLocalMachine, kRuntimeKey);
        const auto chosen = std::find_if(
            versions.Names().begin(), versions.Names().end(),
            [](const std::wstring& name) { return ParseVersionNumber(name.substr(0, 3)) >= kLowestVersion; });
        if (chosen == versions.Names().end()) {
            ui.ShowMessage(kNoSuitableRuntimeMessage);
            ui.EndProgram(kExitNoRuntime);
        }

        const std::wstring home = RegistryValueText(
            registry, GetValue(registry, kHkeyLocalMachine, kVersionKeyPrefix + *chosen, L"JavaHome"));
        // An empty JavaHome leaves the start to `java` on the search path.
        if (!home.empty()) {
            javaHomePath = home;
            InstallSerialSupport(home, platform);
        }
    } catch (const AppError& error) {
        ui.ShowMessage(error.Description);
        ui.ShowMessage(kSearchFailedMessage);
        javaHomePath.clear();
    }
}
