#include "formats/png_writer.h"

#include <png.h>

#include <cstddef>

namespace kestrel::formats {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) {}

}  // namespace

std::string writePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
    std::string out;
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return out;
    }
    // Rows in PNG byte order (R, G, B, A), built before libpng can jump out on an error.
    std::vector<png_byte> rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * static_cast<std::size_t>(height); ++i) {
        const std::uint32_t p = pixels[i];
        rows[4 * i] = static_cast<png_byte>(p >> 16);
        rows[4 * i + 1] = static_cast<png_byte>(p >> 8);
        rows[4 * i + 2] = static_cast<png_byte>(p);
        rows[4 * i + 3] = static_cast<png_byte>(p >> 24);
    }
    std::vector<png_bytep> rowPointers(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        rowPointers[static_cast<std::size_t>(y)] =
            rows.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    if (setjmp(png_jmpbuf(png))) {  // libpng reports its errors by jumping back here
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace kestrel::formats
