// The Win32 layer over the real registry, file system and processes: only
// what neither the unit tests' fakes nor the end-to-end tests can show.

#include <windows.h>

#include <aclapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "launcher/program_arguments.h"
#include "registry/registry_reader.h"
#include "runtime/elevated_copy.h"
#include "win32/owners.h"
#include "win32/win32_error.h"
#include "win32/win32_files.h"
#include "win32/win32_picture.h"
#include "win32/win32_processes.h"
#include "win32/win32_registry.h"
#include "win32/win32_security.h"

namespace {

// A name no other run of the tests uses at the same time; the sum grows with every call.
std::wstring UniqueName(const std::wstring& prefix) {
    static int counter = 0;
    return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount() + ++counter);
}

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

TEST(RegistryWin32Test, ReadsThroughTheAnsiCodePageWithinTheBufferAndQueriesLongValuesAgain) {
    const std::wstring cafe = L"Caf\u00e9 cr\u00e8me";
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, cafe.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (lossy) {
        GTEST_SKIP() << "ANSI code page " << GetACP() << " cannot hold " << cafe;
    }
    Win32Registry registry;
    const std::wstring parent = L"Software\\" + UniqueName(L"TarvexLauncherTest");
    const std::wstring path = parent + L"\\" + cafe;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    // Stored in UTF-16, so that only the reading side goes through the code page.
    const std::wstring longText(1024, L'y');
    struct Case {
        const wchar_t* Name;
        std::wstring_view Stored;
        std::wstring Read;
    };
    const Case cases[] = {
        {L"Caf\u00e9 cr\u00e8me", std::wstring_view(L"Caf\u00e9 cr\u00e8me\0", 11), L"Caf\u00e9 cr\u00e8me"},
        // No NUL stored and none following: the last character is lost.
        {L"unterminated", std::wstring_view(L"unterminatedX", 12), L"unterminate"},
        {L"inner NULs", std::wstring_view(L"a\0b\0", 4), std::wstring(L"a\0b", 3)},
        // One character more than the first buffer's 1024 bytes: read by a second query.
        {L"long text", std::wstring_view(longText.c_str(), 1025), longText},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RegSetValueExW(key, c.Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(c.Stored.data()),
                                 static_cast<DWORD>(c.Stored.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        EXPECT_EQ(GetValue(registry, kHkeyCurrentUser, path, c.Name), RegistryValue(c.Read)) << c.Name;
    }
    EXPECT_EQ(EnumSubKeys(registry, kHkeyCurrentUser, parent).Names(), std::vector<std::wstring>{cafe});

    // Handed 4 bytes, told 16, for a 12-byte value: nothing past the 4 is written.
    RegistryKey opened = 0;
    std::vector<std::uint8_t> buffer(16, 0xee);
    std::uint32_t type = kRegNone;
    std::uint32_t size = 16;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, registry.ToAnsi(path), kKeyRead, opened), kErrorSuccess);
    EXPECT_EQ(registry.QueryValue(opened, "unterminated", type, std::span(buffer).first(4), size), kErrorMoreData);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + 4, buffer.end()), std::vector<std::uint8_t>(12, 0xee));
    EXPECT_EQ(registry.CloseKey(opened), kErrorSuccess);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, parent.c_str()), ERROR_SUCCESS);
}

TEST(ArgumentsWin32Test, SplitAsTheShellDoes) {
    for (const wchar_t* commandLine : {
             L"x.exe",
             LR"("C:\My Apps\x.exe" "/InstallSerialSupport:C:\Program Files\Java\jre6")",
             LR"(x.exe "/InstallSerialSupport:C:\jre6\\")",
             LR"(x.exe "/InstallSerialSupport:C:\a"b c")",
             LR"(x.exe /InstallSerialSupport:C:\jre6 more)",
             LR"("x y"z	a\\b a\"b "a""b" "" "open end)",
             LR"(x.exe "/InstallSerialSupport:C:\a""b c" """ """" \""" "\"" \\\" ")",
             LR"(x.exe "a""b c" a\)",
             LR"(x.exe "a"""b c")",
         }) {
        int count = 0;
        wchar_t** split = CommandLineToArgvW(commandLine, &count);
        ASSERT_NE(split, nullptr);
        const std::vector<std::wstring> shell(split + 1, split + count);
        LocalFree(split);
        EXPECT_EQ(SplitProgramArguments(commandLine), shell) << commandLine;
    }
}

