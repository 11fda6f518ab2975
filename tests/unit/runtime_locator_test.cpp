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
    const std::wstring kCopy = L"Error While Copying JAR File";
    using Versions = std::vector<std::string>;  // registered in this order, each as C:\jre-<version>
    struct Case {
        const char* What;
        std::optional<Versions> Registered;  // none: no runtime key at all
        std::optional<int> ExitCode;         // none: the program goes on
        std::wstring JavaHome;
        std::vector<std::wstring> Boxes;
        Versions Gone = {};        // left in the registry by an uninstaller
        Versions Unreadable = {};  // without a JavaHome value
    };
    const Case cases[] = {
        {.What = "no runtime key", .ExitCode = 1, .Boxes = {noRuntime}},
        {.What = "no versions", .Registered = Versions{}, .ExitCode = 1, .Boxes = {tooOld}},
        {.What = "1.10 reads as 1.1",
         .Registered = Versions{"1.4.2_19", "1.10", "-2.0"},
         .ExitCode = 1,
         .Boxes = {tooOld}},
        {.What = "the first, not the highest",
         .Registered = Versions{"1.4.2_19", "1.6", "1.6.0_20"},
         .JavaHome = L"C:\\jre-1.6"},
        {.What = "1.5 qualifies", .Registered = Versions{"1.5.0_22", "1.8"}, .JavaHome = L"C:\\jre-1.5.0_22"},
        {.What = "a short name is read whole", .Registered = Versions{"1.10", "10"}, .JavaHome = L"C:\\jre-10"},
        {.What = "names after the match are not read",
         .Registered = Versions{"1.7", "not a version"},
         .JavaHome = L"C:\\jre-1.7"},
        {.What = "not a number first",
         .Registered = Versions{"jre", "1.6"},
         .Boxes = {L"Type mismatch", kSearchFailed}},
        // A runtime left in the registry by its uninstaller is passed over
        // for a later one, but errors stop the search only before it.
        {.What = "the first is gone",
         .Registered = Versions{"1.6", "1.7"},
         .JavaHome = L"C:\\jre-1.7",
         .Gone = {"1.6"}},
        {.What = "later errors pass",
         .Registered = Versions{"1.6", "1.4", "Beta", "1.7", "1.8"},
         .JavaHome = L"C:\\jre-1.8",
         .Gone = {"1.6"},
         .Unreadable = {"1.7"}},
        {.What = "all gone",
         .Registered = Versions{"1.6", "1.7"},
         .JavaHome = L"C:\\jre-1.6",
         .Boxes = {L"Path not found", kCopy},
         .Gone = {"1.6", "1.7"}},
        {.What = "first unreadable",
         .Registered = Versions{"1.6", "1.7"},
         .Boxes = {L"Unsupported value type", kSearchFailed},
         .Unreadable = {"1.6"}},
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
        EXPECT_EQ(EndedWith([&] { LocateJavaRuntime(machine.Seams, javaHomePath); }), c.ExitCode) << c.What;
        EXPECT_EQ(javaHomePath, c.JavaHome) << c.What;
        EXPECT_EQ(machine.Events(L"message "), c.Boxes) << c.What;
    }
}

TEST(RuntimeLocator, UsesJavaHomeExactlyAsReadAndCompletesThatRuntimeOnly) {
    struct Case {
        std::uint32_t Type;
        std::string Data;
        std::wstring JavaHome;
        std::vector<std::wstring> Boxes;
        std::size_t FileTests = 0;  // in JavaHome: its java.exe when the path is absolute, then the support files
    };
    const Case cases[] = {
        {.Type = kRegSz,
         .Data = std::string("C:\\Program Files\\Java\\jre6\\") + '\0',
         .JavaHome = L"C:\\Program Files\\Java\\jre6\\",
         .FileTests = 5},
        {.Type = kRegExpandSz,
         .Data = std::string("%ProgramFiles%\\jre7") + '\0',
         .JavaHome = L"%ProgramFiles%\\jre7",
         .FileTests = 4},
        {.Type = kRegDword, .Data = "\xFF\xFF\xFF\xFF", .JavaHome = L"-1", .FileTests = 4},
        {.Type = kRegSz, .Data = std::string(1, '\0')},  // empty: `java` from the search path, silently
        {.Type = kRegQword, .Data = "12345678", .Boxes = {L"Unsupported value type", kSearchFailed}},
        {.Type = kRegSz, .Data = "", .Boxes = {L"Invalid procedure call or argument", kSearchFailed}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.6", "JavaHome", c.Type,
                                  c.Data);
        machine.AddRuntimeFolders(c.JavaHome);
        std::wstring javaHomePath = L"stale";
        EXPECT_EQ(EndedWith([&] { LocateJavaRuntime(machine.Seams, javaHomePath); }), std::nullopt);
        EXPECT_EQ(javaHomePath, c.JavaHome);
        EXPECT_EQ(machine.Events(L"message "), c.Boxes) << c.JavaHome;
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
