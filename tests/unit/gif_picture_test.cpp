#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>

#include "picture/gif_picture.h"
#include "picture/stretch.h"

namespace {

// Made by ImageMagick from a 3 x 8 picture whose rows each have a colour of
// their own, the middle pixel of row 4 transparent: interlaced, at (1, 2) on
// a 5 x 12 screen.
constexpr std::array<std::uint8_t, 96> kRows{
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x05, 0x00, 0x0c, 0x00, 0xf3, 0x00, 0x00, 0x8c, 0x7d, 0x19,
    0xa8, 0x64, 0x1c, 0xc4, 0x4b, 0x1f, 0x70, 0x96, 0x16, 0x54, 0xaf, 0x13, 0x38, 0xc8, 0x10, 0x1c,
    0xe1, 0x0d, 0x00, 0xfa, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04,
    0x01, 0x00, 0x00, 0x08, 0x00, 0x2c, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x08, 0x00, 0x40, 0x04,
    0x0d, 0xf0, 0xc8, 0x81, 0x46, 0xb9, 0x21, 0x9b, 0x4d, 0x3a, 0xf8, 0x42, 0x18, 0x01, 0x00, 0x3b};
// The image's flags; then the LZW code size, the length of the one data block, the block.
constexpr std::size_t kImageFlags = 78;

// The same with its colours in a table of the image's own, the screen's all
// black, and no word of transparency.
std::vector<std::uint8_t> WithColoursOfItsOwn() {
    std::vector<std::uint8_t> gif(kRows.begin(), kRows.end());
    gif[kImageFlags] = 0xc3;
    gif.insert(gif.begin() + kImageFlags + 1, kRows.begin() + 13, kRows.begin() + 61);
    std::fill(gif.begin() + 13, gif.begin() + 61, 0);
    gif.erase(gif.begin() + 61, gif.begin() + 69);  // the graphic control block
    return gif;
}

constexpr std::uint32_t kBackground = 0xC0C0FF;
constexpr std::array<std::uint32_t, 4> kFour{0x102030, 0x405060, 0x708090, 0xA0B0C0};

// A GIF89a of one row of columns pixels at the left of a screen as wide and
// high as given, in the colours kFour, whose image data is lzw: minimum
// code size 2, so clear is 4, end is 5, and codes are 3 bits wide at first.
std::vector<std::uint8_t> OneRow(int columns, int screenWidth, int screenHeight, const std::vector<std::uint8_t>& lzw) {
    std::vector<std::uint8_t> gif{'G', 'I', 'F', '8', '9', 'a'};
    const auto word = [&gif](int value) { gif.insert(gif.end(), {std::uint8_t(value), std::uint8_t(value >> 8)}); };
    word(screenWidth);
    word(screenHeight);
    gif.insert(gif.end(),
               {0x81, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0, 0x2C, 0, 0, 0, 0});
    word(columns);
    gif.insert(gif.end(), {1, 0, 0, 2});
    for (std::size_t at = 0; at < lzw.size(); at += 255) {  // sub-blocks of at most 255 bytes
        gif.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(255, lzw.size() - at)));
        const auto from = lzw.begin() + static_cast<std::ptrdiff_t>(at);
        gif.insert(gif.end(), from, from + gif.back());
    }
    gif.insert(gif.end(), {0, 0x3B});
    return gif;
}

bool Empty(const Bitmap& picture) { return picture.Width == 0 && picture.Height == 0 && picture.Pixels.empty(); }

TEST(GifPicture, PlacesInterlacedRowsOnTheScreenInTheImagesColoursWithTheBackgroundAroundAndThrough) {
    std::vector<std::uint32_t> expected(std::size_t{5} * 12, kBackground);
    for (std::uint32_t row = 0; row < 8; ++row) {
        for (std::size_t x = 1; x <= 3; ++x) {
            expected[(row + 2) * std::size_t{5} + x] = row * 28 << 16 | (250 - row * 25) << 8 | (10 + row * 3);
        }
    }
    for (const bool own : {false, true}) {
        expected[6 * 5 + 2] = own ? 0 : kBackground;  // the transparent index's colour is black
        const Bitmap picture =
            DecodeGif(own ? WithColoursOfItsOwn() : std::vector<std::uint8_t>(kRows.begin(), kRows.end()), kBackground);
        EXPECT_EQ(std::pair(picture.Width, picture.Height), std::pair(5, 12));
        EXPECT_EQ(picture.Pixels, expected) << own;
    }
}

