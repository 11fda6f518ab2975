#include "runtime/serial_support.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

#include "runtime/careful_copy.h"
#include "runtime/elevated_copy.h"

namespace {

constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";
constexpr unsigned kInstallLockLimitMs = 120000;

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
        CopyMissingSupportFiles(javaHome, files, CopyOrder::RowByRow);
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
