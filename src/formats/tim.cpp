#include "formats/tim.h"

#include <cassert>
#include <cstring>

#include "base/little_endian.h"

namespace kestrel::formats {

namespace {

// Little-endian reads that never pass the end of the bytes.
struct Bytes {
    std::string_view data;
    std::size_t at = 0;

    bool has(std::size_t n) const { return at <= data.size() && data.size() - at >= n; }
    std::uint32_t u16() {
        const std::uint32_t v = base::loadLittleEndian<std::uint16_t>(data.data() + at);
        at += 2;
        return v;
    }
    std::uint32_t u32() {
        const std::uint32_t v = base::loadLittleEndian<std::uint32_t>(data.data() + at);
        at += 4;
        return v;
    }
};

void putU16(std::string& out, std::uint32_t v) { base::appendLittleEndian(out, static_cast<std::uint16_t>(v)); }
void putU32(std::string& out, std::uint32_t v) { base::appendLittleEndian(out, v); }

// The console's VRAM is 1024 x 512 words: no image is larger.
constexpr int kMaxDimension = 4096;

// A pixel block holds its 12-byte header and at least the pixels its size needs; tools pad
// some blocks, and the slack means nothing.
bool pixelBlockFits(std::uint32_t length, std::size_t pixelBytes) { return length >= 12 && length - 12 >= pixelBytes; }

}  // namespace

std::optional<TimColourTable> timColourTableOnly(std::string_view bytes) {
    Bytes in{bytes, 4};
    if (!in.has(4) || !(in.u32() & 8) || !in.has(12)) return std::nullopt;
    const std::uint32_t length = in.u32();
    TimColourTable table;
    table.x = static_cast<std::uint16_t>(in.u16());
    table.y = static_cast<std::uint16_t>(in.u16());
    table.width = in.u16();
    table.height = in.u16();
    if (length < 12 || (length - 12) / 2 != static_cast<std::uint32_t>(table.width * table.height) ||
        !in.has(length - 12))
        return std::nullopt;
    in.at += length - 12;
    for (std::size_t i = in.at; i < bytes.size(); ++i)
        if (bytes[i] != 0) return std::nullopt;  // more than padding follows
    return table;
}

std::expected<int, Error> timDepth(std::string_view bytes, const std::string& file) {
    Bytes in{bytes};
    if (!in.has(8)) return std::unexpected(makeError(file, 0, "the file is too short for a TIM header"));
    in.u32();
    switch (in.u32() & 7) {
        case 0:
            return 4;
        case 1:
            return 8;
        case 2:
            return 16;
        case 3:
            return 24;
        default:
            return std::unexpected(makeError(file, 0, "the TIM pixel mode is not 4, 8, 16 or 24 bits"));
    }
}

std::expected<TimImage, Error> readTim(std::string_view bytes, const std::string& file) {
    auto bad = [&](const std::string& why) { return std::unexpected(makeError(file, 0, why)); };
    const auto depth = timDepth(bytes, file);
    if (!depth) return std::unexpected(depth.error());
    if (*depth > 8) return bad(std::to_string(*depth) + "-bit TIM images cannot be used as console textures");
    Bytes in{bytes, 4};
    const std::uint32_t flags = in.u32();
    TimImage image;
    image.bitsPerPixel = *depth;
    if (flags & 8) {
        if (!in.has(12)) return bad("the file ends inside the colour table header");
        const std::uint32_t length = in.u32();
        image.clutX = static_cast<std::uint16_t>(in.u16());
        image.clutY = static_cast<std::uint16_t>(in.u16());
        const std::uint32_t w = in.u16(), h = in.u16();
        if (length < 12 || (length - 12) % 2 || !in.has(length - 12))
            return bad("the colour table's block length " + std::to_string(length) + " does not fit the file");
        const std::uint32_t entries = (length - 12) / 2;
        if (entries != w * h) return bad("the colour table's block length disagrees with its size");
        // Several tables may share the block; the first 256 colours serve the image.
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint32_t c = in.u16();
            if (i >= image.palette.size()) continue;
            const std::uint32_t red = (c & 0x1F) << 3, green = ((c >> 5) & 0x1F) << 3, blue = ((c >> 10) & 0x1F) << 3;
            image.palette[i] = blue | green << 8 | red << 16;
        }
    }
    if (!in.has(12)) return bad("the file ends inside the image header");
    const std::uint32_t length = in.u32();
    image.imageX = static_cast<std::uint16_t>(in.u16());
    image.imageY = static_cast<std::uint16_t>(in.u16());
    const std::uint32_t words = in.u16(), rows = in.u16();
    image.width = static_cast<int>(words) * (image.bitsPerPixel == 4 ? 4 : 2);
    image.height = static_cast<int>(rows);
    if (image.width == 0 || image.height == 0 || image.width > kMaxDimension || image.height > kMaxDimension)
        return bad("the image is " + std::to_string(image.width) + " x " + std::to_string(image.height) + " pixels");
    const std::size_t rowBytes = static_cast<std::size_t>(words) * 2;
    if (!pixelBlockFits(length, rowBytes * rows))
        return bad("the image's block length " + std::to_string(length) + " disagrees with its size");
    if (!in.has(rowBytes * rows)) return bad("the file ends inside the pixels");
    const std::size_t stride = static_cast<std::size_t>(image.stride());
    image.pixels.assign(stride * rows, 0);
    for (std::uint32_t y = 0; y < rows; ++y) {
        // Bottom row first, as bitmaps store them.
        std::uint8_t* row = image.pixels.data() + (rows - 1 - y) * stride;
        std::memcpy(row, bytes.data() + in.at + y * rowBytes, rowBytes);
        if (image.bitsPerPixel == 4)
            for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] << 4 | row[i] >> 4);
    }
    return image;
}

