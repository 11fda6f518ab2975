#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "launcher/launch_sequence.h"

namespace {

// One Timer1 tick as the window delivers it; the exit code if it ended the program.
std::optional<int> Timer1Tick(FakeMachine& machine, LauncherState& state) {
    return EndedWith([&] { RunTimerTick(machine.Ui, [&] { RunLaunchSequence(state, machine.Seams); }); });
}

TEST(LaunchSequence, HidesThenLocatesThenStartsHiddenInTheApplicationFolderThenWatches) {
    FakeMachine machine;
    LauncherState state;
    machine.AddRuntime("1.6", "C:\\jre6");
    machine.AddRuntimeFolders(L"C:\\jre6");
    EXPECT_EQ(Timer1Tick(machine, state), std::nullopt);
    // The window hides before anything else; the folder is set, the runtime
    // started and the watch armed after everything else.
    EXPECT_EQ(machine.Log.front(), L"hide");
    const auto cd = std::find(machine.Log.begin(), machine.Log.end(), L"cd C:\\Apps\\Gateway");
    std::vector<std::wstring> fromCd(cd, machine.Log.end());
    for (std::wstring& event : fromCd) {
        event = event.substr(0, event.find(L" -classpath "));
    }
    EXPECT_EQ(fromCd, (std::vector<std::wstring>{L"cd C:\\Apps\\Gateway", L"start \"C:\\jre6\\bin\\java.exe\"",
                                                 L"timer1 off", L"timer2 on"}));
    EXPECT_EQ(machine.Events(L"start ").size(), 1U);
    EXPECT_EQ(state.JavaProcessId, 4242U);
}

TEST(LaunchSequence, AFailedStartIsReportedAsAnUnhandledErrorAndEndsTheProgram) {
    const wchar_t badName[] = L"Run-time error '52':\r\n\r\nBad file name or number";
    struct Case {
        std::string JavaHome;  // empty: `java` from the search path
        AppError SetFolderFailure;
        AppError StartFailure;
        const wchar_t* Message;
        std::size_t Starts = 0;  // tried
    };
    const Case cases[] = {
        {.SetFolderFailure = {kErrPathNotFound, L"Path not found"},
         .Message = L"Run-time error '76':\r\n\r\nPath not found"},
        {.StartFailure = {kErrFileNotFound, L"File not found"},
         .Message = L"Run-time error '53':\r\n\r\nFile not found",
         .Starts = 1},
        // Folders no command may be built from: a quote would end the
        // program's quoted path, a NUL would cut it short.
        {.JavaHome = "C:\\jre\" -Xdebug \"6", .Message = badName},
        {.JavaHome = std::string("C:\\jre6\0x", 9), .Message = badName},
        {.JavaHome = "C:\\jre\t6", .Message = badName},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        LauncherState state;
        machine.AddRuntime("1.6", c.JavaHome);
        machine.AddSource();
        machine.AddRuntimeFolders(std::wstring(c.JavaHome.begin(), c.JavaHome.end()));
        machine.Processes.SetFolderFailure = c.SetFolderFailure;
        machine.Processes.StartFailure = c.StartFailure;
        EXPECT_EQ(Timer1Tick(machine, state), 1);
        EXPECT_EQ(machine.Events(L"message "), std::vector<std::wstring>{c.Message});
        EXPECT_EQ(machine.Events(L"start ").size(), c.Starts);
        EXPECT_TRUE(machine.Events(L"timer").empty());
        EXPECT_EQ(state.JavaProcessId, 0U);
    }
}

TEST(LaunchSequence, ATickPumpedWhileItWaitsDoesNotLaunchOrAskForElevationAgain) {
    FakeMachine machine;
    LauncherState state;
    machine.AddRuntime("1.6", "C:\\jre6");
    machine.AddSource();
    machine.AddRuntimeFolders(L"C:\\jre6", true);
    machine.Files.Refused[L"C:\\jre6\\lib\\ext\\Comm.jar"] = 5;  // the elevated run, then two boxes
    machine.Ui.WhileMessageOpen = [&] { EXPECT_EQ(Timer1Tick(machine, state), std::nullopt); };
    machine.Processes.Elevated = [&] {
        machine.Ui.WhileMessageOpen();
        return ElevatedRun{RunEnd::Exited, kErrPermissionDenied};
    };
    EXPECT_EQ(Timer1Tick(machine, state), std::nullopt);
    EXPECT_EQ(Timer1Tick(machine, state), std::nullopt);
    EXPECT_EQ(machine.Events(L"message "),
              (std::vector<std::wstring>{L"Permission denied", L"Error While Copying JAR File"}));
    EXPECT_EQ(machine.Events(L"elevate ").size(), 1U);
    EXPECT_EQ(machine.Events(L"start ").size(), 1U);
}

TEST(ApplicationFolder, IsTheExecutablesFolderWithoutTrailingBackslashExceptAtARoot) {
    EXPECT_EQ(ApplicationFolderOf(L"C:\\My Apps\\a.b\\x.exe"), L"C:\\My Apps\\a.b");
    EXPECT_EQ(ApplicationFolderOf(L"C:\\x.exe"), L"C:\\");
    EXPECT_EQ(ApplicationFolderOf(L"\\\\server\\share\\x.exe"), L"\\\\server\\share");
}

}  // namespace
