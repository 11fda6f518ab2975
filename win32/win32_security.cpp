#include "win32/win32_security.h"

#include <aclapi.h>

#include "win32/owners.h"
#include "win32/win32_error.h"

namespace {

// The account the program runs as. Raises when the token cannot be read.
std::vector<BYTE> OwnUserSid() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        RaiseLastWin32Error();
    }
    const ScopedHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size)) {
        RaiseLastWin32Error();
    }
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const auto* first = static_cast<const BYTE*>(sid);
    return {first, first + GetLengthSid(sid)};
}

bool IsTrustedInstaller(PSID sid) {
    // NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID made = nullptr;
    if (!AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044, 1853292631,
                                  2271478464, 0, 0, &made)) {
        return false;
    }
    const ScopedSid trustedInstaller(made);
    return EqualSid(sid, trustedInstaller.Get()) != FALSE;
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

}  // namespace

void ReadOwnerAndAccessList(HANDLE opened, FileProtection& protection) {
    PSID owner = nullptr;
    PACL accessList = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD code = GetSecurityInfo(opened, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       &owner, nullptr, &accessList, nullptr, &descriptor);
    if (code != ERROR_SUCCESS) {
        throw AppErrorFromWin32(code);
    }
    const ScopedLocal held(descriptor);
    protection.Owner = owner != nullptr ? AccountOf(owner, OwnUserSid()) : Account::Other;
    protection.HasAccessList = accessList != nullptr;
    if (accessList != nullptr) {
        protection.Entries = AccessEntriesOf(accessList);
    }
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
