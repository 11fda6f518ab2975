#pragma once

#include "platform/file_system.h"

// The file seam over kernel32's wide file functions, advapi32's
// security functions and ntdll's NtCreateFile.
class Win32Files : public FileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    bool FolderExists(const std::wstring& path) override;
    FileHandle OpenHeld(const std::wstring& path, bool folder) override;
    FileProtection ProtectionOf(FileHandle opened, const std::wstring& path) override;
    FileHandle WriteTemporaryCopy(FileHandle source, FileHandle folder, const std::wstring& name) override;
    bool MoveIntoPlace(FileHandle written, FileHandle folder, const std::wstring& name) override;
    void RemoveFile(FileHandle folder, const std::wstring& name) override;
    void Close(FileHandle opened) override;
};
