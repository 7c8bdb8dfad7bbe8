#pragma once
// The RSD file set: the RSD file naming the PLY geometry, the MAT materials, the GRP group
// file (only named) and the texture list, with the program's XGRP group file beside the PLY.
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "animation/movement.h"
#include "formats/error.h"
#include "formats/file_system.h"
#include "model/model.h"

namespace kestrel::formats {

struct LoadedModel {
    model::Model model;
    // The base frame (a copy of the model, "BaseFrame") and the movements of the MOVE file.
    animation::AnimationState animation;
    std::vector<Warning> warnings;
};

// Reads the set named by the RSD file at path (taken as a full path, which the model keeps).
// Nothing of an earlier model is touched: the caller replaces its model only on success.
std::expected<LoadedModel, Error> loadRsdSet(const FileSystem& files, const std::string& path);

// Names the model's RSD, PLY, MAT and GRP files after a path: its last three characters
// replaced by each file's kind.
void nameSetAfter(model::Model& model, std::string_view path);

struct SaveOptions {
    std::optional<std::string> newPath;  // "Save As": the model takes the new (full) names first
    bool withMovements = true;           // "Save" writes the movements, "Save Current" does not
    // The movements to write with withMovements, differenced against the saved model.
    const animation::AnimationState* animation = nullptr;
};

// The four names a model stands under: its RSD, PLY, MAT and GRP files.
struct SetNames {
    std::string rsd, ply, mat, grp;
    bool operator==(const SetNames&) const = default;
};

struct SavedFiles {
    std::vector<std::string> written;  // host paths, in the order written
    SetNames names;                    // the names the saved model stands under now
    std::vector<Warning> warnings;     // what the files could not keep exactly
};

// Writes RSD, PLY, MAT and XGRP in that order, with normals computed for the files (the
// model is not changed; the names it is saved under are in the result). Each file is
// written to a temporary file first; the old file becomes its "*_backup" when no backup
// exists yet. A failure stops the save there and leaves that file as it was.
std::expected<SavedFiles, Error> saveRsdSet(FileSystem& files, const model::Model& model, const SaveOptions& options);

// The texts of the files exactly as saveRsdSet writes them.
struct RsdSetTexts {
    std::string rsd, ply, mat, xgrp;
    std::string bone;  // empty without a skeleton
    std::string move;  // empty unless movements are written
};
std::expected<RsdSetTexts, Error> formatRsdSet(const model::Model& model, const SaveOptions& options = {});

}  // namespace kestrel::formats
