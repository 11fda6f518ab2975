#pragma once

#include "platform/file_system.h"

// The file seam over kernel32's wide file functions.
class Win32Files : public FileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    bool FolderExists(const std::wstring& path) override;
    void CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) override;
};
