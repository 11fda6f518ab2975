#include "runtime/serial_support.h"

#include <optional>

#include "runtime/careful_copy.h"
#include "runtime/private_argument.h"

namespace {

constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";
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

// The elevated run's own verdict, or the refusal itself when it could not
// run: declined at the prompt, or not started at all.
AppError CopyElevated(const std::wstring& javaHome, ProcessApi& processes, const AppError& refusal) {
    try {
        const std::optional<AppError> outcome =
            processes.RunElevated(processes.ModulePath(), SerialSupportParameters(javaHome), kElevatedRunLimitMs);
        // Left running, it may still finish; the launch goes on without it.
        return outcome.value_or(CopyErrorNumbered(kErrElevatedRunUnfinished));
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
