#pragma once

#include <string>

inline constexpr wchar_t kApplicationTitle[] = L"Tarvex Advance SMS Server";

enum class LauncherTimer { Timer1, Timer2 };

inline constexpr unsigned kTimer1Interval = 2000;   // ms; enabled at load
inline constexpr unsigned kTimer2Interval = 30000;  // ms; disabled at load

// The start-up window and the program's dealings with the user.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Modal box with an OK button, no icon and the application's title.
    // It pumps messages while it is open, timer ticks included.
    virtual void ShowMessage(const std::wstring& text) = 0;

    virtual void HideWindow() = 0;
    virtual void SetTimerEnabled(LauncherTimer timer, bool enabled) = 0;

    // Ends the whole program at once; nothing after it runs.
    [[noreturn]] virtual void EndProgram(int exitCode) = 0;
};
