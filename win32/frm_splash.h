#pragma once

#include <windows.h>

#include <functional>

#include "platform/user_interface.h"
#include "win32/owners.h"
#include "win32/win32_picture.h"

// frmSplash: the start-up window, the picture Image1 it shows, and what
// each tick of its two timers runs. One instance for the life of the
// program.
struct FrmSplash {
    HWND Window = nullptr;  // set as the window is created
    Bitmap Image1;          // until the window hides
    std::function<void()> Timer1;
    std::function<void()> Timer2;
};

// The window's class, with its icons and background, registered for as
// long as this lives.
class SplashClass {
public:
    explicit SplashClass(HINSTANCE instance);
    SplashClass(const SplashClass&) = delete;
    SplashClass& operator=(const SplashClass&) = delete;
    ~SplashClass();

    bool Registered() const { return registered_; }

private:
    HINSTANCE instance_;
    ScopedIcon icon_;
    ScopedIcon smallIcon_;
    ScopedGdiObject background_;
    bool registered_ = false;
};

// Image1: the start-up picture, stretched to its place in the window.
Bitmap LoadSplashPicture(HINSTANCE instance);

// Creates the window, centred on the primary screen's work area, with
// Timer1 running. Null when Windows refuses.
HWND CreateSplashWindow(HINSTANCE instance, FrmSplash& form);

// Starts or stops one of the window's timers; false when a start fails.
bool SetSplashTimer(HWND window, LauncherTimer timer, bool enabled);
