// The Win32 layer over the real registry, file system and processes: only
// what neither the unit tests' fakes nor the end-to-end tests can show.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <span>
#include <tuple>
#include <vector>

#include "registry/registry_reader.h"
#include "win32/win32_error.h"
#include "win32/win32_files.h"
#include "win32/win32_processes.h"
#include "win32/win32_registry.h"

namespace {

// A name no other run of the tests uses at the same time.
std::wstring UniqueName(const std::wstring& prefix) {
    static int counter = 0;
    return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
           std::to_wstring(++counter);
}

// A new, empty folder under the temporary folder, removed when the test is done.
struct ScratchFolder {
    const std::wstring Path = (std::filesystem::temp_directory_path() / UniqueName(L"TarvexTest")).wstring();
    ScratchFolder() { EXPECT_TRUE(std::filesystem::create_directory(Path)); }
    ~ScratchFolder() {
        std::error_code error;  // left behind when a probe still uses it
        EXPECT_GT(std::filesystem::remove_all(Path, error), 0U) << error.message();
    }
};

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

TEST(RegistryWin32Test, ReadsValuesAndSubkeysThroughTheAnsiCodePageAndNeverWritesPastTheBuffer) {
    Win32Registry registry;
    const std::wstring path = L"Software\\" + UniqueName(L"TarvexLauncherTest");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, path.c_str(), &key), kErrorSuccess);
    const std::string bytes1025(1025, '\xab');
    // Name, type, data stored through the ANSI function as an installer
    // would, the value read, and how many bytes of the data are not stored.
    const std::vector<std::tuple<const wchar_t*, DWORD, std::string, RegistryValue, DWORD>> cases = {
        {L"text", REG_SZ, std::string("1.6.0_45\0", 9), std::wstring(L"1.6.0_45"), 0},
        // No NUL stored and none following: the last character is lost.
        {L"unterminated", REG_SZ, "abcX", std::wstring(L"ab"), 1},
        {L"list", REG_MULTI_SZ, std::string("a\0b\0\0", 5), std::wstring(L"a\0b", 3), 0},
        {L"number", REG_DWORD, std::string("\x2a\x00\x00\x80", 4), std::int32_t{-2147483606}, 0},
        // One byte more than the first buffer: read by a second query.
        {L"binary", REG_BINARY, bytes1025, std::vector<std::uint8_t>(bytes1025.begin(), bytes1025.end()), 0},
        {L"long text", REG_SZ, std::string(1024, 'y') + '\0', std::wstring(1024, L'y'), 0},
    };
    for (const auto& [name, type, data, expected, cut] : cases) {
        EXPECT_EQ(RegSetValueExA(key, registry.ToAnsi(name).c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()) - cut),
                  kErrorSuccess);
        EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, path, name), expected) << name;
    }
    EXPECT_EQ(ErrorRaisedBy([&] { GetValue(registry, kHkeyCurrentUser, path, L"JavaHome"); }),
              L"1001 Unsupported value type");

    RegistryKey opened = 0;
    std::vector<std::uint8_t> buffer(16, 0xee);
    std::uint32_t type = kRegNone;
    auto size = static_cast<std::uint32_t>(buffer.size());  // more than the 4 bytes handed over
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, registry.ToAnsi(path), kKeyRead, opened), kErrorSuccess);
    EXPECT_EQ(registry.QueryValue(opened, "text", type, std::span(buffer).first(4), size), kErrorMoreData);
    EXPECT_TRUE(std::all_of(buffer.begin() + 4, buffer.end(), [](std::uint8_t b) { return b == 0xee; }));
    EXPECT_EQ(registry.CloseKey(opened), kErrorSuccess);

    // Stored in UTF-16, so that only the reading side goes through the code page.
    const std::wstring cafe = L"Caf\u00e9 cr\u00e8me";
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, cafe.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (!lossy) {  // a subkey and, in it, a value, both named cafe
        EXPECT_EQ(RegSetKeyValueW(key, cafe.c_str(), cafe.c_str(), REG_SZ, cafe.c_str(),
                                  static_cast<DWORD>((cafe.size() + 1) * sizeof(wchar_t))),
                  kErrorSuccess);
        EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, path + L"\\" + cafe, cafe), RegistryValue(cafe));
        EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, path).Names(), std::vector<std::wstring>{cafe});
    }
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), kErrorSuccess);
    if (lossy) {
        GTEST_SKIP() << "ANSI code page " << GetACP() << " cannot hold " << cafe;
    }
}

