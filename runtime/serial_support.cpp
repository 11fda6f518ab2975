#include "runtime/serial_support.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

#include "platform/app_error.h"
#include "runtime/careful_copy.h"
#include "runtime/runtime_choice.h"

namespace {

constexpr wchar_t kPrivateArgument[] = L"/InstallSerialSupport:";
constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";
constexpr std::int32_t kExitSucceeded = 0;
constexpr unsigned kElevatedRunLimitMs = 60000;

// Row by row: a file the runtime has is never replaced, and the first
// failure abandons the remaining files; those copied before it stay.
void CopyMissingSupportFiles(const std::wstring& javaHome, FileSystem& files) {
    HeldFiles held(files);
    for (const SupportFile& file : kSupportFiles) {
        if (!files.FileExists(TargetOf(javaHome, file))) {
            HoldDestination(held, javaHome, file);
            HoldProtectedSource(held, file);
            CopyHeld(held, javaHome, file);
        }
    }
}

// The elevated copy. Everything is checked before anything is written, and
// each file is copied through the handles it was checked through, so that
// what was checked is what is copied and where.
void CopyFromProtectedSource(const std::wstring& javaHome, FileSystem& files) {
    HeldFiles held(files);
    for (const SupportFile& file : kSupportFiles) {
        HoldDestination(held, javaHome, file);
    }
    std::vector<const SupportFile*> missing;
    for (const SupportFile& file : kSupportFiles) {
        if (!files.FileExists(TargetOf(javaHome, file))) {
            HoldProtectedSource(held, file);
            missing.push_back(&file);
        }
    }
    for (const SupportFile* file : missing) {
        CopyHeld(held, javaHome, *file);
    }
}

// Whether folder is, text for text, the runtime the launcher itself would
// complete, read again here rather than taken on trust.
bool IsChosenRuntime(const std::wstring& folder, RegistryApi& registry) {
    if (!IsRuntimeFolder(folder)) {
        return false;
    }
    try {
        return ChosenJavaHome(registry) == folder;
    } catch (const AppError&) {
        return false;  // no runtime can be chosen, so none is this one
    }
}

// Whether argument begins with the private argument's prefix, in any case.
bool LooksPrivate(const std::wstring& argument) {
    std::wstring start = argument.substr(0, std::size(kPrivateArgument) - 1);
    std::transform(start.begin(), start.end(), start.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); });
    return start == L"/installserialsupport:";
}

// The elevated run's own verdict, or the refusal itself when it could not
// run: declined at the prompt, or not started at all.
AppError CopyElevated(const std::wstring& javaHome, ProcessApi& processes, const AppError& refusal) {
    try {
        const std::optional<AppError> outcome =
            processes.RunElevated(processes.ModulePath(), SerialSupportParameters(javaHome), kElevatedRunLimitMs);
        // Left running, it may still finish; the launch goes on without it.
        return outcome.value_or(KnownErrorNumbered(kErrElevatedRunUnfinished));
    } catch (const AppError&) {
        return refusal;
    }
}

}  // namespace

void InstallSerialSupport(const std::wstring& javaHome, Platform& platform) {
    try {
        CopyMissingSupportFiles(javaHome, platform.Files);
    } catch (const AppError& error) {
        // Only lack of rights is worth a prompt: elevated, a missing source
        // or folder, or a file in use, fails just the same. This runs once
        // per program run, so the user is asked at most once.
        const bool elevationHelps = error.SystemCode == kSystemAccessDenied;
        const AppError failure = elevationHelps ? CopyElevated(javaHome, platform.Processes, error) : error;
        // Number 0 is the elevated run's success, never the first run's.
        if (!elevationHelps || failure.Number != 0) {
            platform.Ui.ShowMessage(failure.Description);
            platform.Ui.ShowMessage(kCopyFailedMessage);
        }
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
        if (!IsChosenRuntime(folder, registry) || !files.FolderExists(folder)) {
            return kErrRuntimeFolderRefused;
        }
        CopyFromProtectedSource(folder, files);
        return kExitSucceeded;
    } catch (const AppError& error) {
        // Exit code 0 says every file is in place; a failure that came
        // without a number must not say so.
        return error.Number != 0 ? error.Number : kErrIncompleteCopy;
    }
}
