#include "picture/gif_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace {

constexpr int kLargestSide = 4096;  // far beyond any start-up picture
constexpr int kCodes = 4096;        // LZW codes are at most 12 bits
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kGraphicControl = 0xF9;

// Reads the file front to back; past its end every read gives 0 and sets
// Failed, so that the caller checks once.
struct Reader {
    std::span<const std::uint8_t> Bytes;
    std::size_t At = 0;
    bool Failed = false;

    std::uint8_t Byte() {
        Failed = Failed || At >= Bytes.size();
        return Failed ? 0 : Bytes[At++];
    }
    int Word() {
        const int low = Byte();
        return low | Byte() << 8;
    }
    // The data sub-blocks that follow, joined: each a length byte and that
    // many bytes, up to a length of 0.
    std::vector<std::uint8_t> Blocks() {
        std::vector<std::uint8_t> data;
        for (std::uint8_t length = Byte(); length != 0 && !Failed; length = Byte()) {
            for (; length > 0; --length) {
                data.push_back(Byte());
            }
        }
        return data;
    }
};

// The colour table that flags announce (2 << (flags & 7) entries, when the
// high bit is set), in a table of 256 so that no index falls outside it;
// entries the file leaves out are black.
std::vector<std::uint32_t> ColourTable(Reader& in, std::uint8_t flags) {
    std::vector<std::uint32_t> table(256);
    const int entries = (flags & 0x80) != 0 ? 2 << (flags & 7) : 0;
    for (int entry = 0; entry < entries; ++entry) {
        const std::uint32_t red = in.Byte();
        const std::uint32_t green = in.Byte();
        table[static_cast<std::size_t>(entry)] = red << 16 | green << 8 | in.Byte();
    }
    return table;
}

// The row the image's row-th stored row belongs in: interlaced images store
// every 8th row from row 0, then every 8th from 4, every 4th from 2 and
// every 2nd from 1.
int InterlacedRow(int row, int height) {
    constexpr std::array<int, 4> kStart{0, 4, 2, 1};
    constexpr std::array<int, 4> kStep{8, 8, 4, 2};
    for (std::size_t pass = 0; pass < kStart.size(); ++pass) {
        const int rows = (height - kStart[pass] + kStep[pass] - 1) / kStep[pass];
        if (row < rows) {
            return kStart[pass] + row * kStep[pass];
        }
        row -= rows;
    }
    return 0;  // not reached: the passes hold every row
}

// Decodes the image's LZW data into count colour indices, handing each to
// put with its number. False when the data ends first or holds a code that
// names no entry yet.
template <typename Put>
bool DecodeLzw(const std::vector<std::uint8_t>& data, int minimumSize, int count, const Put& put) {
    const int clear = 1 << minimumSize;
    const int end = clear + 1;
    std::array<std::uint16_t, kCodes> prefix{};
    std::array<std::uint8_t, kCodes> suffix{};
    std::array<std::uint8_t, kCodes> text{};  // the current entry's indices, last first
    for (int code = 0; code < clear; ++code) {
        suffix[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(code);
    }
    int size = minimumSize + 1;
    int next = end + 1;
    int previous = -1;
    std::uint8_t first = 0;  // the previous entry's first index
    std::size_t bit = 0;
    int done = 0;
    while (done < count) {
        if (bit + static_cast<std::size_t>(size) > data.size() * 8) {
            return false;
        }
        int code = 0;
        for (int i = 0; i < size; ++i, ++bit) {
            code |= (data[bit / 8] >> (bit % 8) & 1) << i;
        }
        if (code == clear) {
            size = minimumSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end || code > next || (previous < 0 && code >= clear)) {
            return false;
        }
        std::size_t length = 0;
        int walk = code;
        if (code == next) {  // the entry being made: the previous one and its own first index
            text[length++] = first;
            walk = previous;
        }
        for (; walk >= clear; walk = prefix[static_cast<std::size_t>(walk)]) {
            text[length++] = suffix[static_cast<std::size_t>(walk)];
        }
        text[length++] = static_cast<std::uint8_t>(walk);
        first = text[length - 1];
        if (previous >= 0 && next < kCodes) {
            prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(next)] = first;
            ++next;
            size += next == 1 << size && size < 12 ? 1 : 0;
        }
        previous = code;
        for (; length > 0 && done < count; ++done) {
            put(done, text[--length]);
        }
    }
    return true;
}

