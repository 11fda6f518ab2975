#pragma once

#include <cstdint>
#include <string>

#include "platform/app_error.h"

using ProcessHandle = std::uintptr_t;  // 0 is the null handle
using LockHandle = std::uintptr_t;     // 0: no lock held

inline constexpr std::uint32_t kSynchronize = 0x00100000U;
inline constexpr std::uint32_t kProcessQueryInformation = 0x00000400U;
inline constexpr std::uint32_t kStillActive = 259;

// How a run the launcher waited for ended, as far as it waited.
enum class RunEnd { Exited, StillRunning, WaitFailed };

struct ElevatedRun {
    RunEnd End = RunEnd::Exited;
    std::uint32_t ExitCode = 0;  // once it exited
};

class ProcessApi {
public:
    virtual ~ProcessApi() = default;

    virtual std::wstring ModulePath() = 0;

    // Raises AppError when the folder cannot be made current.
    virtual void SetCurrentFolder(const std::wstring& folder) = 0;

    // Starts one command line (no separate program name) with its window
    // hidden and does not wait for it. Returns the new process's id; raises
    // AppError when the program cannot be found or started.
    virtual std::uint32_t StartHidden(const std::wstring& commandLine) = 0;

    // Runs program with these parameters (one command-line text), asking
    // Windows to elevate it, and waits for it to end, at most limitMs once
    // it has started, while the window's messages keep flowing. Left running
    // when it does not end in time. Raises AppError when it could not be
    // started, the user declining the elevation (ERROR_CANCELLED) included.
    virtual ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, unsigned limitMs) = 0;

    // The error a Win32 code stands for, as the seams raise it: a classic
    // one, or the code's HRESULT with the system's own text.
    virtual AppError SystemError(std::uint32_t code) = 0;

    // Waits, at most limitMs and with the window's messages flowing, until
    // this process owns the mutex of this name, which it makes if no one has.
    // 0 when the time ran out or the mutex cannot be opened, as one that
    // another user made may not be.
    virtual LockHandle LockNamed(const std::wstring& name, unsigned limitMs) = 0;
    virtual void Unlock(LockHandle lock) = 0;

    // kernel32's OpenProcess, GetExitCodeProcess and CloseHandle, untouched:
    // OpenProcess gives 0 on failure; GetExitCodeProcess leaves exitCode as
    // it was when it fails.
    virtual ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) = 0;
    virtual bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) = 0;
    virtual bool CloseHandle(ProcessHandle handle) = 0;
};
