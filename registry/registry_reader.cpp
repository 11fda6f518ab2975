#include "registry/registry_reader.h"

#include <algorithm>
#include <array>
#include <cwctype>

#include "platform/app_error.h"

namespace {

constexpr std::size_t kNameBufferLength = 260;
constexpr std::size_t kFirstValueBufferLength = 1024;

// Closes a key this module opened, on every way out of the routine. A failed
// close is not reported: the caller has its answer already and could do
// nothing about it.
class OpenedKey {
public:
    OpenedKey(RegistryApi& registry, RegistryKey key) : registry_(registry), key_(key) {}
    ~OpenedKey() { registry_.CloseKey(key_); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

private:
    RegistryApi& registry_;
    RegistryKey key_;
};

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towlower(static_cast<std::wint_t>(x)) == std::towlower(static_cast<std::wint_t>(y));
    });
}

[[noreturn]] void RaiseUnsupportedType() { RaiseError(kErrUnsupportedValueType); }

// A string of zero bytes, a multi-string shorter than its two terminators,
// or a binary value without bytes has nothing to convert.
[[noreturn]] void RaiseTooShort() { RaiseError(kErrInvalidArgument); }

std::wstring AnsiPrefix(RegistryApi& registry, const std::vector<std::uint8_t>& data, std::size_t count) {
    return registry.FromAnsi(std::string(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(count)));
}

}  // namespace

void SubKeyList::Add(const std::wstring& name) {
    if (Contains(name)) {
        RaiseError(kErrDuplicateKey);
    }
    names_.push_back(name);
}

bool SubKeyList::Contains(const std::wstring& name) const {
    return std::any_of(names_.begin(), names_.end(),
                       [&](const std::wstring& listed) { return SameIgnoringCase(listed, name); });
}

std::int16_t KeyExists(RegistryApi& registry, RegistryKey root, const std::wstring& keyPath) {
    RegistryKey key = 0;
    if (registry.OpenKey(root, registry.ToAnsi(keyPath), kKeyRead, key) != kErrorSuccess) {
        return 0;
    }
    registry.CloseKey(key);
    return -1;
}

SubKeyList EnumSubKeys(RegistryApi& registry, RegistryKey root, const std::wstring& keyPath) {
    SubKeyList list;
    RegistryKey key = root;  // an empty path lists the caller's own handle
    std::optional<OpenedKey> opened;
    if (!keyPath.empty()) {
        if (registry.OpenKey(root, registry.ToAnsi(keyPath), kKeyRead, key) != kErrorSuccess) {
            return list;
        }
        opened.emplace(registry, key);
    }
    for (std::uint32_t index = 0;; ++index) {
        std::array<char, kNameBufferLength> name{};
        name.fill(' ');
        // Any failure ends the list, not only ERROR_NO_MORE_ITEMS.
        if (registry.EnumKey(key, index, name) != kErrorSuccess) {
            break;
        }
        const auto end = std::find(name.begin(), name.end(), '\0');
        list.Add(registry.FromAnsi(std::string(name.begin(), end)));
    }
    return list;
}

RegistryValue GetValue(RegistryApi& registry, RegistryKey root, const std::wstring& keyPath,
                       const std::wstring& valueName, const std::optional<RegistryValue>& defaultValue) {
    RegistryValue result = defaultValue ? *defaultValue : RegistryValue{};
    RegistryKey key = 0;
    if (registry.OpenKey(root, registry.ToAnsi(keyPath), kKeyRead, key) != kErrorSuccess) {
        return result;
    }
    const OpenedKey opened(registry, key);

    const std::string name = registry.ToAnsi(valueName);
    std::vector<std::uint8_t> buffer(kFirstValueBufferLength, 0);
    std::uint32_t type = kRegNone;
    auto size = static_cast<std::uint32_t>(buffer.size());
    long code = registry.QueryValue(key, name, type, buffer, size);
    if (code == kErrorMoreData) {
        buffer.assign(size, 0);
        size = static_cast<std::uint32_t>(buffer.size());
        code = registry.QueryValue(key, name, type, buffer, size);
    }
    // A value that cannot be read, at the first query or at a second one
    // after the value changed in between, has no type to convert.
    if (code != kErrorSuccess) {
        type = kRegNone;
    }
    // Whatever size was reported, only the buffer's own bytes are read.
    const std::size_t n = std::min<std::size_t>(size, buffer.size());

    switch (type) {
    case kRegSz:
    case kRegExpandSz:
        // The data less its terminator; NULs inside stay, references to
        // environment variables are not expanded.
        if (n < 1) {
            RaiseTooShort();
        }
        return AnsiPrefix(registry, buffer, n - 1);
    case kRegMultiSz:
        // One text, items still separated by NULs, less the final two.
        if (n < 2) {
            RaiseTooShort();
        }
        return AnsiPrefix(registry, buffer, n - 2);
    case kRegDword: {
        // The first four bytes, least significant first; a shorter value
        // reads the zero fill behind it.
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4 && i < buffer.size(); ++i) {
            bits |= static_cast<std::uint32_t>(buffer[i]) << (8 * i);
        }
        return static_cast<std::int32_t>(bits);
    }
    case kRegBinary:
        if (n == 0) {
            RaiseTooShort();
        }
        buffer.resize(n);
        return buffer;
    default:
        RaiseUnsupportedType();
    }
}
