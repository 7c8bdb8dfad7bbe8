#pragma once
// The readers of the single files of an RSD set, for the set loader and its tests.
#include <array>
#include <cstdint>
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
// The number of polygons the PLY file's header declares; nothing when it has no header.
std::optional<int> plyPolygonCount(std::string_view text);
// The PLY file: vertices, normals and polygons; every polygon gets the default material.
std::expected<void, Error> readPlyText(std::string_view text, const std::string& file, model::Model& model,
                                       std::vector<Warning>& warnings);
// One material line of a MAT file: what it gives the polygons it names.
struct PolygonMaterial {
    std::int32_t flag = 0;
    char shading = 'F';
    char type = 'C';
    std::int32_t tId = -1;
    std::array<std::int32_t, 4> tu{}, tv{}, rgb{};
    bool textured = false;
};
// A MAT file read against a model's numbers of polygons and textures, not yet applied to it;
// so the materials can be read while the PLY file is. Later lines overrule earlier ones.
struct MatContents {
    struct Span {
        int first, last, material;  // polygons first..last take materials[material]
    };
    std::vector<PolygonMaterial> materials;
    std::vector<Span> spans;
};
std::expected<MatContents, Error> parseMatText(std::string_view text, const std::string& file, int polygonCount,
                                               int textureCount, std::vector<Warning>& warnings);
// Gives the polygons of the model (which has the count parsed against) their materials.
void applyMaterials(const MatContents& contents, model::Model& model);
// The MAT file: materials of the polygons the model already has.
std::expected<void, Error> readMatText(std::string_view text, const std::string& file, model::Model& model,
                                       std::vector<Warning>& warnings);
// A MAT-style polygon list ("12", "0-3", "0,4,9-12") as ranges of polygons the model has; the
// numbers beyond its count are left out with a warning, a malformed list is an error.
std::expected<void, Error> parsePolygonList(std::string_view list, int polygonCount, const std::string& file, int line,
                                            std::vector<std::pair<int, int>>& ranges, std::vector<Warning>& warnings);
// The GRP file the RSD file names, read when the set has no XGRP file: the groups by name,
// each with its polygon list lines.
std::expected<void, Error> readGrpText(std::string_view text, const std::string& file, model::Model& model,
                                       std::vector<Warning>& warnings);
// The XGRP file: the polygon groups.
std::expected<void, Error> readXgrpText(std::string_view text, const std::string& file, model::Model& model,
                                        std::vector<Warning>& warnings);

}  // namespace kestrel::formats
