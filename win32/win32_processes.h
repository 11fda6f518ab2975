#pragma once

#include "platform/process_api.h"

// The process seam over kernel32.
class Win32Processes : public ProcessApi {
public:
    std::wstring ModulePath() override;
    void SetCurrentFolder(const std::wstring& folder) override;
    std::uint32_t StartHidden(const std::wstring& commandLine) override;
    ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, unsigned limitMs) override;
    AppError SystemError(std::uint32_t code) override;
    LockHandle LockNamed(const std::wstring& name, unsigned limitMs) override;
    void Unlock(LockHandle lock) override;
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) override;
    bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override;
    bool CloseHandle(ProcessHandle handle) override;
};
