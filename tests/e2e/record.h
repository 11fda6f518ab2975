// What the two test helpers share: settings from the environment, the
// clock, and one JSON record appended to a file.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

inline std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
        }
        char bytes[8] = {};
        if (c < 0x20) {
            wsprintfA(bytes, "\\u%04x", static_cast<unsigned>(c));
        } else {
            WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes, 4, nullptr, nullptr);
        }
        out += bytes;
    }
    return out + "\"";
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
