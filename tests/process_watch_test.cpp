#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "launcher/process_watch.h"

namespace {

constexpr std::uint32_t kJavaId = 4242;

// One tick; true when it ended the launcher.
bool Tick(FakeProcesses& processes, FakeUi& ui) {
    try {
        RunProcessWatch(kJavaId, processes, ui);
        return false;
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.ExitCode, 0);
        return true;
    }
}

TEST(ProcessWatch, EndsOnlyWhenTheJavaProcessHasFinishedOrIsGone) {
    struct Case {
        const char* Situation;
        bool Exists;
        bool Openable;
        std::uint32_t ExitCode;
        bool Ends;
    };
    const Case cases[] = {
        {"still running", true, true, kStillActive, false},
        {"ended with 0, object still present", true, true, 0, true},
        {"ended, object gone", false, false, 0, true},
        {"cannot be opened", true, false, kStillActive, true},
        {"ended with 3, someone still holds a handle", true, true, 3, false},
    };
    for (const Case& c : cases) {
        FakeProcesses processes;
        FakeUi ui;
        if (c.Exists) {
            processes.Processes[kJavaId] = {c.ExitCode, c.Openable};
        }
        EXPECT_EQ(Tick(processes, ui), c.Ends) << c.Situation;
        EXPECT_EQ(processes.OpenHandles(), 0) << c.Situation;
        EXPECT_EQ(processes.Calls.front(), L"open 1049600 4242") << c.Situation;  // SYNCHRONIZE | QUERY_INFORMATION
    }
}

TEST(ProcessWatch, AsksForTheExitCodeEvenWithoutAHandleButNeverClosesIt) {
    FakeProcesses processes;
    FakeUi ui;
    EXPECT_TRUE(Tick(processes, ui));
    EXPECT_EQ(processes.Calls, (std::vector<std::wstring>{L"open 1049600 4242", L"query 0"}));
}

TEST(ProcessWatch, ExitCodeOfAnEarlierTickDoesNotCarryOver) {
    FakeProcesses processes;
    FakeUi ui;
    processes.Processes[kJavaId] = {};
    EXPECT_FALSE(Tick(processes, ui));
    EXPECT_FALSE(Tick(processes, ui));
    processes.Processes.erase(kJavaId);  // last handle gone: the id names nothing
    EXPECT_TRUE(Tick(processes, ui));
    EXPECT_EQ(std::count_if(processes.Calls.begin(), processes.Calls.end(),
                            [](const std::wstring& call) { return call.starts_with(L"close"); }),
              2);
}

}  // namespace
