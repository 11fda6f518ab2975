#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/serial_support.h"

namespace {

const std::wstring kHome = LR"(C:\Program Files\Java\jre6)";
const std::wstring kSource = LR"(C:\tarvex\GsmModemJar\)";
const std::wstring kCopyFailed = L"Error While Copying JAR File";
const std::wstring kElevation =
    LR"(C:\Apps\Gateway\TarvexAdvanceSMSServer.exe "/InstallSerialSupport:C:\Program Files\Java\jre6")";

TEST(SerialSupport, CopiesOnlyWhatTheRuntimeLacksAndNeverReplacesAFile) {
    FakeMachine machine;
    machine.AddSupportSources();
    machine.AddRuntimeFolders(kHome);
    machine.Files.Files[kHome + L"\\lib\\ext\\Comm.jar"] = "mine";
    machine.Files.Files.erase(kHome + L"\\lib\\ext\\jdc.jar");
    InstallSerialSupport(kHome, machine.Seams);
    EXPECT_EQ(machine.Events(L"copy "), std::vector<std::wstring>{kSource + L"jdc.jar -> " + kHome + L"\\lib\\ext\\"});
    EXPECT_EQ(machine.Files.Files[kHome + L"\\lib\\ext\\jdc.jar"], "source");
    EXPECT_EQ(machine.Files.Files[kHome + L"\\lib\\ext\\Comm.jar"], "mine");
    EXPECT_TRUE(machine.Events(L"message ").empty());
}

TEST(SerialSupport, FirstFailureIsReportedTwiceUnlessAnElevatedRunCopiesInstead) {
    const std::wstring win32com = kHome + L"\\bin\\Win32com.dll";
    struct Case {
        const char* Situation;
        bool Sources = true;  // the installation folder is there
        std::wstring Home = kHome;
        std::map<std::wstring, std::uint32_t> Refused;
        std::function<AppError()> Elevated = [] { return AppError{}; };
        std::size_t Copies = 0;  // up to the failure
        std::vector<std::wstring> Elevations;
        std::vector<std::wstring> Messages;
    };
    const Case cases[] = {
        {.Situation = "no installation folder",
         .Sources = false,
         .Copies = 1,
         .Messages = {L"File not found", kCopyFailed}},
        {.Situation = "no runtime folder",
         .Home = L"C:\\gone",
         .Copies = 1,
         .Messages = {L"Path not found", kCopyFailed}},
        {.Situation = "Win32com.dll in use",
         .Refused = {{win32com, 32}},
         .Copies = 3,
         .Messages = {L"Permission denied", kCopyFailed}},
        {.Situation = "read-only Win32com.dll, copied elevated",
         .Refused = {{win32com, 5}},
         .Copies = 3,
         .Elevations = {kElevation}},
        {.Situation = "read-only Win32com.dll, elevation declined",
         .Refused = {{win32com, 5}},
         .Elevated = []() -> AppError {
             throw AppError{-2147023673, L"The operation was canceled by the user", 1223};
         },
         .Copies = 3,
         .Elevations = {kElevation},
         .Messages = {L"Permission denied", kCopyFailed}},
        {.Situation = "read-only Win32com.dll, elevated run failed",
         .Refused = {{win32com, 5}},
         .Elevated =
             [] {
                 return AppError{kErrFileNotFound, L"File not found"};
             },
         .Copies = 3,
         .Elevations = {kElevation},
         .Messages = {L"File not found", kCopyFailed}},
        {.Situation = "read-only, relative runtime folder",
         .Home = L"jre6",
         .Refused = {{L"jre6\\lib\\ext\\Comm.jar", 5}},
         .Copies = 1,
         .Messages = {L"Permission denied", kCopyFailed}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddRuntimeFolders(kHome, true);
        machine.AddRuntimeFolders(L"jre6", true);
        if (c.Sources) {
            machine.AddSupportSources();
        }
        machine.Files.Refused = c.Refused;
        machine.Processes.Elevated = c.Elevated;
        InstallSerialSupport(c.Home, machine.Seams);
        EXPECT_EQ(machine.Events(L"copy ").size(), c.Copies) << c.Situation;
        EXPECT_EQ(machine.Events(L"elevate "), c.Elevations) << c.Situation;
        EXPECT_EQ(machine.Events(L"message "), c.Messages) << c.Situation;
    }
}

TEST(SerialSupport, ElevatedRunTakesOnlyItsOwnArgumentAndOnlyARegisteredFolder) {
    const std::wstring flag = L"/InstallSerialSupport:";
    struct Case {
        std::vector<std::wstring> Arguments;
        std::optional<std::int32_t> ExitCode;  // none: runs as without arguments
        std::size_t Copies;
    };
    const Case cases[] = {
        {{flag + kHome}, 0, 4},
        {{}, std::nullopt, 0},
        {{flag}, std::nullopt, 0},
        {{flag + L"jre6"}, std::nullopt, 0},
        {{flag + L"C:jre6"}, std::nullopt, 0},
        {{flag + L"\\\\server\\java\\jre6"}, std::nullopt, 0},
        {{flag + kHome, L"extra"}, std::nullopt, 0},
        {{L"/installserialsupport:" + kHome}, std::nullopt, 0},
        {{flag + L"C:\\Java\\..\\jre7"}, 5, 0},  // registered and there, but leads elsewhere
        {{flag + L"C:\\Java\\jre8"}, 5, 0},      // there, but registered by none
        {{flag + L"C:\\Java\\gone"}, 5, 0},      // registered, but not there
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddSupportSources();
        machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.5", "Home", kRegSz, "x");
        machine.AddRuntime("1.6", R"(C:\Program Files\Java\jre6)");
        machine.AddRuntime("1.7", R"(C:\Java\..\jre7)");
        machine.AddRuntime("1.8", R"(C:\Java\gone)");
        for (const wchar_t* home : {kHome.c_str(), LR"(C:\Java\..\jre7)", LR"(C:\Java\jre8)"}) {
            machine.AddRuntimeFolders(home, true);
        }
        const std::optional<std::wstring> folder = SerialSupportFolderIn(c.Arguments);
        const std::optional<std::int32_t> exitCode =
            folder ? std::optional(RunSerialSupportInstaller(*folder, machine.Registry, machine.Files)) : std::nullopt;
        const std::wstring situation = c.Arguments.empty() ? L"no arguments" : c.Arguments.back();
        EXPECT_EQ(exitCode, c.ExitCode) << situation;
        EXPECT_EQ(machine.Events(L"copy ").size(), c.Copies) << situation;
    }
    // Backslashes before the closing quote are doubled, or they would escape it.
    EXPECT_EQ(SerialSupportParameters(L"C:\\jre6\\"), L"\"/InstallSerialSupport:C:\\jre6\\\\\"");
}

}  // namespace
