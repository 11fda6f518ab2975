#include "win32/win32_files.h"

#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "win32/owners.h"
#include "win32/win32_error.h"
#include "win32/win32_security.h"

namespace {

HANDLE ToHandle(FileHandle opened) { return reinterpret_cast<HANDLE>(opened); }

// Attributes of path, INVALID_FILE_ATTRIBUTES when it names nothing, as a
// path with a NUL in it does.
DWORD AttributesOf(const std::wstring& path) {
    return path.find(L'\0') == std::wstring::npos ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
}

// Whether the entry at path, read by its path rather than through a
// handle, is a reparse point. Wine opens a Unix symlink's target even for
// a handle that asks for the link itself, but shows the link here. A
// drive's root has no entry of its own to read.
bool IsLinkByPath(const std::wstring& path) {
    if (path.size() == 3 && path[1] == L':') {
        return false;
    }
    // The path was opened before, so it holds no wildcard; should it, it
    // could name another entry than the one held.
    if (path.find_first_of(L"*?<>\"") != std::wstring::npos) {
        throw AppErrorFromWin32(ERROR_INVALID_NAME);
    }
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileW(PathText(path), &found));
    if (!search) {
        RaiseLastWin32Error();
    }
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// ntdll's own status for a call, as the Win32 code it stands for.
DWORD Win32CodeOf(NTSTATUS status) {
    const auto toDosError = LoadedFunction<decltype(&RtlNtStatusToDosError)>(L"ntdll.dll", "RtlNtStatusToDosError");
    return toDosError != nullptr ? toDosError(status) : ERROR_GEN_FAILURE;
}

// Opens or creates name, one part, in the opened folder itself: a path
// opened again from its root could meanwhile lead elsewhere. Case-insensitive
// as every Win32 open is, so that comm.jar is Comm.jar, and with
// FILE_OPEN_REPARSE_POINT never through a link planted at name.
ScopedHandle OpenInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                          ULONG options) {
    if (name.find_first_of(L"\\/") != std::wstring::npos) {
        RaiseError(kErrBadFileName);
    }
    const auto ntCreateFile = LoadedFunction<decltype(&NtCreateFile)>(L"ntdll.dll", "NtCreateFile");
    if (ntCreateFile == nullptr) {
        throw AppErrorFromWin32(ERROR_PROC_NOT_FOUND);
    }
    UNICODE_STRING text{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                        static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(PathText(name))};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE opened = nullptr;
    const NTSTATUS result = ntCreateFile(
        &opened, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
        options | FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (result < 0) {
        throw AppErrorFromWin32(Win32CodeOf(result));
    }
    return ScopedHandle(opened);
}

// Marks file to go when its last handle closes, or its process ends; or
// keeps it again.
bool MarkForDeletion(HANDLE file, bool mark) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(mark)};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

// Copies source from its start into target. A write that wrote less than
// it was given, or failed without saying why, is no copy either.
void CopyBytes(HANDLE source, HANDLE target, std::vector<char>& buffer) {
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) {
        RaiseLastWin32Error();
    }
    for (DWORD read = 1; read != 0;) {
        DWORD written = 0;
        if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
            !WriteFile(target, buffer.data(), read, &written, nullptr)) {
            if (GetLastError() == ERROR_SUCCESS) {
                RaiseError(kErrIncompleteCopy);
            }
            RaiseLastWin32Error();
        }
        if (written != read) {
            RaiseError(kErrIncompleteCopy);
        }
    }
}

}  // namespace

bool Win32Files::FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool Win32Files::FolderExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileHandle Win32Files::OpenHeld(const std::wstring& path, bool folder) {
    // BACKUP_SEMANTICS opens folders as well as files; OPEN_REPARSE_POINT
    // opens a link itself rather than what it leads to. Never shared for
    // deleting, so no one can delete or rename it while it is open. A file
    // is shared for reading only, so that no one writes to it either. A
    // folder is shared for writing as well: moving a file into a folder opens
    // it for adding an entry, which Windows refuses while another handle
    // withholds that sharing.
    const DWORD share = folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE opened = CreateFileW(PathText(path), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        RaiseLastWin32Error();
    }
    return reinterpret_cast<FileHandle>(opened);
}

FileProtection Win32Files::ProtectionOf(FileHandle opened, const std::wstring& path) {
    FileProtection protection;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(ToHandle(opened), &information)) {
        RaiseLastWin32Error();
    }
    // Held without delete sharing, the path names the held entry, so on
    // Windows both readings agree.
    protection.IsLink = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || IsLinkByPath(path);
    ReadOwnerAndAccessList(ToHandle(opened), protection);
    return protection;
}

FileHandle Win32Files::WriteTemporaryCopy(FileHandle source, FileHandle folder, const std::wstring& name) {
    // Before anything is created, so that a failed allocation leaves nothing.
    std::vector<char> buffer(64 * 1024);
    // Others may read it, never write, delete or rename it while it is open.
    ScopedHandle written =
        OpenInFolder(ToHandle(folder), name, GENERIC_WRITE | DELETE, FILE_SHARE_READ, FILE_CREATE, 0);
    if (!MarkForDeletion(written.Get(), true)) {
        RaiseLastWin32Error();
    }
    CopyBytes(ToHandle(source), written.Get(), buffer);
    if (!FlushFileBuffers(written.Get())) {
        RaiseLastWin32Error();
    }
    return reinterpret_cast<FileHandle>(written.Release());
}

bool Win32Files::MoveIntoPlace(FileHandle written, FileHandle folder, const std::wstring& name) {
    if (name.find_first_of(L"\\/") != std::wstring::npos) {
        RaiseError(kErrBadFileName);
    }
    const auto ntSetInformationFile =
        LoadedFunction<decltype(&NtSetInformationFile)>(L"ntdll.dll", "NtSetInformationFile");
    if (ntSetInformationFile == nullptr) {
        throw AppErrorFromWin32(ERROR_PROC_NOT_FOUND);
    }
    const std::size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    // Relative to the held folder, by the one part of its name.
    rename->RootDirectory = ToHandle(folder);
    rename->FileNameLength = static_cast<ULONG>(nameBytes);
    std::copy(name.begin(), name.end(), rename->FileName);
    if (!MarkForDeletion(ToHandle(written), false)) {
        RaiseLastWin32Error();
    }
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = ntSetInformationFile(ToHandle(written), &status, buffer.data(),
                                                 static_cast<ULONG>(buffer.size()), FileRenameInformation);
    if (result >= 0) {
        return true;
    }
    // Not moved: it goes at its close after all. Should the mark fail, a
    // later run removes the file; the failure to report is the move's.
    const DWORD code = Win32CodeOf(result);
    MarkForDeletion(ToHandle(written), true);
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
        return false;
    }
    throw AppErrorFromWin32(code);
}

void Win32Files::RemoveFile(FileHandle folder, const std::wstring& name) {
    // Shared with no one: a file another program has open stays.
    OpenInFolder(ToHandle(folder), name, DELETE, 0, FILE_OPEN, FILE_DELETE_ON_CLOSE);
}

// A handle this seam opened; closing it fails only for one that is not.
void Win32Files::Close(FileHandle opened) { ScopedHandle(ToHandle(opened)).Close(); }
