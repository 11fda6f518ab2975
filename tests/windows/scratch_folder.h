#pragma once

// Helpers shared by the component tests of the Win32 layer, and the headers
// every one of them uses.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/app_error.h"

// A name no other run of the tests uses at the same time.
inline std::wstring UniqueName(const std::wstring& prefix) {
    static int counter = 0;
    return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
           std::to_wstring(++counter);
}

// A new, empty folder under the user's temporary folder, removed with
// everything in it when the test is done. Its path has no trailing backslash.
struct ScratchFolder {
    const std::wstring Path = (std::filesystem::temp_directory_path() / UniqueName(L"TarvexTest")).wstring();

    ScratchFolder() { EXPECT_TRUE(std::filesystem::create_directory(Path)); }
    ~ScratchFolder() {
        std::error_code error;
        // Read-only files made by a test would stop the removal.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Path, error)) {
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::filesystem::remove_all(Path, error);
        EXPECT_FALSE(error) << "scratch folder left behind: " << error.message();
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    EXPECT_TRUE(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) << "cannot write file";
}

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Wine differs from Windows in a few documented ways; tests of those say so.
inline bool RunningOnWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// "<number> <description>" of the AppError that call raises, or "no error".
template <typename Call>
std::wstring ErrorRaisedBy(Call&& call) {
    try {
        call();
    } catch (const AppError& error) {
        return std::to_wstring(error.Number) + L" " + error.Description;
    }
    return L"no error";
}
