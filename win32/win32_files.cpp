#include "win32/win32_files.h"

#include <windows.h>

#include <winternl.h>

#include <vector>

#include "runtime/private_argument.h"
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

// Creates name, one part, in the opened folder itself: a path opened again
// from its root could meanwhile lead elsewhere. None when it is there already.
ScopedHandle CreateInFolder(HANDLE folder, const std::wstring& name) {
    if (name.find_first_of(L"\\/") != std::wstring::npos) {
        RaiseError(kErrBadFileName);
    }
    const auto ntCreateFile = LoadedFunction<decltype(&NtCreateFile)>(L"ntdll.dll", "NtCreateFile");
    if (ntCreateFile == nullptr) {
        throw AppErrorFromWin32(ERROR_PROC_NOT_FOUND);
    }
    UNICODE_STRING text{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                        static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(PathText(name))};
    // Case-insensitive as every Win32 open is, so that comm.jar is Comm.jar.
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE created = nullptr;
    // FILE_CREATE never replaces an entry, and with FILE_OPEN_REPARSE_POINT a
    // link planted at name counts as one that is there.
    const NTSTATUS result = ntCreateFile(
        &created, GENERIC_WRITE | DELETE | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, 0,
        FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (result >= 0) {
        return ScopedHandle(created);
    }
    const DWORD code = Win32CodeOf(result);
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) {
        return ScopedHandle();
    }
    throw AppErrorFromWin32(code);
}

}  // namespace

bool Win32Files::FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Files::FolderExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileHandle Win32Files::OpenHeld(const std::wstring& path) {
    // BACKUP_SEMANTICS opens folders as well as files; OPEN_REPARSE_POINT
    // opens a link itself rather than what it leads to. Shared for reading
    // only: no one can write to it, delete it or rename it while it is open.
    HANDLE opened = CreateFileW(PathText(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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

bool Win32Files::CopyIntoNewFile(FileHandle source, FileHandle folder, const std::wstring& name) {
    ScopedHandle created = CreateInFolder(ToHandle(folder), name);
    if (!created) {
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    const LARGE_INTEGER start{};
    bool copied = SetFilePointerEx(ToHandle(source), start, nullptr, FILE_BEGIN) != FALSE;
    bool whole = true;
    for (DWORD read = 1; copied && whole && read != 0;) {
        DWORD written = 0;
        copied =
            ReadFile(ToHandle(source), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) != FALSE &&
            WriteFile(created.Get(), buffer.data(), read, &written, nullptr) != FALSE;
        whole = written == read;
    }
    const DWORD error = GetLastError();
    if (!copied || !whole) {
        // Half a file would count as present next time: it goes. Should
        // that fail too, the error below is still the one to report.
        FILE_DISPOSITION_INFO remove{TRUE};
        SetFileInformationByHandle(created.Get(), FileDispositionInfo, &remove, sizeof(remove));
    }
    created.Close();
    if (!copied && error != ERROR_SUCCESS) {
        throw AppErrorFromWin32(error);
    }
    // A write that wrote less than it was given, or failed without saying
    // why, is no copy either.
    if (!copied || !whole) {
        RaiseCopyError(kErrIncompleteCopy);
    }
    return true;
}

// A handle this seam opened; closing it fails only for one that is not.
void Win32Files::Close(FileHandle opened) { ScopedHandle(ToHandle(opened)).Close(); }
