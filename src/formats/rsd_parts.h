#pragma once
// The readers of the single files of an RSD set, for the set loader and its tests.
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/error.h"
#include "model/model.h"

namespace kestrel::formats {

// The RSD file: paths (relative values are joined to the RSD file's folder), texture list.
// Returns the line of the "PLY=" key, 0 when there is none.
std::expected<int, Error> readRsdText(std::string_view text, const std::string& file,
                                      model::Model& model, std::vector<Warning>& warnings);
// The PLY file: vertices, normals and polygons; every polygon gets the default material.
std::optional<Error> readPlyText(std::string_view text, const std::string& file, model::Model& model,
                                 std::vector<Warning>& warnings);
// The MAT file: materials of the polygons the model already has.
std::optional<Error> readMatText(std::string_view text, const std::string& file, model::Model& model,
                                 std::vector<Warning>& warnings);
// The XGRP file: the polygon groups.
std::optional<Error> readXgrpText(std::string_view text, const std::string& file,
                                  model::Model& model, std::vector<Warning>& warnings);

}  // namespace kestrel::formats
