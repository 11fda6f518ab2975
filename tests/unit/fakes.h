#pragma once

// In-memory stand-ins for the four seams, behaving as the Windows functions
// behind them do. Files, processes and the window write to one event log, so
// that a test can check the order of effects across seams.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/app_error.h"
#include "platform/platform.h"

using EventLog = std::vector<std::wstring>;

// Thrown by FakeUi::EndProgram so that nothing after it runs.
struct ProgramEnded {
    int ExitCode;
};

// Runs part of the program; the exit code when it ended the program.
inline std::optional<int> EndedWith(const std::function<void()>& run) {
    try {
        run();
    } catch (const ProgramEnded& ended) {
        return ended.ExitCode;
    }
    return std::nullopt;
}

// The registry as flat maps: keys by full path ("HKLM\\SOFTWARE\\..."), in
// the order they were added, which is the order they enumerate in.
class FakeRegistry : public RegistryApi {
public:
    std::vector<std::string> Keys;
    std::map<RegistryKey, std::string> Handles;                           // the open keys' paths
    std::map<std::string, std::pair<std::uint32_t, std::string>> Values;  // by key path + '|' + value name: type, data
    std::function<void(std::uint32_t& size)> AfterQuery;                  // runs once, after the next query

    // Adds root\path and the keys above it.
    void AddKey(RegistryKey root, const std::string& path) {
        const std::string full = PathOf(root, path);
        for (std::size_t end = 0; end != std::string::npos;) {
            end = full.find('\\', end + 1);
            if (std::find(Keys.begin(), Keys.end(), full.substr(0, end)) == Keys.end()) {
                Keys.push_back(full.substr(0, end));
            }
        }
    }
    void SetValue(RegistryKey root, const std::string& path, const std::string& name, std::uint32_t type,
                  const std::string& data) {
        AddKey(root, path);
        Values[PathOf(root, path) + '|' + name] = {type, data};
    }

    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t, RegistryKey& opened) override {
        const std::string full = path.empty() ? Opened(root) : Opened(root) + "\\" + path;
        if (std::find(Keys.begin(), Keys.end(), full) == Keys.end() && full.find('\\') != std::string::npos) {
            return kErrorFileNotFound;
        }
        Handles[opened = nextHandle_++] = full;
        return kErrorSuccess;
    }
    long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) override {
        const std::string parent = Opened(key) + "\\";
        for (const std::string& full : Keys) {
            if (full.starts_with(parent) && full.find('\\', parent.size()) == std::string::npos && index-- == 0) {
                const std::string subKey = full.substr(parent.size());
                if (subKey.size() >= name.size()) {
                    return kErrorMoreData;
                }
                name[std::copy(subKey.begin(), subKey.end(), name.begin()) - name.begin()] = '\0';
                return kErrorSuccess;
            }
        }
        return kErrorNoMoreItems;
    }
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override {
        long code = kErrorFileNotFound;  // type and size are then left alone
        if (auto found = Values.find(Opened(key) + '|' + valueName); found != Values.end()) {
            const auto& [valueType, bytes] = found->second;
            type = valueType;
            code = bytes.size() > size ? kErrorMoreData : kErrorSuccess;
            if (code == kErrorSuccess) {
                std::copy(bytes.begin(), bytes.end(), data.begin());
            }
            size = static_cast<std::uint32_t>(bytes.size());
        }
        if (AfterQuery) {
            std::exchange(AfterQuery, nullptr)(size);
        }
        return code;
    }
    // Closing a key twice, or a root the caller owns, is a fault.
    long CloseKey(RegistryKey key) override {
        EXPECT_EQ(Handles.erase(key), 1U) << "CloseKey on a key that is not open";
        return kErrorSuccess;
    }
    std::string ToAnsi(const std::wstring& text) override { return {text.begin(), text.end()}; }  // ASCII only
    std::wstring FromAnsi(const std::string& text) override {
        return {reinterpret_cast<const unsigned char*>(text.data()),
                reinterpret_cast<const unsigned char*>(text.data() + text.size())};
    }

private:
    static std::string PathOf(RegistryKey root, const std::string& path) {
        const std::string top = root == kHkeyLocalMachine ? "HKLM" : "HKCU";
        return path.empty() ? top : top + "\\" + path;
    }
    std::string Opened(RegistryKey key) const {
        auto found = Handles.find(key);
        return found != Handles.end() ? found->second : PathOf(key, "");
    }

    RegistryKey nextHandle_ = 0x100;
};

