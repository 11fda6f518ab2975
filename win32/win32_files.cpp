#include "win32/win32_files.h"

#include <windows.h>

#include <aclapi.h>

#include <memory>
#include <vector>

#include "win32/win32_error.h"

namespace {

HANDLE ToHandle(FileHandle opened) { return reinterpret_cast<HANDLE>(opened); }

// The last component of a path, after its last backslash or slash, or
// after the colon of a drive-relative path such as "C:name".
std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

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
// security identifier; an allow entry of a kind with more structure is
// read as granting anyone everything, and the rest (audit and label
// entries) grant nothing.
AccessEntry EntryOf(const ACE_HEADER* header, const std::vector<BYTE>& self) {
    AccessEntry entry;
    entry.InheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE: {
        // The callback kinds begin as the plain ones do.
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        entry.Allows =
            header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        entry.Rights = ace->Mask;
        entry.Trustee = AccountOf(const_cast<DWORD*>(&ace->SidStart), self);
        break;
    }
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        entry.Rights = GENERIC_ALL;
        break;
    default:
        entry.Allows = false;
        break;
    }
    return entry;
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

void Win32Files::CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) {
    const std::wstring target = folder + FileNameOf(source);
    // FALSE: an existing file of that name is replaced. A missing folder
    // fails as ERROR_PATH_NOT_FOUND, a read-only or open target as
    // access denied or sharing violation.
    if (!CopyFileW(PathText(source), PathText(target), FALSE)) {
        RaiseLastWin32Error();
    }
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

FileProtection Win32Files::ProtectionOf(FileHandle opened) {
    FileProtection protection;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(ToHandle(opened), &information)) {
        RaiseLastWin32Error();
    }
    protection.IsLink = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;

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
    const std::vector<BYTE> self = OwnUserSid();
    protection.Owner = owner != nullptr ? AccountOf(owner, self) : Account::Other;
    protection.HasAccessList = accessList != nullptr;
    for (DWORD i = 0; accessList != nullptr && i < accessList->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(accessList, i, &ace)) {
            RaiseLastWin32Error();
        }
        protection.Entries.push_back(EntryOf(static_cast<const ACE_HEADER*>(ace), self));
    }
    return protection;
}

bool Win32Files::CopyIntoNewFile(FileHandle source, const std::wstring& target) {
    // CREATE_NEW never replaces a file, and with OPEN_REPARSE_POINT a link
    // planted at target counts as a file that is there.
    HANDLE created = CreateFileW(PathText(target), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (created == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            return false;
        }
        throw AppErrorFromWin32(error);
    }
    std::vector<char> buffer(64 * 1024);
    const LARGE_INTEGER start{};
    bool copied = SetFilePointerEx(ToHandle(source), start, nullptr, FILE_BEGIN) != FALSE;
    for (DWORD read = 1; copied && read != 0;) {
        DWORD written = 0;
        copied =
            ReadFile(ToHandle(source), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) != FALSE &&
            WriteFile(created, buffer.data(), read, &written, nullptr) != FALSE && written == read;
    }
    const DWORD error = GetLastError();
    if (!copied) {
        // Half a file would count as present next time: it goes. Should
        // that fail too, the error below is still the one to report.
        FILE_DISPOSITION_INFO remove{TRUE};
        SetFileInformationByHandle(created, FileDispositionInfo, &remove, sizeof(remove));
    }
    CloseHandle(created);
    if (!copied) {
        throw AppErrorFromWin32(error);
    }
    return true;
}

void Win32Files::Close(FileHandle opened) {
    // A handle this seam opened; closing it fails only for one that is not.
    CloseHandle(ToHandle(opened));
}
