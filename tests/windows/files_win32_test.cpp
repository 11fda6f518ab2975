// The file layer over the real file system, in a scratch folder, and the
// errors its failures raise.

#include "platform/win32_error.h"
#include "platform/win32_files.h"
#include "scratch_folder.h"

namespace {

class FilesWin32Test : public ::testing::Test {
protected:
    void MakeFolder(const std::wstring& name) { ASSERT_TRUE(CreateDirectoryW((root_ + name).c_str(), nullptr)); }

    ScratchFolder scratch_;
    const std::wstring root_ = scratch_.Path + L"\\";
    Win32Files files_;
};

TEST_F(FilesWin32Test, FileExistsOnlyForFiles) {
    MakeFolder(L"lib");
    WriteFileBytes(root_ + L"lib\\Comm.jar", "jar");
    for (const std::wstring& path : {root_ + L"lib\\Comm.jar", root_ + L"LIB\\COMM.JAR"}) {
        EXPECT_TRUE(files_.FileExists(path)) << path;
    }
    for (const std::wstring& path : {root_ + L"lib", root_ + L"lib\\", root_ + L"lib\\jdc.jar", std::wstring()}) {
        EXPECT_FALSE(files_.FileExists(path)) << path;
    }
}

TEST_F(FilesWin32Test, CopyKeepsTheSourceNameAndReplacesAnExistingFile) {
    MakeFolder(L"target folder");
    WriteFileBytes(root_ + L"javax.comm.properties", "new");
    WriteFileBytes(root_ + L"target folder\\javax.comm.properties", "old contents");
    files_.CopyFileIntoFolder(root_ + L"javax.comm.properties", root_ + L"target folder\\");
    EXPECT_EQ(ReadFileBytes(root_ + L"target folder\\javax.comm.properties"), "new");
}

TEST_F(FilesWin32Test, CopyFailuresRaiseTheClassicErrors) {
    MakeFolder(L"in use");
    MakeFolder(L"read-only");
    for (const wchar_t* name : {L"Win32com.dll", L"in use\\Win32com.dll", L"read-only\\Win32com.dll"}) {
        WriteFileBytes(root_ + name, "dll");
    }
    ASSERT_TRUE(SetFileAttributesW((root_ + L"read-only\\Win32com.dll").c_str(), FILE_ATTRIBUTE_READONLY));
    // Open without sharing, as a running program holds its own DLL.
    HANDLE inUse =
        CreateFileW((root_ + L"in use\\Win32com.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    struct Case {
        std::wstring Source;
        std::wstring Folder;
        const wchar_t* Expected;
        bool WindowsOnly = false;
    };
    const std::vector<Case> cases = {
        {root_ + L"Comm.jar", root_, L"53 File not found"},
        {root_ + L"gone\\Comm.jar", root_, L"76 Path not found"},
        {root_ + L"Win32com.dll", root_ + L"missing\\", L"76 Path not found"},
        {root_ + L"Win32com.dll", root_ + L"in use\\", L"70 Permission denied"},  // a sharing violation
        // Wine 8 copies over a read-only file; Windows refuses with access denied.
        {root_ + L"Win32com.dll", root_ + L"read-only\\", L"70 Permission denied", true},
    };
    for (const Case& c : cases) {
        if (!c.WindowsOnly || !RunningOnWine()) {
            EXPECT_EQ(ErrorRaisedBy([&] { files_.CopyFileIntoFolder(c.Source, c.Folder); }), c.Expected)
                << c.Source << L" into " << c.Folder;
        }
    }
    CloseHandle(inUse);
}

TEST(Win32ErrorTest, OtherCodesKeepTheirHresultAndTheSystemsTextOrTheirNumber) {
    const AppError known = AppErrorFromWin32(ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(known.Number, static_cast<std::int32_t>(0x800700C1U));
    // Never empty, and trimmed of the period and line break system texts end with.
    ASSERT_FALSE(known.Description.empty());
    EXPECT_EQ(std::wstring(L". \r\n").find(known.Description.back()), std::wstring::npos) << known.Description;

    const AppError unknown = AppErrorFromWin32(65534);
    EXPECT_EQ(unknown.Number, static_cast<std::int32_t>(0x8007FFFEU));
    EXPECT_EQ(unknown.Description, L"System error 65534");
}

}  // namespace
