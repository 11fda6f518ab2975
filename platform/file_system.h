#pragma once

#include <cstdint>
#include <string>
#include <vector>

using FileHandle = std::uintptr_t;

// Rights as Windows grants them on a file or folder (winnt.h's values).
inline constexpr std::uint32_t kFileWriteData = 0x2;   // on a folder: add a file
inline constexpr std::uint32_t kFileAppendData = 0x4;  // on a folder: add a folder
inline constexpr std::uint32_t kFileWriteEa = 0x10;
inline constexpr std::uint32_t kFileDeleteChild = 0x40;
inline constexpr std::uint32_t kFileWriteAttributes = 0x100;
inline constexpr std::uint32_t kDelete = 0x10000;
inline constexpr std::uint32_t kWriteDac = 0x40000;
inline constexpr std::uint32_t kWriteOwner = 0x80000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;

// Whose a security identifier is, as far as the launcher cares: the
// system's own accounts, the account the program runs as, or anyone else.
enum class Account { System, Administrators, TrustedInstaller, Self, Other };

struct AccessEntry {
    Account Trustee = Account::Other;
    bool Allows = true;        // an allow entry; deny entries grant nothing
    bool InheritOnly = false;  // for what is created inside, not for the file itself
    std::uint32_t Rights = 0;
};

// What Windows says of one opened file or folder.
struct FileProtection {
    bool IsLink = false;  // a reparse point: junction, mount point or symbolic link
    Account Owner = Account::Other;
    bool HasAccessList = true;  // a NULL access list grants everyone everything
    std::vector<AccessEntry> Entries;
};

// File tests and careful copies. Failures are raised as AppError with the
// classic numbers (53 file not found, 76 path not found, 70 permission
// denied, 58 file already exists) and the system's own code; a path with a
// NUL in it is refused with 52.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True when a regular file, neither a folder nor a link, has this full
    // path. Never raises.
    virtual bool FileExists(const std::wstring& path) = 0;

    // True when a folder with this full path exists. Never raises.
    virtual bool FolderExists(const std::wstring& path) = 0;

    // Opens a file or folder itself, never what a link leads to, for
    // reading, and keeps anyone from deleting or renaming it until Close; a
    // file, from writing to it as well. A folder stays open to new entries.
    virtual FileHandle OpenHeld(const std::wstring& path, bool folder) = 0;

    // What Windows says of an opened file or folder, read through its
    // handle and again by its path, which names the same entry while it is
    // held: a link shows in either reading.
    virtual FileProtection ProtectionOf(FileHandle opened, const std::wstring& path) = 0;

    // Writes the bytes of the opened source, flushed to disk, into a new file
    // of this name (one part, no folder) in the opened folder, and leaves it
    // open. Until MoveIntoPlace has named it, the file goes when it is closed
    // or its process ends. Raises 58 when the folder has an entry of that
    // name already.
    virtual FileHandle WriteTemporaryCopy(FileHandle source, FileHandle folder, const std::wstring& name) = 0;

    // Gives a written copy this name (one part) in the opened folder, never
    // replacing an entry and never following a link there. False when the
    // name is taken; the copy then still goes when it is closed.
    virtual bool MoveIntoPlace(FileHandle written, FileHandle folder, const std::wstring& name) = 0;

    // Deletes the file (not a folder) of this name in the opened folder.
    // Raises when there is none, or when another program has it open.
    virtual void RemoveFile(FileHandle folder, const std::wstring& name) = 0;

    virtual void Close(FileHandle opened) = 0;
};
