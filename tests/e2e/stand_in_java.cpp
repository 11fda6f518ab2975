// Stand-in for a Java runtime's java.exe. It appends one JSON line to the
// file named by E2E_RECORD saying how it was started and what its lib\ext
// holds, then sleeps E2E_JAVA_SLEEP_MS and exits with E2E_JAVA_EXIT. Wine hands the test's
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
    // What Java's extension loader would find: each entry of lib\ext, and its size.
    std::wstring ext = module;
    ext = ext.substr(0, ext.find_last_of(L'\\')) + L"\\..\\lib\\ext\\*";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(ext.c_str(), &found);
    fields += "],\"ext\":{";
    for (BOOL more = search != INVALID_HANDLE_VALUE ? TRUE : FALSE; more; more = FindNextFileW(search, &found)) {
        if (found.cFileName[0] != L'.') {
            const auto size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32U) | found.nFileSizeLow;
            fields += (fields.back() == '{' ? "" : ",") + Json(found.cFileName) + ":" + std::to_string(size);
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    AppendRecord(Env(L"E2E_RECORD"),
                 fields + "},\"cwd\":" + Json(folder) + ",\"console\":" + (console ? "true" : "false") +
                     ",\"console_visible\":" + (console && IsWindowVisible(console) ? "true" : "false") +
                     ",\"show_window\":" + std::to_string(startup.wShowWindow) +
                     ",\"flags\":" + std::to_string(startup.dwFlags));
    Sleep(static_cast<DWORD>(EnvNumber(L"E2E_JAVA_SLEEP_MS", 0)));
    return EnvNumber(L"E2E_JAVA_EXIT", 0);
}
