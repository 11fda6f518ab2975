// The command line over arbitrary folders: whatever the folders hold, the
// fixed pieces stand where they belong and each folder appears in full.
#include <fuzzer/FuzzedDataProvider.h>

#include "launcher/java_command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string home = input.ConsumeRandomLengthString(300);
    const std::string folder = input.ConsumeRemainingBytesAsString();
    const std::wstring javaHome(home.begin(), home.end());
    const std::wstring applicationFolder(folder.begin(), folder.end());
    const std::wstring command = BuildJavaCommandLine(javaHome, applicationFolder);

    const std::wstring program = javaHome.empty() ? L"java " : L"\"" + javaHome + L"\\bin\\java.exe\" ";
    if (!command.starts_with(program + L"-classpath \"" + applicationFolder + L"\\SMSServer\\lib\\comm.jar\";") ||
        !command.ends_with(L"\"" + applicationFolder + L"\\SMSServer\" JavaSwingClasses.MainFrame")) {
        __builtin_trap();
    }
    return 0;
}