// Where stretching puts to, one of toSize pixels, among fromSize: between
// pixels Low and High, Weight of the way to High.
struct Tap {
    int Low;
    int High;
    double Weight;
};

Tap TapFor(int to, int toSize, int fromSize) {
    const double at = std::clamp((to + 0.5) * fromSize / toSize - 0.5, 0.0, fromSize - 1.0);
    const int low = static_cast<int>(at);
    return {low, std::min(low + 1, fromSize - 1), at - low};
}

// Where pixel x, y lies among the pixels of a picture width pixels wide.
std::size_t PixelAt(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, double across, double down) {
    std::uint32_t pixel = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const auto channel = [shift](std::uint32_t colour) { return static_cast<double>(colour >> shift & 0xFF); };
        const double top = channel(a) + (channel(b) - channel(a)) * across;
        const double bottom = channel(c) + (channel(d) - channel(c)) * across;
        pixel |= static_cast<std::uint32_t>(std::lround(top + (bottom - top) * down)) << shift;
    }
    return pixel;
}

}  // namespace

Bitmap DecodeGif(std::span<const std::uint8_t> gif, std::uint32_t background) {
    Reader in{gif};
    std::array<std::uint8_t, 6> signature{};
    std::generate(signature.begin(), signature.end(), [&in] { return in.Byte(); });
    constexpr std::array<std::uint8_t, 6> k87a{'G', 'I', 'F', '8', '7', 'a'};
    constexpr std::array<std::uint8_t, 6> k89a{'G', 'I', 'F', '8', '9', 'a'};
    const int width = in.Word();
    const int height = in.Word();
    const std::uint8_t screenFlags = in.Byte();
    in.Byte();  // the background colour's index: the window's own shows instead
    in.Byte();  // the pixels' aspect ratio: square
    if ((signature != k87a && signature != k89a) || width > kLargestSide || height > kLargestSide) {
        return {};
    }
    const std::vector<std::uint32_t> global = ColourTable(in, screenFlags);
    int transparent = -1;
    std::uint8_t block = in.Byte();
    for (; block == kExtension && !in.Failed; block = in.Byte()) {
        const std::uint8_t label = in.Byte();
        const std::vector<std::uint8_t> data = in.Blocks();
        if (label == kGraphicControl && data.size() >= 4) {
            transparent = (data[0] & 1) != 0 ? data[3] : -1;
        }
    }
    const int left = in.Word();
    const int top = in.Word();
    const int columns = in.Word();
    const int rows = in.Word();
    const std::uint8_t imageFlags = in.Byte();
    const std::vector<std::uint32_t> local = ColourTable(in, imageFlags);
    const std::vector<std::uint32_t>& colours = (imageFlags & 0x80) != 0 ? local : global;
    const int minimumSize = in.Byte();
    const std::vector<std::uint8_t> data = in.Blocks();
    // An image reaching outside the screen is refused rather than cut.
    if (block != kImage || left + columns > width || top + rows > height || minimumSize > 8 || in.Failed) {
        return {};
    }
    Bitmap picture{width, height, std::vector<std::uint32_t>(PixelAt(0, height, width), background)};
    const bool interlaced = (imageFlags & 0x40) != 0;
    const auto put = [&](int number, std::uint8_t index) {
        const int y = top + (interlaced ? InterlacedRow(number / columns, rows) : number / columns);
        if (index != transparent) {
            picture.Pixels[PixelAt(left + number % columns, y, width)] = colours[index];
        }
    };
    return DecodeLzw(data, minimumSize, columns * rows, put) ? picture : Bitmap{};
}

Bitmap StretchBilinear(const Bitmap& picture, int width, int height) {
    if (picture.Pixels.empty() || width <= 0 || height <= 0) {
        return {};
    }
    std::vector<Tap> across;
    across.reserve(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        across.push_back(TapFor(x, width, picture.Width));
    }
    Bitmap stretched{width, height, {}};
    stretched.Pixels.reserve(PixelAt(0, height, width));
    const auto at = [&](int x, int y) { return picture.Pixels[PixelAt(x, y, picture.Width)]; };
    for (int y = 0; y < height; ++y) {
        const Tap down = TapFor(y, height, picture.Height);
        for (const Tap& tap : across) {
            stretched.Pixels.push_back(Blend(at(tap.Low, down.Low), at(tap.High, down.Low), at(tap.Low, down.High),
                                             at(tap.High, down.High), tap.Weight, down.Weight));
        }
    }
    return stretched;
}
