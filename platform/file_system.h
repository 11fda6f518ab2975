#pragma once

#include <string>

// File tests and copies. Failures are raised as AppError with the classic
// numbers (53 file not found, 76 path not found, 70 permission denied)
// and the system's own code.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True when a file (not a folder) with this full path exists. Never raises.
    virtual bool FileExists(const std::wstring& path) = 0;

    // True when a folder with this full path exists. Never raises.
    virtual bool FolderExists(const std::wstring& path) = 0;

    // Copies source into folder (which ends in a backslash) under the source's
    // own file name, replacing a file of that name.
    virtual void CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) = 0;
};
