// The process seam over real processes: child_probe.exe, built beside this
// test, stands in for the Java runtime.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "launcher/launch_sequence.h"
#include "launcher/process_watch.h"
#include "platform/win32_files.h"
#include "platform/win32_processes.h"
#include "scratch_folder.h"

namespace {

constexpr DWORD kWaitLimit = 15000;  // ms; far more than any step here takes

// Records what the watch asks of the window; EndProgram throws so that
// nothing after it runs, as nothing does after ExitProcess.
struct ProgramEnded {
    int ExitCode;
};

class RecordingUi : public UserInterface {
public:
    std::vector<std::wstring> Messages;
    void ShowMessage(const std::wstring& text) override { Messages.push_back(text); }
    void HideWindow() override {}
    void SetTimerEnabled(LauncherTimer, bool) override {}
    [[noreturn]] void EndProgram(int exitCode) override { throw ProgramEnded{exitCode}; }
};

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

// "key=value" lines of the probe's report.
std::map<std::wstring, std::wstring> ReadReport(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    std::map<std::wstring, std::wstring> report;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        end = end == std::wstring::npos ? text.size() : end;
        const std::wstring line = text.substr(start, end - start);
        const std::size_t equals = line.find(L'=');
        if (equals != std::wstring::npos) {
            report[line.substr(0, equals)] = line.substr(equals + 1);
        }
        start = end + 1;
    }
    return report;
}

// Waits until no process with this id can be opened any more. Windows frees
// a process as its last handle closes; Wine takes a moment longer.
bool WaitUntilGone(DWORD processId) {
    for (DWORD waited = 0; waited < kWaitLimit; waited += 20) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        if (process == nullptr) {
            return true;
        }
        CloseHandle(process);
        Sleep(20);
    }
    return false;
}

class ProcessesWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        savedFolder_ = CurrentFolder();
        probe_ = ApplicationFolderOf(processes_.ModulePath()) + L"\\child_probe.exe";
        ASSERT_TRUE(files_.FileExists(probe_)) << Narrow(probe_);
        release_ = CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str());
        ASSERT_NE(release_, nullptr);
    }

    void TearDown() override {
        // Lets every probe still waiting end, and leaves the test's own
        // folder as it was for the next test.
        SetEvent(release_);
        for (HANDLE child : children_) {
            WaitForSingleObject(child, kWaitLimit);
            CloseHandle(child);
        }
        CloseHandle(release_);
        SetCurrentDirectoryW(savedFolder_.c_str());
    }

    // Starts the probe through the seam. It writes its report at once, then
    // waits for release_ before it exits with exitCode.
    DWORD StartProbe(const std::wstring& program, const std::wstring& report, int exitCode) {
        const std::wstring command =
            L"\"" + program + L"\" \"" + report + L"\" " + std::to_wstring(exitCode) + L" " + eventName_;
        return processes_.StartHidden(command);
    }

    HANDLE Hold(DWORD processId) {
        HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
        EXPECT_NE(child, nullptr) << "probe ended before it was released: " << GetLastError();
        return child;
    }

    void Release(HANDLE child) {
        SetEvent(release_);
        EXPECT_EQ(WaitForSingleObject(child, kWaitLimit), WAIT_OBJECT_0);
    }

    Win32Processes processes_;
    Win32Files files_;
    ScratchFolder scratch_{L"TarvexProcessTest"};
    std::wstring probe_;
    std::wstring savedFolder_;
    const std::wstring eventName_ = L"Local\\" + UniqueName(L"TarvexProbeRelease");
    HANDLE release_ = nullptr;
    std::vector<HANDLE> children_;  // closed, after the probes ended, by TearDown
};

TEST_F(ProcessesWin32Test, StartsHiddenInTheFolderMadeCurrent) {
    const std::wstring folder = scratch_.Path() + L"\\SMS Server Folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    files_.CopyFileIntoFolder(probe_, folder + L"\\");

    processes_.SetCurrentFolder(folder);
    // A report path relative to the folder the probe starts in.
    const DWORD id = StartProbe(folder + L"\\child_probe.exe", L"report.txt", 0);
    HANDLE child = Hold(id);
    ASSERT_NE(child, nullptr);
    Release(child);
    children_.push_back(child);

    const auto report = ReadReport(folder + L"\\report.txt");
    EXPECT_EQ(report.at(L"folder"), folder);
    EXPECT_EQ(report.at(L"show"), std::to_wstring(SW_HIDE));
    EXPECT_EQ(report.at(L"console"), L"0");
}

