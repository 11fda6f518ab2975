#pragma once

#include <cstdint>
#include <span>
#include <string>

// A registry key handle as the ANSI registry functions of a 32-bit program
// see it: one of the predefined roots, or a key opened through OpenKey.
using RegistryKey = std::uint32_t;

inline constexpr RegistryKey kHkeyLocalMachine = 0x80000002U;
inline constexpr RegistryKey kHkeyCurrentUser = 0x80000001U;

inline constexpr std::uint32_t kKeyRead = 0x20019U;
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// The advapi32 ANSI registry functions, one method each, with their return
// codes passed through untouched. Texts cross this seam in the system ANSI
// code page; ToAnsi and FromAnsi are that code page's conversions.
class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA(root, path, 0, access, &opened). An empty path opens a
    // new handle to the root itself.
    virtual long OpenKey(RegistryKey root, const std::string& path, std::uint32_t access, RegistryKey& opened) = 0;

    // RegEnumKeyA(key, index, name, name.size()).
    virtual long EnumKey(RegistryKey key, std::uint32_t index, std::span<char> name) = 0;

    // RegQueryValueExA(key, valueName, 0, &type, data, &size). Size goes in
    // as the buffer's length and comes back as bytes written (0) or bytes
    // needed (ERROR_MORE_DATA); on other codes type and size may be left as
    // they were.
    virtual long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                            std::span<std::uint8_t> data, std::uint32_t& size) = 0;

    virtual long CloseKey(RegistryKey key) = 0;

    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& text) = 0;
};
