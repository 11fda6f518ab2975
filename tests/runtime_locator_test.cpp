#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "fakes.h"
#include "runtime/runtime_locator.h"

namespace {

const std::wstring kNoRuntime =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Tarvex SMS Server 4 Huawei 3G/HSDPA for further help";
const std::wstring kNoSuitableRuntime = L"Java Runtime Environment version 1.5 or higher version is not avaiable";
const std::wstring kSearchFailed = L"Error While Searching JVM on Your Machine";

class RuntimeLocator : public ::testing::Test {
protected:
    // Runs the locator; the exit code when it ended the program.
    std::optional<int> Locate() {
        javaHomePath = L"stale";
        try {
            LocateJavaRuntime(machine.Seams, javaHomePath);
            return std::nullopt;
        } catch (const ProgramEnded& ended) {
            return ended.ExitCode;
        }
    }

    void TearDown() override { EXPECT_EQ(machine.Registry.OpenHandles(), 0U); }

    FakeMachine machine;
    std::wstring javaHomePath;
};

TEST_F(RuntimeLocator, EndsTheProgramWhenNoRuntimeIsRegistered) {
    EXPECT_EQ(Locate(), 1);
    EXPECT_EQ(machine.Ui.Messages, std::vector<std::wstring>{kNoRuntime});
    EXPECT_TRUE(machine.Files.Calls.empty());
}

TEST_F(RuntimeLocator, EndsTheProgramWhenNoRegisteredRuntimeIsNewEnough) {
    const std::vector<std::vector<std::string>> cases = {
        {},                    // the key without subkeys
        {"1.4.2_19", "1.10"},  // 1.10 reads as 1.1
        {"1.3", "0.9", "-2.0"},
    };
    for (const auto& versions : cases) {
        FakeMachine fresh;
        fresh.Registry.AddKey(kHkeyLocalMachine, kRuntimeKeyAnsi);
        for (const std::string& version : versions) {
            fresh.AddRuntime(version, "C:\\jre" + version);
        }
        std::wstring home;
        try {
            LocateJavaRuntime(fresh.Seams, home);
            ADD_FAILURE() << "the program should have ended";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.ExitCode, 1);
        }
        EXPECT_EQ(fresh.Ui.Messages, std::vector<std::wstring>{kNoSuitableRuntime});
        EXPECT_TRUE(fresh.Files.Calls.empty());
    }
}

TEST_F(RuntimeLocator, PicksFirstQualifyingSubkeyNotHighest) {
    struct Case {
        std::vector<std::string> Versions;  // in enumeration order
        std::string Chosen;
    };
    const Case cases[] = {
        {{"1.4.2_19", "1.6", "1.6.0_20"}, "1.6"},
        {{"1.5.0_22", "1.8"}, "1.5.0_22"},  // 1.5 itself qualifies
        {{"1.8", "1.5"}, "1.8"},
        {{"1.10", "10"}, "10"},             // a short name is used whole
        {{"1.7", "not a version"}, "1.7"},  // names after the match are not read
    };
    for (const Case& c : cases) {
        FakeMachine fresh;
        for (const std::string& version : c.Versions) {
            fresh.AddRuntime(version, "C:\\Java\\jre-" + version);
        }
        const std::wstring expected = L"C:\\Java\\jre-" + std::wstring(c.Chosen.begin(), c.Chosen.end());
        fresh.CompleteRuntime(expected);
        std::wstring home;
        LocateJavaRuntime(fresh.Seams, home);
        EXPECT_EQ(home, expected);
        EXPECT_TRUE(fresh.Ui.Messages.empty());
    }
}

