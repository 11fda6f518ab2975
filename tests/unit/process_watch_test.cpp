#include <gtest/gtest.h>

#include "fakes.h"
#include "launcher/process_watch.h"

namespace {

TEST(ProcessWatch, EndsOnlyWhenTheJavaProcessHasFinishedOrIsGone) {
    struct Case {
        const char* Situation;
        std::map<std::uint32_t, std::uint32_t> ExitCodes;
        EventLog Log;  // 1049600: SYNCHRONIZE | PROCESS_QUERY_INFORMATION, not inheritable
    };
    const Case cases[] = {
        {"still running", {{4242, kStillActive}}, {L"open 1049600 4242", L"query", L"close"}},
        {"ended with 0, object still present", {{4242, 0}}, {L"open 1049600 4242", L"query", L"close", L"end 0"}},
        {"ended with 3, someone still holds a handle", {{4242, 3}}, {L"open 1049600 4242", L"query", L"close"}},
        // The query is asked even so, and fails: no exit code is carried over.
        {"gone, or cannot be opened", {}, {L"open 1049600 4242", L"query without a handle", L"end 0"}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.Processes.ExitCodes = c.ExitCodes;
        EndedWith([&] { RunProcessWatch(4242, machine.Processes, machine.Ui); });  // the log says whether
        EXPECT_EQ(machine.Log, c.Log) << c.Situation;
    }
}

}  // namespace
