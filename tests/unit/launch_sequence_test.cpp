#include <gtest/gtest.h>

#include "fakes.h"
#include "launcher/launch_sequence.h"

namespace {

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

    FakeMachine machine;
    LauncherState state;
};

TEST_F(LaunchSequence, HidesThenLocatesThenStartsHiddenInTheApplicationFolderThenWatches) {
    machine.AddRuntime("1.6", "C:\\Program Files\\Java\\jre6");
    machine.AddRuntimeFolders(L"C:\\Program Files\\Java\\jre6");
    EXPECT_EQ(Timer1Tick(), std::nullopt);

    const EventLog& log = machine.Log;
    ASSERT_GE(log.size(), 6U);
    EXPECT_EQ(log[0], L"hide");  // before any registry access
    EXPECT_EQ(log[1], L"registry open SOFTWARE\\JavaSoft\\Java Runtime Environment");
    EXPECT_EQ(log[log.size() - 4], L"cd C:\\Apps\\Gateway");
    EXPECT_TRUE(log[log.size() - 3].starts_with(
        L"start \"C:\\Program Files\\Java\\jre6\\bin\\java.exe\" -classpath \"C:\\Apps\\Gateway\\SMSServer\\lib\\"));
    EXPECT_EQ(log[log.size() - 2], L"timer1 off");
    EXPECT_EQ(log[log.size() - 1], L"timer2 on");
    EXPECT_EQ(state.JavaProcessId, 4242U);
}

TEST_F(LaunchSequence, AFailedStartIsReportedAsAnUnhandledErrorAndEndsTheProgram) {
    for (const bool folderFails : {false, true}) {
        FakeMachine fresh;
        LauncherState freshState;
        fresh.AddRuntime("1.6", "C:\\jre6");
        fresh.AddRuntimeFolders(L"C:\\jre6");
        const AppError error =
            folderFails ? AppError{kErrPathNotFound, L"Path not found"} : AppError{kErrFileNotFound, L"File not found"};
        (folderFails ? fresh.Processes.SetFolderFailure : fresh.Processes.StartFailure) = error;
        EXPECT_THROW(RunTimerTick(fresh.Ui, [&] { RunLaunchSequence(freshState, fresh.Seams); }), ProgramEnded);
        EXPECT_EQ(fresh.Ui.Messages, std::vector<std::wstring>{L"Run-time error '" + std::to_wstring(error.Number) +
                                                               L"':\r\n\r\n" + error.Description});
        EXPECT_EQ(fresh.Log.back(), L"end 1");
        EXPECT_EQ(fresh.Events(L"start").size(), folderFails ? 0U : 1U);
        EXPECT_FALSE(fresh.Ui.Timer2Enabled);
        EXPECT_EQ(freshState.JavaProcessId, 0U);
    }
}

TEST_F(LaunchSequence, ATickPumpedWhileItWaitsDoesNotLaunchOrAskForElevationAgain) {
    machine.AddRuntime("1.6", "C:\\jre6");
    machine.AddRuntimeFolders(L"C:\\jre6", true);
    machine.AddSupportSources();
    machine.Files.ReadOnly.insert(L"C:\\jre6\\lib\\ext\\Comm.jar");  // the elevated run, then two boxes
    int pumpedTicks = 0;
    machine.Ui.WhileMessageOpen = [&] {
        ++pumpedTicks;
        EXPECT_EQ(Timer1Tick(), std::nullopt);
    };
    machine.Processes.Elevated = [&] {
        machine.Ui.WhileMessageOpen();
        return AppError{kErrPermissionDenied, L"Permission denied"};
    };
    EXPECT_EQ(Timer1Tick(), std::nullopt);
    EXPECT_EQ(Timer1Tick(), std::nullopt);
    EXPECT_EQ(pumpedTicks, 3);
    EXPECT_EQ(machine.Events(L"elevate").size(), 1U);
    EXPECT_EQ(machine.Events(L"start").size(), 1U);
    EXPECT_EQ(machine.Events(L"hide").size(), 1U);
}

TEST(ApplicationFolder, IsTheExecutablesFolderWithoutTrailingBackslashExceptAtARoot) {
    EXPECT_EQ(ApplicationFolderOf(L"C:\\My Apps\\a.b\\x.exe"), L"C:\\My Apps\\a.b");
    EXPECT_EQ(ApplicationFolderOf(L"C:\\x.exe"), L"C:\\");
    EXPECT_EQ(ApplicationFolderOf(L"\\\\server\\share\\x.exe"), L"\\\\server\\share");
}

}  // namespace
