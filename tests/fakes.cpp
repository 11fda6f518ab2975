#include "fakes.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

FakeRegistry::Key* Child(FakeRegistry::Key& key, const std::string& name) {
    for (auto& sub : key.SubKeys) {
        if (SameIgnoringCase(sub->Name, name)) {
            return sub.get();
        }
    }
    return nullptr;
}

// Walks path below key; with create, adds what is missing.
FakeRegistry::Key* Walk(FakeRegistry::Key* key, const std::string& path, bool create) {
    std::size_t start = 0;
    while (key != nullptr && !path.empty() && start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string part = path.substr(start, end - start);
        FakeRegistry::Key* next = Child(*key, part);
        if (next == nullptr && create) {
            key->SubKeys.push_back(std::make_unique<FakeRegistry::Key>());
            next = key->SubKeys.back().get();
            next->Name = part;
        }
        key = next;
        start = end + 1;
    }
    return key;
}

}  // namespace

std::string Narrow(const std::wstring& text) { return {text.begin(), text.end()}; }

FakeRegistry::Key& FakeRegistry::AddKey(RegistryKey root, const std::string& path) {
    return *Walk(&roots_[root], path, true);
}

FakeRegistry::Key* FakeRegistry::Resolve(RegistryKey handle) {
    if (handle == kHkeyLocalMachine || handle == kHkeyCurrentUser) {
        return &roots_[handle];
    }
    auto open = handles_.find(handle);
    return open == handles_.end() ? nullptr : open->second;
}

long FakeRegistry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) {
    OnlyKeyReadAsked = OnlyKeyReadAsked && access == kKeyRead;
    Key* key = Walk(Resolve(root), path, false);
    if (key == nullptr) {
        return kErrorFileNotFound;
    }
    if (!key->Readable) {
        return 5;  // ERROR_ACCESS_DENIED
    }
    opened = nextHandle_++;
    handles_[opened] = key;
    log_.push_back(L"registry open " + std::wstring(path.begin(), path.end()));
    return kErrorSuccess;
}

long FakeRegistry::EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) {
    Key* parent = Resolve(key);
    if (parent == nullptr || index >= parent->SubKeys.size()) {
        return kErrorNoMoreItems;
    }
    const std::string& subKey = parent->SubKeys[index]->Name;
    if (subKey.size() >= name.size()) {
        return kErrorMoreData;
    }
    std::copy(subKey.begin(), subKey.end(), name.begin());
    name[subKey.size()] = '\0';
    return kErrorSuccess;
}

long FakeRegistry::QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                              std::span<std::uint8_t> data, std::uint32_t& size) {
    ++QueryCount;
    long code = kErrorFileNotFound;  // type and size are then left alone
    Key* owner = Resolve(key);
    if (auto found = owner->Values.find(valueName); found != owner->Values.end()) {
        const auto& [valueType, bytes] = found->second;
        type = valueType;
        code = bytes.size() > size ? kErrorMoreData : kErrorSuccess;
        if (code == kErrorSuccess) {
            std::copy(bytes.begin(), bytes.end(), data.begin());
        }
        size = static_cast<std::uint32_t>(bytes.size());
    }
    if (AfterQuery) {
        AfterQuery(QueryCount);
    }
    return code;
}

long FakeRegistry::CloseKey(RegistryKey key) {
    RootClosed = RootClosed || key == kHkeyLocalMachine || key == kHkeyCurrentUser;
    return handles_.erase(key) == 1 ? kErrorSuccess : 6;  // ERROR_INVALID_HANDLE
}

