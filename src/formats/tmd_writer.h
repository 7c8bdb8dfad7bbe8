#pragma once
// The console's runtime model: one TMD object with a primitive packet per polygon, the vertex
// table and the normal table.
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "formats/error.h"
#include "formats/file_system.h"
#include "formats/texture_slots.h"
#include "model/model.h"

namespace kestrel::formats {

struct TmdBytes {
    std::string bytes;
    std::vector<Warning> warnings;  // coordinates wrapped to 16 bits, polygons left out
};

// The file's bytes, with normals computed from the geometry (the model's own are not read). Texture places come from
// the slots (slot i for tId i); polygons of no known material kind get no packet and are not counted. A model whose
// indices a TMD cannot hold (65,536 or more vertices or normals) is refused. file names the output in messages.
std::expected<TmdBytes, Error> tmdBytes(const model::Model& model, std::span<const TextureSlot> slots,
                                        const std::string& file);

struct SavedTmd {
    std::string written;  // host path
    std::vector<Warning> warnings;
};

// Writes the TMD through a temporary file; an existing
// file first becomes "*.tmd_backup" unless that backup exists already.
std::expected<SavedTmd, Error> saveTmd(FileSystem& files, const model::Model& model, std::span<const TextureSlot> slots,
                                       const std::string& path);

}  // namespace kestrel::formats
