// Stand-in for the started program. "child_probe EXIT_CODE EVENT" creates an
// empty file "show <show-window request>" in its current folder, waits (at
// most a minute) for the named EVENT, then exits with EXIT_CODE.

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 100;
    }
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
    const std::wstring report = L"show " + std::to_wstring(show);
    CloseHandle(CreateFileW(report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    if (release != nullptr) {
        WaitForSingleObject(release, 60000);
        CloseHandle(release);
    }
    return _wtoi(argv[1]);
}
