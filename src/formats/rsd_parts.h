#pragma once
// The readers of the single files of an RSD set, for the set loader and its tests.
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/error.h"
#include "model/model.h"

namespace kestrel::formats {

// The RSD file: paths (relative values are joined to the RSD file's folder), texture list.
// Returns the line of the "PLY=" key, 0 when there is none.
std::expected<int, Error> readRsdText(std::string_view text, const std::string& file, model::Model& model,
                                      std::vector<Warning>& warnings);
// The PLY file: vertices, normals and polygons; every polygon gets the default material.
std::optional<Error> readPlyText(std::string_view text, const std::string& file, model::Model& model,
                                 std::vector<Warning>& warnings);
// The MAT file: materials of the polygons the model already has.
std::optional<Error> readMatText(std::string_view text, const std::string& file, model::Model& model,
                                 std::vector<Warning>& warnings);
// A MAT-style polygon list ("12", "0-3", "0,4,9-12") as ranges of polygons the model has; the
// numbers beyond its count are left out with a warning, a malformed list is an error.
std::optional<Error> parsePolygonList(std::string_view list, int polygonCount, const std::string& file, int line,
                                      std::vector<std::pair<int, int>>& ranges, std::vector<Warning>& warnings);
// The GRP file the RSD file names, read when the set has no XGRP file: the groups by name,
// each with its polygon list lines.
std::optional<Error> readGrpText(std::string_view text, const std::string& file, model::Model& model,
                                 std::vector<Warning>& warnings);
// The XGRP file: the polygon groups.
std::optional<Error> readXgrpText(std::string_view text, const std::string& file, model::Model& model,
                                  std::vector<Warning>& warnings);

}  // namespace kestrel::formats
