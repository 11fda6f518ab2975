#include "runtime/careful_copy.h"

#include <algorithm>
#include <cstdint>

#include "platform/app_error.h"
#include "platform/decimal_text.h"

namespace {

// Rights that let their holder change a file or folder, or put another in
// its place.
constexpr std::uint32_t kChangeRights = kFileWriteData | kFileAppendData | kFileWriteAttributes | kFileWriteEa |
                                        kDelete | kWriteDac | kWriteOwner | kGenericWrite | kGenericAll;
// Everyone may add folders to a drive's root, which lets nobody replace one
// that is there.
constexpr std::uint32_t kRootChangeRights = kFileDeleteChild | kWriteDac | kWriteOwner | kGenericAll;
// On a folder: the rights to delete what is in it, and so to replace it.
constexpr std::uint32_t kReplaceChildRights = kFileDeleteChild | kGenericAll;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring SourceOf(const SupportFile& file) { return kSourceFolder + (L"\\" + std::wstring(file.Name)); }

// The drive's root of an absolute path, then each folder down to the path
// itself: "C:\", "C:\a", "C:\a\b" for "C:\a\b" or "C:/a/b". A doubled
// separator names no folder of its own.
std::vector<std::wstring> PathChain(const std::wstring& path) {
    std::wstring walked = path.substr(0, 2);
    std::vector<std::wstring> chain{walked + L'\\'};
    std::wstring segment;
    for (const wchar_t c : path.substr(2) + L'\\') {
        if (!IsSeparator(c)) {
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

FileHandle OpenStep(HeldFiles& held, const std::wstring& step, bool folder) {
    try {
        return held.Open(step, folder);
    } catch (const AppError& error) {
        if (!folder || error.Number != kErrFileNotFound) {
            throw;
        }
        throw AppError{kErrPathNotFound, KnownErrorNumbered(kErrPathNotFound).Description, error.SystemCode};
    }
}

// Holds every folder from the drive's root down to path, and path itself,
// root first, and gives what Windows says of each. Raises linkError at the
// first link, before anything is opened through it. A folder on the way
// that is not there is a path not found, as for any copy into it.
std::vector<FileProtection> HoldWithoutLinks(HeldFiles& held, const std::wstring& path, bool endsInFile,
                                             std::int32_t linkError) {
    const std::vector<std::wstring> steps = PathChain(path);
    std::vector<FileProtection> chain;
    for (const std::wstring& step : steps) {
        const bool folder = !endsInFile || chain.size() + 1 < steps.size();
        chain.push_back(held.Files().ProtectionOf(OpenStep(held, step, folder), step));
        if (chain.back().IsLink) {
            RaiseError(linkError);
        }
    }
    return chain;
}

// A segment of dots (and blanks, which Windows drops from a segment's end)
// leads out of the folder it seems to name.
bool HasDotSegment(const std::wstring& folder) {
    std::wstring segment;
    for (const wchar_t c : folder + L'\\') {
        if (!IsSeparator(c)) {
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

// How many runs may be writing one file into one runtime at once, each
// under a temporary name of its own: a second launcher waits for the first,
// so this many is rare already.
constexpr unsigned kTemporaryNames = 4;

// A support file's name while it is written: in the runtime's own folder,
// where no class loader looks, and with an ending no loader takes for code.
std::wstring TemporaryNameOf(const SupportFile& file, unsigned n) {
    return file.Name + (L"." + DecimalText(n)) + L".partial";
}

// Writes file's copy under the first temporary name that no other run is
// writing under. What a run cut off by a power failure left there goes
// first; a killed run's copy is gone already.
FileHandle WriteUnderTemporaryName(HeldFiles& held, const std::wstring& javaHome, const SupportFile& file) {
    FileSystem& files = held.Files();
    const FileHandle home = held.Open(PathChain(javaHome).back(), true);
    const FileHandle source = held.Open(SourceOf(file), false);
    for (unsigned n = 1;; ++n) {
        const std::wstring name = TemporaryNameOf(file, n);
        try {
            files.RemoveFile(home, name);
        } catch (const AppError&) {
            // Usually nothing is there. Another run's copy in the making, or
            // a folder this run may not change, stays for a later run.
        }
        try {
            return held.Keep(files.WriteTemporaryCopy(source, home, name));
        } catch (const AppError& error) {
            if (error.Number != kErrFileAlreadyExists || n == kTemporaryNames) {
                throw;
            }
        }
    }
}

}  // namespace

std::wstring TargetOf(const std::wstring& javaHome, const SupportFile& file) {
    return javaHome + file.Folder + file.Name;
}

bool IsAbsoluteFolder(const std::wstring& folder) {
    if (folder.size() < 3) {
        return false;
    }
    const auto lower = static_cast<wchar_t>(folder[0] | 0x20);  // of a letter, its lower case
    return lower >= L'a' && lower <= L'z' && folder[1] == L':' && folder[2] == L'\\';
}

HeldFiles::~HeldFiles() {
    for (const auto& [path, opened] : opened_) {
        files_.Close(opened);
    }
}

FileHandle HeldFiles::Open(const std::wstring& path, bool folder) {
    const auto found =
        std::find_if(opened_.begin(), opened_.end(), [&](const auto& held) { return held.first == path; });
    if (found != opened_.end()) {
        return found->second;
    }
    opened_.emplace_back(path, files_.OpenHeld(path, folder));
    return opened_.back().second;
}

FileHandle HeldFiles::Keep(FileHandle opened) {
    opened_.emplace_back(std::wstring(), opened);
    return opened;
}

FolderText JudgeFolderText(const std::wstring& folder) {
    // A double quote would end the quoted path the folder is put in, and
    // Windows allows no control character in a name; NUL, which would
    // silently cut the path short, is one of them.
    if (std::any_of(folder.begin(), folder.end(), [](wchar_t c) { return c == L'"' || c < L' '; })) {
        return FolderText::Unusable;
    }
    return IsAbsoluteFolder(folder) && !HasDotSegment(folder) ? FolderText::Walkable : FolderText::Quotable;
}

void HoldDestination(HeldFiles& held, const std::wstring& javaHome, const SupportFile& file) {
    if (JudgeFolderText(javaHome) != FolderText::Walkable) {
        RaiseError(kErrBadFileName);
    }
    HoldWithoutLinks(held, javaHome + file.Folder, false, kErrDestinationIsLink);
}

void HoldProtectedSource(HeldFiles& held, const SupportFile& file) {
    const std::vector<FileProtection> chain = HoldWithoutLinks(held, SourceOf(file), true, kErrSourceIsLink);
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

void CopyHeld(HeldFiles& held, const std::wstring& javaHome, const SupportFile& file) {
    const FileHandle written = WriteUnderTemporaryName(held, javaHome, file);
    const FileHandle folder = held.Open(PathChain(javaHome + file.Folder).back(), true);
    // Taken meanwhile, by another run that was first: its file is as good as
    // this one. Anything else there is no support file, and never becomes one.
    if (!held.Files().MoveIntoPlace(written, folder, file.Name) && !held.Files().FileExists(TargetOf(javaHome, file))) {
        RaiseError(kErrFileAlreadyExists);
    }
}
