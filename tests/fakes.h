#pragma once

// In-memory stand-ins for the four seams, behaving as the Windows functions
// behind them do. They all write to one event log, so a test can check the
// order of effects across seams.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "platform/platform.h"

using EventLog = std::vector<std::wstring>;

// Thrown by FakeUi::EndProgram so that nothing after it runs.
struct ProgramEnded {
    int ExitCode;
};

class FakeRegistry : public RegistryApi {
public:
    struct Key {
        std::string Name;
        bool Readable = true;
        std::vector<std::unique_ptr<Key>> SubKeys;  // in enumeration order
        std::map<std::string, std::pair<std::uint32_t, std::vector<std::uint8_t>>> Values;
    };

    explicit FakeRegistry(EventLog& log) : log_(log) {}

    Key& AddKey(RegistryKey root, const std::string& path);  // creates missing components
    void SetValue(RegistryKey root, const std::string& path, const std::string& name, std::uint32_t type,
                  const std::string& data) {
        AddKey(root, path).Values[name] = {type, {data.begin(), data.end()}};
    }

    std::size_t OpenHandles() const { return handles_.size(); }
    int QueryCount = 0;
    bool OnlyKeyReadAsked = true;
    bool RootClosed = false;
    std::function<void(int queryNumber)> AfterQuery;  // changes the registry between queries

    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) override;
    long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override;
    long CloseKey(RegistryKey key) override;
    // A single-byte code page: characters above 255 become '?', as the
    // system conversion does with characters its code page lacks.
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;

private:
    Key* Resolve(RegistryKey handle);
    EventLog& log_;
    std::map<RegistryKey, Key> roots_;
    std::map<RegistryKey, Key*> handles_;
    RegistryKey nextHandle_ = 0x100;
};

class FakeFiles : public FileSystem {
public:
    explicit FakeFiles(EventLog& log) : log_(log) {}
    std::set<std::wstring> Folders;
    std::set<std::wstring> ReadOnly;
    std::map<std::wstring, std::string> Files;  // path -> contents

    bool FileExists(const std::wstring& path) override;
    void CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) override;

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
    std::wstring Module = L"C:\\Apps\\Gateway\\TarvexAdvanceSMSServer.exe";
    std::optional<AppError> SetFolderFailure;
    std::optional<AppError> StartFailure;
    std::uint32_t NextProcessId = 4242;
    std::map<std::uint32_t, Process> Processes;
    int OpenHandles = 0;

    std::wstring ModulePath() override { return Module; }
    void SetCurrentFolder(const std::wstring& folder) override;
    std::uint32_t StartHidden(const std::wstring& commandLine) override;
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) override;
    bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override;
    bool CloseHandle(ProcessHandle handle) override;

private:
    EventLog& log_;
    std::map<ProcessHandle, std::uint32_t> handles_;
    ProcessHandle nextHandle_ = 0x40;
};

class FakeUi : public UserInterface {
public:
    explicit FakeUi(EventLog& log) : log_(log) {}
    std::vector<std::wstring> Messages;
    bool Timer2Enabled = false;
    std::function<void()> WhileMessageOpen;  // as a tick pumped by the modal box

    void ShowMessage(const std::wstring& text) override;
    void HideWindow() override { log_.push_back(L"hide"); }
    void SetTimerEnabled(LauncherTimer timer, bool enabled) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    EventLog& log_;
};

inline constexpr char kRuntimeKeyAnsi[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

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
    // Gives the runtime at home its lib, lib\ext and bin folders and, unless
    // bare, all four support files.
    void AddRuntimeFolders(const std::wstring& home, bool bare = false);
    void AddSupportSources();  // the installation folder with all four files
    // The events that start with prefix, prefix removed.
    std::vector<std::wstring> Events(const std::wstring& prefix) const;
};

std::string Narrow(const std::wstring& text);
