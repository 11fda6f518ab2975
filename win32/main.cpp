#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "launcher/launch_sequence.h"
#include "launcher/process_watch.h"
#include "launcher/program_arguments.h"
#include "runtime/elevated_copy.h"
#include "win32/frm_splash.h"
#include "win32/system_library.h"
#include "win32/win32_files.h"
#include "win32/win32_processes.h"
#include "win32/win32_registry.h"
#include "win32/win32_ui.h"

namespace {

// Exit code when the window cannot be set up; there is no window yet to
// tell the user anything through.
constexpr int kExitStartFailed = 1;

// Keeps every DLL the program loads later, its own and the ones Windows
// loads for it, to the system folder, never the program's folder or the
// current one. Windows 7 has the function only with KB2533623, and without
// it the program runs as Windows would run any other.
void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        LoadedFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
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
    const auto setPolicy = LoadedFunction<SetProcessMitigationPolicyFn>(L"kernel32.dll", "SetProcessMitigationPolicy");
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

// The elevated run the launcher starts of itself: it copies and ends, with
// no window.
int RunElevatedCopy(const std::wstring& folder) {
    TrustOnlyAdministratorsLinks();
    Win32Registry registry;
    Win32Files files;
    return RunSerialSupportInstaller(folder, registry, files);
}

// The launcher itself: the start-up window, whose timers run the launch
// and then the watch.
int RunLauncher(HINSTANCE instance, int show) {
    FrmSplash form;
    Win32Registry registry;
    Win32Files files;
    Win32Processes processes;
    Win32Ui ui(form);
    Platform platform{registry, files, processes, ui};
    LauncherState state;
    form.Timer1 = [&] { RunTimerTick(ui, [&] { RunLaunchSequence(state, platform); }); };
    form.Timer2 = [&] { RunTimerTick(ui, [&] { RunProcessWatch(state.JavaProcessId, processes, ui); }); };

    const SplashClass splashClass(instance);
    HWND window = splashClass.Registered() ? CreateSplashWindow(instance, form) : nullptr;
    if (window == nullptr) {
        return kExitStartFailed;
    }
    // Decoded once Timer1 runs, so that the decode counts towards the two
    // seconds rather than delaying the launch.
    form.Image1 = LoadSplashPicture(instance);
    ShowWindow(window, show);
    UpdateWindow(window);
    return RunMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/, int nShowCmd) {
    RestrictDllSearchToSystemFolder();
    const std::optional<std::wstring> folder = SerialSupportFolderIn(SplitProgramArguments(GetCommandLineW()));
    return folder ? RunElevatedCopy(*folder) : RunLauncher(hInstance, nShowCmd);
}