namespace {

std::uint32_t colour15(std::uint32_t c) {
    if (c == 0) return 0;  // transparent on the console
    const std::uint32_t r = (c & 0x1F) << 3, g = ((c >> 5) & 0x1F) << 3, b = ((c >> 10) & 0x1F) << 3;
    return 0xFF000000u | r << 16 | g << 8 | b;
}

}  // namespace

std::expected<RgbaImage, Error> decodeTim(std::string_view bytes, const std::string& file) {
    auto bad = [&](const std::string& why) { return std::unexpected(makeError(file, 0, why)); };
    const auto depth = timDepth(bytes, file);
    if (!depth) return std::unexpected(depth.error());
    RgbaImage out;
    if (*depth <= 8) {
        const auto image = readTim(bytes, file);
        if (!image) return std::unexpected(image.error());
        // The palette again, with the console's transparent colour kept.
        Bytes in{bytes, 8};
        std::array<std::uint32_t, 256> colours{};
        if (bytes.size() >= 8 && (static_cast<unsigned char>(bytes[4]) & 8)) {
            const std::uint32_t length = in.u32();
            in.at += 8;
            for (std::uint32_t i = 0; i < (length - 12) / 2 && i < colours.size(); ++i) colours[i] = colour15(in.u16());
        }
        out.width = image->width;
        out.height = image->height;
        out.imageX = image->imageX;
        out.imageY = image->imageY;
        out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
        for (int y = 0; y < out.height; ++y) {
            const std::uint8_t* row =
                image->pixels.data() + static_cast<std::size_t>(out.height - 1 - y) * image->stride();
            for (int x = 0; x < out.width; ++x) {
                const unsigned index = image->bitsPerPixel == 8 ? row[x] : (x % 2 ? row[x / 2] & 0xF : row[x / 2] >> 4);
                out.pixels[static_cast<std::size_t>(y) * out.width + x] = colours[index];
            }
        }
        return out;
    }
    Bytes in{bytes, 4};
    if (in.u32() & 8) {
        if (!in.has(4)) return bad("the file ends inside the colour table header");
        const std::uint32_t length = in.u32();
        if (length < 4 || !in.has(length - 4)) return bad("the colour table's block length does not fit the file");
        in.at += length - 4;  // a colour table means nothing to direct colours
    }
    if (!in.has(12)) return bad("the file ends inside the image header");
    const std::uint32_t length = in.u32();
    out.imageX = static_cast<std::uint16_t>(in.u16());
    out.imageY = static_cast<std::uint16_t>(in.u16());
    const std::uint32_t words = in.u16(), rows = in.u16();
    const std::size_t rowBytes = static_cast<std::size_t>(words) * 2;
    out.width = static_cast<int>(*depth == 16 ? words : rowBytes / 3);
    out.height = static_cast<int>(rows);
    if (out.width == 0 || out.height == 0 || out.width > kMaxDimension || out.height > kMaxDimension)
        return bad("the image is " + std::to_string(out.width) + " x " + std::to_string(out.height) + " pixels");
    if (!pixelBlockFits(length, rowBytes * rows))
        return bad("the image's block length " + std::to_string(length) + " disagrees with its size");
    if (!in.has(rowBytes * rows)) return bad("the file ends inside the pixels");
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    for (std::uint32_t y = 0; y < rows; ++y) {
        Bytes row{bytes, in.at + y * rowBytes};
        for (int x = 0; x < out.width; ++x) {
            std::uint32_t& pixel = out.pixels[static_cast<std::size_t>(y) * out.width + x];
            if (*depth == 16) {
                pixel = colour15(row.u16());
            } else {
                const auto byte = [&](std::size_t i) {
                    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[row.at + i]));
                };
                pixel = 0xFF000000u | byte(0) << 16 | byte(1) << 8 | byte(2);
                row.at += 3;
            }
        }
    }
    return out;
}

