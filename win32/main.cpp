#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/serial_support.h"
#include "win32/frm_splash.h"

namespace {

// Exit code when the window cannot be set up; there is no window yet to
// tell the user anything through.
constexpr int kExitStartFailed = 1;

// Keeps every DLL the program loads later, its own and the ones Windows
// loads for it, to the system folder, never the program's folder or the
// current one. The function is looked up rather than imported: Windows 7
// has it only with KB2533623, and without it the program still runs as
// Windows would run any other.
void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) {
        return;
    }
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        // A refusal leaves the usual search order, as on a system without
        // the function.
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// The program's arguments, after its own name, split as every Windows
// program splits them. None when the command line cannot be split.
std::vector<std::wstring> ProgramArguments() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        return {};
    }
    std::vector<std::wstring> result(arguments + (count > 0 ? 1 : 0), arguments + count);
    // A free that fails leaves a few bytes until the process ends.
    LocalFree(arguments);
    return result;
}

int RunMessageLoop() {
    MSG message;
    BOOL received;
    // -1 is a failed GetMessageW, which only an invalid argument causes.
    while ((received = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return received == 0 ? static_cast<int>(message.wParam) : kExitStartFailed;
}

}  // namespace

// Parameter names as the SDK declares them.
int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/, int nShowCmd) {
    RestrictDllSearchToSystemFolder();

    // The elevated run the launcher starts of itself: it copies and ends,
    // with no window.
    if (const std::optional<std::wstring> folder = SerialSupportFolderIn(ProgramArguments())) {
        Win32Registry registry;
        Win32Files files;
        return RunSerialSupportInstaller(*folder, registry, files);
    }

    FrmSplash form;
    SplashClass splashClass = LoadSplashClass(hInstance);
    int exitCode = kExitStartFailed;
    if (RegisterSplashClass(hInstance, splashClass)) {
        HWND window = CreateSplashWindow(hInstance, form);
        if (window != nullptr) {
            // Decoded once Timer1 runs, so that the decode counts towards
            // the two seconds rather than delaying the launch.
            form.Ui.Image1 = LoadResourcePicture(hInstance, L"SPLASH", L"GIF");
            ShowWindow(window, nShowCmd);
            UpdateWindow(window);
            exitCode = RunMessageLoop();
        }
        UnregisterSplashClass(hInstance);
    }
    FreeSplashClass(splashClass);
    FreePicture(form.Ui.Image1);
    return exitCode;
}