std::string FakeRegistry::ToAnsi(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<unsigned>(c) < 256 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::wstring FakeRegistry::FromAnsi(const std::string& text) {
    std::wstring out;
    for (char c : text) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return out;
}

bool FakeFiles::FileExists(const std::wstring& path) {
    log_.push_back(L"exists " + path);
    return Files.count(path) != 0;
}

void FakeFiles::CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) {
    log_.push_back(L"copy " + source + L" -> " + folder);
    auto found = Files.find(source);
    if (found == Files.end()) {
        throw AppError{kErrFileNotFound, L"File not found"};
    }
    if (Folders.count(folder.substr(0, folder.size() - 1)) == 0) {
        throw AppError{kErrPathNotFound, L"Path not found"};
    }
    const std::wstring target = folder + source.substr(source.find_last_of(L'\\') + 1);
    if (ReadOnly.count(target) != 0) {
        throw AppError{kErrPermissionDenied, L"Permission denied"};
    }
    Files[target] = found->second;
}

void FakeProcesses::SetCurrentFolder(const std::wstring& folder) {
    log_.push_back(L"cd " + folder);
    if (SetFolderFailure) {
        throw AppError(*SetFolderFailure);
    }
}

std::uint32_t FakeProcesses::StartHidden(const std::wstring& commandLine) {
    log_.push_back(L"start " + commandLine);
    if (StartFailure) {
        throw AppError(*StartFailure);
    }
    Processes[NextProcessId] = Process{};
    return NextProcessId;
}

ProcessHandle FakeProcesses::OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) {
    log_.push_back(L"open " + std::to_wstring(access) + (inherit ? L" inherit " : L" ") + std::to_wstring(processId));
    auto found = Processes.find(processId);
    if (found == Processes.end() || !found->second.Openable) {
        return 0;
    }
    const ProcessHandle handle = nextHandle_++;
    handles_[handle] = processId;
    ++OpenHandles;
    return handle;
}

bool FakeProcesses::GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) {
    log_.push_back(L"query " + std::to_wstring(process));
    auto found = handles_.find(process);
    if (found == handles_.end()) {
        return false;
    }
    exitCode = Processes.at(found->second).ExitCode;
    return true;
}

bool FakeProcesses::CloseHandle(ProcessHandle handle) {
    log_.push_back(L"close");
    if (handles_.erase(handle) != 1) {
        throw std::logic_error("CloseHandle on a handle that is not open");
    }
    --OpenHandles;
    return true;
}

void FakeUi::ShowMessage(const std::wstring& text) {
    Messages.push_back(text);
    log_.push_back(L"message " + text);
    if (WhileMessageOpen) {
        WhileMessageOpen();
    }
}

void FakeUi::SetTimerEnabled(LauncherTimer timer, bool enabled) {
    if (timer == LauncherTimer::Timer2) {
        Timer2Enabled = enabled;
    }
    log_.push_back(std::wstring(timer == LauncherTimer::Timer1 ? L"timer1 " : L"timer2 ") + (enabled ? L"on" : L"off"));
}

void FakeUi::EndProgram(int exitCode) {
    log_.push_back(L"end " + std::to_wstring(exitCode));
    throw ProgramEnded{exitCode};
}

void FakeMachine::AddRuntimeFolders(const std::wstring& home, bool bare) {
    for (const wchar_t* folder : {L"\\lib", L"\\lib\\ext", L"\\bin"}) {
        Files.Folders.insert(home + folder);
    }
    for (const wchar_t* file :
         {L"\\lib\\ext\\Comm.jar", L"\\lib\\javax.comm.properties", L"\\bin\\Win32com.dll", L"\\lib\\ext\\jdc.jar"}) {
        if (!bare) {
            Files.Files[home + file] = "present";
        }
    }
}

void FakeMachine::AddSupportSources() {
    for (const wchar_t* name : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
        Files.Files[std::wstring(L"C:\\tarvex\\GsmModemJar\\") + name] = "source";
    }
}

std::vector<std::wstring> FakeMachine::Events(const std::wstring& prefix) const {
    std::vector<std::wstring> events;
    for (const std::wstring& event : Log) {
        if (event.starts_with(prefix)) {
            events.push_back(event.substr(prefix.size()));
        }
    }
    return events;
}
