#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/app_error.h"
#include "platform/platform.h"

// Program-wide state of frmSplash, one instance for the life of the process.
struct LauncherState {
    std::wstring JavaHomePath;        // written only by LocateJavaRuntime
    std::uint32_t JavaProcessId = 0;  // set once, by the launch sequence
    bool LaunchStarted = false;       // the sequence runs once per program run
};

// The folder that holds the executable at modulePath, without a trailing
// backslash except for a drive's root folder.
std::wstring ApplicationFolderOf(const std::wstring& modulePath);

// Timer1: hide the window, locate the runtime, start the application hidden
// in the application folder, then hand over to Timer2.
void RunLaunchSequence(LauncherState& state, Platform& platform);

// The report of an error that no routine trapped.
std::wstring UnhandledErrorText(const AppError& error);

// Runs one timer tick. An error that escapes it is reported the way an
// unhandled run-time error is, and ends the program.
void RunTimerTick(UserInterface& ui, const std::function<void()>& tick);
