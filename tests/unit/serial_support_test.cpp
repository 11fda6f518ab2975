#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/serial_support.h"

namespace {

const std::wstring kHome = LR"(C:\Program Files\Java\jre6)";
const std::wstring kCopyFailed = L"Error While Copying JAR File";
const std::wstring kElevation =
    LR"(C:\Apps\Gateway\TarvexAdvanceSMSServer.exe "/InstallSerialSupport:C:\Program Files\Java\jre6")";

TEST(SerialSupport, CopiesOnlyWhatTheRuntimeLacksAndNeverReplacesAFile) {
    FakeMachine machine;
    machine.AddRuntimeFolders(kHome);
    machine.Files.Files.erase(kHome + L"\\lib\\ext\\jdc.jar");
    InstallSerialSupport(kHome, machine.Seams);
    EXPECT_EQ(machine.Events(L"copy "),
              std::vector<std::wstring>{LR"(C:\tarvex\GsmModemJar\jdc.jar -> )" + kHome + L"\\lib\\ext\\"});
    EXPECT_TRUE(machine.Events(L"message ").empty());
}

TEST(SerialSupport, FirstFailureIsReportedTwiceUnlessAnElevatedRunCopiesInstead) {
    const auto copies = [] { return AppError{}; };
    const auto declined = []() -> AppError {
        throw AppError{-2147023673, L"The operation was canceled by the user", 1223};
    };
    const auto fails = [] { return AppError{kErrFileNotFound, L"File not found"}; };
    struct Case {
        const char* Situation;
        std::wstring Home;
        std::uint32_t RefusedCode;  // copying Win32com.dll: 5 no rights, 32 in use
        std::function<AppError()> Elevated;
        std::vector<std::wstring> Elevations;
        std::vector<std::wstring> Messages;
    };
    const Case cases[] = {
        {"in use", kHome, 32, copies, {}, {L"Permission denied", kCopyFailed}},
        {"read-only, copied elevated", kHome, 5, copies, {kElevation}, {}},
        {"read-only, elevation declined", kHome, 5, declined, {kElevation}, {L"Permission denied", kCopyFailed}},
        {"read-only, elevated run failed", kHome, 5, fails, {kElevation}, {L"File not found", kCopyFailed}},
        {"read-only, relative runtime folder", L"jre6", 5, copies, {}, {L"Permission denied", kCopyFailed}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddRuntimeFolders(c.Home, true);
        machine.Files.Refused[c.Home + L"\\bin\\Win32com.dll"] = c.RefusedCode;
        machine.Processes.Elevated = c.Elevated;
        InstallSerialSupport(c.Home, machine.Seams);
        EXPECT_EQ(machine.Events(L"copy ").size(), 3U) << c.Situation;  // jdc.jar is abandoned
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
        {{flag + L"C:\\"}, 5, 0},  // a drive's root is a folder it can carry
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
