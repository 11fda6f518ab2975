// Watches the desktop of its Wine prefix for the launcher's windows and
// writes what it sees as JSON lines to E2E_WATCH_LOG:
//   every message box once (title, text), answered with OK after
//   E2E_OK_DELAY_MS, as a user would;
//   the start-up window's visibility, at each change, with its client size;
//   E2E_CLOSE_AT_MS after the start-up window first appeared, a WM_CLOSE
//   to it, as if the user had closed it.
// It ends when the file E2E_WATCH_STOP exists, or after E2E_WATCH_LIMIT_MS.
#include <map>
#include <string>

#include "record.h"

int wmain() {
    const std::wstring log = Env(L"E2E_WATCH_LOG");
    const int okDelay = EnvNumber(L"E2E_OK_DELAY_MS", 300);
    int closeAt = EnvNumber(L"E2E_CLOSE_AT_MS", -1);  // -1 once sent
    const long long limit = NowMs() + EnvNumber(L"E2E_WATCH_LIMIT_MS", 180000);

    std::map<HWND, long long> boxes;  // when each was seen; -1 once answered
    HWND splash = nullptr;
    bool splashVisible = false;
    long long splashFirstSeen = 0;
    AppendRecord(log, "\"event\":\"watching\"");

    while (GetFileAttributesW(Env(L"E2E_WATCH_STOP").c_str()) == INVALID_FILE_ATTRIBUTES && NowMs() < limit) {
        // Every top-level window; one that goes away meanwhile ends this round early.
        for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, nullptr)) != nullptr;) {
            wchar_t className[256] = {};
            wchar_t title[4096] = {};
            GetClassNameW(window, className, 256);
            GetWindowTextW(window, title, 4096);
            const bool visible = IsWindowVisible(window) != FALSE;
            if (std::wstring(className) == L"#32770") {
                if (visible && boxes.emplace(window, NowMs()).second) {
                    // The box's text is the static control with id 0xFFFF.
                    wchar_t text[4096] = {};
                    GetDlgItemTextW(window, 0xFFFF, text, 4096);
                    AppendRecord(log, "\"event\":\"box\",\"title\":" + Json(title) + ",\"text\":" + Json(text));
                }
            } else if (std::wstring(title) == L"Tarvex Advance SMS Server" &&
                       (window != splash || visible != splashVisible)) {
                RECT client{};
                GetClientRect(window, &client);
                AppendRecord(log, "\"event\":\"window\",\"visible\":" + std::string(visible ? "true" : "false") +
                                      ",\"width\":" + std::to_string(client.right) +
                                      ",\"height\":" + std::to_string(client.bottom));
                splashFirstSeen = splash == nullptr ? NowMs() : splashFirstSeen;
                splash = window;
                splashVisible = visible;
            }
        }
        for (auto& [box, seen] : boxes) {
            if (seen >= 0 && NowMs() - seen >= okDelay) {
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                seen = -1;
            }
        }
        if (closeAt >= 0 && splash != nullptr && NowMs() - splashFirstSeen >= closeAt) {
            PostMessageW(splash, WM_CLOSE, 0, 0);
            closeAt = -1;
        }
        Sleep(50);
    }
    return 0;
}
