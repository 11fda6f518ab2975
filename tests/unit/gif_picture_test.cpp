#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>

#include "picture/gif_picture.h"

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

TEST(GifPicture, RefusesAnythingButAWholeGif) {
    for (std::size_t length = 0; length < kRows.size() - 1; ++length) {  // all but the trailer is needed
        EXPECT_TRUE(DecodeGif(std::span(kRows).first(length), 0).Pixels.empty()) << length;
    }
    std::vector<std::uint8_t> gif(kRows.begin(), kRows.end());
    const auto refused = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> changed = gif;
        changed[at] = value;
        return DecodeGif(changed, 0).Pixels.empty();
    };
    EXPECT_TRUE(refused(4, '8'));                 // GIF88a
    EXPECT_TRUE(refused(74, 5));                  // reaching outside the screen
    EXPECT_TRUE(refused(kImageFlags + 1, 9));     // codes wider than 12 bits
    EXPECT_TRUE(refused(kImageFlags + 4, 0xFF));  // a code naming no entry yet
    gif[kImageFlags + 2] = 7;                     // fewer pixels than the image has,
    gif[kImageFlags + 3 + 7] = 0;                 // in whole blocks
    EXPECT_TRUE(DecodeGif(gif, 0).Pixels.empty());
}

TEST(GifPicture, StretchesBetweenPixelCentres) {
    const std::vector<std::uint32_t> ends{0x000000, 0xFF8040};
    const std::vector<std::uint32_t> between{0x000000, 0x402010, 0xBF6030, 0xFF8040};
    EXPECT_EQ(StretchBilinear(Bitmap{2, 1, ends}, 4, 1).Pixels, between);
    EXPECT_EQ(StretchBilinear(Bitmap{1, 2, ends}, 1, 4).Pixels, between);
    EXPECT_TRUE(StretchBilinear(Bitmap{}, 4, 4).Pixels.empty());
}

}  // namespace
