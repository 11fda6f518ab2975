// What the two test helpers share: settings from the environment, the
// clock, and one JSON record appended to a file.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

// Escaped in UTF-16, then converted whole, so that surrogate pairs stay together.
inline std::string Json(const std::wstring& text) {
    std::wstring escaped = L"\"";
    for (wchar_t c : text) {
        wchar_t unit[8] = {c};
        if (c == L'"' || c == L'\\') {
            escaped += L'\\';
        } else if (c < 0x20) {
            wsprintfW(unit, L"\\u%04x", static_cast<unsigned>(c));
        }
        escaped += unit;
    }
    escaped += L'"';
    const int size = static_cast<int>(escaped.size());
    std::string out(WideCharToMultiByte(CP_UTF8, 0, escaped.data(), size, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, escaped.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

inline std::wstring Env(const wchar_t* name) {
    wchar_t value[4096];
    const DWORD n = GetEnvironmentVariableW(name, value, 4096);
    return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

inline int EnvNumber(const wchar_t* name, int fallback) {
    return Env(name).empty() ? fallback : _wtoi(Env(name).c_str());
}

// Milliseconds since 1970, comparable with the test driver's Unix clock.
inline long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Appends {fields,"t":NowMs()} as a line; FILE_APPEND_DATA keeps it whole when two programs share the file.
inline void AppendRecord(const std::wstring& path, const std::string& fields) {
    const std::string line = "{" + fields + ",\"t\":" + std::to_string(NowMs()) + "}\n";
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
}
