#pragma once

#include <cstdint>
#include <string>

using ProcessHandle = std::uintptr_t;  // 0 is the null handle

inline constexpr std::uint32_t kSynchronize = 0x00100000U;
inline constexpr std::uint32_t kProcessQueryInformation = 0x00000400U;
inline constexpr std::uint32_t kStillActive = 259;

class ProcessApi {
public:
    virtual ~ProcessApi() = default;

    // Full path of the launcher's own executable.
    virtual std::wstring ModulePath() = 0;

    // Raises AppError when the folder cannot be made current.
    virtual void SetCurrentFolder(const std::wstring& folder) = 0;

    // Starts one command line (no separate program name) with its window
    // hidden and does not wait for it. Returns the new process's id; raises
    // AppError when the program cannot be found or started.
    virtual std::uint32_t StartHidden(const std::wstring& commandLine) = 0;

    // kernel32's OpenProcess, GetExitCodeProcess and CloseHandle, untouched:
    // OpenProcess gives 0 on failure; GetExitCodeProcess leaves exitCode as
    // it was when it fails.
    virtual ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) = 0;
    virtual bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) = 0;
    virtual bool CloseHandle(ProcessHandle handle) = 0;
};
