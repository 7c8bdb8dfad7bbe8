#pragma once
// 3D Studio ASCII scene (ASC): the first triangle mesh of the file, as untextured grey
// triangles without groups, textures or movements.
#include <expected>
#include <string>
#include <string_view>

#include "formats/error.h"
#include "formats/file_system.h"
#include "formats/rsd_set.h"

namespace kestrel::formats {

// Reads the first mesh held in text; file is its path, which names the RSD set the model is
// saved as (the same name ending in "rsd", "ply", "mat" and "grp"). A file without a mesh,
// a mesh listing fewer vertices or faces than it announces, and an index outside the counts
// are errors.
std::expected<LoadedModel, Error> importAsc(std::string_view text, const std::string& file);
// The same for the file at path (taken as a full path).
std::expected<LoadedModel, Error> loadAsc(const FileSystem& files, const std::string& path);

}  // namespace kestrel::formats
