#include "launcher/java_command_line.h"

#include <array>

namespace {

// Each class-path entry is a quote, the application folder and one of these.
constexpr std::array<const wchar_t*, 10> kClassPathTails = {
    L"\\SMSServer\\lib\\comm.jar\";",
    L"\\SMSServer\\lib\\jdc.jar\";",
    L"\\SMSServer\\lib\\jxl.jar\";",
    L"\\SMSServer\\lib\\log4j-1.2.8.jar\";",
    L"\\SMSServer\\lib\\slf4j-api-1.1.0.jar\";",
    L"\\SMSServer\\lib\\slf4j-log4j12-1.1.0.jar\";",
    L"\\SMSServer\\lib\\slf4j-simple-1.1.0.jar\";",
    L"\\SMSServer\\lib\\swing-layout-1.0.jar\";",
    L"\\SMSServer\\Tarvex_Advance_SMS_Server.jar\";",
    L"\\SMSServer\" ",
};

}  // namespace

std::wstring BuildJavaCommandLine(const std::wstring& javaHome, const std::wstring& applicationFolder) {
    std::wstring command;
    if (javaHome.empty()) {
        command = L"java ";
    } else {
        // Quoted, so that Windows neither tries C:\Program.exe first nor
        // hands java.exe a path split at the blank in "Program Files".
        command = L"\"" + javaHome + L"\\bin\\java.exe\" ";
    }
    command += L"-classpath ";
    for (const wchar_t* tail : kClassPathTails) {
        command += L"\"";
        command += applicationFolder;
        command += tail;
    }
    command += L"JavaSwingClasses.MainFrame";
    return command;
}
