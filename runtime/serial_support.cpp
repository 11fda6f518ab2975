#include "runtime/serial_support.h"

#include <array>

#include "platform/app_error.h"

namespace {

struct SupportFile {
    const wchar_t* InstalledAs;  // javaHome + this, tested for existence
    const wchar_t* Source;
    const wchar_t* Folder;  // javaHome + this, copied into
};

constexpr std::array<SupportFile, 4> kSupportFiles = {{
    {L"\\lib\\ext\\Comm.jar", L"C:\\tarvex\\GsmModemJar\\Comm.jar", L"\\lib\\ext\\"},
    {L"\\lib\\javax.comm.properties", L"C:\\tarvex\\GsmModemJar\\javax.comm.properties", L"\\lib\\"},
    {L"\\bin\\Win32com.dll", L"C:\\tarvex\\GsmModemJar\\Win32com.dll", L"\\bin\\"},
    {L"\\lib\\ext\\jdc.jar", L"C:\\tarvex\\GsmModemJar\\jdc.jar", L"\\lib\\ext\\"},
}};

}  // namespace

void InstallSerialSupport(const std::wstring& javaHome, FileSystem& files, UserInterface& ui) {
    try {
        for (const SupportFile& file : kSupportFiles) {
            // A file the runtime already has is never replaced.
            if (!files.FileExists(javaHome + file.InstalledAs)) {
                files.CopyFileIntoFolder(file.Source, javaHome + file.Folder);
            }
        }
    } catch (const AppError& error) {
        // The first failure abandons the remaining files; those copied
        // before it stay in place.
        ui.ShowMessage(error.Description);
        ui.ShowMessage(L"Error While Copying JAR File");
    }
}
