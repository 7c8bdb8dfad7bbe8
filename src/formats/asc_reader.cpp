#include "formats/asc_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "formats/host_path.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

using model::Model;
using model::ModelPolygon;

// Lines of any length; what is taken from a line (names, paths) is checked against the
// model's limits where it is used.
using Lines = AnyLengthLines;

void skipSpace(std::string_view& text) {
    while (!text.empty() && isSpace(text[0])) text.remove_prefix(1);
}

// A label such as "X:" and the number after it; blanks may stand around both.
template <typename Number>
bool scanLabelled(std::string_view& text, std::string_view label, Number& value) {
    skipSpace(text);
    if (!text.starts_with(label)) return false;
    text.remove_prefix(label.size());
    if constexpr (std::is_same_v<Number, double>)
        return scanDouble(text, value);
    else
        return scanInt(text, value);
}

// "Vertex 3:" or "Face 3:": the word, the record number and its colon.
bool scanNumbered(std::string_view& text, std::string_view word, std::int32_t& index) {
    if (!text.starts_with(word)) return false;
    text.remove_prefix(word.size());
    if (!scanInt(text, index)) return false;
    skipSpace(text);
    if (!text.starts_with(':')) return false;
    text.remove_prefix(1);
    return true;
}

class AscParser {
public:
    AscParser(std::string_view text, const std::string& fileName) : lines(text), file(fileName) {}
    std::expected<LoadedModel, Error> parse();

private:
    Error error(int line, std::string message) const { return makeError(file, line, std::move(message)); }
    // The next line starting with wanted, skipping others; nullopt at the end of the file or
    // at a line starting with one of the stops, which end the part of the file searched.
    std::optional<std::string_view> find(std::string_view wanted, std::initializer_list<std::string_view> stops);
    // One mesh's lists, into the model's records from its vertex and polygon bases on.
    std::expected<void, Error> readVertices(Model& model, std::int32_t count, int base);
    std::expected<void, Error> readFaces(Model& model, std::int32_t count, int vertexBase, int polygonBase);
    // The mesh whose "Tri-mesh" line was just read, appended to the model.
    std::expected<void, Error> readMesh(Model& model, std::string_view header);
    // Why a list ended early: the line that stopped it, or the end of the file.
    Error shortList(std::int32_t read, std::int32_t count, std::string_view what) const;

    Lines lines;
    const std::string& file;
    std::string_view stoppedAt;
};

std::optional<std::string_view> AscParser::find(std::string_view wanted,
                                                std::initializer_list<std::string_view> stops) {
    std::string_view line;
    stoppedAt = {};
    while (lines.next(line)) {
        if (line.starts_with(wanted)) return line;
        for (std::string_view stop : stops)
            if (line.starts_with(stop)) {
                stoppedAt = stop;
                return std::nullopt;
            }
    }
    return std::nullopt;
}

Error AscParser::shortList(std::int32_t read, std::int32_t count, std::string_view what) const {
    const std::string listed =
        std::to_string(read) + " of the " + std::to_string(count) + " " + std::string(what) + " the mesh announces";
    if (stoppedAt.empty()) return error(lines.number, "the file ends after " + listed);
    return error(lines.number, "the \"" + std::string(stoppedAt) + "\" line comes after " + listed);
}

