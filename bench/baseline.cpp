// The least a program can do for the launcher's job, as the yardstick the
// benchmark holds the launcher against: a plain window of the same size
// that, 2 s after it is created, hides, starts the runtime registered first
// under JavaSoft with the same command, hidden, in its own folder, and then
// checks every 30 s whether that process is still running. No picture, no
// icon, no support files, no error reports.
#include <windows.h>

#include <cwchar>

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT_PTR kWatchTimer = 2;
constexpr UINT kStartDelay = 2000;
constexpr UINT kWatchInterval = 30000;
constexpr wchar_t kClassName[] = L"BenchBaseline";

// The same command as the launcher's, spelled out here rather than taken
// from launcher/: the baseline stays free of the project's code and of the
// C++ library, so that it measures the floor.
constexpr const wchar_t* kClassPathTails[] = {
    L"\\SMSServer\\lib\\comm.jar\";",
    L"\\SMSServer\\lib\\jdc.jar\";",
    L"\\SMSServer\\lib\\jxl.jar\";",
    L"\\SMSServer\\lib\\log4j-1.2.8.jar\";",
    L"\\SMSServer\\lib\\slf4j-api-1.1.0.jar\";",
    L"\\SMSServer\\lib\\slf4j-log4j12-1.1.0.jar\";",
    L"\\SMSServer\\lib\\slf4j-simple-1.1.0.jar\";",
    L"\\SMSServer\\lib\\swing-layout-1.0.jar\";",
    L"\\SMSServer\\Tarvex_Advance_SMS_Server.jar\";",
    L"\\SMSServer\" ",
};

DWORD g_childId = 0;       // the started runtime, watched by its id alone
wchar_t g_command[32768];  // CreateProcessW may write into it

// JavaHome of the first version listed under the runtime key; empty if none.
void ReadJavaHome(wchar_t* home, DWORD bytes) {
    home[0] = L'\0';
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\Java Runtime Environment", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    wchar_t version[256];
    if (RegEnumKeyW(key, 0, version, 256) != ERROR_SUCCESS ||
        RegGetValueW(key, version, L"JavaHome", RRF_RT_REG_SZ, nullptr, home, &bytes) != ERROR_SUCCESS) {
        home[0] = L'\0';
    }
    RegCloseKey(key);
}

void StartJava(HWND window) {
    KillTimer(window, kStartTimer);
    ShowWindow(window, SW_HIDE);

    wchar_t folder[MAX_PATH * 4];
    GetModuleFileNameW(nullptr, folder, MAX_PATH * 4);
    *wcsrchr(folder, L'\\') = L'\0';
    wchar_t home[MAX_PATH * 4];
    ReadJavaHome(home, sizeof(home));

    wcscpy(g_command, L"\"");
    wcscat(g_command, home);
    wcscat(g_command, L"\\bin\\java.exe\" -classpath ");
    for (const wchar_t* tail : kClassPathTails) {
        wcscat(g_command, L"\"");
        wcscat(g_command, folder);
        wcscat(g_command, tail);
    }
    wcscat(g_command, L"JavaSwingClasses.MainFrame");

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, g_command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, folder, &startup,
                        &started)) {
        PostQuitMessage(1);
        return;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    g_childId = started.dwProcessId;
    SetTimer(window, kWatchTimer, kWatchInterval, nullptr);
}

void WatchJava() {
    DWORD exitCode = 0;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, g_childId);
    if (process != nullptr) {
        GetExitCodeProcess(process, &exitCode);
        CloseHandle(process);
    }
    if (exitCode == 0) {
        PostQuitMessage(0);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kStartTimer) {
            StartJava(window);
        } else if (wParam == kWatchTimer) {
            WatchJava();
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/, int nShowCmd) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = hInstance;
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);

    // The launcher's client size, so that both windows cost the same to show.
    RECT frame{0, 0, 487, 492};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window =
        CreateWindowW(kClassName, L"Baseline", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, hInstance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    SetTimer(window, kStartTimer, kStartDelay, nullptr);
    ShowWindow(window, nShowCmd);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
