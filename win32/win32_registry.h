#pragma once

#include "platform/registry_api.h"

// The registry seam over advapi32's ANSI functions.
class Win32Registry : public RegistryApi {
public:
    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) override;
    long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type, std::span<std::uint8_t> data,
                    std::uint32_t& size) override;
    long CloseKey(RegistryKey key) override;

    // Conversions in the system ANSI code page. Both keep NULs inside the
    // text; a character the code page lacks becomes its default character.
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;
};
