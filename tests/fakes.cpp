#include "fakes.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <stdexcept>

namespace {

constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;

bool SameAnsiIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

void Record(EventLog* log, const std::wstring& event) {
    if (log != nullptr) {
        log->push_back(event);
    }
}

}  // namespace

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<char>(c);
    }
    return out;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// ---- registry ---------------------------------------------------------------

FakeRegistry::FakeRegistry(EventLog* log) : log_(log) {
    roots_[kHkeyLocalMachine].Name = "HKEY_LOCAL_MACHINE";
    roots_[kHkeyCurrentUser].Name = "HKEY_CURRENT_USER";
}

FakeRegistry::Key* FakeRegistry::Child(Key& key, const std::string& name) {
    for (auto& sub : key.SubKeys) {
        if (SameAnsiIgnoringCase(sub->Name, name)) {
            return sub.get();
        }
    }
    return nullptr;
}

FakeRegistry::Key& FakeRegistry::AddKey(RegistryKey root, const std::string& path) {
    Key* key = &roots_.at(root);
    if (path.empty()) {
        return *key;
    }
    for (const std::string& part : SplitPath(path)) {
        Key* next = Child(*key, part);
        if (next == nullptr) {
            key->SubKeys.push_back(std::make_unique<Key>());
            next = key->SubKeys.back().get();
            next->Name = part;
        }
        key = next;
    }
    return *key;
}

void FakeRegistry::SetValue(RegistryKey root, const std::string& path, const std::string& name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    Key& key = AddKey(root, path);
    for (Value& value : key.Values) {
        if (SameAnsiIgnoringCase(value.Name, name)) {
            value = Value{name, type, std::move(data)};
            return;
        }
    }
    key.Values.push_back(Value{name, type, std::move(data)});
}

void FakeRegistry::SetString(RegistryKey root, const std::string& path, const std::string& name,
                             const std::string& text) {
    std::vector<std::uint8_t> data = Bytes(text);
    data.push_back(0);
    SetValue(root, path, name, kRegSz, std::move(data));
}

FakeRegistry::Key* FakeRegistry::Resolve(RegistryKey handle) {
    if (auto root = roots_.find(handle); root != roots_.end()) {
        return &root->second;
    }
    if (auto open = handles_.find(handle); open != handles_.end()) {
        return open->second;
    }
    return nullptr;
}

long FakeRegistry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) {
    AccessRequested.push_back(access);
    Key* key = Resolve(root);
    if (key == nullptr) {
        return kErrorInvalidHandle;
    }
    if (!path.empty()) {
        for (const std::string& part : SplitPath(path)) {
            key = Child(*key, part);
            if (key == nullptr) {
                return kErrorFileNotFound;
            }
        }
    }
    if (!key->Readable) {
        return kErrorAccessDenied;
    }
    opened = nextHandle_++;
    handles_[opened] = key;
    Record(log_, L"registry open " + std::wstring(path.begin(), path.end()));
    return kErrorSuccess;
}

long FakeRegistry::EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) {
    Key* parent = Resolve(key);
    if (parent == nullptr) {
        return kErrorInvalidHandle;
    }
    if (index >= parent->SubKeys.size()) {
        return kErrorNoMoreItems;
    }
    const std::string& subKey = parent->SubKeys[index]->Name;
    if (subKey.size() + 1 > name.size()) {
        return kErrorMoreData;
    }
    std::copy(subKey.begin(), subKey.end(), name.begin());
    name[subKey.size()] = '\0';
    return kErrorSuccess;
}

long FakeRegistry::QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                              std::span<std::uint8_t> data, std::uint32_t& size) {
    ++QueryCount;
    long code = kErrorSuccess;
    Key* owner = Resolve(key);
    const Value* found = nullptr;
    if (owner == nullptr) {
        code = kErrorInvalidHandle;
    } else {
        for (const Value& value : owner->Values) {
            if (SameAnsiIgnoringCase(value.Name, valueName)) {
                found = &value;
            }
        }
        if (found == nullptr) {
            code = kErrorFileNotFound;  // type and size are left alone
        } else if (found->Data.size() > size || found->Data.size() > data.size()) {
            type = found->Type;
            size = static_cast<std::uint32_t>(found->Data.size());
            code = kErrorMoreData;
        } else {
            std::copy(found->Data.begin(), found->Data.end(), data.begin());
            type = found->Type;
            size = static_cast<std::uint32_t>(found->Data.size());
        }
    }
    if (AfterQuery) {
        AfterQuery(QueryCount);
    }
    return code;
}

