#include "picture/stretch.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Where stretching puts to, one of toSize pixels, among fromSize: between
// pixels Low and High, Weight of the way to High.
struct Tap {
    int Low;
    int High;
    double Weight;
};

// Past the last pixel's centre Low is the last pixel, and High is too.
Tap TapFor(int to, int toSize, int fromSize) {
    const double at = std::max((to + 0.5) * fromSize / toSize - 0.5, 0.0);
    const int low = static_cast<int>(at);
    return {low, std::min(low + 1, fromSize - 1), at - low};
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, double across, double down) {
    std::uint32_t pixel = 0;
    for (const int shift : {16, 8, 0}) {
        const auto channel = [shift](std::uint32_t colour) { return static_cast<double>(colour >> shift & 0xFF); };
        const double top = channel(a) + (channel(b) - channel(a)) * across;
        const double bottom = channel(c) + (channel(d) - channel(c)) * across;
        pixel |= static_cast<std::uint32_t>(std::lround(top + (bottom - top) * down)) << shift;
    }
    return pixel;
}

}  // namespace

Bitmap StretchBilinear(const Bitmap& picture, int width, int height) {
    if (picture.Pixels.empty()) {
        return {};
    }
    std::vector<Tap> across(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        across[static_cast<std::size_t>(x)] = TapFor(x, width, picture.Width);
    }
    Bitmap stretched{width, height, std::vector<std::uint32_t>(PixelAt(0, height, width))};
    const auto at = [&](int x, int y) { return picture.Pixels[PixelAt(x, y, picture.Width)]; };
    for (int y = 0; y < height; ++y) {
        const Tap down = TapFor(y, height, picture.Height);
        for (int x = 0; x < width; ++x) {
            const Tap& tap = across[static_cast<std::size_t>(x)];
            stretched.Pixels[PixelAt(x, y, width)] =
                Blend(at(tap.Low, down.Low), at(tap.High, down.Low), at(tap.Low, down.High), at(tap.High, down.High),
                      tap.Weight, down.Weight);
        }
    }
    return stretched;
}