TEST(FilesWin32Test, CopiesIntoAFolderOrRaisesTheClassicErrors) {
    ScratchFolder scratch;
    Win32Files files;
    const std::wstring root = scratch.Path + L"\\";
    ASSERT_TRUE(std::filesystem::create_directory(root + L"target") &&
                std::filesystem::create_directory(root + L"in use"));
    for (const auto& [name, bytes] :
         {std::pair{L"a.dll", "new"}, {L"target\\a.dll", "old text"}, {L"in use\\a.dll", ""}}) {
        std::ofstream(std::filesystem::path(root + name), std::ios::binary) << bytes;
    }
    EXPECT_FALSE(files.FileExists(root + L"target"));
    // Open without sharing, as a running program holds its own DLL.
    HANDLE inUse = CreateFileW((root + L"in use\\a.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    const std::vector<std::tuple<const wchar_t*, const wchar_t*, const wchar_t*>> cases = {
        {L"a.dll", L"target\\", L"no error"},
        {L"gone.dll", L"", L"53 File not found"},
        {L"a.dll", L"missing\\", L"76 Path not found"},
        {L"a.dll", L"in use\\", L"70 Permission denied"},  // a sharing violation
    };
    for (const auto& [source, folder, expected] : cases) {
        const std::wstring from = root + source;
        const std::wstring into = root + folder;
        EXPECT_EQ(ErrorRaisedBy([&] { files.CopyFileIntoFolder(from, into); }), expected) << source;
    }
    CloseHandle(inUse);
    EXPECT_EQ(std::filesystem::file_size(root + L"target\\a.dll"), 3U);  // "new"

    // A code with no classic error of its own keeps its HRESULT and the system's text.
    EXPECT_EQ(AppErrorFromWin32(ERROR_BAD_EXE_FORMAT).Number, static_cast<std::int32_t>(0x800700C1U));
    EXPECT_FALSE(AppErrorFromWin32(ERROR_BAD_EXE_FORMAT).Description.empty());
}

// child_probe.exe, built beside this test, stands in for the started program.
TEST(ProcessesWin32Test, StartsHiddenInTheCurrentFolderAndPassesExitCodesThrough) {
    Win32Processes processes;
    ScratchFolder scratch;
    const std::filesystem::path saved = std::filesystem::current_path();
    const std::wstring folder = scratch.Path + L"\\SMS Server Folder";
    const std::wstring event = L"Local\\" + UniqueName(L"TarvexProbeRelease");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::filesystem::copy_file(std::filesystem::path(processes.ModulePath()).parent_path() / L"child_probe.exe",
                               folder + L"\\child_probe.exe");

    EXPECT_EQ(ErrorRaisedBy([&] { processes.StartHidden(L"\"" + folder + L"\\javaw.exe\" -version"); }),
              L"53 File not found");
    EXPECT_EQ(ErrorRaisedBy([&] { processes.SetCurrentFolder(folder + L"\\missing"); }), L"76 Path not found");
    processes.SetCurrentFolder(folder);
    const std::uint32_t id = processes.StartHidden(L"\"" + folder + L"\\child_probe.exe\" 3 " + event);
    std::filesystem::current_path(saved);  // so that the scratch folder can go
    const ProcessHandle child = processes.OpenProcess(kSynchronize | kProcessQueryInformation, false, id);
    ASSERT_NE(child, 0U);
    // Released, process asked, answered, code (77, left alone, when it cannot be asked).
    for (const auto& [released, process, answered, expected] :
         {std::tuple<bool, ProcessHandle, bool, std::uint32_t>{false, child, true, kStillActive},
          {true, child, true, 3U},
          {true, ProcessHandle{0}, false, 77U}}) {
        if (released && SetEvent(release)) {
            EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(child), 15000), WAIT_OBJECT_0);
        }
        std::uint32_t code = 77;
        EXPECT_EQ(processes.GetExitCodeProcess(process, code), answered);
        EXPECT_EQ(code, expected);
    }
    EXPECT_TRUE(processes.CloseHandle(child));
    CloseHandle(release);

    EXPECT_TRUE(std::filesystem::exists(folder + L"\\show " + std::to_wstring(SW_HIDE)));
}

// Lets the probe of the elevated run go. Only a wait that dispatches
// messages runs it.
HANDLE g_release = nullptr;
void CALLBACK ReleaseProbe(HWND /*window*/, UINT /*message*/, UINT_PTR /*id*/, DWORD /*time*/) { SetEvent(g_release); }

TEST(ProcessesWin32Test, RunsElevatedWhileDispatchingMessagesAndReadsTheErrorBackFromTheExitCode) {
    Win32Processes processes;
    ScratchFolder scratch;  // where the probe leaves its file
    const std::filesystem::path saved = std::filesystem::current_path();
    const std::wstring probe = std::filesystem::path(processes.ModulePath()).replace_filename(L"child_probe.exe");
    const std::wstring event = L"Local\\" + UniqueName(L"TarvexElevatedRelease");
    g_release = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, ReleaseProbe);
    ASSERT_TRUE(g_release != nullptr && timer != 0);
    processes.SetCurrentFolder(scratch.Path);
    struct Case {
        const wchar_t* ExitCode;  // the probe's
        std::int32_t Number;
        const wchar_t* Description;  // null: the system's own text
    };
    const Case cases[] = {{L"0", 0, L""},
                          {L"70", 70, L"Permission denied"},
                          {L"5", 5, L"Invalid procedure call or argument"},
                          {L"-2147024703", -2147024703, nullptr}};  // HRESULT of ERROR_BAD_EXE_FORMAT
    for (const Case& c : cases) {
        ResetEvent(g_release);
        const AppError error = processes.RunElevated(probe, std::wstring(c.ExitCode) + L" " + event);
        EXPECT_EQ(WaitForSingleObject(g_release, 0), WAIT_OBJECT_0) << c.ExitCode;
        EXPECT_EQ(error.Number, c.Number);
        EXPECT_EQ(error.Description, c.Description != nullptr ? c.Description : SystemErrorText(ERROR_BAD_EXE_FORMAT));
    }
    EXPECT_EQ(ErrorRaisedBy([&] { processes.RunElevated(scratch.Path + L"\\gone.exe", L""); }), L"53 File not found");
    std::filesystem::current_path(saved);
    KillTimer(nullptr, timer);
    CloseHandle(g_release);
}

}  // namespace
