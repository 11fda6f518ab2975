#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A picture as 32-bit pixels 0x00RRGGBB, rows from the top: the layout of a
// 32-bit device-independent bitmap, so Windows draws it as it is. Empty (no
// pixels) for a picture that could not be read; drawing it draws nothing.
struct Bitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

// Where pixel x, y lies among the pixels of a picture width pixels wide.
inline std::size_t PixelAt(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}