TEST_F(ProcessesWin32Test, ProgramsThatCannotStartRaiseErrors) {
    WriteFileBytes(scratch_.Path() + L"\\java.exe", "not a program");
    struct Case {
        const char* Name;
        std::wstring Command;
        std::int32_t Number;
        std::optional<std::wstring> Description;  // the system's own text otherwise
    };
    const std::vector<Case> cases = {
        {"missing program", L"\"" + scratch_.Path() + L"\\javaw.exe\" -version", 53, L"File not found"},
        {"not on the search path", L"no_such_java_runtime_here -classpath x", 53, L"File not found"},
        {"not a Windows program", L"\"" + scratch_.Path() + L"\\java.exe\" -version",
         static_cast<std::int32_t>(0x800700C1U), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            processes_.StartHidden(c.Command);
            ADD_FAILURE() << "no error raised";
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number, c.Number);
            EXPECT_EQ(error.Description, c.Description.value_or(error.Description));
            EXPECT_FALSE(error.Description.empty());
        }
    }
}

TEST_F(ProcessesWin32Test, FolderThatCannotBeMadeCurrentIsPathNotFound) {
    WriteFileBytes(scratch_.Path() + L"\\a file", "");
    for (const std::wstring& folder :
         {scratch_.Path() + L"\\missing", scratch_.Path() + L"\\missing\\deeper", scratch_.Path() + L"\\a file"}) {
        SCOPED_TRACE(Narrow(folder));
        try {
            processes_.SetCurrentFolder(folder);
            ADD_FAILURE() << "no error raised";
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number, 76);
            EXPECT_EQ(error.Description, L"Path not found");
        }
    }
    EXPECT_EQ(CurrentFolder(), savedFolder_);
}

TEST_F(ProcessesWin32Test, ExitCodeQueryPassesWindowsAnswersThrough) {
    const DWORD id = StartProbe(probe_, scratch_.Path() + L"\\report.txt", 3);
    const ProcessHandle running = processes_.OpenProcess(kSynchronize | kProcessQueryInformation, false, id);
    ASSERT_NE(running, 0U);
    std::uint32_t exitCode = 0;
    EXPECT_TRUE(processes_.GetExitCodeProcess(running, exitCode));
    EXPECT_EQ(exitCode, kStillActive);

    Release(reinterpret_cast<HANDLE>(running));
    EXPECT_TRUE(processes_.GetExitCodeProcess(running, exitCode));
    EXPECT_EQ(exitCode, 3U);
    EXPECT_TRUE(processes_.CloseHandle(running));

    // A null handle fails and leaves the code alone.
    exitCode = 77;
    EXPECT_FALSE(processes_.GetExitCodeProcess(0, exitCode));
    EXPECT_EQ(exitCode, 77U);
    EXPECT_EQ(processes_.OpenProcess(kSynchronize, false, 0), 0U);
}

TEST_F(ProcessesWin32Test, WatchEndsTheProgramOnlyOnceTheChildIsDoneWithCodeZeroOrGone) {
    struct Case {
        const char* Name;
        int ExitCode;
        bool Ends;   // the child has ended
        bool Freed;  // and no handle keeps it, so it can no longer be opened
        bool ProgramEnds;
    };
    const std::vector<Case> cases = {
        {"running", 0, false, false, false},
        {"ended with code 3, still held", 3, true, false, false},
        {"ended with code 0, still held", 0, true, false, true},
        {"ended with code 0 and gone", 0, true, true, true},
        {"ended with code 3 and gone", 3, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ResetEvent(release_);
        const DWORD id = StartProbe(probe_, scratch_.Path() + L"\\report.txt", c.ExitCode);
        HANDLE child = Hold(id);
        ASSERT_NE(child, nullptr);
        if (c.Ends) {
            Release(child);
        }
        if (c.Freed) {
            CloseHandle(child);
            ASSERT_TRUE(WaitUntilGone(id));
        } else {
            children_.push_back(child);
        }

        RecordingUi ui;
        std::optional<int> ended;
        try {
            RunProcessWatch(id, processes_, ui);
        } catch (const ProgramEnded& end) {
            ended = end.ExitCode;
        }
        EXPECT_EQ(ended, c.ProgramEnds ? std::optional<int>(0) : std::nullopt);
        EXPECT_TRUE(ui.Messages.empty());
        if (!c.Ends) {
            Release(child);
        }
    }
}

}  // namespace
