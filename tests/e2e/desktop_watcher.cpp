// Watches the desktop of its Wine prefix for the launcher's windows and
// writes what it sees as JSON lines to E2E_WATCH_LOG:
//   every message box once (title, text), answered with OK after
//   E2E_OK_DELAY_MS, as a user would;
//   the start-up window's visibility, at each change, with its client size;
//   E2E_CLOSE_AT_MS after the start-up window first appeared, a WM_CLOSE
//   to it, as if the user had closed it.
// It ends when the file E2E_WATCH_STOP exists, or after E2E_WATCH_LIMIT_MS.
#include <string>
#include <vector>

#include "record.h"

namespace {

constexpr wchar_t kTitle[] = L"Tarvex Advance SMS Server";

std::wstring g_log;  // the record file, fixed at start

struct Box {
    HWND Window;
    long long Seen;
    bool Answered;
};

BOOL CALLBACK Collect(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return text;
}

void Write(const std::string& fields) { AppendLine(g_log, "{" + fields + ",\"t\":" + std::to_string(NowMs()) + "}\n"); }

}  // namespace

int wmain() {
    g_log = Env(L"E2E_WATCH_LOG");
    const std::wstring stop = Env(L"E2E_WATCH_STOP");
    const int okDelay = EnvNumber(L"E2E_OK_DELAY_MS", 300);
    const int closeAt = EnvNumber(L"E2E_CLOSE_AT_MS", -1);
    const long long limit = NowMs() + EnvNumber(L"E2E_WATCH_LIMIT_MS", 180000);

    std::vector<Box> boxes;
    HWND splash = nullptr;
    bool splashVisible = false;
    long long splashFirstSeen = 0;
    bool closeSent = false;
    Write("\"event\":\"watching\"");

    while (GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES && NowMs() < limit) {
        std::vector<HWND> windows;
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
        for (HWND window : windows) {
            wchar_t className[256] = {};
            GetClassNameW(window, className, 256);
            const bool isBox = std::wstring(className) == L"#32770";
            if (isBox && IsWindowVisible(window)) {
                bool known = false;
                for (const Box& box : boxes) {
                    known = known || box.Window == window;
                }
                if (!known) {
                    // The box's text is the static control with id 0xFFFF.
                    wchar_t text[4096] = {};
                    GetDlgItemTextW(window, 0xFFFF, text, 4096);
                    Write("\"event\":\"box\",\"title\":" + Json(TextOf(window)) + ",\"text\":" + Json(text));
                    boxes.push_back({window, NowMs(), false});
                }
            } else if (!isBox && TextOf(window) == kTitle) {
                const bool visible = IsWindowVisible(window) != FALSE;
                if (window != splash || visible != splashVisible) {
                    RECT client{};
                    GetClientRect(window, &client);
                    Write("\"event\":\"window\",\"visible\":" + std::string(visible ? "true" : "false") +
                          ",\"class\":" + Json(className) + ",\"width\":" + std::to_string(client.right) +
                          ",\"height\":" + std::to_string(client.bottom));
                    if (splash == nullptr) {
                        splashFirstSeen = NowMs();
                    }
                    splash = window;
                    splashVisible = visible;
                }
            }
        }
        for (Box& box : boxes) {
            if (!box.Answered && NowMs() - box.Seen >= okDelay) {
                PostMessageW(box.Window, WM_COMMAND, IDOK, 0);
                box.Answered = true;
            }
        }
        if (closeAt >= 0 && splash != nullptr && !closeSent && NowMs() - splashFirstSeen >= closeAt) {
            PostMessageW(splash, WM_CLOSE, 0, 0);
            Write("\"event\":\"close_sent\"");
            closeSent = true;
        }
        Sleep(50);
    }
    return 0;
}
