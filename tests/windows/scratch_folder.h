#pragma once

#include <string>

// A new, empty folder under the user's temporary folder, removed with
// everything in it when the test is done.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path, without a trailing backslash.
    [[nodiscard]] const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// Creates (or replaces) a file with these bytes; fails the test otherwise.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);

// A name no other run of the tests uses at the same time.
std::wstring UniqueName(const std::wstring& prefix);

// Wine differs from Windows in a few documented ways; tests of those say so.
bool RunningOnWine();