TEST(PictureWin32Test, DrawsRowsFromTheTopInTheirOwnColours) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER),
                                  .biWidth = 3,
                                  .biHeight = 2,
                                  .biPlanes = 1,
                                  .biBitCount = 32,
                                  .biCompression = BI_RGB}};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(SelectObject(dc, target), nullptr);
    DrawPicture(Bitmap{2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}}, dc, 1, 0);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));  // left as it was
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0xFF, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0x12, 0x34, 0x56));
    DeleteDC(dc);
    DeleteObject(target);
}

// Each test's own new folder, named with spaces as install folders are, and
// removed when the test is done. child_probe.exe, built beside this test,
// stands in for a started program: it waits for the event named release, and
// leaves a file named for its show request in its current folder.
class Win32Test : public ::testing::Test {
protected:
    Win32Test() { EXPECT_TRUE(release != nullptr && std::filesystem::create_directory(scratch)); }
    ~Win32Test() override {
        std::filesystem::current_path(std::filesystem::temp_directory_path());  // so that the scratch folder can go
        CloseHandle(release);
        std::error_code error;  // left behind when a probe still uses it
        EXPECT_GT(std::filesystem::remove_all(scratch, error), 0U) << error.message();
    }

    const std::wstring scratch = (std::filesystem::temp_directory_path() / UniqueName(L"Tarvex Test") / L"").wstring();
    Win32Processes processes;
    const std::wstring probe = std::filesystem::path(processes.ModulePath()).replace_filename(L"child_probe.exe");
    const std::wstring event = L"Local\\" + UniqueName(L"TarvexProbeRelease");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
};

TEST_F(Win32Test, StartsHiddenInTheCurrentFolderAndPassesExitCodesThrough) {
    EXPECT_EQ(ErrorRaisedBy([&] { processes.SetCurrentFolder(scratch + L"missing"); }), L"76 Path not found");
    processes.SetCurrentFolder(scratch);
    const std::uint32_t id = processes.StartHidden(L"\"" + probe + L"\" 3 " + event);
    const ProcessHandle child = processes.OpenProcess(kSynchronize | kProcessQueryInformation, false, id);
    ASSERT_NE(child, 0U);
    std::uint32_t code = 77;
    EXPECT_TRUE(processes.GetExitCodeProcess(child, code));
    EXPECT_EQ(code, kStillActive);
    ASSERT_TRUE(SetEvent(release));
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(child), 15000), WAIT_OBJECT_0);
    EXPECT_TRUE(processes.GetExitCodeProcess(child, code));
    EXPECT_EQ(code, 3U);
    EXPECT_TRUE(processes.CloseHandle(child));
    EXPECT_FALSE(processes.GetExitCodeProcess(0, code));  // and leaves the code alone
    EXPECT_EQ(code, 3U);
    EXPECT_TRUE(std::filesystem::exists(scratch + L"show 0"));  // SW_HIDE
}

// The names of the modules this process has mapped, in the order they came.
std::vector<std::wstring> LoadedModules() {
    std::vector<std::wstring> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    MODULEENTRY32W entry{.dwSize = sizeof(MODULEENTRY32W)};
    for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry)) {
        names.emplace_back(entry.szModule);
    }
    CloseHandle(snapshot);
    return names;
}

// Lets the probe of the elevated run go. Only a wait that dispatches
// messages runs it.
HANDLE g_release = nullptr;
void CALLBACK ReleaseProbe(HWND /*window*/, UINT /*message*/, UINT_PTR /*id*/, DWORD /*time*/) { SetEvent(g_release); }

