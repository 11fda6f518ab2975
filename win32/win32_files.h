#pragma once

#include "platform/file_system.h"

// The file seam over kernel32's wide file functions and advapi32's
// security functions.
class Win32Files : public FileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    bool FolderExists(const std::wstring& path) override;
    void CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) override;
    FileHandle OpenHeld(const std::wstring& path) override;
    FileProtection ProtectionOf(FileHandle opened) override;
    bool CopyIntoNewFile(FileHandle source, const std::wstring& target) override;
    void Close(FileHandle opened) override;
};
