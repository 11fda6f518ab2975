#include <gtest/gtest.h>

#include "fakes.h"
#include "launcher/process_watch.h"

namespace {

constexpr std::uint32_t kJavaId = 4242;

// One tick; true when it ended the launcher.
bool Tick(FakeMachine& machine) {
    try {
        RunProcessWatch(kJavaId, machine.Processes, machine.Ui);
        return false;
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.ExitCode, 0);
        return true;
    }
}

TEST(ProcessWatch, EndsOnlyWhenTheJavaProcessHasFinishedOrIsGone) {
    struct Case {
        const char* Situation;
        std::optional<FakeProcesses::Process> Process;
        bool Ends;
    };
    const Case cases[] = {
        {"still running", FakeProcesses::Process{kStillActive, true}, false},
        {"ended with 0, object still present", FakeProcesses::Process{0, true}, true},
        {"ended, object gone", std::nullopt, true},
        {"cannot be opened", FakeProcesses::Process{kStillActive, false}, true},
        {"ended with 3, someone still holds a handle", FakeProcesses::Process{3, true}, false},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        if (c.Process) {
            machine.Processes.Processes[kJavaId] = *c.Process;
        }
        EXPECT_EQ(Tick(machine), c.Ends) << c.Situation;
        EXPECT_EQ(machine.Processes.OpenHandles, 0) << c.Situation;
        // SYNCHRONIZE | PROCESS_QUERY_INFORMATION, not inheritable
        EXPECT_EQ(machine.Log.front(), L"open 1049600 4242") << c.Situation;
    }
}

TEST(ProcessWatch, AsksEvenWithoutAHandleAndNeverCarriesAnExitCodeOver) {
    FakeMachine machine;
    machine.Processes.Processes[kJavaId] = {};
    EXPECT_FALSE(Tick(machine));
    machine.Processes.Processes.erase(kJavaId);  // last handle gone: the id names nothing
    EXPECT_TRUE(Tick(machine));
    EXPECT_EQ(machine.Log, (std::vector<std::wstring>{L"open 1049600 4242", L"query", L"close", L"open 1049600 4242",
                                                      L"query without a handle", L"end 0"}));
}

}  // namespace