long FakeRegistry::CloseKey(RegistryKey key) {
    if (roots_.count(key) != 0) {
        RootClosed = true;
        return kErrorSuccess;
    }
    return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

// A single-byte code page: characters below 256 map to themselves, all
// others to '?', as the system conversion does with characters it lacks.
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

// ---- files ------------------------------------------------------------------

std::wstring FakeFiles::Fold(const std::wstring& path) {
    std::wstring folded = path;
    for (wchar_t& c : folded) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return folded;
}

void FakeFiles::AddFolder(const std::wstring& folder) {
    folders_.insert(Fold(folder));
}

void FakeFiles::AddFile(const std::wstring& path, const std::string& contents) {
    files_[Fold(path)] = contents;
}

std::optional<std::string> FakeFiles::Contents(const std::wstring& path) const {
    auto found = files_.find(Fold(path));
    return found == files_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool FakeFiles::FileExists(const std::wstring& path) {
    Calls.push_back(L"exists " + path);
    Record(log_, L"exists " + path);
    return files_.count(Fold(path)) != 0;
}

void FakeFiles::CopyFileIntoFolder(const std::wstring& source, const std::wstring& folder) {
    Calls.push_back(L"copy " + source + L" -> " + folder);
    Record(log_, L"copy " + source + L" -> " + folder);
    auto found = files_.find(Fold(source));
    if (found == files_.end()) {
        throw AppError{kErrFileNotFound, L"File not found"};
    }
    if (folder.empty() || folder.back() != L'\\' || folders_.count(Fold(folder.substr(0, folder.size() - 1))) == 0) {
        throw AppError{kErrPathNotFound, L"Path not found"};
    }
    const std::wstring target = folder + source.substr(source.find_last_of(L'\\') + 1);
    if (readOnly_.count(Fold(target)) != 0) {
        throw AppError{kErrPermissionDenied, L"Permission denied"};
    }
    files_[Fold(target)] = found->second;
}

// ---- processes --------------------------------------------------------------

void FakeProcesses::SetCurrentFolder(const std::wstring& folder) {
    Calls.push_back(L"cd " + folder);
    Record(log_, L"cd " + folder);
    if (SetFolderFailure) {
        throw *SetFolderFailure;
    }
}

std::uint32_t FakeProcesses::StartHidden(const std::wstring& commandLine) {
    Calls.push_back(L"start " + commandLine);
    Record(log_, L"start " + commandLine);
    if (StartFailure) {
        throw *StartFailure;
    }
    const std::uint32_t id = NextProcessId;
    Processes[id] = Process{};
    return id;
}

ProcessHandle FakeProcesses::OpenProcess(std::uint32_t access, bool inherit, std::uint32_t processId) {
    Calls.push_back(L"open " + std::to_wstring(access) + (inherit ? L" inherit " : L" ") + std::to_wstring(processId));
    auto found = Processes.find(processId);
    if (found == Processes.end() || !found->second.Openable) {
        return 0;
    }
    const ProcessHandle handle = nextHandle_++;
    handles_[handle] = processId;
    ++openHandles_;
    return handle;
}

bool FakeProcesses::GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) {
    Calls.push_back(L"query " + std::to_wstring(process));
    auto found = handles_.find(process);
    if (found == handles_.end()) {
        return false;
    }
    exitCode = Processes.at(found->second).ExitCode;
    return true;
}

bool FakeProcesses::CloseHandle(ProcessHandle handle) {
    Calls.push_back(L"close " + std::to_wstring(handle));
    if (handles_.erase(handle) != 1) {
        throw std::logic_error("CloseHandle on a handle that is not open");
    }
    --openHandles_;
    return true;
}

// ---- user interface ---------------------------------------------------------

void FakeUi::ShowMessage(const std::wstring& text) {
    Messages.push_back(text);
    Record(log_, L"message " + text);
    if (WhileMessageOpen) {
        WhileMessageOpen();
    }
}

void FakeUi::HideWindow() {
    WindowVisible = false;
    Record(log_, L"hide");
}

void FakeUi::SetTimerEnabled(LauncherTimer timer, bool enabled) {
    (timer == LauncherTimer::Timer1 ? Timer1Enabled : Timer2Enabled) = enabled;
    Record(log_, std::wstring(timer == LauncherTimer::Timer1 ? L"timer1 " : L"timer2 ") + (enabled ? L"on" : L"off"));
}

void FakeUi::EndProgram(int exitCode) {
    Record(log_, L"end " + std::to_wstring(exitCode));
    throw ProgramEnded{exitCode};
}
