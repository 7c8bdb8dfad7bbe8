#pragma once
// Textures for the render devices, made from the decoded pictures of the model's TIMs.
#include "formats/tim.h"
#include "render/render_device.h"

namespace kestrel::render {

// Sides of the texture surfaces: powers of two up to this.
inline constexpr int kMaxTextureSize = 1024;

// The picture on a square power-of-two surface: the side is the smallest power of two not below
// the larger of width and height, at most kMaxTextureSize. The picture lies in the top-left
// corner, top row first, each texel 0xFF000000 | its palette colour; the rest of the surface is
// 0 (transparent black). A picture wider or taller than the largest surface is cut at its right
// or bottom edge. bitmapWidth, bitmapHeight and bitCount keep the picture's own values.
// A picture without pixels (zero or negative size, or a depth other than 4 or 8 bits) gives an
// image of size 0, which the devices refuse: the caller then draws untextured.
TextureImage textureFromPicture(const formats::TimImage& picture);

}  // namespace kestrel::render
