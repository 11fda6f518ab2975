// The copy's whole input: the command line as Windows hands it over,
// against the runtimes that the same bytes register, for the first run and
// for the elevated one. The input reads
//   version NL JavaHome NL ... NL NL command line
// (each text a byte per character). Whatever it holds, the run may write
// only into the JavaHome of the runtime the launcher chooses, and only when
// it was handed exactly that folder.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes.h"
#include "launcher/program_arguments.h"
#include "platform/app_error.h"
#include "runtime/elevated_copy.h"
#include "runtime/runtime_choice.h"
#include "runtime/runtime_locator.h"

namespace {

// Every folder exists, every source is sound and no runtime has its files:
// all that stands between the input and a write is the runs' own judgement.
// Unelevated, bin folders refuse new files, as Program Files does. A runtime
// whose folder has a '~' in it is gone, so that the choice passes some over.
class WritableMachine : public FileSystem {
public:
    std::vector<std::wstring> Written;
    std::vector<std::wstring> Opened;  // by handle - 1; empty once closed
    bool Elevated = false;

    bool FileExists(const std::wstring& path) override {
        return path.starts_with(L"C:\\tarvex\\") ||
               (path.ends_with(L"\\bin\\java.exe") && path.find(L'~') == std::wstring::npos);
    }
    bool FolderExists(const std::wstring&) override { return true; }
    FileHandle OpenHeld(const std::wstring& path, bool) override {
        Opened.push_back(path);
        return Opened.size();
    }
    FileProtection ProtectionOf(FileHandle, const std::wstring&) override { return {false, Account::Administrators}; }
    FileHandle WriteTemporaryCopy(FileHandle, FileHandle folder, const std::wstring& name) override {
        Written.push_back(Opened.at(folder - 1) + L"\\" + name);
        return OpenHeld(Written.back(), false);
    }
    bool MoveIntoPlace(FileHandle, FileHandle folder, const std::wstring& name) override {
        const std::wstring& path = Opened.at(folder - 1);
        if (!Elevated && path.ends_with(L"\\bin")) {
            throw AppError{kErrPermissionDenied, L"Permission denied", kSystemAccessDenied};
        }
        Written.push_back(path + L"\\" + name);
        return true;
    }
    void RemoveFile(FileHandle, const std::wstring&) override {
        throw AppError{kErrFileNotFound, L"File not found", 2};
    }
    void Close(FileHandle opened) override {
        if (Opened.at(opened - 1).empty()) {
            __builtin_trap();  // closed twice
        }
        Opened.at(opened - 1).clear();
    }
    bool AllClosed() const {
        return std::all_of(Opened.begin(), Opened.end(), [](const std::wstring& path) { return path.empty(); });
    }
};

// The first run's elevation is the launcher run again, with the parameters
// it was given, on the same machine.
class Relaunch : public ProcessApi {
public:
    Relaunch(RegistryApi& registry, WritableMachine& files) : registry_(registry), files_(files) {}
    std::optional<std::int32_t> ExitCode;

    std::wstring ModulePath() override { return L"C:\\Apps\\x.exe"; }
    void SetCurrentFolder(const std::wstring&) override {}
    std::uint32_t StartHidden(const std::wstring&) override { return 1; }
    ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, unsigned) override {
        const std::optional<std::wstring> folder =
            SerialSupportFolderIn(SplitProgramArguments(L"\"" + program + L"\" " + parameters));
        files_.Elevated = true;
        ExitCode = folder ? RunSerialSupportInstaller(*folder, registry_, files_) : -1;
        files_.Elevated = false;
        return {RunEnd::Exited, static_cast<std::uint32_t>(*ExitCode)};
    }
    AppError SystemError(std::uint32_t code) override { return {static_cast<std::int32_t>(code), L"System error"}; }
    LockHandle LockNamed(const std::wstring&, unsigned) override { return 1; }
    void Unlock(LockHandle) override {}
    ProcessHandle OpenProcess(std::uint32_t, bool, std::uint32_t) override { return 0; }
    bool GetExitCodeProcess(ProcessHandle, std::uint32_t&) override { return false; }
    bool CloseHandle(ProcessHandle) override { return false; }

private:
    RegistryApi& registry_;
    WritableMachine& files_;
};

// The folder a path names, as Windows reads it: '/' and '\' alike, a
// doubled separator as one, and ending in one.
std::wstring FolderText(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    path += L'\\';
    path.erase(std::unique(path.begin(), path.end(), [](wchar_t a, wchar_t b) { return a == L'\\' && b == L'\\'; }),
               path.end());
    return path;
}

// Traps unless everything written lies in the folder home names.
void WroteOnlyInto(const std::wstring& home, const WritableMachine& files) {
    for (const std::wstring& written : files.Written) {
        if (home.empty() || !written.starts_with(FolderText(home))) {
            __builtin_trap();
        }
    }
}

// The first run, as the launch sequence calls it: it writes only into the
// runtime it located, and when it asks for the elevated run, that run takes
// its argument and completes the same runtime.
void FirstRun(RegistryApi& registry) {
    WritableMachine files;
    Relaunch processes(registry, files);
    EventLog shown;
    FakeUi ui(shown);
    Platform platform{registry, files, processes, ui};
    std::wstring javaHomePath;
    if (EndedWith([&] { LocateJavaRuntime(platform, javaHomePath); })) {
        return;  // no runtime, or none new enough
    }
    WroteOnlyInto(javaHomePath, files);
    if (!files.AllClosed() || (processes.ExitCode && *processes.ExitCode != 0)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    FakeRegistry registry;
    registry.AddKey(kHkeyLocalMachine, kRuntimeKeyAnsi);
    std::size_t at = 0;
    for (;;) {
        const std::size_t versionEnd = input.find('\n', at);
        if (versionEnd == std::string::npos || versionEnd == at) {
            at = versionEnd == std::string::npos ? at : versionEnd + 1;
            break;
        }
        const std::size_t homeEnd = std::min(input.find('\n', versionEnd + 1), input.size());
        registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\" + input.substr(at, versionEnd - at),
                          "JavaHome", kRegSz, input.substr(versionEnd + 1, homeEnd - versionEnd - 1) + '\0');
        at = std::min(homeEnd + 1, input.size());
    }
    const std::wstring commandLine = registry.FromAnsi(input.substr(at));  // a byte per character

    FirstRun(registry);
    const std::optional<std::wstring> folder = SerialSupportFolderIn(SplitProgramArguments(commandLine));
    if (!folder) {
        return 0;  // an ordinary start of the launcher
    }
    WritableMachine files;
    files.Elevated = true;
    const std::int32_t exitCode = RunSerialSupportInstaller(*folder, registry, files);
    if (exitCode != 0 && KnownErrorNumbered(exitCode).Number == 0) {
        __builtin_trap();  // an exit code the first run cannot explain
    }
    if (!files.AllClosed()) {
        __builtin_trap();  // a handle left open
    }
    if (exitCode != 0 && files.Written.empty()) {
        return 0;
    }
    std::wstring chosen;
    try {
        chosen = ChosenJavaHome(registry, files).value_or(L"");
    } catch (const AppError&) {
        __builtin_trap();  // accepted although no runtime can be chosen
    }
    if (chosen.empty() || *folder != chosen) {
        __builtin_trap();  // accepted a folder other than the chosen runtime's
    }
    WroteOnlyInto(chosen, files);
    return 0;
}
