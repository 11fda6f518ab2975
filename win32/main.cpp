#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "launcher/program_arguments.h"
#include "runtime/serial_support.h"
#include "win32/frm_splash.h"
#include "win32/system_library.h"

namespace {

// Exit code when the window cannot be set up; there is no window yet to
// tell the user anything through.
constexpr int kExitStartFailed = 1;

// A kernel32 function that not every Windows has, looked up rather than
// imported so that the program still starts without it; null then.
template <typename Function>
Function Kernel32Function(const char* name) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    return kernel32 == nullptr ? nullptr : LibraryFunction<Function>(kernel32, name);
}

// Keeps every DLL the program loads later, its own and the ones Windows
// loads for it, to the system folder, never the program's folder or the
// current one. Windows 7 has the function only with KB2533623, and without
// it the program runs as Windows would run any other.
void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) {
        // A refusal leaves the usual search order, as on a system without
        // the function.
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// Has Windows ignore, for this process, the links that a user without
// administrator rights made: the elevated run must never be led elsewhere
// by one. Windows 10 before 2004 and Windows 7 lack the policy, and the
// elevated run's own checks for links still hold there.
void TrustOnlyAdministratorsLinks() {
    using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(int, void*, SIZE_T);
    constexpr int kProcessRedirectionTrustPolicy = 16;
    constexpr DWORD kEnforceRedirectionTrust = 1;
    const auto setPolicy = Kernel32Function<SetProcessMitigationPolicyFn>("SetProcessMitigationPolicy");
    DWORD policy = kEnforceRedirectionTrust;
    if (setPolicy != nullptr) {
        // A refusal (a Windows that knows the function but not this policy)
        // leaves the process as it was.
        setPolicy(kProcessRedirectionTrustPolicy, &policy, sizeof(policy));
    }
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
    if (const std::optional<std::wstring> folder = SerialSupportFolderIn(SplitProgramArguments(GetCommandLineW()))) {
        TrustOnlyAdministratorsLinks();
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
            form.Ui.Image1 = LoadSplashPicture(hInstance);
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
