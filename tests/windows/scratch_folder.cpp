#include "scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace {

void MakeWritable(const std::filesystem::path& root) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ignored)) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace

std::wstring UniqueName(const std::wstring& prefix) {
    static int counter = 0;
    return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
           std::to_wstring(++counter);
}

ScratchFolder::ScratchFolder(const std::wstring& prefix) {
    std::array<wchar_t, MAX_PATH + 1> temp{};
    const DWORD length = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    if (length == 0 || length > temp.size()) {
        ADD_FAILURE() << "GetTempPathW failed: " << GetLastError();
        return;
    }
    path_ = std::wstring(temp.data(), length) + UniqueName(prefix);
    if (!CreateDirectoryW(path_.c_str(), nullptr)) {
        ADD_FAILURE() << "CreateDirectoryW failed: " << GetLastError();
    }
}

ScratchFolder::~ScratchFolder() {
    if (path_.empty()) {
        return;
    }
    // Read-only files made by a test would stop the removal.
    MakeWritable(path_);
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    EXPECT_FALSE(error) << "scratch folder left behind: " << error.message();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create file: " << GetLastError();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size());
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open file: " << GetLastError();
        return {};
    }
    std::string bytes;
    std::array<char, 4096> chunk{};
    DWORD read = 0;
    while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) && read > 0) {
        bytes.append(chunk.data(), read);
    }
    CloseHandle(file);
    return bytes;
}

bool RunningOnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
