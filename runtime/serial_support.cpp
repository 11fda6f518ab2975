#include "runtime/serial_support.h"

#include <algorithm>
#include <array>

#include "platform/app_error.h"
#include "runtime/runtime_locator.h"

namespace {

struct SupportFile {
    const wchar_t* InstalledAs;  // javaHome + this, tested for existence
    const wchar_t* Source;
    const wchar_t* Folder;  // javaHome + this, copied into
};

constexpr std::array<SupportFile, 4> kSupportFiles = {{
    {L"\\lib\\ext\\Comm.jar", L"C:\\tarvex\\GsmModemJar\\Comm.jar", L"\\lib\\ext\\"},
    {L"\\lib\\javax.comm.properties", L"C:\\tarvex\\GsmModemJar\\javax.comm.properties", L"\\lib\\"},
    {L"\\bin\\Win32com.dll", L"C:\\tarvex\\GsmModemJar\\Win32com.dll", L"\\bin\\"},
    {L"\\lib\\ext\\jdc.jar", L"C:\\tarvex\\GsmModemJar\\jdc.jar", L"\\lib\\ext\\"},
}};

constexpr wchar_t kPrivateArgument[] = L"/InstallSerialSupport:";
constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";
constexpr std::int32_t kExitSucceeded = 0;

// The first failure abandons the remaining files; those copied before it
// stay in place.
void CopyMissingSupportFiles(const std::wstring& javaHome, FileSystem& files) {
    for (const SupportFile& file : kSupportFiles) {
        // A file the runtime already has is never replaced.
        if (!files.FileExists(javaHome + file.InstalledAs)) {
            files.CopyFileIntoFolder(file.Source, javaHome + file.Folder);
        }
    }
}

// "X:\...", a drive's absolute path: the only folders the private
// argument carries. A relative folder would depend on the current folder,
// which for an elevated program is the system folder.
bool IsAbsoluteFolder(const std::wstring& folder) {
    return folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\';
}

// A segment of dots (and blanks, which Windows drops from a segment's end)
// leads out of the folder it seems to name.
bool HasDotSegment(const std::wstring& folder) {
    std::size_t start = 0;
    while (start <= folder.size()) {
        const std::size_t end = std::min(folder.find_first_of(L"\\/", start), folder.size());
        const std::wstring segment = folder.substr(start, end - start);
        if (!segment.empty() && segment.find_first_not_of(L". ") == std::wstring::npos) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The elevated run's own verdict, or the refusal itself when it could not
// run: declined at the prompt, or not started at all.
AppError CopyElevated(const std::wstring& javaHome, ProcessApi& processes, const AppError& refusal) {
    try {
        return processes.RunElevated(processes.ModulePath(), SerialSupportParameters(javaHome));
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
        // or folder, or a file in use, fails just the same. A folder the
        // private argument cannot carry would start the elevated run as a
        // whole launcher. This runs once per program run, so the user is
        // asked at most once.
        const bool elevationHelps = error.SystemCode == kSystemAccessDenied && IsAbsoluteFolder(javaHome);
        const AppError failure = elevationHelps ? CopyElevated(javaHome, platform.Processes, error) : error;
        if (failure.Number != 0) {
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
    if (arguments.size() != 1 || !arguments[0].starts_with(kPrivateArgument)) {
        return std::nullopt;
    }
    std::wstring folder = arguments[0].substr(std::size(kPrivateArgument) - 1);
    if (!IsAbsoluteFolder(folder)) {
        return std::nullopt;
    }
    return folder;
}

std::int32_t RunSerialSupportInstaller(const std::wstring& folder, RegistryApi& registry, FileSystem& files) {
    try {
        // Started elevated, this run trusts nothing it was handed: only a
        // folder the launcher itself would complete is written to.
        const std::vector<std::wstring> homes = RegisteredJavaHomes(registry);
        if (HasDotSegment(folder) || !files.FolderExists(folder) ||
            std::find(homes.begin(), homes.end(), folder) == homes.end()) {
            return kErrInvalidArgument;
        }
        CopyMissingSupportFiles(folder, files);
        return kExitSucceeded;
    } catch (const AppError& error) {
        return error.Number;
    }
}
