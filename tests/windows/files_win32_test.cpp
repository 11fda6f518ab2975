// The file seam over the real file system, in a scratch folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/app_error.h"
#include "platform/win32_files.h"
#include "scratch_folder.h"

namespace {

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

class FilesWin32Test : public ::testing::Test {
protected:
    ScratchFolder scratch_{L"TarvexFilesTest"};
    const std::wstring root_ = scratch_.Path() + L"\\";
    Win32Files files_;

    void MakeFolder(const std::wstring& path) { ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)); }

    // The error CopyFileIntoFolder raises, or a failed test when it raises none.
    AppError CopyError(const std::wstring& source, const std::wstring& folder) {
        try {
            files_.CopyFileIntoFolder(source, folder);
        } catch (const AppError& error) {
            return error;
        }
        ADD_FAILURE() << "no error raised";
        return {};
    }
};

TEST_F(FilesWin32Test, FileExistsOnlyForFiles) {
    MakeFolder(root_ + L"lib");
    WriteFileBytes(root_ + L"lib\\Comm.jar", "jar");
    struct Case {
        std::wstring Path;
        bool Expected;
    };
    const std::vector<Case> cases = {
        {root_ + L"lib\\Comm.jar", true},
        {root_ + L"LIB\\COMM.JAR", true},  // names compare regardless of case
        {root_ + L"lib", false},
        {root_ + L"lib\\", false},
        {root_ + L"lib\\jdc.jar", false},
        {root_ + L"missing\\jdc.jar", false},
        {L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.Path));
        EXPECT_EQ(files_.FileExists(c.Path), c.Expected);
    }
}

TEST_F(FilesWin32Test, CopyKeepsTheSourceNameAndReplacesAnExistingFile) {
    MakeFolder(root_ + L"source folder");
    MakeFolder(root_ + L"target folder");
    WriteFileBytes(root_ + L"source folder\\javax.comm.properties", "new");
    WriteFileBytes(root_ + L"target folder\\javax.comm.properties", "old contents");

    files_.CopyFileIntoFolder(root_ + L"source folder\\javax.comm.properties", root_ + L"target folder\\");

    EXPECT_EQ(ReadFileBytes(root_ + L"target folder\\javax.comm.properties"), "new");
    EXPECT_EQ(ReadFileBytes(root_ + L"source folder\\javax.comm.properties"), "new");
}

TEST_F(FilesWin32Test, CopyFailuresRaiseTheClassicErrors) {
    MakeFolder(root_ + L"target");
    WriteFileBytes(root_ + L"Win32com.dll", "dll");
    WriteFileBytes(root_ + L"target\\Win32com.dll", "in use");
    // Open without sharing, as a running program holds its own DLL.
    HANDLE inUse =
        CreateFileW((root_ + L"target\\Win32com.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);

    struct Case {
        const char* Name;
        std::wstring Source;
        std::wstring Folder;
        std::int32_t Number;
        const wchar_t* Description;
    };
    const std::vector<Case> cases = {
        {"missing source", root_ + L"Comm.jar", root_ + L"target\\", 53, L"File not found"},
        {"source in missing folder", root_ + L"gone\\Comm.jar", root_ + L"target\\", 76, L"Path not found"},
        {"missing target folder", root_ + L"Win32com.dll", root_ + L"missing\\", 76, L"Path not found"},
        {"target in use", root_ + L"Win32com.dll", root_ + L"target\\", 70, L"Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const AppError error = CopyError(c.Source, c.Folder);
        EXPECT_EQ(error.Number, c.Number);
        EXPECT_EQ(error.Description, c.Description);
    }
    CloseHandle(inUse);
}

TEST_F(FilesWin32Test, CopyOverReadOnlyFileRaisesPermissionDenied) {
    if (RunningOnWine()) {
        GTEST_SKIP() << "Wine 8 copies over a read-only file; Windows refuses with access denied";
    }
    MakeFolder(root_ + L"ext");
    WriteFileBytes(root_ + L"jdc.jar", "new");
    WriteFileBytes(root_ + L"ext\\jdc.jar", "old");
    ASSERT_TRUE(SetFileAttributesW((root_ + L"ext\\jdc.jar").c_str(), FILE_ATTRIBUTE_READONLY));

    const AppError error = CopyError(root_ + L"jdc.jar", root_ + L"ext\\");

    EXPECT_EQ(error.Number, 70);
    EXPECT_EQ(error.Description, L"Permission denied");
    EXPECT_EQ(ReadFileBytes(root_ + L"ext\\jdc.jar"), "old");
}

}  // namespace