std::expected<void, Error> AscParser::readVertices(Model& model, std::int32_t count, int base) {
    if (!find("Vertex list:", {"Face list:", "Named object", "Tri-mesh"}))
        return std::unexpected(error(lines.number, "the mesh has no \"Vertex list:\" line before its faces"));
    std::vector<bool> listed(static_cast<std::size_t>(count));
    for (std::int32_t n = 0; n < count; ++n) {
        const auto line = find("Vertex ", {"Face list:", "Named object", "Tri-mesh"});
        if (!line) return std::unexpected(shortList(n, count, "vertices"));
        std::string_view rest = *line;
        std::int32_t i = 0;
        double x = 0, y = 0, z = 0;
        if (!scanNumbered(rest, "Vertex", i) || !scanLabelled(rest, "X:", x) || !scanLabelled(rest, "Y:", y) ||
            !scanLabelled(rest, "Z:", z))
            return std::unexpected(error(lines.number, "a vertex line reads \"Vertex 3:  X: 1.0  Y: 2.0  Z: 3.0\""));
        if (i < 0 || i >= count)
            return std::unexpected(error(lines.number, "vertex " + std::to_string(i) + " lies outside the " +
                                                           std::to_string(count) + " vertices the mesh announces"));
        if (listed[static_cast<std::size_t>(i)])
            return std::unexpected(error(lines.number, "vertex " + std::to_string(i) + " is listed twice"));
        listed[static_cast<std::size_t>(i)] = true;
        model::ModelVertex& v = model.vertices[static_cast<std::size_t>(base + i)];
        v = model::makeVector(x + 0.0, -z + 0.0, -y + 0.0);  // Z up becomes Y down; no -0
        if (beyondCoordinateLimit(v))
            return std::unexpected(
                error(lines.number, "vertex " + std::to_string(i) + " has a coordinate beyond +/-1000000000"));
    }
    return {};
}

std::expected<void, Error> AscParser::readFaces(Model& model, std::int32_t count, int vertexBase, int polygonBase) {
    if (!find("Face list:", {"Named object", "Tri-mesh"}))
        return std::unexpected(error(lines.number, "the mesh has no \"Face list:\" line"));
    const std::int32_t vertexCount = model.vertexCount() - vertexBase;
    std::vector<bool> listed(static_cast<std::size_t>(count));
    for (std::int32_t n = 0; n < count; ++n) {
        const auto line = find("Face ", {"Named object", "Tri-mesh", "Vertex list:"});
        if (!line) return std::unexpected(shortList(n, count, "faces"));
        std::string_view rest = *line;
        std::int32_t j = 0;
        std::array<std::int32_t, 3> corners{};
        if (!scanNumbered(rest, "Face", j) || !scanLabelled(rest, "A:", corners[0]) ||
            !scanLabelled(rest, "B:", corners[1]) || !scanLabelled(rest, "C:", corners[2]))
            return std::unexpected(error(lines.number, "a face line reads \"Face 3:  A:0 B:1 C:2\""));
        if (j < 0 || j >= count)
            return std::unexpected(error(lines.number, "face " + std::to_string(j) + " lies outside the " +
                                                           std::to_string(count) + " faces the mesh announces"));
        if (listed[static_cast<std::size_t>(j)])
            return std::unexpected(error(lines.number, "face " + std::to_string(j) + " is listed twice"));
        listed[static_cast<std::size_t>(j)] = true;
        ModelPolygon& p = model.polygons[static_cast<std::size_t>(polygonBase + j)];
        for (int k = 0; k < 3; ++k) {
            if (corners[k] < 0 || corners[k] >= vertexCount)
                return std::unexpected(error(lines.number, "face " + std::to_string(j) + " uses vertex " +
                                                               std::to_string(corners[k]) + " but the mesh has " +
                                                               countOf(vertexCount, "vertex")));
            p.vId[k] = vertexBase + corners[k];
        }
        p.vId[3] = 0;
        p.rgb.fill(model::kMidGrey);
    }
    return {};
}

