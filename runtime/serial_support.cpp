#include "runtime/serial_support.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

#include "runtime/careful_copy.h"
#include "runtime/private_argument.h"

namespace {

constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";
constexpr unsigned kElevatedRunLimitMs = 60000;
constexpr unsigned kInstallLockLimitMs = 120000;

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
    ElevatedRun run;
    try {
        run = processes.RunElevated(processes.ModulePath(), SerialSupportParameters(javaHome), kElevatedRunLimitMs);
    } catch (const AppError&) {
        return refusal;
    }
    switch (run.End) {
    case RunEnd::StillRunning:
        // Left running, it may still finish; the launch goes on without it.
        return CopyErrorNumbered(kErrElevatedRunUnfinished);
    case RunEnd::WaitFailed:
        return CopyErrorNumbered(kErrElevatedRunLost);
    default:
        return run.Error;
    }
}

// The install lock of one runtime, held for as long as this lives, when it
// could be had.
class InstallLock {
public:
    InstallLock(ProcessApi& processes, const std::wstring& javaHome)
        : processes_(processes), lock_(processes.LockNamed(InstallLockName(javaHome), kInstallLockLimitMs)) {}
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;
    ~InstallLock() {
        if (lock_ != 0) {
            processes_.Unlock(lock_);
        }
    }

private:
    ProcessApi& processes_;
    LockHandle lock_;
};

}  // namespace

std::wstring InstallLockName(const std::wstring& javaHome) {
    // FNV-1a over the folder's UTF-16 units, letters in one case as Windows
    // compares paths: a name of fixed length and without backslashes.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const wchar_t c : javaHome) {
        hash = (hash ^ static_cast<std::uint16_t>(std::towlower(static_cast<std::wint_t>(c)))) * 1099511628211ULL;
    }
    std::wstring hex(16, L'0');
    for (auto digit = hex.rbegin(); digit != hex.rend(); ++digit, hash >>= 4U) {
        *digit = L"0123456789abcdef"[hash & 0xFU];
    }
    return L"Global\\TarvexAdvanceSMSServer.Install." + hex;
}

void InstallSerialSupport(const std::wstring& javaHome, Platform& platform) {
    FileSystem& files = platform.Files;
    if (std::all_of(kSupportFiles.begin(), kSupportFiles.end(),
                    [&](const SupportFile& file) { return files.FileExists(TargetOf(javaHome, file)); })) {
        return;
    }
    // A launcher started twice installs once: the second waits here while
    // the first copies, and asks for elevation, then finds the files in
    // place. After a wait that ran out, or without the lock, each copies as
    // if alone, which the copy's temporary names make safe.
    const InstallLock lock(platform.Processes, javaHome);
    try {
        CopyMissingSupportFiles(javaHome, files);
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
