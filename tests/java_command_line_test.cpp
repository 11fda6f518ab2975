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
    const std::wstring command = BuildJavaCommandLine(LR"(C:\Program Files\Java\jre6)", LR"(C:\Apps\Gateway)");
    EXPECT_EQ(command, LR"("C:\Program Files\Java\jre6\bin\java.exe" -classpath )" + kClassPath +
                           L" JavaSwingClasses.MainFrame");
    EXPECT_EQ(command.size(), 550U);
}

TEST(JavaCommandLine, NoRuntimeStartsJavaFromTheSearchPath) {
    const std::wstring command = BuildJavaCommandLine(L"", LR"(C:\Apps\Gateway)");
    EXPECT_EQ(command, L"java -classpath " + kClassPath + L" JavaSwingClasses.MainFrame");
    EXPECT_EQ(command.size(), 513U);
}

TEST(JavaCommandLine, FoldersAreInsertedUnchanged) {
    struct Case {
        std::wstring JavaHome;
        std::wstring Folder;
        std::wstring Begins;
        std::wstring FirstEntry;
    };
    const Case cases[] = {
        // A drive's root folder keeps its backslash, so the seam doubles it.
        {LR"(D:\)", LR"(E:\)", LR"("D:\\bin\java.exe" -classpath ")", LR"("E:\\SMSServer\lib\comm.jar";)"},
        {LR"(C:\Java\jre 1.6)", LR"(C:\My Apps\SMS Gate)", LR"("C:\Java\jre 1.6\bin\java.exe" -classpath ")",
         LR"("C:\My Apps\SMS Gate\SMSServer\lib\comm.jar";)"},
    };
    for (const Case& c : cases) {
        const std::wstring command = BuildJavaCommandLine(c.JavaHome, c.Folder);
        EXPECT_EQ(command.rfind(c.Begins, 0), 0U) << command.c_str();
        EXPECT_NE(command.find(c.FirstEntry), std::wstring::npos) << command.c_str();
        // Every entry names the application folder; nothing tests that they exist.
        std::size_t entries = 0;
        for (std::size_t at = command.find(L"\"" + c.Folder); at != std::wstring::npos;
             at = command.find(L"\"" + c.Folder, at + 1)) {
            ++entries;
        }
        EXPECT_EQ(entries, 10U);
        EXPECT_TRUE(command.ends_with(L"\\SMSServer\" JavaSwingClasses.MainFrame"));
    }
}

TEST(JavaCommandLine, ClassPathIsOneArgumentOfTenQuotedEntries) {
    // With folders free of quotes, semicolons and blanks, the structure shows:
    // one quote pair per entry plus the program's, nine separators, three blanks.
    const std::wstring command = BuildJavaCommandLine(LR"(C:\jre)", LR"(C:\App)");
    EXPECT_EQ(std::count(command.begin(), command.end(), L'"'), 22);
    EXPECT_EQ(std::count(command.begin(), command.end(), L';'), 9);
    EXPECT_EQ(std::count(command.begin(), command.end(), L' '), 3);
}

}  // namespace
