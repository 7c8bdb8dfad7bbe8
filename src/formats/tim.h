#pragma once
// PlayStation TIM images and the uncompressed Windows bitmaps the textures pass through.
#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/error.h"

namespace kestrel::formats {

// One decoded 4-bit or 8-bit image as the console's texture packets use it.
struct TimImage {
    int bitsPerPixel = 0;  // 4 or 8
    std::uint16_t clutX = 0, clutY = 0;
    std::uint16_t imageX = 0, imageY = 0;
    int width = 0, height = 0;  // in pixels
    // RGBQUAD values: blue in the low byte, then green, then red, then 0.
    std::array<std::uint32_t, 256> palette{};
    // Rows bottom first, stride() bytes each; 4-bit rows hold the left pixel in the high
    // nibble, as bitmaps do.
    std::vector<std::uint8_t> pixels;

    // Row length in bytes, rounded up to a multiple of 4.
    int stride() const { return ((width * bitsPerPixel + 7) / 8 + 3) / 4 * 4; }
    bool operator==(const TimImage&) const = default;
};

// The pixel depth a TIM file declares (4, 8, 16 or 24), for callers that fall back to the
// stand-by picture on the depths the console packets cannot use.
std::expected<int, Error> timDepth(std::string_view bytes, const std::string& file);

// A TIM may hold only a colour table, for images sent on their own: where it lies in VRAM
// and its size in colours.
struct TimColourTable {
    std::uint16_t x = 0, y = 0;
    int width = 0, height = 0;
};
// The colour table when that is all the file holds (zero padding after it aside).
std::optional<TimColourTable> timColourTableOnly(std::string_view bytes);

// Reads a 4-bit or 8-bit TIM. Other depths, block lengths too short for the header's size,
// sizes beyond the file and zero or huge dimensions are errors.
std::expected<TimImage, Error> readTim(std::string_view bytes, const std::string& file);

// A 4-bit or 8-bit TIM file of the image: its colour table and pixels at its VRAM places.
// Colours keep their top five bits a channel; a colour that would be 0x0000, which the
// console draws as transparent, is written as 0x8000, an opaque black. A width that does not
// fill whole 16-bit words is padded with pixels of colour 0.
std::string writeTim(const TimImage& image);

// Any TIM as straight colours for display and conversion, 16-bit and 24-bit ones included.
struct RgbaImage {
    int width = 0, height = 0;
    std::uint16_t imageX = 0, imageY = 0;  // VRAM position of the pixels
    std::vector<std::uint32_t> pixels;     // 0xAARRGGBB, top row first
};
// The console draws the colour 0x0000 (black without the semi-transparency bit) as
// transparent; it decodes with alpha 0, every other colour with alpha 255.
std::expected<RgbaImage, Error> decodeTim(std::string_view bytes, const std::string& file);

// An uncompressed bitmap of the image: 54 header bytes, 2^bitsPerPixel palette entries,
// bottom-up rows.
std::string writeBitmap(const TimImage& image);
// Reads an uncompressed bitmap of 4 or 8 bits per pixel.
std::expected<TimImage, Error> readBitmap(std::string_view bytes, const std::string& file);

}  // namespace kestrel::formats
