#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/serial_support.h"

namespace {

const std::wstring kHome = LR"(C:\Program Files\Java\jre6)";

class SerialSupport : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* folder : {L"\\lib", L"\\lib\\ext", L"\\bin"}) {
            files.AddFolder(kHome + folder);
        }
        for (const wchar_t* name : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
            files.AddFile(std::wstring(LR"(C:\tarvex\GsmModemJar\)") + name, "source");
        }
    }

    [[nodiscard]] std::vector<std::wstring> Copies() const {
        std::vector<std::wstring> copies;
        for (const std::wstring& call : files.Calls) {
            if (call.starts_with(L"copy ")) {
                copies.push_back(call.substr(5));
            }
        }
        return copies;
    }

    FakeFiles files;
    FakeUi ui;
};

TEST_F(SerialSupport, CopiesOnlyTheFilesTheRuntimeLacks) {
    files.AddFile(kHome + L"\\lib\\ext\\Comm.jar", "mine");
    files.AddFile(kHome + L"\\lib\\javax.comm.properties", "mine");
    files.AddFile(kHome + L"\\bin\\Win32com.dll", "mine");
    InstallSerialSupport(kHome, files, ui);
    EXPECT_EQ(Copies(), std::vector<std::wstring>{LR"(C:\tarvex\GsmModemJar\jdc.jar -> )" + kHome + LR"(\lib\ext\)"});
    EXPECT_EQ(files.Contents(kHome + L"\\lib\\ext\\jdc.jar"), "source");
    // Present files are never replaced, even when they differ from the source.
    EXPECT_EQ(files.Contents(kHome + L"\\lib\\ext\\Comm.jar"), "mine");
    EXPECT_TRUE(ui.Messages.empty());
}

TEST_F(SerialSupport, CompletesABareRuntimeInRowOrder) {
    InstallSerialSupport(kHome, files, ui);
    EXPECT_EQ(files.Calls, (std::vector<std::wstring>{
                               L"exists " + kHome + LR"(\lib\ext\Comm.jar)",
                               LR"(copy C:\tarvex\GsmModemJar\Comm.jar -> )" + kHome + LR"(\lib\ext\)",
                               L"exists " + kHome + LR"(\lib\javax.comm.properties)",
                               LR"(copy C:\tarvex\GsmModemJar\javax.comm.properties -> )" + kHome + LR"(\lib\)",
                               L"exists " + kHome + LR"(\bin\Win32com.dll)",
                               LR"(copy C:\tarvex\GsmModemJar\Win32com.dll -> )" + kHome + LR"(\bin\)",
                               L"exists " + kHome + LR"(\lib\ext\jdc.jar)",
                               LR"(copy C:\tarvex\GsmModemJar\jdc.jar -> )" + kHome + LR"(\lib\ext\)",
                           }));
    EXPECT_TRUE(ui.Messages.empty());
}

TEST(SerialSupportFailure, FirstFailureIsReportedTwiceAndSkipsTheRemainingRows) {
    struct Case {
        const char* Situation;
        bool Sources;
        bool CommPresent;
        bool ExtFolder;
        std::size_t CallsMade;  // tests and copies up to the failure
        const wchar_t* Description;
    };
    const Case cases[] = {
        {"no source folder", false, false, true, 2, L"File not found"},
        {"Comm.jar present, no source folder", false, true, true, 3, L"File not found"},
        {"runtime without lib\\ext", true, false, false, 2, L"Path not found"},
    };
    for (const Case& c : cases) {
        FakeFiles files;
        FakeUi ui;
        for (const wchar_t* name : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
            if (c.Sources) {
                files.AddFile(std::wstring(LR"(C:\tarvex\GsmModemJar\)") + name, "source");
            }
        }
        files.AddFolder(kHome + L"\\lib");
        files.AddFolder(kHome + L"\\bin");
        if (c.ExtFolder) {
            files.AddFolder(kHome + L"\\lib\\ext");
        }
        if (c.CommPresent) {
            files.AddFile(kHome + L"\\lib\\ext\\Comm.jar", "mine");
        }
        InstallSerialSupport(kHome, files, ui);
        EXPECT_EQ(files.Calls.size(), c.CallsMade) << c.Situation;
        EXPECT_EQ(ui.Messages, (std::vector<std::wstring>{c.Description, L"Error While Copying JAR File"}))
            << c.Situation;
    }
}

TEST_F(SerialSupport, FilesCopiedBeforeAFailureStayInPlace) {
    files.MakeReadOnly(kHome + L"\\bin\\Win32com.dll");
    files.AddFile(kHome + L"\\lib\\javax.comm.properties", "mine");
    InstallSerialSupport(kHome, files, ui);
    EXPECT_EQ(files.Contents(kHome + L"\\lib\\ext\\Comm.jar"), "source");
    EXPECT_FALSE(files.Contents(kHome + L"\\lib\\ext\\jdc.jar"));
    EXPECT_EQ(ui.Messages, (std::vector<std::wstring>{L"Permission denied", L"Error While Copying JAR File"}));
}

TEST_F(SerialSupport, HomeEndingInABackslashIsUsedUnchanged) {
    FakeFiles rootFiles;
    InstallSerialSupport(L"D:\\", rootFiles, ui);
    EXPECT_EQ(rootFiles.Calls.front(), LR"(exists D:\\lib\ext\Comm.jar)");
}

}  // namespace
