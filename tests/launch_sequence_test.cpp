#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "fakes.h"
#include "launcher/launch_sequence.h"

namespace {

const std::wstring kAppFolder = L"C:\\Apps\\Gateway";

class LaunchSequence : public ::testing::Test {
protected:
    // One Timer1 tick as the window delivers it; the exit code if it ended the program.
    std::optional<int> Timer1Tick() {
        try {
            RunTimerTick(machine.Ui, [&] { RunLaunchSequence(state, machine.Seams); });
            return std::nullopt;
        } catch (const ProgramEnded& ended) {
            return ended.ExitCode;
        }
    }

    [[nodiscard]] std::size_t Starts() const {
        return std::count_if(machine.Log.begin(), machine.Log.end(),
                             [](const std::wstring& event) { return event.starts_with(L"start "); });
    }

    FakeMachine machine;
    LauncherState state;
};

TEST_F(LaunchSequence, HidesThenLocatesThenStartsHiddenInTheApplicationFolderThenWatches) {
    machine.AddRuntime("1.6", "C:\\Program Files\\Java\\jre6");
    machine.CompleteRuntime(L"C:\\Program Files\\Java\\jre6");
    EXPECT_EQ(Timer1Tick(), std::nullopt);

    const EventLog& log = machine.Log;
    ASSERT_GE(log.size(), 5U);
    EXPECT_EQ(log.front(), L"hide");  // before any registry access
    EXPECT_EQ(log[1], L"registry open SOFTWARE\\JavaSoft\\Java Runtime Environment");
    const std::vector<std::wstring> tail(log.end() - 4, log.end());
    EXPECT_EQ(tail[0], L"cd " + kAppFolder);
    EXPECT_TRUE(tail[1].starts_with(L"start \"C:\\Program Files\\Java\\jre6\\bin\\java.exe\" -classpath \"" +
                                    kAppFolder + L"\\SMSServer\\lib\\comm.jar\";"))
        << Narrow(tail[1]);
    EXPECT_EQ(tail[2], L"timer1 off");
    EXPECT_EQ(tail[3], L"timer2 on");
    EXPECT_EQ(state.JavaProcessId, machine.Processes.NextProcessId);
    EXPECT_EQ(state.JavaHomePath, L"C:\\Program Files\\Java\\jre6");
    EXPECT_FALSE(machine.Ui.WindowVisible);
}

TEST_F(LaunchSequence, FailedSearchStartsJavaFromTheSearchPath) {
    machine.AddRuntime("jre", "C:\\jre");
    EXPECT_EQ(Timer1Tick(), std::nullopt);
    EXPECT_EQ(machine.Ui.Messages.size(), 2U);
    ASSERT_EQ(machine.Processes.Calls.size(), 2U);
    EXPECT_TRUE(machine.Processes.Calls[1].starts_with(L"start java -classpath \"C:\\Apps\\Gateway\\SMSServer"));
    EXPECT_TRUE(machine.Ui.Timer2Enabled);
}

TEST_F(LaunchSequence, NoRuntimeEndsTheProgramWithNothingStarted) {
    EXPECT_EQ(Timer1Tick(), 1);
    EXPECT_EQ(Starts(), 0U);
    EXPECT_EQ(state.JavaProcessId, 0U);
    EXPECT_FALSE(machine.Ui.Timer2Enabled);
}

TEST_F(LaunchSequence, AStartThatFailsIsReportedAsAnUnhandledErrorAndEndsTheProgram) {
    struct Case {
        const char* Situation;
        bool FolderFails;
        AppError Error;
        std::size_t StartsTried;
    };
    const Case cases[] = {
        {"java.exe not found", false, {kErrFileNotFound, L"File not found"}, 1},
        {"application folder unusable", true, {kErrPathNotFound, L"Path not found"}, 0},
    };
    for (const Case& c : cases) {
        FakeMachine fresh;
        fresh.AddRuntime("1.6", "C:\\jre6");
        fresh.CompleteRuntime(L"C:\\jre6");
        (c.FolderFails ? fresh.Processes.SetFolderFailure : fresh.Processes.StartFailure) = c.Error;
        LauncherState fresh_state;
        try {
            RunTimerTick(fresh.Ui, [&] { RunLaunchSequence(fresh_state, fresh.Seams); });
            ADD_FAILURE() << c.Situation << ": the program should have ended";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.ExitCode, 1) << c.Situation;
        }
        EXPECT_EQ(fresh.Ui.Messages, std::vector<std::wstring>{L"Run-time error '" + std::to_wstring(c.Error.Number) +
                                                               L"':\r\n\r\n" + c.Error.Description})
            << c.Situation;
        EXPECT_FALSE(fresh.Ui.Timer2Enabled) << c.Situation;
        EXPECT_EQ(fresh_state.JavaProcessId, 0U) << c.Situation;
        EXPECT_EQ(std::count_if(fresh.Processes.Calls.begin(), fresh.Processes.Calls.end(),
                                [](const std::wstring& call) { return call.starts_with(L"start"); }),
                  static_cast<std::ptrdiff_t>(c.StartsTried))
            << c.Situation;
    }
}

TEST_F(LaunchSequence, ATickPumpedByAMessageBoxDoesNotLaunchAgain) {
    machine.AddRuntime("1.6", "C:\\jre6");  // the installer will report two boxes
    int pumpedTicks = 0;
    machine.Ui.WhileMessageOpen = [&] {
        ++pumpedTicks;
        EXPECT_EQ(Timer1Tick(), std::nullopt);
    };
    EXPECT_EQ(Timer1Tick(), std::nullopt);
    EXPECT_EQ(pumpedTicks, 2);
    EXPECT_EQ(Starts(), 1U);
    EXPECT_EQ(std::count(machine.Log.begin(), machine.Log.end(), L"hide"), 1);
    // And once launched, Timer1 never runs it again either.
    EXPECT_EQ(Timer1Tick(), std::nullopt);
    EXPECT_EQ(Starts(), 1U);
}

TEST(UnhandledError, OutOfMemoryInATickIsReportedLikeAnyOtherError) {
    FakeUi ui;
    EXPECT_THROW(RunTimerTick(ui, [] { throw std::bad_alloc(); }), ProgramEnded);
    EXPECT_EQ(ui.Messages, std::vector<std::wstring>{L"Run-time error '7':\r\n\r\nOut of memory"});
}

TEST(ApplicationFolder, IsTheExecutablesFolderWithoutTrailingBackslashExceptAtARoot) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Apps\\Gateway\\TarvexAdvanceSMSServer.exe", L"C:\\Apps\\Gateway"},
        {L"C:\\TarvexAdvanceSMSServer.exe", L"C:\\"},
        {L"\\\\server\\share\\sms\\launcher.exe", L"\\\\server\\share\\sms"},
        {L"C:\\My Apps\\a.b\\x.exe", L"C:\\My Apps\\a.b"},
    };
    for (const auto& [module, folder] : cases) {
        EXPECT_EQ(ApplicationFolderOf(module), folder) << Narrow(module);
    }
}

}  // namespace
