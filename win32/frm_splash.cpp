#include "win32/frm_splash.h"

#include "launcher/process_watch.h"
#include "win32/win32_error.h"

namespace {

constexpr wchar_t kClassName[] = L"frmSplash";
constexpr WORD kIconId = 1;
constexpr COLORREF kBackColor = RGB(192, 192, 255);
constexpr int kClientWidth = 487;
constexpr int kClientHeight = 492;
// Image1 is a pixel wider than the client area: the 484 x 493 picture is
// stretched to it, and its last column falls outside the window.
constexpr int kImageWidth = 488;
constexpr int kImageHeight = 492;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;

constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT_PTR kTimer2Id = 2;

UINT_PTR TimerId(LauncherTimer timer) { return timer == LauncherTimer::Timer1 ? kTimer1Id : kTimer2Id; }

UINT TimerInterval(LauncherTimer timer) { return timer == LauncherTimer::Timer1 ? kTimer1Interval : kTimer2Interval; }

bool StartTimer(HWND window, LauncherTimer timer) {
    return SetTimer(window, TimerId(timer), TimerInterval(timer), nullptr) != 0;
}

HICON LoadIconOfSize(HINSTANCE instance, int width, int height) {
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

FrmSplash* FormOf(HWND window) { return reinterpret_cast<FrmSplash*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// The message handlers are noexcept: an exception must not unwind through
// user32's frames between DispatchMessage and the window procedure, and
// terminating at once is better than that. Errors the program knows of are
// AppErrors, and RunTimerTick reports those.

void OnNcCreate(HWND window, LPARAM lParam) noexcept {
    auto* form = static_cast<FrmSplash*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->Ui.Window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
}

LRESULT OnCreate(HWND window) noexcept {
    // -1 makes CreateWindowExW fail: without Timer1 nothing would ever start.
    return StartTimer(window, LauncherTimer::Timer1) ? 0 : -1;
}

void OnPaint(const FrmSplash& form, HWND window) noexcept {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr) {
        DrawPicture(form.Ui.Image1, dc, 0, 0);
    }
    EndPaint(window, &paint);
}

void OnTimer(FrmSplash& form, WPARAM timerId) noexcept {
    switch (timerId) {
    case kTimer1Id:
        RunTimerTick(form.Ui, [&] { RunLaunchSequence(form.State, form.Services); });
        break;
    case kTimer2Id:
        RunTimerTick(form.Ui, [&] { RunProcessWatch(form.State.JavaProcessId, form.Processes, form.Ui); });
        break;
    default:
        break;
    }
}

LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        OnNcCreate(window, lParam);
    }
    // A few messages (WM_GETMINMAXINFO) come before WM_NCCREATE.
    FrmSplash* form = FormOf(window);
    if (form != nullptr) {
        switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_PAINT:
            OnPaint(*form, window);
            return 0;
        case WM_TIMER:
            OnTimer(*form, wParam);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void SplashUi::ShowMessage(const std::wstring& text) {
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

void SplashUi::HideWindow() {
    // ShowWindow answers with the earlier visibility, not with success.
    ShowWindow(Window, SW_HIDE);
    // The window is never shown again, so its picture need not stay
    // decoded for the hours the launcher may wait.
    FreePicture(Image1);
}

void SplashUi::SetTimerEnabled(LauncherTimer timer, bool enabled) {
    if (enabled) {
        if (!StartTimer(Window, timer)) {
            RaiseLastWin32Error();
        }
        return;
    }
    // KillTimer fails only for a timer that is not running, which is the
    // state asked for.
    KillTimer(Window, TimerId(timer));
}

void SplashUi::EndProgram(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

SplashClass LoadSplashClass(HINSTANCE instance) {
    // A missing icon or brush leaves Windows' default in its place; the
    // window works without them.
    SplashClass splashClass;
    splashClass.Icon = LoadIconOfSize(instance, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    splashClass.SmallIcon = LoadIconOfSize(instance, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    splashClass.Background = CreateSolidBrush(kBackColor);
    return splashClass;
}

bool RegisterSplashClass(HINSTANCE instance, const SplashClass& splashClass) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = SplashWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = splashClass.Icon;
    windowClass.hIconSm = splashClass.SmallIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = splashClass.Background;
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

void UnregisterSplashClass(HINSTANCE instance) {
    // Fails only while a window of the class exists; the process is ending
    // and Windows unregisters it then anyway.
    UnregisterClassW(kClassName, instance);
}

void FreeSplashClass(SplashClass& splashClass) {
    if (splashClass.Icon != nullptr) {
        DestroyIcon(splashClass.Icon);
    }
    if (splashClass.SmallIcon != nullptr) {
        DestroyIcon(splashClass.SmallIcon);
    }
    if (splashClass.Background != nullptr) {
        DeleteObject(splashClass.Background);
    }
    splashClass = SplashClass{};
}

Bitmap LoadSplashPicture(HINSTANCE instance) {
    return LoadResourcePicture(instance, L"SPLASH", L"GIF", kImageWidth, kImageHeight, kBackColor);
}

HWND CreateSplashWindow(HINSTANCE instance, FrmSplash& form) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    if (!AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0)) {
        return nullptr;
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT workArea{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0)) {
        workArea = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int x = workArea.left + (workArea.right - workArea.left - width) / 2;
    const int y = workArea.top + (workArea.bottom - workArea.top - height) / 2;
    return CreateWindowExW(0, kClassName, kApplicationTitle, kWindowStyle, x, y, width, height, nullptr, nullptr,
                           instance, &form);
}