TEST_F(RuntimeLocator, ReportsAFailedSearchAndCarriesOnWithoutARuntime) {
    struct Case {
        const char* Situation;
        std::function<void(FakeMachine&)> Arrange;
        std::wstring Description;
    };
    const std::string version16 = std::string(kRuntimeKeyAnsi) + "\\1.6";
    const std::vector<Case> cases = {
        {"a name that is not a number comes first",
         [](FakeMachine& m) {
             m.AddRuntime("jre", "C:\\jre");
             m.AddRuntime("1.6", "C:\\jre6");
         },
         L"Type mismatch"},
        {"the chosen version has no JavaHome",
         [&](FakeMachine& m) { m.Registry.SetString(kHkeyLocalMachine, version16, "RuntimeLib", "x"); },
         L"Unsupported value type"},
        {"JavaHome of a type without a conversion",
         [&](FakeMachine& m) { m.Registry.SetValue(kHkeyLocalMachine, version16, "JavaHome", kRegQword, {0}); },
         L"Unsupported value type"},
        {"JavaHome of zero bytes",
         [&](FakeMachine& m) { m.Registry.SetValue(kHkeyLocalMachine, version16, "JavaHome", kRegSz, {}); },
         L"Invalid procedure call or argument"},
    };
    for (const Case& c : cases) {
        FakeMachine fresh;
        c.Arrange(fresh);
        std::wstring home = L"stale";
        LocateJavaRuntime(fresh.Seams, home);
        EXPECT_EQ(home, L"") << c.Situation;
        EXPECT_EQ(fresh.Ui.Messages, (std::vector<std::wstring>{c.Description, kSearchFailed})) << c.Situation;
        EXPECT_TRUE(fresh.Files.Calls.empty()) << c.Situation;  // the installer never ran
        EXPECT_EQ(fresh.Registry.OpenHandles(), 0U) << c.Situation;
    }
}

TEST_F(RuntimeLocator, EmptyJavaHomeLeavesTheStartToTheSearchPathSilently) {
    machine.AddRuntime("1.6", "");
    EXPECT_EQ(Locate(), std::nullopt);
    EXPECT_EQ(javaHomePath, L"");
    EXPECT_TRUE(machine.Ui.Messages.empty());
    EXPECT_TRUE(machine.Files.Calls.empty());
}

TEST_F(RuntimeLocator, KeepsJavaHomeExactlyAsReadAndCompletesThatRuntime) {
    machine.AddRuntime("1.6", "C:\\Program Files\\Java\\jre6\\");
    machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.7", "JavaHome", kRegExpandSz,
                              Bytes(std::string("%ProgramFiles%\\jre7", 20)));
    machine.CompleteRuntime(L"C:\\Program Files\\Java\\jre6\\");
    EXPECT_EQ(Locate(), std::nullopt);
    EXPECT_EQ(javaHomePath, L"C:\\Program Files\\Java\\jre6\\");
    EXPECT_EQ(machine.Files.Calls.size(), 4U);  // the installer tested its four files once
    EXPECT_EQ(machine.Files.Calls.front(), L"exists C:\\Program Files\\Java\\jre6\\\\lib\\ext\\Comm.jar");
}

TEST_F(RuntimeLocator, NumericJavaHomeReadsAsItsDecimalText) {
    machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.6", "JavaHome", kRegDword,
                              {0xFF, 0xFF, 0xFF, 0xFF});
    machine.CompleteRuntime(L"-1");
    EXPECT_EQ(Locate(), std::nullopt);
    EXPECT_EQ(javaHomePath, L"-1");
}

TEST_F(RuntimeLocator, InstallerFailureKeepsTheLocatedRuntime) {
    machine.AddRuntime("1.6", "C:\\jre6");  // no support files, no source folder
    EXPECT_EQ(Locate(), std::nullopt);
    EXPECT_EQ(javaHomePath, L"C:\\jre6");
    EXPECT_EQ(machine.Ui.Messages, (std::vector<std::wstring>{L"File not found", L"Error While Copying JAR File"}));
}

TEST(VersionNumber, ReadsNumbersAndRejectsEverythingElse) {
    const std::pair<const wchar_t*, double> numbers[] = {
        {L"1.4", 1.4}, {L"1.6", 1.6}, {L"1.5", 1.5}, {L"10", 10}, {L"1.1", 1.1}, {L" 1.5 ", 1.5},
        {L"1.", 1},    {L".5", 0.5},  {L"-1", -1},   {L"+2", 2},  {L"1e2", 100}, {L"9E-1", 0.9},
    };
    for (const auto& [text, value] : numbers) {
        EXPECT_DOUBLE_EQ(ParseVersionNumber(text), value) << Narrow(text);
    }
    for (const wchar_t* text : {L"", L" ", L".", L"jre", L"1_5", L"1.x", L"1,5", L"e5", L"1e", L"1e+", L"--1", L"+-1",
                                L"inf", L"nan", L"0x1", L"1 5", L"\x0661.5"}) {
        try {
            ParseVersionNumber(text);
            ADD_FAILURE() << "accepted " << Narrow(text);
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number, kErrTypeMismatch);
            EXPECT_EQ(error.Description, L"Type mismatch");
        }
    }
}

}  // namespace
