#pragma once
// Text drawn through a render device, so that every device shows the same letters: a 5 by 7
// pixel font of printable ASCII, each font pixel a square of kTextScale screen pixels, sent
// as triangles. Characters outside printable ASCII show as '?'.
#include <cstdint>
#include <string_view>
#include <vector>

#include "render/render_device.h"

namespace kestrel::render {

inline constexpr int kTextScale = 2;
inline constexpr int kGlyphWidth = 5, kGlyphHeight = 7;
inline constexpr int kTextAdvance = (kGlyphWidth + 1) * kTextScale;  // one character and its gap
inline constexpr int kTextHeight = kGlyphHeight * kTextScale;

// The width the text covers on screen: its characters and the gaps between them.
int textWidth(std::string_view text);

// Whether the font pixel (column, row) of the character is set; false outside the glyph.
bool glyphPixel(char c, int column, int row);

// Adds the triangles of the text with its top-left corner at (x, y) in pixels.
void addText(std::vector<ScreenVertex>& triangles, double x, double y, std::string_view text, std::uint32_t colour);

}  // namespace kestrel::render
