#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/serial_support.h"

namespace {

const std::wstring kHome = LR"(C:\Program Files\Java\jre6)";
const std::wstring kSource = LR"(C:\tarvex\GsmModemJar\)";

TEST(SerialSupport, CopiesOnlyWhatTheRuntimeLacksAndNeverReplacesAFile) {
    FakeMachine machine;
    machine.AddSupportSources();
    machine.AddRuntimeFolders(kHome);
    machine.Files.Files[kHome + L"\\lib\\ext\\Comm.jar"] = "mine";
    machine.Files.Files.erase(kHome + L"\\lib\\ext\\jdc.jar");
    InstallSerialSupport(kHome, machine.Files, machine.Ui);
    EXPECT_EQ(machine.Events(L"copy "), std::vector<std::wstring>{kSource + L"jdc.jar -> " + kHome + L"\\lib\\ext\\"});
    EXPECT_EQ(machine.Files.Files[kHome + L"\\lib\\ext\\jdc.jar"], "source");
    EXPECT_EQ(machine.Files.Files[kHome + L"\\lib\\ext\\Comm.jar"], "mine");
    EXPECT_TRUE(machine.Ui.Messages.empty());
}

TEST(SerialSupport, FirstFailureIsReportedTwiceAndSkipsTheRemainingRows) {
    struct Case {
        const char* Situation;
        std::function<void(FakeMachine&)> Arrange;
        std::size_t FileCalls;  // tests and copies up to the failure
        const wchar_t* Description;
    };
    const Case cases[] = {
        {"no installation folder", [](FakeMachine&) {}, 2, L"File not found"},
        {"Comm.jar present, no installation folder",
         [](FakeMachine& m) { m.Files.Files[kHome + L"\\lib\\ext\\Comm.jar"] = "mine"; }, 3, L"File not found"},
        {"runtime without lib\\ext",
         [](FakeMachine& m) {
             m.AddSupportSources();
             m.Files.Folders.erase(kHome + L"\\lib\\ext");
         },
         2, L"Path not found"},
        {"read-only Win32com.dll after two copies",
         [](FakeMachine& m) {
             m.AddSupportSources();
             m.Files.ReadOnly.insert(kHome + L"\\bin\\Win32com.dll");
         },
         6, L"Permission denied"},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddRuntimeFolders(kHome, true);
        c.Arrange(machine);
        InstallSerialSupport(kHome, machine.Files, machine.Ui);
        EXPECT_EQ(machine.Log.size() - machine.Ui.Messages.size(), c.FileCalls) << c.Situation;
        EXPECT_EQ(machine.Ui.Messages, (std::vector<std::wstring>{c.Description, L"Error While Copying JAR File"}))
            << c.Situation;
    }
}

}  // namespace
