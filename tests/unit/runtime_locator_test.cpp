#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/runtime_choice.h"
#include "runtime/runtime_locator.h"

namespace {

const std::wstring kSearchFailed = L"Error While Searching JVM on Your Machine";

TEST(RuntimeLocator, PicksFirstQualifyingSubkeyStillInstalledNotHighestOrEndsTheProgram) {
    const std::wstring noRuntime =
        L"You have not Installed Java Runtime Environment on your computer.\r\n"
        L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
        L"Please refer installtion guide of Tarvex SMS Server 4 Huawei 3G/HSDPA for further help";
    const std::wstring tooOld = L"Java Runtime Environment version 1.5 or higher version is not avaiable";
    const std::optional<int> runs;  // the program goes on
    const std::wstring kCopy = L"Error While Copying JAR File";
    using Versions = std::vector<std::string>;  // registered in this order, each as C:\jre-<version>
    struct Case {
        const char* Situation;
        std::optional<Versions> Registered;  // none: no runtime key at all
        std::optional<int> ExitCode;
        std::wstring JavaHome;
        std::vector<std::wstring> Messages;
        Versions Gone = {};        // left in the registry by an uninstaller
        Versions Unreadable = {};  // without a JavaHome value
    };
    const Case cases[] = {
        {"no runtime key", std::nullopt, 1, L"", {noRuntime}},
        {"no versions", Versions{}, 1, L"", {tooOld}},
        {"1.10 reads as 1.1", Versions{"1.4.2_19", "1.10", "-2.0"}, 1, L"", {tooOld}},
        {"the first, not the highest", Versions{"1.4.2_19", "1.6", "1.6.0_20"}, std::nullopt, L"C:\\jre-1.6", {}},
        {"1.5 qualifies", Versions{"1.5.0_22", "1.8"}, std::nullopt, L"C:\\jre-1.5.0_22", {}},
        {"a short name is read whole", Versions{"1.10", "10"}, std::nullopt, L"C:\\jre-10", {}},
        {"names after the match are not read", Versions{"1.7", "not a version"}, std::nullopt, L"C:\\jre-1.7", {}},
        {"not a number first", Versions{"jre", "1.6"}, std::nullopt, L"", {L"Type mismatch", kSearchFailed}},
        // A runtime left in the registry by its uninstaller is passed over
        // for a later one, but errors stop the search only before it.
        {"the first is gone", Versions{"1.6", "1.7"}, runs, L"C:\\jre-1.7", {}, {"1.6"}},
        {"later errors pass", Versions{"1.6", "1.4", "Beta", "1.7", "1.8"}, runs, L"C:\\jre-1.8", {}, {"1.6"}, {"1.7"}},
        {"all gone", Versions{"1.6", "1.7"}, runs, L"C:\\jre-1.6", {L"Path not found", kCopy}, {"1.6", "1.7"}},
        {"first unreadable",
         Versions{"1.6", "1.7"},
         runs,
         L"",
         {L"Unsupported value type", kSearchFailed},
         {},
         {"1.6"}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        if (c.Registered) {
            machine.Registry.AddKey(kHkeyLocalMachine, kRuntimeKeyAnsi);
            for (const std::string& version : *c.Registered) {
                const auto in = [&](const Versions& versions) {
                    return std::find(versions.begin(), versions.end(), version) != versions.end();
                };
                if (in(c.Unreadable)) {
                    machine.Registry.AddKey(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\" + version);
                } else {
                    machine.AddRuntime(version, "C:\\jre-" + version);
                }
                if (!in(c.Gone)) {
                    machine.AddRuntimeFolders(L"C:\\jre-" + std::wstring(version.begin(), version.end()));
                }
            }
        }
        std::wstring javaHomePath = L"stale";
        EXPECT_EQ(EndedWith([&] { LocateJavaRuntime(machine.Seams, javaHomePath); }), c.ExitCode) << c.Situation;
        EXPECT_EQ(javaHomePath, c.JavaHome) << c.Situation;
        EXPECT_EQ(machine.Events(L"message "), c.Messages) << c.Situation;
    }
}

TEST(RuntimeLocator, UsesJavaHomeExactlyAsReadAndCompletesThatRuntimeOnly) {
    struct Case {
        std::uint32_t Type;
        std::string Data;
        std::wstring JavaHome;
        std::vector<std::wstring> Messages;
        std::size_t FileTests;  // in JavaHome: its java.exe when the path is absolute, then the support files
    };
    const Case cases[] = {
        {kRegSz, std::string("C:\\Program Files\\Java\\jre6\\") + '\0', L"C:\\Program Files\\Java\\jre6\\", {}, 5},
        {kRegExpandSz, std::string("%ProgramFiles%\\jre7") + '\0', L"%ProgramFiles%\\jre7", {}, 4},
        {kRegDword, "\xFF\xFF\xFF\xFF", L"-1", {}, 4},
        {kRegSz, std::string(1, '\0'), L"", {}, 0},  // empty: `java` from the search path, silently
        {kRegQword, "12345678", L"", {L"Unsupported value type", kSearchFailed}, 0},
        {kRegSz, "", L"", {L"Invalid procedure call or argument", kSearchFailed}, 0},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.6", "JavaHome", c.Type,
                                  c.Data);
        machine.AddRuntimeFolders(c.JavaHome);
        std::wstring javaHomePath = L"stale";
        EXPECT_EQ(EndedWith([&] { LocateJavaRuntime(machine.Seams, javaHomePath); }), std::nullopt);
        EXPECT_EQ(javaHomePath, c.JavaHome);
        EXPECT_EQ(machine.Events(L"message "), c.Messages) << c.JavaHome;
        EXPECT_EQ(machine.Events(L"exists " + c.JavaHome + L"\\").size(), c.FileTests) << c.JavaHome;
    }
}

TEST(VersionNumber, ReadsNumbersAndRejectsEverythingElse) {
    const std::pair<const wchar_t*, double> numbers[] = {
        {L"1.4", 1.4}, {L"1.5", 1.5}, {L"10", 10}, {L" 1.5 ", 1.5}, {L"1.", 1},
        {L".5", 0.5},  {L"-1", -1},   {L"+2", 2},  {L"1e2", 100},   {L"9E-1", 0.9},
    };
    for (const auto& [text, value] : numbers) {
        EXPECT_DOUBLE_EQ(ParseVersionNumber(text), value) << text;
    }
    for (const wchar_t* text : {L"", L" ", L".", L"jre", L"1_5", L"1.x", L"1,5", L"e5", L"1e", L"1e+", L"--1", L"inf",
                                L"nan", L"0x1", L"1 5", L"\x0661.5"}) {
        EXPECT_THROW(ParseVersionNumber(text), AppError) << text;
    }
}

}  // namespace
