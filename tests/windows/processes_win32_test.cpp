// The process layer over real processes: child_probe.exe, built beside this
// test, stands in for the Java runtime.

#include <filesystem>
#include <utility>

#include "fakes.h"
#include "launcher/launch_sequence.h"
#include "launcher/process_watch.h"
#include "platform/win32_error.h"
#include "platform/win32_files.h"
#include "platform/win32_processes.h"
#include "scratch_folder.h"

namespace {

constexpr DWORD kWaitLimit = 15000;  // ms; far more than any step here takes

// Each test runs in a scratch folder of its own, where probes write their reports.
class ProcessesWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(files_.FileExists(probe_) && release_ != nullptr);
        processes_.SetCurrentFolder(scratch_.Path);
    }

    void TearDown() override {
        // Every probe has ended, and the folder is no longer current, before it goes.
        SetEvent(release_);
        for (HANDLE child : children_) {
            WaitForSingleObject(child, kWaitLimit);
            CloseHandle(child);
        }
        CloseHandle(release_);
        std::filesystem::current_path(savedFolder_);
    }

    // Starts the probe through the layer and holds it open. It writes
    // report.txt in the current folder, then waits for Release to exit.
    HANDLE StartProbe(const std::wstring& program, int exitCode, DWORD& id) {
        id = processes_.StartHidden(L"\"" + program + L"\" report.txt " + std::to_wstring(exitCode) + L" " + event_);
        children_.push_back(OpenProcess(SYNCHRONIZE, FALSE, id));
        EXPECT_NE(children_.back(), nullptr) << "probe ended before it was released";
        return children_.back();
    }

    void Release(HANDLE child) {
        SetEvent(release_);
        EXPECT_EQ(WaitForSingleObject(child, kWaitLimit), WAIT_OBJECT_0);
        ResetEvent(release_);
    }

    Win32Processes processes_;
    Win32Files files_;
    ScratchFolder scratch_;
    const std::wstring probe_ = ApplicationFolderOf(processes_.ModulePath()) + L"\\child_probe.exe";
    const std::filesystem::path savedFolder_ = std::filesystem::current_path();
    const std::wstring event_ = L"Local\\" + UniqueName(L"TarvexProbeRelease");
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, event_.c_str());
    std::vector<HANDLE> children_;
};

TEST_F(ProcessesWin32Test, StartsHiddenInTheFolderMadeCurrent) {
    const std::wstring folder = scratch_.Path + L"\\SMS Server Folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    files_.CopyFileIntoFolder(probe_, folder + L"\\");
    processes_.SetCurrentFolder(folder);
    DWORD id = 0;
    Release(StartProbe(folder + L"\\child_probe.exe", 0, id));

    const std::string report = ReadFileBytes(folder + L"\\report.txt");
    // " 0 ": no console window. Wine gives none either way; Windows, without
    // CREATE_NO_WINDOW, would have the probe share the test's console.
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(report.data()), report.size() / sizeof(wchar_t)),
              std::to_wstring(SW_HIDE) + L" 0 " + folder);
}

TEST_F(ProcessesWin32Test, FailuresRaiseFileOrPathNotFoundOrTheSystemsError) {
    WriteFileBytes(L"java.exe", "not a program");
    WriteFileBytes(L"a file", "");
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"\"" + scratch_.Path + L"\\javaw.exe\" -version", L"53 File not found"},
        {L"no_such_java_runtime_here -classpath x", L"53 File not found"},
        {L"\"" + scratch_.Path + L"\\java.exe\" -version",
         std::to_wstring(static_cast<std::int32_t>(0x800700C1U)) + L" " + SystemErrorText(ERROR_BAD_EXE_FORMAT)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorRaisedBy([&] { processes_.StartHidden(c.first); }), c.second) << c.first;
    }
    // SetCurrentDirectoryW says "file not found" for a missing last folder.
    for (const wchar_t* name : {L"\\missing", L"\\missing\\deeper", L"\\a file"}) {
        EXPECT_EQ(ErrorRaisedBy([&] { processes_.SetCurrentFolder(scratch_.Path + name); }), L"76 Path not found")
            << name;
    }
}

TEST_F(ProcessesWin32Test, ExitCodesPassThroughAndTheWatchEndsTheProgramOnZeroOrOnceTheChildIsGone) {
    struct Case {
        const char* Name;
        int ExitCode;
        bool Ended;
        bool Gone;           // no handle keeps it, so no process with its id can be opened
        std::uint32_t Seen;  // through the layer; 77, left alone, when it cannot be asked
        EventLog Expected;
    };
    const std::vector<Case> cases = {
        {"running", 0, false, false, kStillActive, {}},
        {"ended with code 3", 3, true, false, 3, {}},
        {"ended with code 0", 0, true, false, 0, {L"end 0"}},
        {"ended with code 3 and gone", 3, true, true, 77, {L"end 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        DWORD id = 0;
        HANDLE child = StartProbe(probe_, c.ExitCode, id);
        if (c.Ended) {
            Release(child);
        }
        if (c.Gone) {
            CloseHandle(child);
            children_.pop_back();
            // Windows frees a process as its last handle closes; Wine takes a moment longer.
            for (DWORD waited = 0; (child = OpenProcess(SYNCHRONIZE, FALSE, id)) != nullptr; waited += 20) {
                CloseHandle(child);
                ASSERT_LT(waited, kWaitLimit) << "the process outlives its last handle";
                Sleep(20);
            }
        }
        const ProcessHandle process = processes_.OpenProcess(kSynchronize | kProcessQueryInformation, false, id);
        std::uint32_t seen = 77;
        EXPECT_EQ(processes_.GetExitCodeProcess(process, seen), !c.Gone);
        EXPECT_EQ(seen, c.Seen);
        EXPECT_TRUE(process == 0 || processes_.CloseHandle(process));

        EventLog log;
        FakeUi ui(log);
        try {
            RunProcessWatch(id, processes_, ui);
        } catch (const ProgramEnded&) {
            // The program ends here; the log says how.
        }
        EXPECT_EQ(log, c.Expected);
    }
}

}  // namespace
