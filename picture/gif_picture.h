#pragma once

#include <cstdint>
#include <span>

#include "picture/bitmap.h"

// The first image of a GIF file (87a or 89a) on its logical screen. What the
// image leaves transparent or does not cover takes the colour background,
// as the window's own background shows through there. Anything that is not
// a whole, well-formed GIF gives an empty Bitmap.
Bitmap DecodeGif(std::span<const std::uint8_t> gif, std::uint32_t background);
