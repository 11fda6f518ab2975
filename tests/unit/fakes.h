#pragma once

// In-memory stand-ins for the four seams, behaving as the Windows functions
// behind them do. All write to one event log, so that a test can check the
// order of effects across seams.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "platform/platform.h"

using EventLog = std::vector<std::wstring>;

// Thrown by FakeUi::EndProgram so that nothing after it runs.
struct ProgramEnded {
    int ExitCode;
};

inline std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

inline std::string Narrow(const std::wstring& text) { return {text.begin(), text.end()}; }

class FakeRegistry : public RegistryApi {
public:
    struct Key {
        std::string Name;
        std::vector<std::unique_ptr<Key>> SubKeys;  // in enumeration order
        std::map<std::string, std::pair<std::uint32_t, std::string>> Values;
        bool Readable = true;
    };

    explicit FakeRegistry(EventLog& log) : log_(log) {}

    // Finds root\path, creating what is missing when asked to.
    Key* Find(RegistryKey root, const std::string& path, bool create = true) {
        auto opened = handles_.find(root);
        Key* key = root == kHkeyLocalMachine || root == kHkeyCurrentUser ? &roots_[root]
                   : opened == handles_.end()                            ? nullptr
                                                                         : opened->second;
        for (std::size_t start = 0; key != nullptr && !path.empty() && start <= path.size();) {
            const std::size_t end = std::min(path.find('\\', start), path.size());
            const std::string part = path.substr(start, end - start);
            auto sub =
                std::find_if(key->SubKeys.begin(), key->SubKeys.end(), [&](const auto& k) { return k->Name == part; });
            if (sub == key->SubKeys.end() && create) {
                key->SubKeys.push_back(std::make_unique<Key>(Key{part, {}, {}, true}));
                sub = key->SubKeys.end() - 1;
            }
            key = sub == key->SubKeys.end() ? nullptr : sub->get();
            start = end + 1;
        }
        return key;
    }
    void SetValue(RegistryKey root, const std::string& path, const std::string& name, std::uint32_t type,
                  const std::string& data) {
        Find(root, path)->Values[name] = {type, data};
    }

    std::size_t OpenHandles() const { return handles_.size(); }
    int QueryCount = 0;
    bool RootClosed = false;
    std::function<void(int queryNumber)> AfterQuery;  // changes the registry between queries

    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t, RegistryKey& opened) override {
        Key* key = Find(root, path, false);
        if (key == nullptr || !key->Readable) {
            return key == nullptr ? kErrorFileNotFound : 5;  // ERROR_ACCESS_DENIED
        }
        handles_[opened = nextHandle_++] = key;
        log_.push_back(L"registry open " + Widen(path));
        return kErrorSuccess;
    }
    long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) override {
        Key* parent = Find(key, "", false);
        if (index >= parent->SubKeys.size()) {
            return kErrorNoMoreItems;
        }
        const std::string& subKey = parent->SubKeys[index]->Name;
        if (subKey.size() >= name.size()) {
            return kErrorMoreData;
        }
        name[std::copy(subKey.begin(), subKey.end(), name.begin()) - name.begin()] = '\0';
        return kErrorSuccess;
    }
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override {
        long code = kErrorFileNotFound;  // type and size are then left alone
        const auto& values = Find(key, "", false)->Values;
        if (auto found = values.find(valueName); found != values.end()) {
            const auto& [valueType, bytes] = found->second;
            type = valueType;
            code = bytes.size() > size ? kErrorMoreData : kErrorSuccess;
            if (code == kErrorSuccess) {
                std::copy(bytes.begin(), bytes.end(), data.begin());
            }
            size = static_cast<std::uint32_t>(bytes.size());
        }
        ++QueryCount;
        if (AfterQuery) {
            AfterQuery(QueryCount);
        }
        return code;
    }
    long CloseKey(RegistryKey key) override {
        RootClosed = RootClosed || key == kHkeyLocalMachine || key == kHkeyCurrentUser;
        return handles_.erase(key) == 1 ? kErrorSuccess : 6;  // ERROR_INVALID_HANDLE
    }
    // A single-byte code page: characters above 255 become '?', as the
    // system conversion does with characters its code page lacks.
    std::string ToAnsi(const std::wstring& text) override {
        std::string ansi;
        for (wchar_t c : text) {
            ansi += static_cast<unsigned>(c) < 256 ? static_cast<char>(c) : '?';
        }
        return ansi;
    }
    std::wstring FromAnsi(const std::string& text) override { return Widen(text); }

private:
    EventLog& log_;
    std::map<RegistryKey, Key> roots_;
    std::map<RegistryKey, Key*> handles_;
    RegistryKey nextHandle_ = 0x100;
};

class FakeFiles : public FileSystem {
public:
    explicit FakeFiles(EventLog& log) : log_(log) {}
    std::set<std::wstring> Folders;
    std::set<std::wstring> ReadOnly;            // refused for lack of rights
    std::set<std::wstring> InUse;               // refused as open in another program
    std::map<std::wstring, std::string> Files;  // path -> contents

    bool FileExists(const std::wstring& path) override {
        log_.push_back(L"exists " + path);
        return Files.count(path) != 0;
    }
    bool FolderExists(const std::wstring& path) override { return Folders.count(path) != 0; }
    void CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) override {
        log_.push_back(L"copy " + source + L" -> " + folder);
        const std::wstring target = folder + source.substr(source.find_last_of(L'\\') + 1);
        if (Files.count(source) == 0) {
            throw AppError{kErrFileNotFound, L"File not found"};
        }
        if (Folders.count(folder.substr(0, folder.size() - 1)) == 0) {
            throw AppError{kErrPathNotFound, L"Path not found"};
        }
        if (ReadOnly.count(target) != 0 || InUse.count(target) != 0) {
            throw AppError{kErrPermissionDenied, L"Permission denied", ReadOnly.count(target) != 0 ? 5U : 32U};
        }
        Files[target] = Files[source];
    }

