#include "win32/win32_processes.h"

#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <vector>

#include "win32/owners.h"
#include "win32/win32_error.h"

namespace {

// The longest path the wide functions accept, terminator included.
constexpr DWORD kLongestPath = 32768;

HANDLE ToHandle(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

ProcessHandle FromHandle(HANDLE handle) { return reinterpret_cast<ProcessHandle>(handle); }

// Starts file with the verb runas, which shows Windows' consent prompt, and
// gives the started process; raises what stopped the start (ERROR_CANCELLED
// when the user declines). shell32 and ole32 are loaded for this call
// alone: most runs never ask for elevation, and the launcher then waits for
// hours without them.
ScopedHandle StartElevated(const wchar_t* file, const wchar_t* arguments) {
    const ScopedModule ole32(LoadSystemLibrary(L"ole32.dll"));
    const ScopedModule shell32(ole32 ? LoadSystemLibrary(L"shell32.dll") : nullptr);
    const auto shellExecuteExW =
        shell32 ? LibraryFunction<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(shell32.Get(), "ShellExecuteExW") : nullptr;
    if (shellExecuteExW == nullptr) {
        RaiseLastWin32Error();
    }
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    // NOCLOSEPROCESS: a handle to wait on. FLAG_NO_UI: failures come back as
    // codes rather than as the shell's own boxes. NOASYNC: the start is over
    // when the call returns, as shell32 is freed right after it.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = L"runas";
    execute.lpFile = file;
    execute.lpParameters = arguments;
    execute.nShow = SW_HIDE;
    {
        // The shell may hand the start to COM objects.
        const ComApartment com(ole32.Get());
        if (!shellExecuteExW(&execute)) {
            RaiseLastWin32Error();
        }
    }
    if (execute.hProcess == nullptr) {
        // Only a start handed over to another program has no process; an
        // executable always has one.
        throw AppErrorFromWin32(ERROR_INVALID_HANDLE);
    }
    return ScopedHandle(execute.hProcess);
}

// Waits for object (a process to end, a mutex to be free), at most limitMs,
// while dispatching this thread's messages, so that the window, its timers
// and any message box stay alive meanwhile; the launch sequence, which a
// tick of Timer1 may enter again here, returns at once. A WM_QUIT taken
// from the queue is posted again for the main loop. Returns what the last
// wait returned: WAIT_OBJECT_0 (or WAIT_ABANDONED_0) once object is
// signalled, WAIT_TIMEOUT when the time is up.
DWORD WaitDispatchingMessages(HANDLE object, DWORD limitMs) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    std::optional<WPARAM> quit;
    DWORD woken = WAIT_OBJECT_0 + 1;
    while (woken == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = message.wParam;
            } else {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        woken = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_ALLINPUT);
    }
    if (quit) {
        PostQuitMessage(static_cast<int>(*quit));
    }
    return woken;
}

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
    if (!SetCurrentDirectoryW(PathText(folder))) {
        throw AppErrorFromWin32ForFolder(GetLastError());
    }
}

std::uint32_t Win32Processes::StartHidden(const std::wstring& commandLine) {
    // CreateProcessW may write into the command line, so it gets a copy.
    const wchar_t* text = PathText(commandLine);
    std::vector<wchar_t> command(text, text + commandLine.size() + 1);

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
    ScopedHandle(started.hThread).Close();
    ScopedHandle(started.hProcess).Close();
    return started.dwProcessId;
}

ElevatedRun Win32Processes::RunElevated(const std::wstring& program, const std::wstring& parameters, unsigned limitMs) {
    const ScopedHandle process = StartElevated(PathText(program), PathText(parameters));
    const DWORD woken = WaitDispatchingMessages(process.Get(), limitMs);
    DWORD exitCode = 0;
    if (woken == WAIT_TIMEOUT) {
        return {RunEnd::StillRunning};
    }
    if (woken != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.Get(), &exitCode)) {
        return {RunEnd::WaitFailed};
    }
    return {RunEnd::Exited, exitCode};
}

AppError Win32Processes::SystemError(std::uint32_t code) { return AppErrorFromWin32(code); }

LockHandle Win32Processes::LockNamed(const std::wstring& name, unsigned limitMs) {
    // Made by a user other than this one, the mutex may refuse to open: the
    // caller then goes on without it, as the contract says.
    ScopedHandle mutex(CreateMutexW(nullptr, FALSE, PathText(name)));
    if (!mutex) {
        return 0;
    }
    // WAIT_ABANDONED: the last owner ended without letting go, and the mutex
    // is this process's now.
    const DWORD woken = WaitDispatchingMessages(mutex.Get(), limitMs);
    if (woken != WAIT_OBJECT_0 && woken != WAIT_ABANDONED_0) {
        return 0;
    }
    return reinterpret_cast<LockHandle>(mutex.Release());
}

void Win32Processes::Unlock(LockHandle lock) {
    // Should either fail, the mutex is let go when the process ends.
    ReleaseMutex(reinterpret_cast<HANDLE>(lock));
    ScopedHandle(reinterpret_cast<HANDLE>(lock)).Close();
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

bool Win32Processes::CloseHandle(ProcessHandle handle) { return ScopedHandle(ToHandle(handle)).Close(); }
