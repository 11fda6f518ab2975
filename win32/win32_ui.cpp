#include "win32/win32_ui.h"

#include "win32/win32_error.h"

void Win32Ui::ShowMessage(const std::wstring& text) {
    // Every box comes after the window has hidden itself. Owned by a hidden
    // window a box gets no taskbar button and can open behind other
    // windows, with nothing for the user to click to find it; unowned it
    // has its own button. MB_TASKMODAL keeps the splash window disabled as
    // an owner would, and MB_SETFOREGROUND asks for the front. Neither
    // changes how the box looks: OK only, no icon.
    // A box that cannot be shown has nowhere else to go, so its failure
    // is not reported.
    MessageBoxW(nullptr, text.c_str(), kApplicationTitle, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void Win32Ui::HideWindow() {
    // ShowWindow answers with the earlier visibility, not with success.
    ShowWindow(form_.Window, SW_HIDE);
    // The window is never shown again, so its picture need not stay
    // decoded for the hours the launcher may wait.
    form_.Image1 = Bitmap{};
}

void Win32Ui::SetTimerEnabled(LauncherTimer timer, bool enabled) {
    if (!SetSplashTimer(form_.Window, timer, enabled)) {
        RaiseLastWin32Error();
    }
}

void Win32Ui::EndProgram(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }
