#pragma once
// 3DS Max ASCII scene export (ASE): every geometry object becomes a polygon group of
// triangles, and the objects' Bezier position keys become the keyframes of one movement.
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "formats/error.h"
#include "formats/file_system.h"
#include "formats/rsd_set.h"
#include "formats/texture_slots.h"
#include "model/model.h"

namespace kestrel::formats {

// The movement the position keys become.
inline constexpr const char* kAseMovementName = "Imported_3DS_Max_Sequence";

// Reads the scene held in text; file is its path, which names the RSD set the model is saved
// as (the same name ending in "rsd", "ply", "mat" and "grp"). With textures, the materials'
// bitmaps become the texture list (each named as the TIM file beside it) and the texture
// vertices become the polygons' uRel and vRel fractions. Refuses more than 100 objects and,
// with textures, more than 30 materials.
std::expected<LoadedModel, Error> importAse(std::string_view text, const std::string& file, bool textures);
// The same for the file at path (taken as a full path).
std::expected<LoadedModel, Error> loadAse(const FileSystem& files, const std::string& path, bool textures);

// Turns the texture fractions of an ASE import into texels of the loaded textures: the first
// three corners of every textured polygon get tu = uRel x width and tv = vRel x height,
// truncated and kept inside the texture. A texture whose size is not known (not loaded, or a
// 16-bit or 24-bit image shown as the stand-by picture) leaves its polygons' texels as they
// are, with a warning.
std::vector<Warning> applyTextureFractions(model::Model& model, const TextureSlots& slots);

}  // namespace kestrel::formats
