#include <array>
#include <cmath>
#include <string>

#include "formats/rsd_parts.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

using model::Model;
using model::ModelPolygon;

// Why there is no next data line: a line too long, or the end of the file before what.
Error missingRecord(const LineReader& lines, const std::string& what) {
    if (lines.failure()) return *lines.failure();
    return makeError(lines.file(), lines.lineNumber(), "the file ends before " + what);
}

// Records are appended as they are read, so that each large array is written only once.
std::expected<void, Error> readVectors(LineReader& lines, int count, model::CowArray<model::ModelVertex>& out,
                                       std::string_view kind) {
    out.reserve(static_cast<std::size_t>(count));
    std::string_view line;
    for (int i = 0; i < count; ++i) {
        if (!lines.nextData(line))
            return std::unexpected(
                missingRecord(lines, std::string(kind) + " " + std::to_string(i) + " of " + std::to_string(count)));
        model::ModelVertex& v = out.emplace_back();
        if (!scanDouble(line, v.x) || !scanDouble(line, v.y) || !scanDouble(line, v.z))
            return std::unexpected(makeError(lines.file(), lines.lineNumber(),
                                             std::string(kind) + " " + std::to_string(i) + " needs three numbers"));
        if (beyondCoordinateLimit(v))
            return std::unexpected(
                makeError(lines.file(), lines.lineNumber(),
                          std::string(kind) + " " + std::to_string(i) + " has a coordinate beyond +/-1000000000"));
    }
    return {};
}

// A normal index the file does not have loses nothing, since the normals are computed
// again from the geometry: the first such polygon is named, the others counted.
struct StrayNormals {
    int count = 0;
    std::optional<Warning> first;
};

std::expected<void, Error> readPolygons(LineReader& lines, Model& model, int count, int normalsInFile,
                                        StrayNormals& stray) {
    const int vertexCount = model.vertexCount();
    model.polygons.reserve(static_cast<std::size_t>(count));
    std::string_view line;
    for (int i = 0; i < count; ++i) {
        if (!lines.nextData(line))
            return std::unexpected(
                missingRecord(lines, "polygon " + std::to_string(i) + " of " + std::to_string(count)));
        ModelPolygon& p = model.polygons.emplace_back();
        std::int32_t numbers[9];
        for (auto& n : numbers)
            if (!scanInt(line, n))
                return std::unexpected(makeError(lines.file(), lines.lineNumber(),
                                                 "polygon " + std::to_string(i) +
                                                     " needs nine whole numbers: flags, four "
                                                     "vertices and four normals"));
        p.flags = numbers[0];
        const int corners = model::polygonCornerCount(p);
        for (int k = 0; k < 4; ++k) {
            p.vId[k] = numbers[1 + k];
            p.nId[k] = numbers[5 + k];
            if (k >= corners) continue;
            if (p.vId[k] < 0 || p.vId[k] >= vertexCount)
                return std::unexpected(makeError(lines.file(), lines.lineNumber(),
                                                 "polygon " + std::to_string(i) + " uses vertex " +
                                                     std::to_string(p.vId[k]) + " but the file has " +
                                                     countOf(vertexCount, "vertex")));
            if ((p.nId[k] < 0 || p.nId[k] >= normalsInFile) && stray.count++ == 0)
                stray.first = makeWarning(lines.file(), lines.lineNumber(),
                                          "polygon " + std::to_string(i) + " uses normal " + std::to_string(p.nId[k]) +
                                              " but the file has " + countOf(normalsInFile, "normal"));
        }
        p.rgb.fill(model::kMidGrey);
    }
    return {};
}

// The header up to the counts line: the numbers of vertices, normals and polygons.
std::expected<std::array<std::int32_t, 3>, Error> readCounts(LineReader& lines, const std::string& file) {
    std::string_view line;
    bool versioned = false;
    while (!versioned && lines.next(line)) versioned = line.starts_with('@');
    if (lines.failure()) return std::unexpected(*lines.failure());
    if (!versioned)
        return std::unexpected(makeError(file, 0, "the file has no '@' version line; it is not a PLY file"));

    if (!lines.nextData(line))
        return std::unexpected(missingRecord(lines, "the numbers of vertices, normals and polygons"));
    std::array<std::int32_t, 3> counts;
    for (auto& c : counts)
        if (!scanInt(line, c) || c < 0)
            return std::unexpected(makeError(file, lines.lineNumber(),
                                             "expected the numbers of vertices, normals and polygons (three whole "
                                             "numbers of 0 or more)"));
    return counts;
}

}  // namespace

std::optional<int> plyPolygonCount(std::string_view text) {
    LineReader lines(text, {});
    const auto counts = readCounts(lines, {});
    if (!counts) return std::nullopt;
    return (*counts)[2];
}

std::expected<void, Error> readPlyText(std::string_view text, const std::string& file, Model& model,
                                       std::vector<Warning>& warnings) {
    LineReader lines(text, file);
    const auto read = readCounts(lines, file);
    if (!read) return std::unexpected(read.error());
    const auto& counts = *read;
    // Every record takes at least two bytes: counts that cannot fit in the rest of the file
    // are refused before anything is allocated for them.
    const double needed = 2.0 * counts[0] + 2.0 * counts[1] + 2.0 * counts[2] - 1;
    if (needed > static_cast<double>(lines.remainingBytes()))
        return std::unexpected(makeError(
            file, lines.lineNumber(),
            "the file declares " + std::to_string(counts[0]) + " vertices, " + std::to_string(counts[1]) +
                " normals and " + std::to_string(counts[2]) + " polygons, more than its " +
                std::to_string(static_cast<std::int64_t>(lines.remainingBytes())) + " remaining bytes can hold"));

    model::CowArray<model::ModelVertex> normals;
    if (auto done = readVectors(lines, counts[0], model.vertices, "vertex"); !done) return done;
    if (auto done = readVectors(lines, counts[1], normals, "normal"); !done) return done;
    // Normal i belongs to vertex i: missing ones are zero, surplus ones are dropped.
    normals.resize(counts[0]);
    model.normals = std::move(normals);
    StrayNormals stray;
    if (auto done = readPolygons(lines, model, counts[2], counts[1], stray); !done) return done;
    if (stray.first) {
        if (stray.count > 1) stray.first->message += " (and " + std::to_string(stray.count - 1) + " more such corners)";
        stray.first->message += "; normals are computed again from the geometry, so nothing is lost";
        warnings.push_back(*stray.first);
    }
    return {};
}

}  // namespace kestrel::formats
