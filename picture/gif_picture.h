#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A picture as 32-bit pixels 0x00RRGGBB, rows from the top: the layout of a
// 32-bit device-independent bitmap, so Windows draws it as it is. Empty (no
// pixels) for a picture that could not be read; drawing it draws nothing.
struct Bitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

// The first image of a GIF file (87a or 89a) on its logical screen. What the
// image leaves transparent or does not cover takes the colour background,
// as the window's own background shows through there. Anything that is not
// a whole, well-formed GIF gives an empty Bitmap.
Bitmap DecodeGif(std::span<const std::uint8_t> gif, std::uint32_t background);

// picture stretched to width x height: each pixel lies between the four
// nearest of picture's, by the distance of their centres (bilinear).
Bitmap StretchBilinear(const Bitmap& picture, int width, int height);
