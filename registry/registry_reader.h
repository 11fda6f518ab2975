#pragma once

// MRegistry: read-only registry access for the runtime locator. Every call
// opens what it needs and closes it before it returns.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/registry_api.h"

// What GetValue hands back: nothing, a text, a 32-bit integer or bytes.
using RegistryValue = std::variant<std::monostate, std::wstring, std::int32_t, std::vector<std::uint8_t>>;

// Subkey names in enumeration order. Each name is also its own key, unique
// regardless of case, as in a keyed collection.
class SubKeyList {
public:
    // Raises error 457 when a name equal but for case is already listed.
    void Add(const std::wstring& name);
    [[nodiscard]] bool Contains(const std::wstring& name) const;
    [[nodiscard]] const std::vector<std::wstring>& Names() const { return names_; }

private:
    std::vector<std::wstring> names_;
};

// -1 when the key can be opened for reading, 0 otherwise. Never raises.
std::int16_t KeyExists(RegistryApi& registry, RegistryKey root, const std::wstring& keyPath);

// The direct subkeys of root\keyPath (of root itself for an empty path).
// A key that cannot be opened gives an empty list.
SubKeyList EnumSubKeys(RegistryApi& registry, RegistryKey root, const std::wstring& keyPath);

// One value converted by its registry type. A key that cannot be opened
// gives the default, or an empty value without one. A value that cannot be
// read, or whose type has no conversion, raises 1001 "Unsupported value type".
RegistryValue GetValue(RegistryApi& registry, RegistryKey root, const std::wstring& keyPath,
                       const std::wstring& valueName, const std::optional<RegistryValue>& defaultValue = std::nullopt);
