#pragma once

#include <charconv>
#include <cstdint>
#include <string>

// An integer in decimal. std::to_chars rather than std::to_wstring: the
// latter brings mingw-w64's whole wide printf into the program.
inline std::wstring DecimalText(std::int64_t number) {
    char digits[24];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), number);
    return {std::begin(digits), end.ptr};
}
