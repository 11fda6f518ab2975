#include <gtest/gtest.h>

#include "launcher/program_arguments.h"
#include "runtime/elevated_copy.h"

namespace {

TEST(ProgramArguments, SplitAsWindowsProgramsDoAndOnlyOnePrivateArgumentNamesAFolder) {
    struct Case {
        const wchar_t* CommandLine;
        std::vector<std::wstring> Arguments;
        std::optional<std::wstring> Folder;  // none: an ordinary start; empty: a malformed private run
    };
    const Case cases[] = {
        {L"x.exe", {}, std::nullopt},
        {LR"("C:\My Apps\x.exe" "/InstallSerialSupport:C:\Program Files\Java\jre6")",
         {LR"(/InstallSerialSupport:C:\Program Files\Java\jre6)"},
         LR"(C:\Program Files\Java\jre6)"},
        // The doubled backslash before the closing quote is one of the folder's own.
        {LR"(x.exe "/InstallSerialSupport:C:\jre6\\")", {LR"(/InstallSerialSupport:C:\jre6\)"}, LR"(C:\jre6\)"},
        // A quote in the folder splits the argument; the run refuses it.
        {LR"(x.exe "/InstallSerialSupport:C:\a"b c")", {LR"(/InstallSerialSupport:C:\ab)", L"c"}, L""},
        // Two quotes inside quotes give one and end the quoting.
        {LR"("x y"z	a\\b a\"b "a""b" "" "open end)",
         {L"z", LR"(a\\b)", LR"(a"b)", LR"(a"b ")", L"open end"},
         std::nullopt},
        {L"x.exe  \t ", {}, std::nullopt},
        {LR"(x.exe "a""b c" a\)", {LR"(a"b)", LR"(c a\)"}, std::nullopt},
        // The quote after two inside quotes opens the quoting again.
        {LR"(x.exe "a"""b c")", {LR"(a"b c)"}, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::vector<std::wstring> arguments = SplitProgramArguments(c.CommandLine);
        EXPECT_EQ(arguments, c.Arguments) << c.CommandLine;
        EXPECT_EQ(SerialSupportFolderIn(arguments), c.Folder) << c.CommandLine;
    }
}

}  // namespace
