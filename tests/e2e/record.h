// What the two test helpers share: settings from the environment, the
// clock, and one JSON line appended to a record file.
#pragma once

#include <windows.h>

#include <string>

inline std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            wsprintfA(escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            char utf8[4];
            const int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, utf8, sizeof(utf8), nullptr, nullptr);
            out.append(utf8, static_cast<size_t>(n));
        }
    }
    return out + "\"";
}

inline std::wstring Env(const wchar_t* name) {
    wchar_t value[4096];
    const DWORD n = GetEnvironmentVariableW(name, value, 4096);
    return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

inline int EnvNumber(const wchar_t* name, int fallback) {
    const std::wstring value = Env(name);
    return value.empty() ? fallback : _wtoi(value.c_str());
}

// Milliseconds since 1970, comparable with the test driver's Unix clock.
inline long long NowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const long long ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / 10000 - 11644473600000LL;
}

// FILE_APPEND_DATA keeps each line whole when two programs share the file.
inline void AppendLine(const std::wstring& path, const std::string& line) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
}
