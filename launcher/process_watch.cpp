#include "launcher/process_watch.h"

void RunProcessWatch(std::uint32_t javaProcessId, ProcessApi& processes, UserInterface& ui) {
    // Reset on every tick: a failed query must not inherit STILL_ACTIVE.
    std::uint32_t exitCode = 0;
    const ProcessHandle process = processes.OpenProcess(kSynchronize | kProcessQueryInformation, false, javaProcessId);
    // Asked even with a null handle: the query then fails and the exit code
    // stays 0, so a process that is gone ends the launcher.
    processes.GetExitCodeProcess(process, exitCode);
    if (process != 0) {
        processes.CloseHandle(process);
    }
    if (exitCode == 0) {
        ui.EndProgram(0);
    }
}