TEST(GifPicture, DecodesTheStartUpPictureAsImageMagickDoes) {
    std::ifstream file(LAUNCHER_SPLASH_GIF, std::ios::binary);
    const std::vector<std::uint8_t> gif{std::istreambuf_iterator<char>(file), {}};
    const Bitmap picture = DecodeGif(gif, 0);
    EXPECT_EQ(std::pair(picture.Width, picture.Height), std::pair(484, 493));
    // FNV-1a of its red, green and blue bytes, as `convert splash.gif rgb:-` writes them.
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const std::uint32_t pixel : picture.Pixels) {
        for (const int shift : {16, 8, 0}) {
            hash = (hash ^ (pixel >> shift & 0xFF)) * 0x100000001b3;
        }
    }
    EXPECT_EQ(hash, 0xa76f92924ad5b079);
}

// Clear, then 0, 6 (the entry being made: 0 0) and 1 in 3 bits, and 2 in 4 bits,
// which ends the data; the same without the clear code.
const std::vector<std::uint8_t> kClearFirst{0x84, 0x23};
const std::vector<std::uint8_t> kNoClear{0x70, 0x04};

TEST(GifPicture, DecodesCodesThatWidenWithOrWithoutAClearCodeFirstUpToTheLastBit) {
    const auto [c0, c1, c2, c3] = kFour;
    for (const auto& [name, columns, lzw, pixels] :
         {std::tuple{"clear code first", 5, kClearFirst, std::vector{c0, c0, c0, c1, c2}},
          {"no clear code", 5, kNoClear, {c0, c0, c0, c1, c2}},
          {"more indices than pixels", 2, kNoClear, {c0, c0}}}) {
        EXPECT_EQ(DecodeGif(OneRow(columns, columns, 1, lzw), 0).Pixels, pixels) << name;
    }
}

// An encoder that never clears its table goes on in 12-bit codes once it is full.
TEST(GifPicture, ReadsOnOnceTheTableIsFull) {
    std::vector<std::uint8_t> lzw;
    std::vector<std::uint32_t> expected;
    std::size_t bit = 0;
    for (int i = 0, width = 3, next = 6; i < 4096; ++i) {  // indices only; each but the first makes an entry
        for (int b = 0; b < width; ++b, ++bit) {
            lzw.resize(bit / 8 + 1);
            lzw.back() = static_cast<std::uint8_t>(lzw.back() | (i % 4 >> b & 1) << bit % 8);
        }
        width += i > 0 && next < 4096 && ++next == 1 << width && width < 12 ? 1 : 0;
        expected.push_back(kFour[static_cast<std::size_t>(i % 4)]);
    }
    EXPECT_EQ(DecodeGif(OneRow(4096, 4096, 1, lzw), 0).Pixels, expected);
}

TEST(GifPicture, RefusesAnythingButAWholeGif) {
    for (std::size_t length = 0; length < kRows.size() - 1; ++length) {  // all but the trailer is needed
        EXPECT_TRUE(Empty(DecodeGif(std::vector<std::uint8_t>(kRows.begin(), kRows.begin() + length), 0))) << length;
    }
    for (const auto& [width, height, read] :
         {std::tuple{2, 4096, true}, {4096, 1, true}, {2, 4097, false}, {4097, 1, false}}) {
        EXPECT_EQ(!Empty(DecodeGif(OneRow(2, width, height, kNoClear), 0)), read) << width << " x " << height;
    }
    std::vector<std::uint8_t> gif(kRows.begin(), kRows.end());
    const auto refused = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> changed = gif;
        changed[at] = value;
        return Empty(DecodeGif(changed, 0));
    };
    EXPECT_TRUE(refused(4, '8'));                 // GIF88a
    EXPECT_TRUE(refused(74, 5));                  // reaching outside the screen
    EXPECT_TRUE(refused(kImageFlags + 1, 9));     // codes wider than 12 bits
    EXPECT_TRUE(refused(kImageFlags + 4, 0xFF));  // a code naming no entry yet
    gif[kImageFlags + 2] = 7;                     // fewer pixels than the image has,
    gif[kImageFlags + 3 + 7] = 0;                 // in whole blocks
    EXPECT_TRUE(Empty(DecodeGif(gif, 0)));
}

TEST(GifPicture, StretchesBetweenPixelCentres) {
    const std::vector<std::uint32_t> ends{0x000000, 0xFF8141};  // odd: a channel that strays changes another
    const std::vector<std::uint32_t> between{0x000000, 0x402010, 0xBF6131, 0xFF8141};
    EXPECT_EQ(StretchBilinear(Bitmap{2, 1, ends}, 4, 1).Pixels, between);
    EXPECT_EQ(StretchBilinear(Bitmap{1, 2, ends}, 1, 4).Pixels, between);
    EXPECT_EQ(StretchBilinear(Bitmap{4, 1, between}, 2, 1).Pixels, (std::vector<std::uint32_t>{0x201008, 0xDF7139}));
    EXPECT_TRUE(Empty(StretchBilinear(Bitmap{}, 4, 4)));
}

}  // namespace
