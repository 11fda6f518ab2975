#include "win32/win32_processes.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <array>
#include <optional>
#include <vector>

#include "win32/system_library.h"
#include "win32/win32_error.h"

namespace {

// The longest path the wide functions accept, terminator included.
constexpr DWORD kLongestPath = 32768;

HANDLE ToHandle(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

ProcessHandle FromHandle(HANDLE handle) { return reinterpret_cast<ProcessHandle>(handle); }

// A DLL of the system folder, named by its full path so that no copy planted
// beside the program or in the current folder is ever loaded. Null, with the
// reason in GetLastError, when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    std::array<wchar_t, MAX_PATH> folder{};
    const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return nullptr;
    }
    if (length == 0) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder.data(), length) + L"\\" + name;
    return LoadLibraryW(path.c_str());
}

// ShellExecuteExW with COM ready on this thread, as the shell may hand the
// start to COM objects; S_FALSE means COM already was, and is balanced as
// well. ERROR_SUCCESS once the start is done; else what stopped it.
DWORD ExecuteWithCom(HMODULE ole32, HMODULE shell32, SHELLEXECUTEINFOW& execute) {
    const auto coInitializeEx = LibraryFunction<HRESULT(WINAPI*)(void*, DWORD)>(ole32, "CoInitializeEx");
    const auto coUninitialize = LibraryFunction<void(WINAPI*)()>(ole32, "CoUninitialize");
    const auto shellExecuteExW = LibraryFunction<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(shell32, "ShellExecuteExW");
    if (coInitializeEx == nullptr || coUninitialize == nullptr || shellExecuteExW == nullptr) {
        return ERROR_PROC_NOT_FOUND;
    }
    const HRESULT com = coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const DWORD error = shellExecuteExW(&execute) ? ERROR_SUCCESS : GetLastError();
    if (SUCCEEDED(com)) {
        coUninitialize();
    }
    return error;
}

// Starts file with the verb runas, which shows Windows' consent prompt, and
// gives the started process's handle; raises what stopped the start
// (ERROR_CANCELLED when the user declines). shell32 and ole32 are loaded
// for this call alone: most runs never ask for elevation, and the launcher
// then waits for hours without them.
HANDLE StartElevated(const wchar_t* file, const wchar_t* arguments) {
    HMODULE ole32 = LoadSystemLibrary(L"ole32.dll");
    if (ole32 == nullptr) {
        RaiseLastWin32Error();
    }
    HMODULE shell32 = LoadSystemLibrary(L"shell32.dll");
    if (shell32 == nullptr) {
        const DWORD error = GetLastError();
        FreeLibrary(ole32);
        throw AppErrorFromWin32(error);
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
    const DWORD error = ExecuteWithCom(ole32, shell32, execute);
    // A failed free leaves the DLL mapped, which costs memory and nothing else.
    FreeLibrary(shell32);
    FreeLibrary(ole32);
    if (error != ERROR_SUCCESS) {
        throw AppErrorFromWin32(error);
    }
    if (execute.hProcess == nullptr) {
        // Only a start handed over to another program has no process; an
        // executable always has one.
        throw AppErrorFromWin32(ERROR_INVALID_HANDLE);
    }
    return execute.hProcess;
}

// Waits for process to end, at most limitMs, while dispatching this
// thread's messages, so that the window, its timers and any message box stay
// alive meanwhile. A WM_QUIT taken from the queue is posted again for the
// main loop. Returns what the last wait returned: WAIT_OBJECT_0 once the
// process has ended, WAIT_TIMEOUT when the time is up.
DWORD WaitDispatchingMessages(HANDLE process, DWORD limitMs) {
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
        woken = MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT);
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
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return started.dwProcessId;
}

std::optional<AppError> Win32Processes::RunElevated(const std::wstring& program, const std::wstring& parameters,
                                                    unsigned limitMs) {
    HANDLE process = StartElevated(PathText(program), PathText(parameters));
    const DWORD woken = WaitDispatchingMessages(process, limitMs);
    DWORD exitCode = 0;
    const bool ended = woken == WAIT_OBJECT_0 && ::GetExitCodeProcess(process, &exitCode) != FALSE;
    const DWORD waitError = GetLastError();
    ::CloseHandle(process);
    if (woken == WAIT_TIMEOUT) {
        return std::nullopt;
    }
    if (!ended) {
        throw AppErrorFromWin32(waitError);
    }
    return AppErrorFromExitCode(exitCode);
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
