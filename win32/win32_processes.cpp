#include "win32/win32_processes.h"

#include <windows.h>

#include <vector>

#include "win32/win32_error.h"

namespace {

// The longest path the wide functions accept, terminator included.
constexpr DWORD kLongestPath = 32768;

HANDLE ToHandle(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

ProcessHandle FromHandle(HANDLE handle) { return reinterpret_cast<ProcessHandle>(handle); }

}  // namespace

std::wstring Win32Processes::ModulePath() {
    // MAX_PATH is only where it starts: the program may sit under a long
    // path. A result that fills the buffer may have been cut short.
    for (DWORD capacity = MAX_PATH;; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity);
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (length == 0) {
            RaiseLastWin32Error();
        }
        if (length < capacity) {
            return std::wstring(buffer.data(), length);
        }
        if (capacity >= kLongestPath) {
            throw AppErrorFromWin32(ERROR_INSUFFICIENT_BUFFER);
        }
    }
}

void Win32Processes::SetCurrentFolder(const std::wstring& folder) {
    if (!SetCurrentDirectoryW(folder.c_str())) {
        throw AppErrorFromWin32ForFolder(GetLastError());
    }
}

std::uint32_t Win32Processes::StartHidden(const std::wstring& commandLine) {
    // CreateProcessW may write into the command line, so it gets a copy.
    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
    command.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    // CREATE_NO_WINDOW as well as SW_HIDE: where Windows Terminal hosts
    // consoles, SW_HIDE alone leaves a console program's window showing.
    // No folder of its own: the child starts in the current one, which the
    // caller has just set.
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started)) {
        RaiseLastWin32Error();
    }
    // The launcher watches the child by its id alone. A close that fails
    // here leaves nothing to do but go on; the child is running.
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return started.dwProcessId;
}

ProcessHandle Win32Processes::OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) {
    return FromHandle(::OpenProcess(access, inherit ? TRUE : FALSE, processId));
}

bool Win32Processes::GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(ToHandle(process), &code)) {
        return false;
    }
    exitCode = code;
    return true;
}

bool Win32Processes::CloseHandle(ProcessHandle handle) { return ::CloseHandle(ToHandle(handle)) != FALSE; }
