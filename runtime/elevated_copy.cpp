#include "runtime/elevated_copy.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

#include "platform/decimal_text.h"
#include "runtime/careful_copy.h"
#include "runtime/runtime_choice.h"

namespace {

constexpr wchar_t kPrivateArgument[] = L"/InstallSerialSupport:";
constexpr unsigned kElevatedRunLimitMs = 60000;

// Whether argument begins with the private argument's prefix, in any case.
bool LooksPrivate(const std::wstring& argument) {
    std::wstring start = argument.substr(0, std::size(kPrivateArgument) - 1);
    std::transform(start.begin(), start.end(), start.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); });
    return start == L"/installserialsupport:";
}

// The error an exit code of the elevated run stands for.
AppError ElevatedRunError(std::uint32_t exitCode, ProcessApi& processes) {
    constexpr std::uint32_t kFacilityWin32 = 7;
    if ((exitCode & 0x80000000U) != 0 && ((exitCode >> 16U) & 0x1FFFU) == kFacilityWin32) {
        // An HRESULT carries its Win32 code, and with it the system's text.
        return processes.SystemError(exitCode & 0xFFFFU);
    }
    if (exitCode == 0) {
        return AppError{};
    }
    const AppError known = KnownErrorNumbered(static_cast<std::int32_t>(exitCode));
    return known.Number != 0 ? known
                             : AppError{static_cast<std::int32_t>(exitCode), L"System error " + DecimalText(exitCode)};
}

// Whether folder is, text for text, the runtime the launcher itself would
// complete, read again here rather than taken on trust.
bool IsChosenRuntime(const std::wstring& folder, RegistryApi& registry, FileSystem& files) {
    if (JudgeFolderText(folder) != FolderText::Walkable) {
        return false;
    }
    try {
        return ChosenJavaHome(registry, files) == folder;
    } catch (const AppError&) {
        return false;  // no runtime can be chosen, so none is this one
    }
}

}  // namespace

void CopyMissingSupportFiles(const std::wstring& javaHome, FileSystem& files, CopyOrder order) {
    const bool everyRowFirst = order == CopyOrder::CheckEveryRowFirst;
    HeldFiles held(files);
    std::vector<const SupportFile*> checked;
    for (const SupportFile& file : kSupportFiles) {
        if (everyRowFirst) {
            // Elevated, a link on the way to any row's folder refuses them all.
            HoldDestination(held, javaHome, file);
        }
        if (files.FileExists(TargetOf(javaHome, file))) {
            continue;
        }
        if (!everyRowFirst) {
            HoldDestination(held, javaHome, file);
        }
        HoldProtectedSource(held, file);
        if (everyRowFirst) {
            checked.push_back(&file);
        } else {
            CopyHeld(held, javaHome, file);
        }
    }
    for (const SupportFile* file : checked) {
        CopyHeld(held, javaHome, *file);
    }
}

AppError CopyElevated(const std::wstring& javaHome, ProcessApi& processes, const AppError& refusal) {
    ElevatedRun run;
    try {
        run = processes.RunElevated(processes.ModulePath(), SerialSupportParameters(javaHome), kElevatedRunLimitMs);
    } catch (const AppError&) {
        return refusal;
    }
    switch (run.End) {
    case RunEnd::StillRunning:
        // Left running, it may still finish; the launch goes on without it.
        return KnownErrorNumbered(kErrElevatedRunUnfinished);
    case RunEnd::WaitFailed:
        return KnownErrorNumbered(kErrElevatedRunLost);
    default:
        return ElevatedRunError(run.ExitCode, processes);
    }
}

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

std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files) {
    try {
        // Started elevated, this run trusts nothing it was handed: only the
        // folder the launcher itself would complete is written to.
        if (folder.empty()) {
            return kErrInvalidArgument;
        }
        if (!IsChosenRuntime(folder, registry, files) || !files.FolderExists(folder)) {
            return kErrRuntimeFolderRefused;
        }
        CopyMissingSupportFiles(folder, files, CopyOrder::CheckEveryRowFirst);
        return 0;
    } catch (const AppError& error) {
        // Exit code 0 says every file is in place; a failure that came
        // without a number must not say so.
        return error.Number != 0 ? error.Number : kErrIncompleteCopy;
    }
}
