#include "picture/gif_picture.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace {

constexpr int kLargestSide = 4096;  // far beyond any start-up picture
constexpr int kCodes = 4096;        // LZW codes are at most 12 bits
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kGraphicControl = 0xF9;

// Reads the file front to back; past its end every read gives 0, which ends
// every list of blocks, and sets Failed, so that the caller checks once.
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
        for (std::uint8_t length = Byte(); length != 0; length = Byte()) {
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
    for (const auto& [start, step] : {std::pair{0, 8}, std::pair{4, 8}, std::pair{2, 4}}) {
        const int rows = (height - start + step - 1) / step;
        if (row < rows) {
            return start + row * step;
        }
        row -= rows;
    }
    return 1 + row * 2;
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
    int size = minimumSize + 1;
    int next = end + 1;
    int previous = -1;
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
        const bool making = code == next;  // the previous entry and its own first index
        if (code == end || code > next || (making && previous < 0)) {
            return false;
        }
        // One place ahead for the entry being made: its last index is its first.
        std::size_t length = making ? 1 : 0;
        int walk = making ? previous : code;
        for (; walk >= clear; walk = prefix[static_cast<std::size_t>(walk)]) {
            text[length++] = suffix[static_cast<std::size_t>(walk)];
        }
        text[length++] = static_cast<std::uint8_t>(walk);
        const std::uint8_t first = text[length - 1];
        if (making) {
            text[0] = first;
        }
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
