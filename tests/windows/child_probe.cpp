// Stand-in for the program the launcher starts. "child_probe REPORT EXIT_CODE
// EVENT" writes "<show-window request> <console window 0/1> <current folder>"
// to REPORT in UTF-16, waits (at most a minute) for the named EVENT, then
// exits with EXIT_CODE, or with 100 when a step fails.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 100;
    }
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    const std::wstring report = std::to_wstring(show) + L" " + (GetConsoleWindow() != nullptr ? L"1 " : L"0 ") + folder;

    FILE* file = _wfopen(argv[1], L"wb");
    const bool reported = file != nullptr &&
                          std::fwrite(report.data(), sizeof(wchar_t), report.size(), file) == report.size() &&
                          std::fclose(file) == 0;
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (!reported || release == nullptr || WaitForSingleObject(release, 60000) != WAIT_OBJECT_0) {
        return 100;
    }
    return static_cast<int>(std::wcstol(argv[2], nullptr, 10));
}
