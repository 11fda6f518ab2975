// Stand-in for a Java runtime's java.exe. It appends one JSON line to the
// file named by E2E_RECORD saying how it was started, then sleeps
// E2E_JAVA_SLEEP_MS and exits with E2E_JAVA_EXIT. Wine hands the test's
// Unix environment down to it through the launcher.
#include "record.h"

#include <shellapi.h>

int wmain() {
    wchar_t module[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH * 4);
    wchar_t folder[MAX_PATH * 4] = {};
    GetCurrentDirectoryW(MAX_PATH * 4, folder);
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const HWND console = GetConsoleWindow();
    // Split the way the Java launcher splits its command line.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::string fields = "\"module\":" + Json(module) + ",\"command_line\":" + Json(GetCommandLineW()) + ",\"argv\":[";
    for (int i = 0; i < argc; ++i) {
        fields += (i > 0 ? "," : "") + Json(argv[i]);
    }
    LocalFree(argv);
    AppendRecord(Env(L"E2E_RECORD"),
                 fields + "],\"cwd\":" + Json(folder) + ",\"console\":" + (console ? "true" : "false") +
                     ",\"console_visible\":" + (console && IsWindowVisible(console) ? "true" : "false") +
                     ",\"show_window\":" + std::to_string(startup.wShowWindow) +
                     ",\"flags\":" + std::to_string(startup.dwFlags));
    Sleep(static_cast<DWORD>(EnvNumber(L"E2E_JAVA_SLEEP_MS", 0)));
    return EnvNumber(L"E2E_JAVA_EXIT", 0);
}
