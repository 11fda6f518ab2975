#pragma once

#include "platform/user_interface.h"
#include "win32/frm_splash.h"

// The user-interface seam over the start-up window and user32's boxes.
class Win32Ui : public UserInterface {
public:
    explicit Win32Ui(FrmSplash& form) : form_(form) {}

    void ShowMessage(const std::wstring& text) override;
    void HideWindow() override;
    void SetTimerEnabled(LauncherTimer timer, bool enabled) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    FrmSplash& form_;
};
