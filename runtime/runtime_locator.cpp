#include "runtime/runtime_locator.h"

#include "platform/app_error.h"
#include "registry/registry_reader.h"
#include "runtime/runtime_choice.h"
#include "runtime/serial_support.h"

namespace {

constexpr wchar_t kNoRuntimeMessage[] =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Tarvex SMS Server 4 Huawei 3G/HSDPA for further help";
constexpr wchar_t kNoSuitableRuntimeMessage[] =
    L"Java Runtime Environment version 1.5 or higher version is not avaiable";
constexpr wchar_t kSearchFailedMessage[] = L"Error While Searching JVM on Your Machine";

// Exit code of the launcher when it refuses to start the application.
constexpr int kExitNoRuntime = 1;

}  // namespace

void LocateJavaRuntime(Platform& platform, std::wstring& javaHomePath) {
    UserInterface& ui = platform.Ui;
    try {
        RegistryApi& registry = platform.Registry;
        javaHomePath.clear();
        if (KeyExists(registry, kHkeyLocalMachine, kRuntimeKey) == 0) {
            ui.ShowMessage(kNoRuntimeMessage);
            ui.EndProgram(kExitNoRuntime);
        }
        const std::optional<std::wstring> home = ChosenJavaHome(registry, platform.Files);
        if (!home) {
            ui.ShowMessage(kNoSuitableRuntimeMessage);
            ui.EndProgram(kExitNoRuntime);
        }
        // An empty JavaHome leaves the start to `java` on the search path.
        if (!home->empty()) {
            javaHomePath = *home;
            InstallSerialSupport(*home, platform);
        }
    } catch (const AppError& error) {
        ui.ShowMessage(error.Description);
        ui.ShowMessage(kSearchFailedMessage);
        javaHomePath.clear();
    }
}
