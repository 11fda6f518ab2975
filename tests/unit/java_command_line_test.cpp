#include <gtest/gtest.h>

#include <algorithm>

#include "launcher/java_command_line.h"

namespace {

const std::wstring kClassPath =
    LR"("C:\Apps\Gateway\SMSServer\lib\comm.jar";"C:\Apps\Gateway\SMSServer\lib\jdc.jar";)"
    LR"("C:\Apps\Gateway\SMSServer\lib\jxl.jar";"C:\Apps\Gateway\SMSServer\lib\log4j-1.2.8.jar";)"
    LR"("C:\Apps\Gateway\SMSServer\lib\slf4j-api-1.1.0.jar";"C:\Apps\Gateway\SMSServer\lib\slf4j-log4j12-1.1.0.jar";)"
    LR"("C:\Apps\Gateway\SMSServer\lib\slf4j-simple-1.1.0.jar";"C:\Apps\Gateway\SMSServer\lib\swing-layout-1.0.jar";)"
    LR"("C:\Apps\Gateway\SMSServer\Tarvex_Advance_SMS_Server.jar";"C:\Apps\Gateway\SMSServer")";

TEST(JavaCommandLine, StartsTheLocatedRuntimesJavaExeQuotedOrJavaFromTheSearchPath) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {LR"(C:\Program Files\Java\jre6)", LR"("C:\Program Files\Java\jre6\bin\java.exe" -classpath )"},
        {L"", L"java -classpath "},
    };
    for (const auto& [home, program] : cases) {
        EXPECT_EQ(BuildJavaCommandLine(home, LR"(C:\Apps\Gateway)"),
                  program + kClassPath + L" JavaSwingClasses.MainFrame");
    }
}

TEST(JavaCommandLine, FoldersAreInsertedUnchangedIntoEveryEntry) {
    // A drive's root folder keeps its backslash, so the path doubles it.
    // Blanks stay inside the quotes, so the class path remains one argument:
    // ten quoted entries, nine separators, and blanks only around -classpath.
    const std::wstring command = BuildJavaCommandLine(LR"(D:\)", LR"(C:\My Apps)");
    EXPECT_TRUE(command.starts_with(LR"("D:\\bin\java.exe" -classpath "C:\My Apps\SMSServer\lib\comm.jar";)"));
    EXPECT_EQ(std::count(command.begin(), command.end(), L'"'), 22);
    EXPECT_EQ(std::count(command.begin(), command.end(), L';'), 9);
    EXPECT_EQ(std::count(command.begin(), command.end(), L' '), 3 + 10);
    EXPECT_TRUE(command.ends_with(LR"(;"C:\My Apps\SMSServer" JavaSwingClasses.MainFrame)"));
}

}  // namespace