TEST_F(Win32Test, RunsElevatedWhileDispatchingMessagesAndReadsItsExitCode) {
    g_release = release;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, ReleaseProbe);
    ASSERT_NE(timer, 0U);
    // What user32 loads for its first window stays, as in the program, where the window comes first.
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    const std::vector<std::wstring> modules = LoadedModules();
    processes.SetCurrentFolder(scratch);  // where the probe leaves its file
    // The probe's exit code comes back whole, an HRESULT's top bit included.
    for (const int code : {0, 70, 1005, -2147024703}) {
        ResetEvent(release);
        const ElevatedRun outcome = processes.RunElevated(probe, std::to_wstring(code) + L" " + event, 30000);
        EXPECT_EQ(WaitForSingleObject(release, 0), WAIT_OBJECT_0) << code;
        ASSERT_EQ(outcome.End, RunEnd::Exited) << code;
        EXPECT_EQ(outcome.ExitCode, static_cast<std::uint32_t>(code));
    }
    EXPECT_EQ(ErrorRaisedBy([&] { processes.RunElevated(scratch + L"gone.exe", L"", 30000); }), L"53 File not found");
    // A run that outlasts its time is left running, and the wait ends.
    ResetEvent(release);
    KillTimer(nullptr, timer);
    const DWORD began = GetTickCount();
    EXPECT_EQ(processes.RunElevated(probe, L"0 " + event, 500).End, RunEnd::StillRunning);
    EXPECT_LT(GetTickCount() - began, 10000U);
    EXPECT_NE(WaitForSingleObject(release, 0), WAIT_OBJECT_0);
    SetEvent(release);
    EXPECT_TRUE(std::filesystem::exists(scratch + L"show 0"));  // SW_HIDE
    // shell32 and COM went as they came.
    EXPECT_EQ(LoadedModules(), modules);
}

TEST(ErrorWin32Test, ASystemCodeIsAClassicErrorOrItsHResultWithTheSystemsText) {
    Win32Processes processes;
    const AppError denied = processes.SystemError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::to_wstring(denied.Number) + L" " + denied.Description + L" " + std::to_wstring(denied.SystemCode),
              L"70 Permission denied 5");
    // ERROR_BAD_EXE_FORMAT has no classic error; its text's words differ between systems.
    const AppError badFormat = processes.SystemError(ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(badFormat.Number, -2147024703);
    EXPECT_EQ(badFormat.SystemCode, 193U);
    EXPECT_FALSE(badFormat.Description.empty());
    EXPECT_NE(badFormat.Description.back(), L'.');
    EXPECT_EQ(processes.SystemError(0).Number, static_cast<std::int32_t>(E_FAIL));
}

