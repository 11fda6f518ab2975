#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

// The one way a support file reaches a runtime, whoever runs the launcher:
// from a source that no one but the system, administrators and the
// running user can change or replace, through folders that are held open
// and are no links, into a new file that replaces nothing and appears
// under its name only once it is whole and on disk.

inline constexpr wchar_t kSourceFolder[] = L"C:\\tarvex\\GsmModemJar";

struct SupportFile {
    const wchar_t* Name;
    const wchar_t* Folder;  // javaHome + this, copied into
};

// In the order a runtime is completed with them.
inline constexpr std::array<SupportFile, 4> kSupportFiles = {{
    {L"Comm.jar", L"\\lib\\ext\\"},
    {L"javax.comm.properties", L"\\lib\\"},
    {L"Win32com.dll", L"\\bin\\"},
    {L"jdc.jar", L"\\lib\\ext\\"},
}};

std::wstring TargetOf(const std::wstring& javaHome, const SupportFile& file);

// "X:\...", a drive's absolute path.
bool IsAbsoluteFolder(const std::wstring& folder);

// What the text of a runtime's folder allows.
enum class FolderText {
    Unusable,  // names no folder: a double quote or a control character, NUL included
    Quotable,  // can stand quoted in a command line, but no copy walks it: relative, or with a segment of dots
    Walkable,  // a copy can walk it from its drive's root, and it leads nowhere else
};
FolderText JudgeFolderText(const std::wstring& folder);

// Files and folders opened through the seam, each once, and closed on every
// way out: while they are open, none of them can be replaced.
class HeldFiles {
public:
    explicit HeldFiles(FileSystem& files) : files_(files) {}
    ~HeldFiles();
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    FileHandle Open(const std::wstring& path, bool folder);
    // Closes opened with the rest.
    FileHandle Keep(FileHandle opened);
    FileSystem& Files() { return files_; }

private:
    FileSystem& files_;
    std::vector<std::pair<std::wstring, FileHandle>> opened_;  // a dozen at most
};

// Holds every folder from the drive's root down to file's folder in the
// runtime at javaHome. Raises 52 unless javaHome is a runtime folder, 1005
// for a link on the way, 76 for a folder that is not there.
void HoldDestination(HeldFiles& held, const std::wstring& javaHome, const SupportFile& file);

// Holds the source of file and every folder above it. Raises 1004 for a
// link, 1003 unless only the system, administrators and the running user
// can change or replace them, and 53 or 76 for what is not there.
void HoldProtectedSource(HeldFiles& held, const SupportFile& file);

// Copies the held source into the held folder: written under a temporary
// name in the runtime's own folder, then moved into place. A file of that
// name that another run put there first counts as present; a folder or
// link there raises 58.
void CopyHeld(HeldFiles& held, const std::wstring& javaHome, const SupportFile& file);
