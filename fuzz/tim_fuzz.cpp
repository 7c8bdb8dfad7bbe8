// Fuzz target for the TIM and bitmap readers: the input is read as a TIM and as a bitmap;
// what reads as a TIM must survive a trip through the bitmap writer and reader unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "formats/tim.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrel::formats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)timDepth(bytes, "f.tim");
    (void)readBitmap(bytes, "f.bmp");
    if (const auto rgba = decodeTim(bytes, "f.tim"))
        if (rgba->pixels.size() != static_cast<std::size_t>(rgba->width) * rgba->height) std::abort();
    const auto image = readTim(bytes, "f.tim");
    if (!image) return 0;
    if (image->pixels.size() != static_cast<std::size_t>(image->stride()) * image->height) std::abort();
    const auto back = readBitmap(writeBitmap(*image), "g.bmp");
    if (!back || back->pixels != image->pixels || back->width != image->width || back->height != image->height) {
        std::fprintf(stderr, "tim_fuzz: a bitmap written from a TIM does not read back\n");
        std::abort();
    }
    return 0;
}
