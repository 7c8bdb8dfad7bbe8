#pragma once
// What the program keeps for each texture of the model: the VRAM places of its TIM, which the
// TMD writer and the console uploads use, and the picture the views draw.
#include <cstdint>
#include <string_view>
#include <vector>

#include "formats/error.h"
#include "formats/file_system.h"
#include "formats/tim.h"
#include "model/model.h"

namespace kestrel::formats {

struct TextureSlot {
    std::int16_t imageX = 0, imageY = 0;  // VRAM place of the pixels, in 16-bit units
    std::int16_t clutX = 0, clutY = 0;    // VRAM place of the colour table
    int bitsPerPixel = 0;                 // the TIM's depth; 0 when it could not be read
    bool loaded = false;                  // the TIM was read and the places are its own
    TimImage picture;                     // the TIM's pixels, or the stand-by picture
};

// Entry i belongs to texture i of the model.
using TextureSlots = std::vector<TextureSlot>;

struct LoadedTextures {
    TextureSlots slots;
    std::vector<Warning> warnings;
};

// Reads every texture the model names, finding each file as the model's other files are
// found (rsdHostPath is the RSD file read). A texture that cannot be shown still gets its
// slot, with the stand-by picture and a warning: a missing or unreadable file has no VRAM
// places; a 16-bit or 24-bit image keeps its own.
LoadedTextures loadTextureSlots(const FileSystem& files, const model::Model& model, std::string_view rsdHostPath);

// Drops a slot; the following slots move down one place, as the model's texture list does.
void removeTextureSlot(TextureSlots& slots, int slot);

// The picture shown in place of a texture that cannot be shown.
const TimImage& standbyPicture();

// The largest TIM file worth reading: the whole of the console's video memory (1024 x 512
// 16-bit units) with its headers. Anything bigger is not a texture and is not read.
inline constexpr std::size_t kLargestTimFile = 2 * 1024 * 1024;
// A TIM file of any depth as straight colours, for a preview.
std::expected<RgbaImage, Error> readTimPicture(const FileSystem& files, const std::string& path);
// The stand-by picture's bitmap file as shipped.
std::string_view standbyBitmapBytes();

}  // namespace kestrel::formats
