#include "launcher/launch_sequence.h"

#include <new>

#include "launcher/java_command_line.h"
#include "platform/decimal_text.h"
#include "runtime/careful_copy.h"
#include "runtime/runtime_locator.h"

namespace {

constexpr int kExitUnhandledError = 1;

}  // namespace

std::wstring ApplicationFolderOf(const std::wstring& modulePath) {
    const std::size_t slash = modulePath.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return {};
    }
    // "C:\x.exe" lives in "C:\", not in the drive-relative "C:".
    const std::wstring folder = modulePath.substr(0, slash);
    return folder.ends_with(L':') ? folder + L'\\' : folder;
}

void RunLaunchSequence(LauncherState& state, Platform& platform) {
    // A message box further down pumps messages, so Timer1 can tick again
    // before this run has switched it off.
    if (state.LaunchStarted) {
        return;
    }
    state.LaunchStarted = true;

    platform.Ui.HideWindow();
    LocateJavaRuntime(platform, state.JavaHomePath);
    const std::wstring applicationFolder = ApplicationFolderOf(platform.Processes.ModulePath());
    const std::wstring command = BuildJavaCommandLine(state.JavaHomePath, applicationFolder);
    platform.Processes.SetCurrentFolder(applicationFolder);
    // A JavaHome that cannot name a folder would take the command apart at
    // its quote: no such command is started.
    if (JudgeFolderText(state.JavaHomePath) == FolderText::Unusable) {
        RaiseError(kErrBadFileName);
    }
    state.JavaProcessId = platform.Processes.StartHidden(command);
    platform.Ui.SetTimerEnabled(LauncherTimer::Timer1, false);
    platform.Ui.SetTimerEnabled(LauncherTimer::Timer2, true);
}

std::wstring UnhandledErrorText(const AppError& error) {
    return L"Run-time error '" + DecimalText(error.Number) + L"':\r\n\r\n" + error.Description;
}

void RunTimerTick(UserInterface& ui, const std::function<void()>& tick) {
    AppError unhandled;
    try {
        tick();
        return;
    } catch (const AppError& error) {
        unhandled = error;
    } catch (const std::bad_alloc&) {
        unhandled = KnownErrorNumbered(kErrOutOfMemory);
    }
    ui.ShowMessage(UnhandledErrorText(unhandled));
    ui.EndProgram(kExitUnhandledError);
}
