#include "runtime/serial_support.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <string_view>
#include <utility>

#include "platform/app_error.h"
#include "runtime/runtime_choice.h"

namespace {

constexpr wchar_t kSourceFolder[] = L"C:\\tarvex\\GsmModemJar";

struct SupportFile {
    const wchar_t* Name;
    const wchar_t* Folder;  // javaHome + this, copied into
};

constexpr std::array<SupportFile, 4> kSupportFiles = {{
    {L"Comm.jar", L"\\lib\\ext\\"},
    {L"javax.comm.properties", L"\\lib\\"},
    {L"Win32com.dll", L"\\bin\\"},
    {L"jdc.jar", L"\\lib\\ext\\"},
}};

constexpr wchar_t kPrivateArgument[] = L"/InstallSerialSupport:";
constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";
constexpr std::int32_t kExitSucceeded = 0;
constexpr unsigned kElevatedRunLimitMs = 60000;

// Rights that let their holder change a file or folder, or put another in
// its place.
constexpr std::uint32_t kChangeRights = kFileWriteData | kFileAppendData | kFileWriteAttributes | kFileWriteEa |
                                        kDelete | kWriteDac | kWriteOwner | kGenericWrite | kGenericAll;
// Everyone may add folders to a drive's root, which lets nobody replace one
// that is there.
constexpr std::uint32_t kRootChangeRights = kFileDeleteChild | kWriteDac | kWriteOwner | kGenericAll;
// On a folder: the rights to delete what is in it, and so to replace it.
constexpr std::uint32_t kReplaceChildRights = kFileDeleteChild | kGenericAll;

std::wstring SourceOf(const SupportFile& file) { return kSourceFolder + (L"\\" + std::wstring(file.Name)); }

// The first failure abandons the remaining files; those copied before it
// stay in place.
void CopyMissingSupportFiles(const std::wstring& javaHome, FileSystem& files) {
    for (const SupportFile& file : kSupportFiles) {
        // A file the runtime already has is never replaced.
        if (!files.FileExists(javaHome + file.Folder + file.Name)) {
            files.CopyFileIntoFolder(SourceOf(file), javaHome + file.Folder);
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
    std::wstring segment;
    for (const wchar_t c : folder + L'\\') {
        if (c != L'\\' && c != L'/') {
            segment += c;
            continue;
        }
        if (!segment.empty() && segment.find_first_not_of(L". ") == std::wstring::npos) {
            return true;
        }
        segment.clear();
    }
    return false;
}

// The drive's root of an absolute path, then each folder down to the path
// itself: "C:\", "C:\a", "C:\a\b" for "C:\a\b". A doubled backslash names
// no folder of its own.
std::vector<std::wstring> PathChain(const std::wstring& path) {
    std::wstring walked = path.substr(0, 2);
    std::vector<std::wstring> chain{walked + L'\\'};
    std::wstring segment;
    for (const wchar_t c : path.substr(2) + L'\\') {
        if (c != L'\\') {
            segment += c;
        } else if (!segment.empty()) {
            walked += L'\\';
            walked += segment;
            chain.push_back(walked);
            segment.clear();
        }
    }
    return chain;
}

// Files and folders opened through the seam, each once, and closed on every
// way out: while they are open, none of them can be replaced.
class HeldFiles {
public:
    explicit HeldFiles(FileSystem& files) : files_(files) {}
    ~HeldFiles() {
        for (const auto& [path, opened] : opened_) {
            files_.Close(opened);
        }
    }
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    FileHandle Open(const std::wstring& path) {
        const auto found =
            std::find_if(opened_.begin(), opened_.end(), [&](const auto& held) { return held.first == path; });
        if (found != opened_.end()) {
            return found->second;
        }
        opened_.emplace_back(path, files_.OpenHeld(path));
        return opened_.back().second;
    }

private:
    FileSystem& files_;
    std::vector<std::pair<std::wstring, FileHandle>> opened_;  // a dozen at most
};

// Whether an account other than the system's and the user's own is
// granted any of rights. An entry for what is created inside does not
// apply to the folder itself.
bool OthersGranted(const FileProtection& protection, std::uint32_t rights) {
    return !protection.HasAccessList ||
           std::any_of(protection.Entries.begin(), protection.Entries.end(), [&](const AccessEntry& entry) {
               return entry.Allows && !entry.InheritOnly && entry.Trustee == Account::Other &&
                      (entry.Rights & rights) != 0;
           });
}

// Raises unless every folder from the drive's root down to path, and path
// itself, is a real one rather than a link; keeps them all open in held.
// Gives what Windows says of each, root first.
std::vector<FileProtection> HoldWithoutLinks(HeldFiles& held, FileSystem& files, const std::wstring& path,
                                             std::int32_t linkError) {
    const std::vector<std::wstring> steps = PathChain(path);
    std::vector<FileProtection> chain(steps.size());
    std::transform(steps.begin(), steps.end(), chain.begin(),
                   [&](const std::wstring& step) { return files.ProtectionOf(held.Open(step)); });
    if (std::any_of(chain.begin(), chain.end(), [](const FileProtection& step) { return step.IsLink; })) {
        RaiseError(linkError);
    }
    return chain;
}

// Raises unless path and every folder above it are real ones that only
// administrators can change or replace.
void HoldProtectedSource(HeldFiles& held, FileSystem& files, const std::wstring& path) {
    const std::vector<FileProtection> chain = HoldWithoutLinks(held, files, path, kErrSourceIsLink);
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const bool changeable =
            chain[i].Owner == Account::Other ||
            (i == 0 ? OthersGranted(chain[i], kRootChangeRights)
                    : OthersGranted(chain[i], kChangeRights) || OthersGranted(chain[i - 1], kReplaceChildRights));
        if (changeable) {
            RaiseError(kErrSourceNotProtected);
        }
    }
}

// The elevated copy. Everything is checked before anything is written, and
// each file is copied through the handle it was checked through, so that
// what was checked is what is copied and where.
void CopyFromProtectedSource(const std::wstring& javaHome, FileSystem& files) {
    HeldFiles held(files);
    for (const SupportFile& file : kSupportFiles) {
        HoldWithoutLinks(held, files, javaHome + file.Folder, kErrDestinationIsLink);
    }
    std::vector<const SupportFile*> missing;
    for (const SupportFile& file : kSupportFiles) {
        if (!files.FileExists(javaHome + file.Folder + file.Name)) {
            HoldProtectedSource(held, files, SourceOf(file));
            missing.push_back(&file);
        }
    }
    for (const SupportFile* file : missing) {
        // False when the file appeared meanwhile: it is there, as wanted.
        files.CopyIntoNewFile(held.Open(SourceOf(*file)), javaHome + file->Folder + file->Name);
    }
}

// Whether folder is, text for text, the runtime the launcher itself would
// complete, read again here rather than taken on trust.
bool IsChosenRuntime(const std::wstring& folder, RegistryApi& registry) {
    if (HasDotSegment(folder) || !IsUsableFolderText(folder)) {
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
        // or folder, or a file in use, fails just the same. A folder the
        // private argument cannot carry is not worth one either. This runs
        // once per program run, so the user is asked at most once.
        const bool elevationHelps =
            error.SystemCode == kSystemAccessDenied && IsAbsoluteFolder(javaHome) && IsUsableFolderText(javaHome);
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
        return error.Number;
    }
}
