#pragma once
// PNG files of straight-colour images, for looking at textures and renders outside Kestrel.
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::formats {

// An RGBA PNG (8 bits a channel) of width x height pixels given as 0xAARRGGBB, top row first,
// written by libpng; empty when the image cannot be written.
std::string writePng(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace kestrel::formats
