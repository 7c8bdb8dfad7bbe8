#include "render/render_texture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kestrel::render {

namespace {

// Beyond any picture the TIM and bitmap readers let through; keeps stride() in range.
constexpr int kMaxPictureSide = 1 << 16;

// The smallest power of two not below `side`, at most kMaxTextureSize.
int surfaceSide(int side) {
    int surface = 1;
    while (surface < side && surface < kMaxTextureSize) surface *= 2;
    return surface;
}

}  // namespace

TextureImage textureFromPicture(const formats::TimImage& picture) {
    TextureImage image;
    image.bitmapWidth = picture.width;
    image.bitmapHeight = picture.height;
    image.bitCount = picture.bitsPerPixel;
    const bool fourBit = picture.bitsPerPixel == 4;
    if (picture.width <= 0 || picture.height <= 0 || picture.width > kMaxPictureSide ||
        picture.height > kMaxPictureSide || (!fourBit && picture.bitsPerPixel != 8))
        return image;

    image.size = std::max(surfaceSide(picture.width), surfaceSide(picture.height));
    const auto size = static_cast<std::size_t>(image.size);
    image.texels.assign(size * size, 0);

    const int width = std::min(picture.width, image.size);
    const int height = std::min(picture.height, image.size);
    const auto stride = static_cast<std::size_t>(picture.stride());
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom first; a picture whose pixels stop short leaves its rows 0.
        const auto row = static_cast<std::size_t>(picture.height - 1 - y);
        if ((row + 1) * stride > picture.pixels.size()) continue;
        const std::uint8_t* source = picture.pixels.data() + row * stride;
        std::uint32_t* target = image.texels.data() + static_cast<std::size_t>(y) * size;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t byte = source[fourBit ? x / 2 : x];
            const int index = !fourBit ? byte : (x % 2 == 0 ? byte >> 4 : byte & 0x0F);
            target[x] = 0xFF000000u | (picture.palette[static_cast<std::size_t>(index)] & 0x00FFFFFFu);
        }
    }
    return image;
}

}  // namespace kestrel::render
