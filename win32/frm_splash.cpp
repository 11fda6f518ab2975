#include "win32/frm_splash.h"

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

HICON LoadIconOfSize(HINSTANCE instance, int width, int height) {
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

FrmSplash* FormOf(HWND window) { return reinterpret_cast<FrmSplash*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// The message handlers are noexcept: an exception must not unwind through
// user32's frames between DispatchMessage and the window procedure, and
// terminating at once is better than that. The ticks report the errors the
// program knows of themselves.

void OnNcCreate(HWND window, LPARAM lParam) noexcept {
    auto* form = static_cast<FrmSplash*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->Window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
}

LRESULT OnCreate(HWND window) noexcept {
    // -1 makes CreateWindowExW fail: without Timer1 nothing would ever start.
    return SetSplashTimer(window, LauncherTimer::Timer1, true) ? 0 : -1;
}

void OnPaint(const FrmSplash& form, HWND window) noexcept {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr) {
        DrawPicture(form.Image1, dc, 0, 0);
    }
    EndPaint(window, &paint);
}

void OnTimer(const FrmSplash& form, WPARAM timerId) noexcept {
    switch (timerId) {
    case kTimer1Id:
        form.Timer1();
        break;
    case kTimer2Id:
        form.Timer2();
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

SplashClass::SplashClass(HINSTANCE instance)
    : instance_(instance),
      // A missing icon or brush leaves Windows' default in its place; the
      // window works without them.
      icon_(LoadIconOfSize(instance, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))),
      smallIcon_(LoadIconOfSize(instance, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))),
      background_(CreateSolidBrush(kBackColor)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = SplashWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon_.Get();
    windowClass.hIconSm = smallIcon_.Get();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(background_.Get());
    windowClass.lpszClassName = kClassName;
    registered_ = RegisterClassExW(&windowClass) != 0;
}

SplashClass::~SplashClass() {
    // Fails only while a window of the class exists; the process is ending
    // and Windows unregisters it then anyway.
    if (registered_) {
        UnregisterClassW(kClassName, instance_);
    }
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

bool SetSplashTimer(HWND window, LauncherTimer timer, bool enabled) {
    if (enabled) {
        return SetTimer(window, TimerId(timer), TimerInterval(timer), nullptr) != 0;
    }
    // KillTimer fails only for a timer that is not running, which is the
    // state asked for.
    KillTimer(window, TimerId(timer));
    return true;
}