// Files and folders as sets of full paths; every drive's root exists, and
// every folder above what is listed. What has no entry in Protections is a
// real file or folder that only administrators can change. A copy is
// logged as "write <temporary file>", then "create <file> from <source>"
// once it is moved into place, or "taken <file>" when it cannot be.
class FakeFiles : public FileSystem {
public:
    explicit FakeFiles(EventLog& log) : log_(log) {}
    std::set<std::wstring> Folders;
    std::map<std::wstring, std::uint32_t> Refused;  // path -> system code: 5 no rights, 32 in use
    std::set<std::wstring> Files;
    std::set<std::wstring> InUse;  // files another program has open
    std::map<std::wstring, FileProtection> Protections;
    std::map<FileHandle, std::wstring> Held;  // what is open now
    std::optional<AppError> WriteFailure;     // of every copy
    std::function<void()> BeforeMove;         // runs once, at the next move into place

    bool FileExists(const std::wstring& path) override {
        log_.push_back(L"exists " + path);
        return Files.count(path) != 0;
    }
    bool FolderExists(const std::wstring& path) override { return Folders.count(path) != 0; }
    FileHandle OpenHeld(const std::wstring& path, bool folder) override {
        log_.push_back(L"open " + path);
        const bool root = path.size() == 3 && path.ends_with(L":\\");
        if (!root && !Has(path)) {
            throw AppError{kErrFileNotFound, L"File not found", 2};
        }
        EXPECT_EQ(folder, Files.count(path) == 0)
            << "held as the wrong kind: " << std::string(path.begin(), path.end());
        EXPECT_TRUE(std::none_of(Held.begin(), Held.end(), [&](const auto& held) { return held.second == path; }))
            << "opened twice: " << std::string(path.begin(), path.end());
        Held[++lastHandle_] = path;
        return lastHandle_;
    }
    FileProtection ProtectionOf(FileHandle opened, const std::wstring& path) override {
        EXPECT_EQ(Held.at(opened), path);
        const auto found = Protections.find(path);
        return found != Protections.end() ? found->second : FileProtection{false, Account::Administrators};
    }
    FileHandle WriteTemporaryCopy(FileHandle source, FileHandle folder, const std::wstring& name) override {
        const std::wstring temporary = Held.at(folder) + L"\\" + name;
        log_.push_back(L"write " + temporary);
        RaiseIfRefused(temporary);
        if (WriteFailure) {
            throw *WriteFailure;
        }
        if (Has(temporary)) {
            throw AppError{kErrFileAlreadyExists, L"File already exists", 80};
        }
        Files.insert(temporary);
        Held[++lastHandle_] = temporary;
        written_[lastHandle_] = Held.at(source);
        return lastHandle_;
    }
    bool MoveIntoPlace(FileHandle written, FileHandle folder, const std::wstring& name) override {
        const std::wstring target = Held.at(folder) + L"\\" + name;
        if (BeforeMove) {
            std::exchange(BeforeMove, nullptr)();
        }
        RaiseIfRefused(target);
        if (Has(target)) {
            log_.push_back(L"taken " + target);
            return false;
        }
        log_.push_back(L"create " + target + L" from " + written_.at(written));
        Files.erase(Held.at(written));
        Files.insert(target);
        written_.erase(written);
        return true;
    }
    void RemoveFile(FileHandle folder, const std::wstring& name) override {
        const std::wstring path = Held.at(folder) + L"\\" + name;
        log_.push_back(L"remove " + path);
        if (InUse.count(path) != 0) {
            throw AppError{kErrPermissionDenied, L"Permission denied", 32};
        }
        if (Files.erase(path) == 0) {
            throw AppError{kErrFileNotFound, L"File not found", 2};
        }
    }
    // A written copy that was not moved into place goes as it closes.
    void Close(FileHandle opened) override {
        if (written_.count(opened) != 0) {
            Files.erase(Held.at(opened));
            written_.erase(opened);
        }
        EXPECT_EQ(Held.erase(opened), 1U) << "closed twice";
    }

private:
    // Whether path names a file or a folder; a folder exists when something is in it.
    bool Has(const std::wstring& path) const {
        const auto inside = [&](const std::wstring& known) { return known.starts_with(path + L"\\"); };
        return Files.count(path) != 0 || Folders.count(path) != 0 ||
               std::any_of(Folders.begin(), Folders.end(), inside) || std::any_of(Files.begin(), Files.end(), inside);
    }
    void RaiseIfRefused(const std::wstring& path) {
        if (Refused[path] != 0) {
            throw AppError{kErrPermissionDenied, L"Permission denied", Refused[path]};
        }
    }

    EventLog& log_;
    FileHandle lastHandle_ = 0;
    std::map<FileHandle, std::wstring> written_;  // copies not yet moved into place, with their sources
};

