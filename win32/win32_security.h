#pragma once

#include <windows.h>

#include <vector>

#include "platform/file_system.h"

// The owner and access list of an opened file or folder, read through its
// handle, into protection.
void ReadOwnerAndAccessList(HANDLE opened, FileProtection& protection);

// The entries of an access list, as far as the launcher judges them.
std::vector<AccessEntry> AccessEntriesOf(const ACL* list);
