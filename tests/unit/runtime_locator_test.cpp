#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/runtime_locator.h"

namespace {

const std::wstring kSearchFailed = L"Error While Searching JVM on Your Machine";

struct Outcome {
    std::optional<int> ExitCode;  // set when the locator ended the program
    std::wstring JavaHomePath;
};

Outcome Locate(FakeMachine& machine) {
    Outcome outcome{std::nullopt, L"stale"};
    try {
        LocateJavaRuntime(machine.Seams, outcome.JavaHomePath);
    } catch (const ProgramEnded& ended) {
        outcome.ExitCode = ended.ExitCode;
    }
    EXPECT_EQ(machine.Registry.OpenHandles(), 0U);
    return outcome;
}

TEST(RuntimeLocator, EndsTheProgramWhenNoSuitableRuntimeIsRegistered) {
    const std::wstring noRuntime =
        L"You have not Installed Java Runtime Environment on your computer.\r\n"
        L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
        L"Please refer installtion guide of Tarvex SMS Server 4 Huawei 3G/HSDPA for further help";
    const std::wstring tooOld = L"Java Runtime Environment version 1.5 or higher version is not avaiable";
    const std::vector<std::pair<std::optional<std::vector<std::string>>, std::wstring>> cases = {
        {std::nullopt, noRuntime},  // no runtime key at all
        {std::vector<std::string>{}, tooOld},
        {std::vector<std::string>{"1.4.2_19", "1.10", "-2.0"}, tooOld},  // 1.10 reads as 1.1
    };
    for (const auto& [versions, message] : cases) {
        FakeMachine machine;
        if (versions) {
            machine.Registry.AddKey(kHkeyLocalMachine, kRuntimeKeyAnsi);
            for (const std::string& version : *versions) {
                machine.AddRuntime(version, "C:\\jre" + version);
            }
        }
        EXPECT_EQ(Locate(machine).ExitCode, 1);
        EXPECT_EQ(machine.Ui.Messages, std::vector<std::wstring>{message});
        EXPECT_TRUE(machine.Events(L"exists").empty());
    }
}

TEST(RuntimeLocator, PicksFirstQualifyingSubkeyNotHighest) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"1.4.2_19", "1.6", "1.6.0_20"}, "1.6"},
        {{"1.5.0_22", "1.8"}, "1.5.0_22"},  // 1.5 itself qualifies
        {{"1.10", "10"}, "10"},             // a short name is read whole
        {{"1.7", "not a version"}, "1.7"},  // names after the match are not read
    };
    for (const auto& [versions, chosen] : cases) {
        FakeMachine machine;
        for (const std::string& version : versions) {
            machine.AddRuntime(version, "C:\\Java\\jre-" + version);
        }
        const std::wstring home = L"C:\\Java\\jre-" + std::wstring(chosen.begin(), chosen.end());
        machine.AddRuntimeFolders(home);
        EXPECT_EQ(Locate(machine).JavaHomePath, home);
        EXPECT_TRUE(machine.Ui.Messages.empty());
    }
}

TEST(RuntimeLocator, ReportsAFailedSearchAndCarriesOnWithoutARuntime) {
    const std::string key16 = std::string(kRuntimeKeyAnsi) + "\\1.6";
    const std::vector<std::tuple<const char*, std::function<void(FakeMachine&)>, std::wstring>> cases = {
        {"a name that is not a number comes first",
         [](FakeMachine& m) {
             m.AddRuntime("jre", "C:\\jre");
             m.AddRuntime("1.6", "C:\\jre6");
         },
         L"Type mismatch"},
        {"no JavaHome", [&](FakeMachine& m) { m.Registry.SetValue(kHkeyLocalMachine, key16, "Lib", kRegSz, "x"); },
         L"Unsupported value type"},
        {"JavaHome of an unconverted type",
         [&](FakeMachine& m) { m.Registry.SetValue(kHkeyLocalMachine, key16, "JavaHome", kRegQword, "12345678"); },
         L"Unsupported value type"},
        {"JavaHome of zero bytes",
         [&](FakeMachine& m) { m.Registry.SetValue(kHkeyLocalMachine, key16, "JavaHome", kRegSz, ""); },
         L"Invalid procedure call or argument"},
    };
    for (const auto& [situation, arrange, description] : cases) {
        FakeMachine machine;
        arrange(machine);
        const Outcome outcome = Locate(machine);
        EXPECT_EQ(outcome.ExitCode, std::nullopt) << situation;
        EXPECT_EQ(outcome.JavaHomePath, L"") << situation;
        EXPECT_EQ(machine.Ui.Messages, (std::vector<std::wstring>{description, kSearchFailed})) << situation;
        EXPECT_TRUE(machine.Events(L"exists").empty()) << situation;  // the installer never ran
    }
}

TEST(RuntimeLocator, UsesJavaHomeExactlyAsReadAndCompletesThatRuntimeOnly) {
    const std::vector<std::tuple<std::uint32_t, std::string, std::wstring>> cases = {
        {kRegSz, std::string("C:\\Program Files\\Java\\jre6\\") + '\0', L"C:\\Program Files\\Java\\jre6\\"},
        {kRegExpandSz, std::string("%ProgramFiles%\\jre7") + '\0', L"%ProgramFiles%\\jre7"},
        {kRegDword, "\xFF\xFF\xFF\xFF", L"-1"},
        {kRegSz, std::string(1, '\0'), L""},  // empty: `java` from the search path, silently
    };
    for (const auto& [type, data, home] : cases) {
        FakeMachine machine;
        machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.6", "JavaHome", type, data);
        machine.AddRuntimeFolders(home);
        EXPECT_EQ(Locate(machine).JavaHomePath, home);
        EXPECT_TRUE(machine.Ui.Messages.empty());
        EXPECT_EQ(machine.Events(L"exists " + home + L"\\").size(), home.empty() ? 0U : 4U);
    }
}

TEST(VersionNumber, ReadsNumbersAndRejectsEverythingElse) {
    const std::pair<const wchar_t*, double> numbers[] = {
        {L"1.4", 1.4}, {L"1.5", 1.5}, {L"10", 10}, {L" 1.5 ", 1.5}, {L"1.", 1},
        {L".5", 0.5},  {L"-1", -1},   {L"+2", 2},  {L"1e2", 100},   {L"9E-1", 0.9},
    };
    for (const auto& [text, value] : numbers) {
        EXPECT_DOUBLE_EQ(ParseVersionNumber(text), value) << Narrow(text);
    }
    for (const wchar_t* text : {L"", L" ", L".", L"jre", L"1_5", L"1.x", L"1,5", L"e5", L"1e", L"1e+", L"--1", L"inf",
                                L"nan", L"0x1", L"1 5", L"\x0661.5"}) {
        EXPECT_THROW(ParseVersionNumber(text), AppError) << Narrow(text);
    }
}

}  // namespace
