// The elevated run's whole input: the command line as Windows hands it
// over, against the runtimes that the same bytes register. The input reads
//   version NL JavaHome NL ... NL NL command line
// (each text a byte per character). Whatever it holds, the run may write
// only into the JavaHome of the runtime the launcher chooses, and only when
// it was handed exactly that folder.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "launcher/program_arguments.h"
#include "platform/app_error.h"
#include "runtime/runtime_choice.h"
#include "runtime/serial_support.h"

namespace {

constexpr char kRuntimeKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

// Runtime subkeys in the order registered, each with its JavaHome as REG_SZ.
class RegisteredRuntimes : public RegistryApi {
public:
    std::vector<std::pair<std::string, std::string>> Runtimes;

    long OpenKey(RegistryKey, const std::string& path, std::uint32_t, RegistryKey& opened) override {
        if (path == kRuntimeKey) {
            opened = 1;
            return kErrorSuccess;
        }
        for (std::size_t i = 0; i < Runtimes.size(); ++i) {
            if (path == std::string(kRuntimeKey) + "\\" + Runtimes[i].first) {
                opened = static_cast<RegistryKey>(i + 2);
                return kErrorSuccess;
            }
        }
        return kErrorFileNotFound;
    }
    long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) override {
        if (key != 1 || index >= Runtimes.size()) {
            return kErrorNoMoreItems;
        }
        const std::string& version = Runtimes[index].first;
        if (version.size() >= name.size()) {
            return kErrorMoreData;
        }
        name[version.copy(name.data(), version.size())] = '\0';
        return kErrorSuccess;
    }
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override {
        if (key < 2 || valueName != "JavaHome") {
            return kErrorFileNotFound;
        }
        const std::string value = Runtimes[key - 2].second + '\0';
        type = kRegSz;
        const bool fits = value.size() <= size && value.size() <= data.size();
        if (fits) {
            std::copy(value.begin(), value.end(), data.begin());
        }
        size = static_cast<std::uint32_t>(value.size());
        return fits ? kErrorSuccess : kErrorMoreData;
    }
    long CloseKey(RegistryKey) override { return kErrorSuccess; }
    std::string ToAnsi(const std::wstring& text) override { return {text.begin(), text.end()}; }
    std::wstring FromAnsi(const std::string& text) override {
        return {reinterpret_cast<const unsigned char*>(text.data()),
                reinterpret_cast<const unsigned char*>(text.data() + text.size())};
    }
};

// Every folder exists, every source is sound and no runtime has its files:
// all that stands between the input and a write is the run's own judgement.
class WritableMachine : public FileSystem {
public:
    std::vector<std::wstring> Written;
    int Open = 0;

    bool FileExists(const std::wstring& path) override { return path.starts_with(L"C:\\tarvex\\"); }
    bool FolderExists(const std::wstring&) override { return true; }
    void CopyFileIntoFolder(const std::wstring&, const std::wstring& folder) override { Written.push_back(folder); }
    FileHandle OpenHeld(const std::wstring&) override { return static_cast<FileHandle>(++Open); }
    FileProtection ProtectionOf(FileHandle) override { return {false, Account::Administrators}; }
    bool CopyIntoNewFile(FileHandle, const std::wstring& target) override {
        Written.push_back(target);
        return true;
    }
    void Close(FileHandle) override { --Open; }
};

std::wstring Widened(const std::string& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.data()),
            reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size())};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    RegisteredRuntimes registry;
    std::size_t at = 0;
    for (;;) {
        const std::size_t versionEnd = input.find('\n', at);
        if (versionEnd == std::string::npos || versionEnd == at) {
            at = versionEnd == std::string::npos ? at : versionEnd + 1;
            break;
        }
        const std::size_t homeEnd = std::min(input.find('\n', versionEnd + 1), input.size());
        registry.Runtimes.emplace_back(input.substr(at, versionEnd - at),
                                       input.substr(versionEnd + 1, homeEnd - versionEnd - 1));
        at = std::min(homeEnd + 1, input.size());
    }
    const std::wstring commandLine = Widened(input.substr(at));

    const std::optional<std::wstring> folder = SerialSupportFolderIn(SplitProgramArguments(commandLine));
    if (!folder) {
        return 0;  // an ordinary start of the launcher
    }
    WritableMachine files;
    const std::int32_t exitCode = RunSerialSupportInstaller(*folder, registry, files);
    if (exitCode != 0 && KnownErrorNumbered(exitCode).Number == 0) {
        __builtin_trap();  // an exit code the first run cannot explain
    }
    if (files.Open != 0) {
        __builtin_trap();  // a handle left open, or closed twice
    }
    if (exitCode != 0 && files.Written.empty()) {
        return 0;
    }
    std::wstring chosen;
    try {
        chosen = ChosenJavaHome(registry);
    } catch (const AppError&) {
        __builtin_trap();  // accepted although no runtime can be chosen
    }
    if (chosen.empty() || *folder != chosen) {
        __builtin_trap();  // accepted a folder other than the chosen runtime's
    }
    for (const std::wstring& written : files.Written) {
        if (!written.starts_with(chosen + L"\\")) {
            __builtin_trap();
        }
    }
    return 0;
}