std::expected<void, Error> AscParser::readMesh(Model& model, std::string_view header) {
    // "Tri-mesh, Vertices: 8     Faces: 12": a word and a count, twice.
    std::string_view rest = header.substr(8);
    auto word = [&rest] {
        if (!rest.empty() && rest[0] == ',') rest.remove_prefix(1);
        skipSpace(rest);
        const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
        if (end == 0) return false;
        rest.remove_prefix(end);
        return true;
    };
    std::int32_t vertexCount = 0, faceCount = 0;
    if (!word() || !scanInt(rest, vertexCount) || !word() || !scanInt(rest, faceCount) || vertexCount < 0 ||
        faceCount < 0)
        return std::unexpected(error(lines.number, "the mesh line reads \"Tri-mesh, Vertices: 8  Faces: 12\""));
    // Every vertex and face takes a line of its own: counts the rest of the file cannot hold
    // are refused before anything is allocated for them.
    const double needed = 7.0 * vertexCount + 5.0 * faceCount;
    if (needed > static_cast<double>(lines.remainingBytes()))
        return std::unexpected(error(lines.number, "the mesh announces " + std::to_string(vertexCount) +
                                                       " vertices and " + std::to_string(faceCount) +
                                                       " faces, more than the rest of the file can hold"));
    const int vertexBase = model.vertexCount(), polygonBase = model.polygonCount();
    model.vertices.resize(static_cast<std::size_t>(vertexBase + vertexCount));
    model.normals.resize(static_cast<std::size_t>(vertexBase + vertexCount));
    model.polygons.resize(static_cast<std::size_t>(polygonBase + faceCount));
    if (vertexCount > 0)
        if (auto failure = readVertices(model, vertexCount, vertexBase); !failure) return failure;
    if (faceCount > 0)
        if (auto failure = readFaces(model, faceCount, vertexBase, polygonBase); !failure) return failure;
    return {};
}

// The name in 'Named object: "Box01"', or what follows the colon when it is not quoted.
std::string objectName(std::string_view line) {
    const auto open = line.find('"');
    if (open == std::string_view::npos) {
        const auto colon = line.find(':');
        return colon == std::string_view::npos ? std::string() : std::string(trimmed(line.substr(colon + 1)));
    }
    const auto close = line.find('"', open + 1);
    return std::string(
        line.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
}

std::expected<LoadedModel, Error> AscParser::parse() {
    LoadedModel loaded;
    Model& model = loaded.model;
    nameSetAfter(model, file);

    // Every named tri-mesh object is read; a scene of several keeps each as a group named
    // after its object. Other objects (lights, cameras) are passed over.
    struct Mesh {
        std::string name;
        int line = 0, firstPolygon = 0;
    };
    std::vector<Mesh> meshes;
    std::string name;
    std::string_view line;
    while (lines.next(line)) {
        if (line.starts_with("Named object")) {
            name = objectName(line);
        } else if (line.starts_with("Tri-mesh")) {
            meshes.push_back(
                {name.empty() ? "Object " + std::to_string(meshes.size()) : name, lines.number, model.polygonCount()});
            name.clear();
            if (auto failure = readMesh(model, line); !failure) return std::unexpected(failure.error());
        }
    }
    if (meshes.empty()) return std::unexpected(error(0, "the file holds no triangle mesh (no \"Tri-mesh\" line)"));
    if (meshes.size() > 1) {
        if (meshes.size() > static_cast<std::size_t>(model::kMaxGroups))
            loaded.warnings.push_back(makeWarning(
                file, meshes[model::kMaxGroups].line,
                "the scene has " + countOf(static_cast<long long>(meshes.size()), "object") + "; a model holds " +
                    std::to_string(model::kMaxGroups) + " groups, so the objects from here on are in no group"));
        for (std::size_t i = 0; i < meshes.size() && i < static_cast<std::size_t>(model::kMaxGroups); ++i) {
            model::PolygonGroup group{meshes[i].name, {}};
            // The group file reads a line beginning with '#' as a comment, not as a name.
            if (group.name.starts_with('#')) group.name[0] = '_';
            const int end = i + 1 < meshes.size() ? meshes[i + 1].firstPolygon : model.polygonCount();
            for (int j = meshes[i].firstPolygon; j < end; ++j) group.append(j);
            model.addGroup(group);
        }
    }
    loaded.animation.baseFrame = animation::Keyframe{model, "BaseFrame"};
    return loaded;
}

}  // namespace

std::expected<LoadedModel, Error> importAsc(std::string_view text, const std::string& file) {
    std::string decoded;
    return AscParser(plainText(text, decoded), file).parse();
}

std::expected<LoadedModel, Error> loadAsc(const FileSystem& files, const std::string& path) {
    const std::string full = files.absolutePath(path);
    const auto text = files.readFile(full);
    if (!text) return std::unexpected(makeError(full, 0, cannotOpen(text.error())));
    return importAsc(*text, full);
}

}  // namespace kestrel::formats
