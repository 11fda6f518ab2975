// For each running process whose executable has the name given, prints one
// line: its Windows process id, the number of handles it holds, when it was
// created, in milliseconds since 1970 (the clock the stand-in runtime
// records with), and the names of the modules it has loaded, in the order
// they came. Prints nothing when there is none.
//
// Handles are counted in the system's handle table rather than asked of
// GetProcessHandleCount, which Wine 8 answers with 0 for every process.
#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

// Every handle of every process, as (owner process id, ...) entries.
std::vector<unsigned char> SystemHandles() {
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16),  // handles
                                                         buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != kInfoLengthMismatch) {
            return status >= 0 ? buffer : std::vector<unsigned char>();
        }
        buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
    }
}

unsigned long CountHandles(const std::vector<unsigned char>& table, DWORD processId) {
    if (table.empty()) {
        return 0;
    }
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(table.data());
    unsigned long count = 0;
    for (ULONG i = 0; i < info->Count; ++i) {
        count += info->Handle[i].OwnerPid == processId ? 1 : 0;
    }
    return count;
}

// The names of the modules of the process, each after a space.
void PrintModules(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) {
        std::printf(" (modules unreadable: error %lu)", GetLastError());
        return;
    }
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module)) {
        std::printf(" %ls", module.szModule);
    }
    CloseHandle(snapshot);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        (void)std::fwprintf(stderr, L"usage: handle_count NAME.exe\n");
        return 2;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 1;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, argv[1]) != 0) {
            continue;
        }
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
        FILETIME created{}, exited{}, kernel{}, user{};
        const bool read = process != nullptr && GetProcessTimes(process, &created, &exited, &kernel, &user) != FALSE;
        if (process != nullptr) {
            CloseHandle(process);  // before the count, so that it is not counted as the target's
        }
        if (!read) {
            continue;  // ended between the snapshot and now
        }
        const long long ticks = (static_cast<long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
        std::printf("%lu %lu %lld", entry.th32ProcessID, CountHandles(SystemHandles(), entry.th32ProcessID),
                    ticks / 10000 - 11644473600000LL);
        PrintModules(entry.th32ProcessID);
        std::printf("\n");
    }
    CloseHandle(snapshot);
    return 0;
}
