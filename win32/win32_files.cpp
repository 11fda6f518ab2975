#include "win32/win32_files.h"

#include <windows.h>

#include <aclapi.h>
#include <winternl.h>

#include <memory>
#include <vector>

#include "win32/system_library.h"
#include "win32/win32_error.h"

namespace {

HANDLE ToHandle(FileHandle opened) { return reinterpret_cast<HANDLE>(opened); }

// Attributes of path, INVALID_FILE_ATTRIBUTES when it names nothing, as a
// path with a NUL in it does.
DWORD AttributesOf(const std::wstring& path) {
    return path.find(L'\0') == std::wstring::npos ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
}

struct LocalFreeDeleter {
    void operator()(void* memory) const { LocalFree(memory); }
};

// The account the program runs as. Raises when the token cannot be read.
std::vector<BYTE> OwnUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        RaiseLastWin32Error();
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    const bool read = size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) != FALSE;
    const DWORD error = GetLastError();
    CloseHandle(token);
    if (!read) {
        throw AppErrorFromWin32(error);
    }
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const auto* first = static_cast<const BYTE*>(sid);
    return {first, first + GetLengthSid(sid)};
}

bool IsTrustedInstaller(PSID sid) {
    // NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID trustedInstaller = nullptr;
    if (!AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044, 1853292631,
                                  2271478464, 0, 0, &trustedInstaller)) {
        return false;
    }
    const bool same = EqualSid(sid, trustedInstaller) != FALSE;
    FreeSid(trustedInstaller);
    return same;
}

Account AccountOf(PSID sid, const std::vector<BYTE>& self) {
    if (IsWellKnownSid(sid, WinLocalSystemSid)) {
        return Account::System;
    }
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
        return Account::Administrators;
    }
    if (IsTrustedInstaller(sid)) {
        return Account::TrustedInstaller;
    }
    if (EqualSid(sid, const_cast<BYTE*>(self.data()))) {
        return Account::Self;
    }
    return Account::Other;
}

// One entry of an access list. Allow and deny entries carry a mask and a
// security identifier; the deny kinds grant nothing, and an entry of any
// kind this program does not know (the compound kind, the object kinds,
// later ones) is read as granting anyone everything.
AccessEntry EntryOf(const ACE_HEADER* header, const std::vector<BYTE>& self) {
    AccessEntry entry;
    entry.InheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // The callback kind begins as the plain one does.
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        entry.Rights = ace->Mask;
        entry.Trustee = AccountOf(const_cast<DWORD*>(&ace->SidStart), self);
        break;
    }
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        entry.Allows = false;
        break;
    default:
        entry.Rights = GENERIC_ALL;
        break;
    }
    return entry;
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
    HANDLE search = FindFirstFileW(PathText(path), &found);
    if (search == INVALID_HANDLE_VALUE) {
        RaiseLastWin32Error();
    }
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// ntdll's own status for a call, as the Win32 code it stands for.
DWORD Win32CodeOf(NTSTATUS status) {
    const auto toDosError =
        LibraryFunction<decltype(&RtlNtStatusToDosError)>(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError");
    return toDosError != nullptr ? toDosError(status) : ERROR_GEN_FAILURE;
}

// Creates name, one part, in the opened folder itself: a path opened again
// from its root could meanwhile lead elsewhere. Null when it is there already.
HANDLE CreateInFolder(HANDLE folder, const std::wstring& name) {
    if (name.find_first_of(L"\\/") != std::wstring::npos) {
        RaiseError(kErrBadFileName);
    }
    const auto ntCreateFile = LibraryFunction<decltype(&NtCreateFile)>(GetModuleHandleW(L"ntdll.dll"), "NtCreateFile");
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
        return created;
    }
    const DWORD code = Win32CodeOf(result);
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) {
        return nullptr;
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

    PSID owner = nullptr;
    PACL accessList = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD code =
        GetSecurityInfo(ToHandle(opened), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &accessList, nullptr, &descriptor);
    if (code != ERROR_SUCCESS) {
        throw AppErrorFromWin32(code);
    }
    const std::unique_ptr<void, LocalFreeDeleter> held(descriptor);
    protection.Owner = owner != nullptr ? AccountOf(owner, OwnUserSid()) : Account::Other;
    protection.HasAccessList = accessList != nullptr;
    if (accessList != nullptr) {
        protection.Entries = AccessEntriesOf(accessList);
    }
    return protection;
}

std::vector<AccessEntry> AccessEntriesOf(const ACL* list) {
    const std::vector<BYTE> self = OwnUserSid();
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(const_cast<ACL*>(list), i, &ace)) {
            RaiseLastWin32Error();
        }
        entries.push_back(EntryOf(static_cast<const ACE_HEADER*>(ace), self));
    }
    return entries;
}

bool Win32Files::CopyIntoNewFile(FileHandle source, FileHandle folder, const std::wstring& name) {
    HANDLE created = CreateInFolder(ToHandle(folder), name);
    if (created == nullptr) {
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
            WriteFile(created, buffer.data(), read, &written, nullptr) != FALSE;
        whole = written == read;
    }
    const DWORD error = GetLastError();
    if (!copied || !whole) {
        // Half a file would count as present next time: it goes. Should
        // that fail too, the error below is still the one to report.
        FILE_DISPOSITION_INFO remove{TRUE};
        SetFileInformationByHandle(created, FileDispositionInfo, &remove, sizeof(remove));
    }
    CloseHandle(created);
    if (!copied && error != ERROR_SUCCESS) {
        throw AppErrorFromWin32(error);
    }
    // A write that wrote less than it was given, or failed without saying
    // why, is no copy either.
    if (!copied || !whole) {
        RaiseError(kErrIncompleteCopy);
    }
    return true;
}

void Win32Files::Close(FileHandle opened) {
    // A handle this seam opened; closing it fails only for one that is not.
    CloseHandle(ToHandle(opened));
}
