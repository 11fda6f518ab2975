#pragma once

#include <windows.h>

#include "launcher/launch_sequence.h"
#include "win32/win32_files.h"
#include "win32/win32_picture.h"
#include "win32/win32_processes.h"
#include "win32/win32_registry.h"

// The user-interface seam as the start-up window provides it.
class SplashUi : public UserInterface {
public:
    HWND Window = nullptr;  // set as the window is created
    Bitmap Image1;          // the splash picture, until the window hides

    void ShowMessage(const std::wstring& text) override;
    void HideWindow() override;
    void SetTimerEnabled(LauncherTimer timer, bool enabled) override;
    [[noreturn]] void EndProgram(int exitCode) override;
};

// frmSplash: everything the start-up window works with, one instance for
// the life of the program.
struct FrmSplash {
    LauncherState State;
    Win32Registry Registry;
    Win32Files Files;
    Win32Processes Processes;
    SplashUi Ui;
    Platform Services{Registry, Files, Processes, Ui};
};

// The window's class: its icons, background and window procedure.
struct SplashClass {
    HICON Icon = nullptr;
    HICON SmallIcon = nullptr;
    HBRUSH Background = nullptr;
};

SplashClass LoadSplashClass(HINSTANCE instance);
bool RegisterSplashClass(HINSTANCE instance, const SplashClass& splashClass);
void UnregisterSplashClass(HINSTANCE instance);
void FreeSplashClass(SplashClass& splashClass);

// Image1: the start-up picture, stretched to its place in the window.
Bitmap LoadSplashPicture(HINSTANCE instance);

// Creates the window, centred on the primary screen's work area, with
// Timer1 running. Null when Windows refuses.
HWND CreateSplashWindow(HINSTANCE instance, FrmSplash& form);
