#pragma once

// In-memory stand-ins for the four seams, behaving as the Windows functions
// behind them do. All of them write to one shared event log, so a test can
// check the order of effects across seams.

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
    struct Value {
        std::string Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
    };
    struct Key {
        std::string Name;
        bool Readable = true;
        std::vector<std::unique_ptr<Key>> SubKeys;  // in enumeration order
        std::vector<Value> Values;
    };

    explicit FakeRegistry(EventLog* log = nullptr);

    // Creates root\path (every missing component) and returns it.
    Key& AddKey(RegistryKey root, const std::string& path);
    void SetValue(RegistryKey root, const std::string& path, const std::string& name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    void SetString(RegistryKey root, const std::string& path, const std::string& name, const std::string& text);

    // Keys opened through OpenKey and not yet closed.
    [[nodiscard]] std::size_t OpenHandles() const { return handles_.size(); }
    int QueryCount = 0;
    std::vector<std::uint32_t> AccessRequested;
    bool RootClosed = false;
    // Runs after every QueryValue call, to change the registry between queries.
    std::function<void(int queryNumber)> AfterQuery;

    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) override;
    long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override;
    long CloseKey(RegistryKey key) override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;

private:
    Key* Resolve(RegistryKey handle);
    static Key* Child(Key& key, const std::string& name);

    EventLog* log_;
    std::map<RegistryKey, Key> roots_;
    std::map<RegistryKey, Key*> handles_;
    RegistryKey nextHandle_ = 0x100;
};

class FakeFiles : public FileSystem {
public:
    explicit FakeFiles(EventLog* log = nullptr) : log_(log) {}

    void AddFolder(const std::wstring& folder);
    void AddFile(const std::wstring& path, const std::string& contents);
    void MakeReadOnly(const std::wstring& path) { readOnly_.insert(Fold(path)); }
    [[nodiscard]] std::optional<std::string> Contents(const std::wstring& path) const;

    std::vector<std::wstring> Calls;  // "exists <path>", "copy <source> -> <folder>"

    bool FileExists(const std::wstring& path) override;
    void CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) override;

private:
    static std::wstring Fold(const std::wstring& path);
    EventLog* log_;
    std::map<std::wstring, std::string> files_;
    std::set<std::wstring> folders_;
    std::set<std::wstring> readOnly_;
};

class FakeProcesses : public ProcessApi {
public:
    struct Process {
        std::uint32_t ExitCode = kStillActive;
        bool Openable = true;
    };

    explicit FakeProcesses(EventLog* log = nullptr) : log_(log) {}

    std::wstring Module = L"C:\\Apps\\Gateway\\TarvexAdvanceSMSServer.exe";
    std::optional<AppError> SetFolderFailure;
    std::optional<AppError> StartFailure;
    std::uint32_t NextProcessId = 4242;
    std::map<std::uint32_t, Process> Processes;
    std::vector<std::wstring> Calls;
    [[nodiscard]] int OpenHandles() const { return openHandles_; }

    std::wstring ModulePath() override { return Module; }
    void SetCurrentFolder(const std::wstring& folder) override;
    std::uint32_t StartHidden(const std::wstring& commandLine) override;
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) override;
    bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override;
    bool CloseHandle(ProcessHandle handle) override;

private:
    EventLog* log_;
    std::map<ProcessHandle, std::uint32_t> handles_;
    ProcessHandle nextHandle_ = 0x40;
    int openHandles_ = 0;
};

class FakeUi : public UserInterface {
public:
    explicit FakeUi(EventLog* log = nullptr) : log_(log) {}

    std::vector<std::wstring> Messages;
    bool WindowVisible = true;
    bool Timer1Enabled = true;
    bool Timer2Enabled = false;
    // Runs while a message box is open, as a pumped Timer1 tick would.
    std::function<void()> WhileMessageOpen;

    void ShowMessage(const std::wstring& text) override;
    void HideWindow() override;
    void SetTimerEnabled(LauncherTimer timer, bool enabled) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    EventLog* log_;
};

// Test text helpers: UTF-16 for messages, bytes for registry data.
std::string Narrow(const std::wstring& text);
std::vector<std::uint8_t> Bytes(const std::string& text);

inline constexpr char kRuntimeKeyAnsi[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

// A whole machine of fakes, wired to one event log.
struct FakeMachine {
    EventLog Log;
    FakeRegistry Registry{&Log};
    FakeFiles Files{&Log};
    FakeProcesses Processes{&Log};
    FakeUi Ui{&Log};
    Platform Seams{Registry, Files, Processes, Ui};

    // Registers a runtime version whose JavaHome is home.
    void AddRuntime(const std::string& version, const std::string& home) {
        Registry.SetString(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\" + version, "JavaHome", home);
    }
    // Gives the runtime at home all four support files.
    void CompleteRuntime(const std::wstring& home) {
        for (const wchar_t* file : {L"\\lib\\ext\\Comm.jar", L"\\lib\\javax.comm.properties", L"\\bin\\Win32com.dll",
                                    L"\\lib\\ext\\jdc.jar"}) {
            Files.AddFile(home + file, "present");
        }
    }
};