std::string writeBitmap(const TimImage& image) {
    const std::uint32_t colours = 1u << image.bitsPerPixel;
    const std::uint32_t paletteBytes = 4 * colours;
    const auto pixelBytes = static_cast<std::uint32_t>(image.stride()) * static_cast<std::uint32_t>(image.height);
    std::string out = "BM";
    putU32(out, 54 + paletteBytes + pixelBytes);
    putU32(out, 0);
    putU32(out, 54 + paletteBytes);
    putU32(out, 40);
    putU32(out, static_cast<std::uint32_t>(image.width));
    putU32(out, static_cast<std::uint32_t>(image.height));
    putU16(out, 1);
    putU16(out, static_cast<std::uint32_t>(image.bitsPerPixel));
    for (int i = 0; i < 4; ++i) putU32(out, 0);  // compression, image size, resolutions
    putU32(out, colours);
    putU32(out, colours);
    for (std::uint32_t i = 0; i < colours; ++i) putU32(out, image.palette[i]);
    out.append(reinterpret_cast<const char*>(image.pixels.data()), pixelBytes);
    return out;
}

std::string writeTim(const TimImage& image) {
    assert(image.bitsPerPixel == 4 || image.bitsPerPixel == 8);
    assert(image.pixels.size() >= static_cast<std::size_t>(image.stride()) * static_cast<std::size_t>(image.height));
    const bool fourBit = image.bitsPerPixel == 4;
    const int perWord = fourBit ? 4 : 2;
    const auto words = static_cast<std::uint32_t>((image.width + perWord - 1) / perWord);
    const auto rows = static_cast<std::uint32_t>(image.height);
    const std::uint32_t colours = fourBit ? 16 : 256;
    std::string out;
    putU32(out, 0x10);
    putU32(out, (fourBit ? 0u : 1u) | 8u);
    putU32(out, 12 + 2 * colours);
    putU16(out, image.clutX);
    putU16(out, image.clutY);
    putU16(out, colours);
    putU16(out, 1);
    for (std::uint32_t i = 0; i < colours; ++i) {
        const std::uint32_t c = image.palette[i];
        const std::uint32_t packed = (c >> 19 & 0x1F) | (c >> 11 & 0x1F) << 5 | (c >> 3 & 0x1F) << 10;
        putU16(out, packed != 0 ? packed : 0x8000);
    }
    putU32(out, 12 + 2 * words * rows);
    putU16(out, image.imageX);
    putU16(out, image.imageY);
    putU16(out, words);
    putU16(out, rows);
    const std::size_t stride = static_cast<std::size_t>(image.stride());
    for (std::uint32_t y = 0; y < rows; ++y) {
        // Top row first; bitmap rows run bottom first with the left pixel in the high nibble.
        const std::uint8_t* row = image.pixels.data() + (rows - 1 - y) * stride;
        const std::size_t used =
            fourBit ? static_cast<std::size_t>(image.width + 1) / 2 : static_cast<std::size_t>(image.width);
        for (std::size_t i = 0; i < 2 * words; ++i) {
            std::uint8_t byte = i < used ? row[i] : 0;
            if (fourBit) {
                if (2 * i + 1 >= static_cast<std::size_t>(image.width)) byte &= 0xF0;  // the half past the edge
                byte = static_cast<std::uint8_t>(byte << 4 | byte >> 4);
            }
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::expected<TimImage, Error> readBitmap(std::string_view bytes, const std::string& file) {
    auto bad = [&](const std::string& why) { return std::unexpected(makeError(file, 0, why)); };
    Bytes in{bytes};
    if (!in.has(54) || bytes.substr(0, 2) != "BM") return bad("the file is not a Windows bitmap");
    in.at = 10;
    const std::uint32_t offset = in.u32();
    in.at = 18;
    const std::uint32_t width = in.u32(), height = in.u32();
    in.u16();
    const std::uint32_t bits = in.u16(), compression = in.u32();
    if (bits != 4 && bits != 8) return bad("only 4-bit and 8-bit bitmaps can be read");
    if (compression != 0) return bad("compressed bitmaps cannot be read");
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
        return bad("the bitmap's size is not usable");
    TimImage image;
    image.bitsPerPixel = static_cast<int>(bits);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    in.at = 54;
    const std::uint32_t colours = 1u << bits;
    if (!in.has(4 * colours)) return bad("the file ends inside the palette");
    for (std::uint32_t i = 0; i < colours; ++i) image.palette[i] = in.u32() & 0xFFFFFF;
    const std::size_t size = static_cast<std::size_t>(image.stride()) * height;
    if (offset > bytes.size() || bytes.size() - offset < size) return bad("the file ends inside the pixels");
    image.pixels.assign(bytes.begin() + offset, bytes.begin() + offset + static_cast<std::ptrdiff_t>(size));
    return image;
}

}  // namespace kestrel::formats