private:
    EventLog& log_;
};

class FakeProcesses : public ProcessApi {
public:
    explicit FakeProcesses(EventLog& log) : log_(log) {}
    struct Process {
        std::uint32_t ExitCode = kStillActive;
        bool Openable = true;
    };
    std::optional<AppError> SetFolderFailure;
    std::optional<AppError> StartFailure;
    std::map<std::uint32_t, Process> Processes;                      // by id
    std::function<AppError()> Elevated = [] { return AppError{}; };  // the elevated run's outcome
    int OpenHandles = 0;

    std::wstring ModulePath() override { return L"C:\\Apps\\Gateway\\TarvexAdvanceSMSServer.exe"; }
    void SetCurrentFolder(const std::wstring& folder) override {
        log_.push_back(L"cd " + folder);
        if (SetFolderFailure) {
            throw AppError(*SetFolderFailure);
        }
    }
    std::uint32_t StartHidden(const std::wstring& commandLine) override {
        log_.push_back(L"start " + commandLine);
        if (StartFailure) {
            throw AppError(*StartFailure);
        }
        Processes[4242] = Process{};
        return 4242;
    }
    AppError RunElevated(const std::wstring& program, const std::wstring& parameters) override {
        log_.push_back(L"elevate " + program + L" " + parameters);
        return Elevated();
    }
    // A handle is the process id plus 0x10000, so that it is never 0.
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) override {
        log_.push_back(L"open " + std::to_wstring(access) + (inherit ? L" inherit " : L" ") +
                       std::to_wstring(processId));
        auto found = Processes.find(processId);
        const bool opens = found != Processes.end() && found->second.Openable;
        OpenHandles += opens ? 1 : 0;
        return opens ? processId + 0x10000 : 0;
    }
    bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override {
        log_.push_back(L"query " + std::to_wstring(process));
        auto found = Processes.find(static_cast<std::uint32_t>(process - 0x10000));
        if (process == 0 || found == Processes.end()) {
            return false;
        }
        exitCode = found->second.ExitCode;
        return true;
    }
    bool CloseHandle(ProcessHandle handle) override {
        log_.push_back(L"close");
        if (handle == 0 || OpenHandles-- == 0) {
            throw std::logic_error("CloseHandle on a handle that is not open");
        }
        return true;
    }

private:
    EventLog& log_;
};

class FakeUi : public UserInterface {
public:
    explicit FakeUi(EventLog& log) : log_(log) {}
    std::vector<std::wstring> Messages;
    bool Timer2Enabled = false;
    std::function<void()> WhileMessageOpen;  // as a tick pumped by the modal box

    void ShowMessage(const std::wstring& text) override {
        Messages.push_back(text);
        log_.push_back(L"message " + text);
        if (WhileMessageOpen) {
            WhileMessageOpen();
        }
    }
    void HideWindow() override { log_.push_back(L"hide"); }
    void SetTimerEnabled(LauncherTimer timer, bool enabled) override {
        Timer2Enabled = timer == LauncherTimer::Timer2 ? enabled : Timer2Enabled;
        log_.push_back(std::wstring(timer == LauncherTimer::Timer1 ? L"timer1 " : L"timer2 ") +
                       (enabled ? L"on" : L"off"));
    }
    [[noreturn]] void EndProgram(int exitCode) override {
        log_.push_back(L"end " + std::to_wstring(exitCode));
        throw ProgramEnded{exitCode};
    }

private:
    EventLog& log_;
};

inline constexpr char kRuntimeKeyAnsi[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
inline const std::wstring kSupportFiles[] = {L"\\lib\\ext\\Comm.jar", L"\\lib\\javax.comm.properties",
                                             L"\\bin\\Win32com.dll", L"\\lib\\ext\\jdc.jar"};

// A whole machine of fakes, wired to one event log.
struct FakeMachine {
    EventLog Log;
    FakeRegistry Registry{Log};
    FakeFiles Files{Log};
    FakeProcesses Processes{Log};
    FakeUi Ui{Log};
    Platform Seams{Registry, Files, Processes, Ui};

    void AddRuntime(const std::string& version, const std::string& home) {
        Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\" + version, "JavaHome", kRegSz,
                          home + '\0');
    }
    // The runtime's folder, its lib, lib\ext and bin folders and, unless bare, its four support files.
    void AddRuntimeFolders(const std::wstring& home, bool bare = false) {
        Files.Folders.insert({home, home + L"\\lib", home + L"\\lib\\ext", home + L"\\bin"});
        for (const std::wstring& file : kSupportFiles) {
            if (!bare) {
                Files.Files[home + file] = "present";
            }
        }
    }
    // The installation folder with all four files.
    void AddSupportSources() {
        for (const std::wstring& file : kSupportFiles) {
            Files.Files[L"C:\\tarvex\\GsmModemJar" + file.substr(file.find_last_of(L'\\'))] = "source";
        }
    }
    // The events that start with prefix, prefix removed.
    std::vector<std::wstring> Events(const std::wstring& prefix) const {
        std::vector<std::wstring> events;
        for (const std::wstring& event : Log) {
            if (event.starts_with(prefix)) {
                events.push_back(event.substr(prefix.size()));
            }
        }
        return events;
    }
};
