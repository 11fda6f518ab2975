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

TEST(JavaCommandLine, LocatedRuntimeStartsItsOwnJavaExeQuoted) {
    EXPECT_EQ(
        BuildJavaCommandLine(LR"(C:\Program Files\Java\jre6)", LR"(C:\Apps\Gateway)"),
        LR"("C:\Program Files\Java\jre6\bin\java.exe" -classpath )" + kClassPath + L" JavaSwingClasses.MainFrame");
}

TEST(JavaCommandLine, NoRuntimeStartsJavaFromTheSearchPath) {
    EXPECT_EQ(BuildJavaCommandLine(L"", LR"(C:\Apps\Gateway)"),
              L"java -classpath " + kClassPath + L" JavaSwingClasses.MainFrame");
}

TEST(JavaCommandLine, FoldersAreInsertedUnchangedIntoEveryEntry) {
    // A drive's root folder keeps its backslash, so the seam doubles it.
    const std::wstring atRoots = BuildJavaCommandLine(LR"(D:\)", LR"(E:\)");
    EXPECT_TRUE(atRoots.starts_with(LR"("D:\\bin\java.exe" -classpath "E:\\SMSServer\lib\comm.jar";)"));
    // Blanks stay inside the quotes, so the class path remains one argument:
    // ten quoted entries, nine separators, and blanks only around -classpath.
    const std::wstring withBlanks = BuildJavaCommandLine(LR"(C:\jre 6)", LR"(C:\My Apps)");
    EXPECT_EQ(std::count(withBlanks.begin(), withBlanks.end(), L'"'), 22);
    EXPECT_EQ(std::count(withBlanks.begin(), withBlanks.end(), L';'), 9);
    EXPECT_EQ(std::count(withBlanks.begin(), withBlanks.end(), L' '), 3 + 1 + 10);
    EXPECT_TRUE(withBlanks.ends_with(LR"(;"C:\My Apps\SMSServer" JavaSwingClasses.MainFrame)"));
}

}  // namespace
