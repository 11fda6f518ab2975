// Stand-in for the program the launcher starts. It reports how it was
// started, then waits until the test lets it end:
//
//   child_probe REPORT EXIT_CODE [EVENT]
//
// REPORT (UTF-16 text, one "key=value" line each): the current folder, the
// show-window request in its start-up information, and whether it has a
// console window. With EVENT it waits (at most a minute) for that named
// event before it exits with EXIT_CODE.

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kLongestWait = 60000;

std::wstring CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, folder.data());
    folder.resize(length);
    return folder;
}

bool WriteReport(const wchar_t* path, const std::wstring& text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const BOOL ok = WriteFile(file, text.data(), bytes, &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 100;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;

    std::wstring report;
    report += L"folder=" + CurrentFolder() + L"\n";
    report += L"show=" + std::to_wstring(show) + L"\n";
    report += L"console=" + std::to_wstring(GetConsoleWindow() != nullptr ? 1 : 0) + L"\n";
    if (!WriteReport(argv[1], report)) {
        return 101;
    }
    if (argc > 3) {
        HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
        if (release == nullptr) {
            return 102;
        }
        const DWORD waited = WaitForSingleObject(release, kLongestWait);
        CloseHandle(release);
        if (waited != WAIT_OBJECT_0) {
            return 103;
        }
    }
    return static_cast<int>(std::wcstol(argv[2], nullptr, 10));
}