TEST(OwnerWin32Test, ClosingKeepsTheLastErrorOfTheCallBeforeIt) {
    for (const bool valid : {true, false}) {
        // A handle that is closed already makes its close fail and set an error of its own.
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(event, nullptr);
        ScopedHandle owned(event);
        if (!valid) {
            ASSERT_TRUE(CloseHandle(event));
        }
        SetLastError(ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(owned.Close(), valid);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << valid;
        SetLastError(ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(owned.Close());  // nothing left to close
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
    {
        SetLastError(ERROR_ACCESS_DENIED);
        const ScopedHandle owned(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(owned);
        SetLastError(ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));  // across the destructor as well
}

TEST_F(Win32Test, RefusesAPathWithANulRatherThanCutItShort) {
    Win32Files files;
    const std::wstring cut = scratch + std::wstring(L"new.dll\0.txt", 12);
    std::ofstream(std::filesystem::path(scratch + L"a.dll")) << "a";
    EXPECT_EQ(ErrorRaisedBy([&] { files.OpenHeld(cut, false); }), L"52 Bad file name or number");
    EXPECT_EQ(ErrorRaisedBy([&] { processes.StartHidden(L"\"" + probe + std::wstring(L"\"\0 0 ", 5) + event); }),
              L"52 Bad file name or number");
    EXPECT_EQ(ErrorRaisedBy([&] { processes.SetCurrentFolder(cut); }), L"52 Bad file name or number");
    EXPECT_FALSE(files.FileExists(scratch + std::wstring(L"a.dll\0x", 7)));
    EXPECT_FALSE(std::filesystem::exists(scratch + L"new.dll"));
    EXPECT_FALSE(std::filesystem::exists(scratch + L"show 0"));
}

std::string TextOf(const std::wstring& path) {
    std::ifstream file{std::filesystem::path(path)};
    return {std::istreambuf_iterator<char>(file), {}};
}

// Sets path's access list to one entry for everyone, with these rights,
// inherited from nothing above.
void GrantEveryone(const std::wstring& path, DWORD rights) {
    BYTE world[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(world);
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, world, &size));
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(world);
    PACL list = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &access, nullptr, &list), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    list, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(list);
}

TEST_F(Win32Test, ReadsOwnerAndAccessListThroughAHandleThatKeepsTheFileInPlace) {
    Win32Files files;
    const std::wstring folder = scratch + L"source";
    const std::wstring file = folder + L"\\Win32com.dll";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::ofstream(std::filesystem::path(file)) << "library";
    GrantEveryone(folder, FILE_GENERIC_READ | FILE_GENERIC_WRITE);

    const FileHandle held = files.OpenHeld(file, false);
    // Held, it can be neither replaced nor written.
    EXPECT_FALSE(MoveFileExW(file.c_str(), (scratch + L"moved.dll").c_str(), 0));
    EXPECT_EQ(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    const FileProtection fileProtection = files.ProtectionOf(held, file);
    const FileHandle heldFolder = files.OpenHeld(folder, true);
    const FileProtection folderProtection = files.ProtectionOf(heldFolder, folder);
    EXPECT_FALSE(fileProtection.IsLink);
    EXPECT_FALSE(folderProtection.IsLink);
    EXPECT_EQ(fileProtection.Owner, Account::Self);  // the test's own account made it
    // Wine keeps an access list as the Unix mode it maps to, and reads that
    // back as entries for the system, the owner and everyone.
    const auto othersWrite = [](const FileProtection& protection) {
        return std::any_of(protection.Entries.begin(), protection.Entries.end(), [](const AccessEntry& entry) {
            return entry.Trustee == Account::Other && entry.Allows && !entry.InheritOnly &&
                   (entry.Rights & kFileWriteData) != 0;
        });
    };
    EXPECT_TRUE(othersWrite(folderProtection));
    EXPECT_FALSE(othersWrite(fileProtection));
    files.Close(heldFolder);
    EXPECT_EQ(ErrorRaisedBy([&] { files.OpenHeld(scratch + L"gone.dll", false); }), L"53 File not found");
}

TEST_F(Win32Test, WritesACopyThatGoesUnlessMovedIntoPlaceWhereNothingIsReplaced) {
    Win32Files files;
    const std::wstring source = scratch + L"Win32com.dll";
    std::ofstream(std::filesystem::path(source)) << std::string(100000, 'x') << "library";  // more than one read
    ASSERT_TRUE(std::filesystem::create_directory(scratch + L"bin"));
    std::ofstream(std::filesystem::path(scratch + L"bin\\present.dll")) << "own";
    std::ofstream(std::filesystem::path(scratch + L"left.partial")) << "cut short by a power failure";
    std::ofstream(std::filesystem::path(scratch + L"open.partial")) << "another run's, in the making";
    const ScopedHandle inUse(CreateFileW((scratch + L"open.partial").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    const FileHandle held = files.OpenHeld(source, false);
    const FileHandle home = files.OpenHeld(scratch, true);
    const FileHandle bin = files.OpenHeld(scratch + L"bin", true);
    // Held, a folder still takes new entries, which moving a file into it
    // opens it for, and can be neither moved nor deleted.
    const ScopedHandle adding(CreateFileW((scratch + L"bin").c_str(), FILE_ADD_FILE | SYNCHRONIZE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    EXPECT_TRUE(adding);
    EXPECT_FALSE(MoveFileExW((scratch + L"bin").c_str(), (scratch + L"moved").c_str(), 0));

    // Not moved into place, a copy goes as it closes: whether it was never
    // moved, or its name was taken, in any case.
    files.Close(files.WriteTemporaryCopy(held, home, L"unmoved.partial"));
    const FileHandle refused = files.WriteTemporaryCopy(held, home, L"refused.partial");
    EXPECT_FALSE(files.MoveIntoPlace(refused, bin, L"PRESENT.DLL"));
    files.Close(refused);
    const FileHandle written = files.WriteTemporaryCopy(held, home, L"Win32com.dll.1.partial");
    EXPECT_EQ(ErrorRaisedBy([&] { files.WriteTemporaryCopy(held, home, L"win32com.DLL.1.partial"); }),
              L"58 File already exists");
    EXPECT_EQ(ErrorRaisedBy([&] { files.MoveIntoPlace(written, bin, L"..\\escaped.dll"); }),
              L"52 Bad file name or number");
    EXPECT_TRUE(files.MoveIntoPlace(written, bin, L"Win32com.dll"));
    files.Close(written);
    // What is left goes, but no file in use, no folder and nothing that is not there.
    files.RemoveFile(home, L"left.partial");
    EXPECT_EQ(ErrorRaisedBy([&] { files.RemoveFile(home, L"open.partial"); }), L"70 Permission denied");
    EXPECT_NE(ErrorRaisedBy([&] { files.RemoveFile(home, L"bin"); }), L"no error");
    EXPECT_EQ(ErrorRaisedBy([&] { files.RemoveFile(home, L"none.partial"); }), L"53 File not found");
    for (const FileHandle opened : {held, home, bin}) {
        files.Close(opened);
    }
    std::vector<std::wstring> left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch)) {
        left.push_back(entry.path().lexically_relative(scratch).wstring());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"Win32com.dll", L"bin", L"bin\\Win32com.dll", L"bin\\present.dll",
                                               L"open.partial"}));
    EXPECT_EQ(TextOf(scratch + L"bin\\Win32com.dll"), std::string(100000, 'x') + "library");
    EXPECT_EQ(TextOf(scratch + L"bin\\present.dll"), "own");
}

TEST(ProcessesWin32Test, LockNamedWaitsForItsOwnerAndTakesOverWhenItEndsWithoutLettingGo) {
    Win32Processes processes;
    const std::wstring name = L"Global\\" + UniqueName(L"TarvexLockTest");
    const ScopedHandle owned(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const ScopedHandle letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread owner([&] {
        const ScopedHandle mutex(CreateMutexW(nullptr, TRUE, name.c_str()));
        SetEvent(owned.Get());
        WaitForSingleObject(letGo.Get(), INFINITE);
    });
    ASSERT_EQ(WaitForSingleObject(owned.Get(), 10000), WAIT_OBJECT_0);
    const DWORD began = GetTickCount();
    EXPECT_EQ(processes.LockNamed(name, 300), 0U);
    EXPECT_GE(GetTickCount() - began, 250U);
    SetEvent(letGo.Get());
    owner.join();
    const LockHandle lock = processes.LockNamed(name, 10000);
    EXPECT_NE(lock, 0U);
    processes.Unlock(lock);
}

TEST(FilesWin32Test, ReadsAnEntryOfAnUnknownKindAsGrantingEveryoneEverything) {
    // An access list of three entries: a compound one (kind 4, which no
    // access check knows), a deny entry and an allow entry for everyone.
    alignas(DWORD) BYTE list[128] = {};
    ASSERT_TRUE(InitializeAcl(reinterpret_cast<ACL*>(list), sizeof(list), ACL_REVISION));
    BYTE world[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(world);
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, world, &size));
    const ACE_HEADER compound{4, 0, sizeof(ACE_HEADER) + 4};
    BYTE unknown[sizeof(ACE_HEADER) + 4] = {};
    std::memcpy(unknown, &compound, sizeof(compound));
    ASSERT_TRUE(AddAce(reinterpret_cast<ACL*>(list), ACL_REVISION, MAXDWORD, unknown, sizeof(unknown)));
    ASSERT_TRUE(AddAccessDeniedAce(reinterpret_cast<ACL*>(list), ACL_REVISION, GENERIC_ALL, world));
    ASSERT_TRUE(AddAccessAllowedAce(reinterpret_cast<ACL*>(list), ACL_REVISION, FILE_GENERIC_READ, world));
    const std::vector<AccessEntry> entries = AccessEntriesOf(reinterpret_cast<ACL*>(list));
    ASSERT_EQ(entries.size(), 3U);
    EXPECT_TRUE(entries[0].Allows && entries[0].Trustee == Account::Other && entries[0].Rights == kGenericAll);
    EXPECT_FALSE(entries[1].Allows);
    EXPECT_TRUE(entries[2].Allows && entries[2].Rights == FILE_GENERIC_READ);
}

}  // namespace