class FakeProcesses : public ProcessApi {
public:
    explicit FakeProcesses(EventLog& log) : log_(log) {}
    AppError SetFolderFailure;                         // raised when its Number is set
    AppError StartFailure;                             // raised when its Number is set
    std::map<std::uint32_t, std::uint32_t> ExitCodes;  // of the processes that can be opened
    std::function<ElevatedRun()> Elevated = [] { return ElevatedRun{}; };
    LockHandle Lock = 7;                 // 0: the wait ran out
    std::function<void()> WhileLocking;  // runs once, as another launcher would while this one waits

    std::wstring ModulePath() override { return L"C:\\Apps\\Gateway\\TarvexAdvanceSMSServer.exe"; }
    void SetCurrentFolder(const std::wstring& folder) override {
        log_.push_back(L"cd " + folder);
        if (SetFolderFailure.Number != 0) {
            throw SetFolderFailure;
        }
    }
    std::uint32_t StartHidden(const std::wstring& commandLine) override {
        log_.push_back(L"start " + commandLine);
        if (StartFailure.Number != 0) {
            throw StartFailure;
        }
        return 4242;
    }
    ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, unsigned limitMs) override {
        log_.push_back(L"elevate " + program + L" " + parameters + L" for " + std::to_wstring(limitMs) + L" ms");
        return Elevated();
    }
    // Every code as one without a classic number, with a text of its own.
    AppError SystemError(std::uint32_t code) override {
        return {static_cast<std::int32_t>(0x80070000U | code), L"System message " + std::to_wstring(code), code};
    }
    LockHandle LockNamed(const std::wstring& name, unsigned limitMs) override {
        log_.push_back(L"lock " + name + L" for " + std::to_wstring(limitMs) + L" ms");
        if (WhileLocking) {
            std::exchange(WhileLocking, nullptr)();
        }
        return Lock;
    }
    void Unlock(LockHandle lock) override {
        EXPECT_EQ(lock, Lock);
        log_.push_back(L"unlock");
    }
    // A handle is the process id plus 0x10000, so that it is never 0.
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) override {
        log_.push_back(L"open " + std::to_wstring(access) + (inherit ? L" inherit " : L" ") +
                       std::to_wstring(processId));
        return ExitCodes.count(processId) != 0 ? processId + 0x10000 : 0;
    }
    bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override {
        log_.push_back(process == 0 ? L"query without a handle" : L"query");
        auto found = ExitCodes.find(static_cast<std::uint32_t>(process - 0x10000));
        if (process == 0 || found == ExitCodes.end()) {
            return false;
        }
        exitCode = found->second;
        return true;
    }
    bool CloseHandle(ProcessHandle handle) override {
        log_.push_back(handle == 0 ? L"close without a handle" : L"close");
        return handle != 0;
    }

private:
    EventLog& log_;
};

class FakeUi : public UserInterface {
public:
    explicit FakeUi(EventLog& log) : log_(log) {}
    std::function<void()> WhileMessageOpen;  // as a tick pumped by the modal box

    void ShowMessage(const std::wstring& text) override {
        log_.push_back(L"message " + text);
        if (WhileMessageOpen) {
            WhileMessageOpen();
        }
    }
    void HideWindow() override { log_.push_back(L"hide"); }
    void SetTimerEnabled(LauncherTimer timer, bool enabled) override {
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
inline const std::wstring kFilesUnderHome[] = {L"\\lib\\ext\\Comm.jar", L"\\lib\\javax.comm.properties",
                                               L"\\bin\\Win32com.dll", L"\\lib\\ext\\jdc.jar"};
inline const std::wstring kGsmModemJar = L"C:\\tarvex\\GsmModemJar";

// A whole machine of fakes, wired to one event log.
struct FakeMachine {
    EventLog Log;
    FakeRegistry Registry;
    FakeFiles Files{Log};
    FakeProcesses Processes{Log};
    FakeUi Ui{Log};
    Platform Seams{Registry, Files, Processes, Ui};

    void AddRuntime(const std::string& version, const std::string& home) {
        Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\" + version, "JavaHome", kRegSz,
                          home + '\0');
    }
    // The runtime's folder, its lib, lib\ext and bin folders, its java.exe and, unless bare, its four support files.
    void AddRuntimeFolders(const std::wstring& home, bool bare = false) {
        Files.Folders.insert({home, home + L"\\lib", home + L"\\lib\\ext", home + L"\\bin"});
        Files.Files.insert(home + L"\\bin\\java.exe");
        for (const std::wstring& file : kFilesUnderHome) {
            if (!bare) {
                Files.Files.insert(home + file);
            }
        }
    }
    // The support files' source folder, the folder above it and the files.
    void AddSource() {
        Files.Folders.insert({L"C:\\tarvex", kGsmModemJar});
        for (const std::wstring& file : kFilesUnderHome) {
            Files.Files.insert(kGsmModemJar + file.substr(file.find_last_of(L'\\')));
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
