// Fuzz target for the RSD set reader, and for the writer through it.
//
// An input is up to four files, in the order RSD, PLY, MAT, XGRP, separated by lines that
// hold only "%%%%" (ended by LF or CRLF; the line end before the marker belongs to the file
// above it). They become /set/model.rsd, /set/model.ply, /set/model.mat and /set/model.xgrp
// in a memory file system: full paths, as the document passes them. A file whose part is missing
// (fewer markers) does not exist; markers after the third belong to the XGRP text. The RSD part
// names the PLY file, so a seed usually starts with "@RSD940102" and "PLY=model.ply"; other names
// reach the same files through path resolution (c:\models\MODEL.PLY does).
//
// A set that loads must also save, and the saved set must load back to the same model as
// far as the files carry it: geometry to six decimals, polygons, materials of their kind,
// groups, the texture list (full paths, so unchanged). A second save and load must then
// give the same model exactly, normals aside. Any difference aborts with a message.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "formats/file_system.h"
#include "formats/rsd_set.h"
#include "model/model.h"

namespace {

using kestrel::formats::MemoryFileSystem;
using kestrel::model::Model;
using kestrel::model::ModelPolygon;

constexpr std::string_view kMarker = "%%%%";
constexpr const char* kSetFiles[] = {"/set/model.rsd", "/set/model.ply", "/set/model.mat", "/set/model.xgrp"};

[[noreturn]] void fail(const char* what, long long index = -1) {
    if (index >= 0)
        std::fprintf(stderr, "rsd_set_fuzz: %s (item %lld)\n", what, index);
    else
        std::fprintf(stderr, "rsd_set_fuzz: %s\n", what);
    std::abort();
}

// Length of the marker line starting at pos, with its line end; 0 when there is none.
std::size_t markerLineAt(std::string_view input, std::size_t pos) {
    if (input.substr(pos, kMarker.size()) != kMarker) return 0;
    const std::string_view rest = input.substr(pos + kMarker.size());
    if (rest.empty()) return kMarker.size();
    if (rest.starts_with("\n")) return kMarker.size() + 1;
    if (rest.starts_with("\r\n")) return kMarker.size() + 2;
    return 0;
}

void splitIntoSet(std::string_view input, MemoryFileSystem& files) {
    std::size_t fileIndex = 0, fileStart = 0, lineStart = 0;
    while (fileIndex < 3 && lineStart <= input.size()) {
        if (const std::size_t marker = markerLineAt(input, lineStart)) {
            files.files[kSetFiles[fileIndex++]] = std::string(input.substr(fileStart, lineStart - fileStart));
            fileStart = lineStart = lineStart + marker;
            continue;
        }
        const std::size_t newline = input.find('\n', lineStart);
        if (newline == std::string_view::npos) break;
        lineStart = newline + 1;
    }
    files.files[kSetFiles[fileIndex]] = std::string(input.substr(fileStart));
}

void printPolygon(const char* label, const ModelPolygon& p) {
    std::fprintf(stderr, "  %s: flags %d vId %d %d %d %d nId %d %d %d %d %c %c mat_flag %d tId %d", label, p.flags,
                 p.vId[0], p.vId[1], p.vId[2], p.vId[3], p.nId[0], p.nId[1], p.nId[2], p.nId[3], p.shading, p.type,
                 p.mat_flag, p.tId);
    for (int k = 0; k < 4; ++k)
        std::fprintf(stderr, " uv %d,%d rgb %06x", p.tu[k], p.tv[k], static_cast<unsigned>(p.rgb[k]));
    std::fprintf(stderr, "\n");
}

// Shows a path or name with its control characters escaped.
void printText(const char* label, const std::string& text) {
    std::fprintf(stderr, "  %s: \"", label);
    for (unsigned char c : text)
        if (c < 0x20 || c >= 0x7F)
            std::fprintf(stderr, "\\x%02x", c);
        else
            std::fputc(c, stderr);
    std::fprintf(stderr, "\" (%zu characters)\n", text.size());
}

[[noreturn]] void failPolygon(const char* what, std::size_t index, const ModelPolygon& before,
                              const ModelPolygon& after) {
    printPolygon("before", before);
    printPolygon("after ", after);
    fail(what, static_cast<long long>(index));
}

bool sameCoordinate(double a, double b, bool exact) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (a == b) return true;
    // "%f" keeps six decimals: half a millionth, plus the rounding of reading it back.
    return !exact && std::fabs(a - b) <= 1e-6 * std::fmax(1.0, std::fabs(a));
}

// What a loaded model must satisfy whatever the files held.
void checkInvariants(const Model& model) {
    if (model.normals.size() != model.vertices.size()) fail("normal count differs from vertex count");
    if (model.groupCount() > kestrel::model::kMaxGroups) fail("more groups than the capacity");
    if (model.textureCount() > kestrel::model::kMaxTextures) fail("more textures than the capacity");
    for (std::size_t i = 0; i < model.polygons.size(); ++i) {
        const ModelPolygon& polygon = model.polygons[i];
        for (int k = 0; k < kestrel::model::polygonCornerCount(polygon); ++k)
            if (polygon.vId[k] < 0 || polygon.vId[k] >= model.vertexCount())
                fail("polygon corner outside the vertices", static_cast<long long>(i));
    }
    for (const auto& group : model.groups)
        for (std::int32_t member : group.polygons)
            if (member < 0 || member >= model.polygonCount()) fail("group member outside the polygons", member);
}

// The set was opened by its full path, so every stored path is full and written unchanged.
void compareTextures(const Model& before, const Model& after) {
    if (before.textureCount() != after.textureCount()) fail("texture count changed");
    for (std::size_t i = 0; i < before.textureFiles.size(); ++i)
        if (before.textureFiles[i] != after.textureFiles[i]) {
            printText("before", before.textureFiles[i]);
            printText("after ", after.textureFiles[i]);
            fail("texture path changed", static_cast<long long>(i));
        }
}

void compareGeometryAndGroups(const Model& before, const Model& after, bool exact) {
    if (before.vertexCount() != after.vertexCount()) fail("vertex count changed");
    if (before.polygonCount() != after.polygonCount()) fail("polygon count changed");
    for (std::size_t i = 0; i < before.vertices.size(); ++i) {
        const auto &a = before.vertices[i], &b = after.vertices[i];
        if (!sameCoordinate(a.x, b.x, exact) || !sameCoordinate(a.y, b.y, exact) || !sameCoordinate(a.z, b.z, exact))
            fail("vertex changed", static_cast<long long>(i));
    }
    if (before.groups.size() != after.groups.size()) fail("group count changed");
    for (std::size_t i = 0; i < before.groups.size(); ++i) {
        if (before.groups[i].name != after.groups[i].name) {
            printText("before", before.groups[i].name);
            printText("after ", after.groups[i].name);
            fail("group name changed", static_cast<long long>(i));
        }
        if (before.groups[i].polygons != after.groups[i].polygons)
            fail("group members changed", static_cast<long long>(i));
    }
}

// The first load against the reload of its save: the MAT file keeps only the values the
// polygon's kind uses, and colours only their low 24 bits.
void compareCarried(const Model& before, const Model& after) {
    compareGeometryAndGroups(before, after, false);
    compareTextures(before, after);
    for (std::size_t i = 0; i < before.polygons.size(); ++i) {
        const ModelPolygon &a = before.polygons[i], &b = after.polygons[i];
        if (a.flags != b.flags || a.vId != b.vId) failPolygon("polygon corners changed", i, a, b);
        if (a.shading != b.shading || a.type != b.type || a.mat_flag != b.mat_flag)
            failPolygon("polygon material kind changed", i, a, b);
        const bool textured = a.type == 'T' || a.type == 'D' || a.type == 'H';
        if (textured && (a.tId != b.tId || a.tu != b.tu || a.tv != b.tv))
            failPolygon("texture values changed", i, a, b);
        const bool oneColour = a.type == 'C' || a.type == 'D';
        const bool fourColours = a.type == 'G' || a.type == 'H';
        for (int k = 0; k < 4; ++k) {
            const std::int32_t expected = (oneColour ? a.rgb[0] : a.rgb[k]) & 0xFFFFFF;
            if ((oneColour || fourColours) && b.rgb[k] != expected) failPolygon("polygon colour changed", i, a, b);
        }
    }
}

// A reload of a saved set against the model saved: everything but the normals and normal
// indices (every save recomputes them, and writes the normals negated) and the paths.
void compareExactly(const Model& before, const Model& after) {
    compareGeometryAndGroups(before, after, true);
    compareTextures(before, after);
    for (std::size_t i = 0; i < before.polygons.size(); ++i) {
        ModelPolygon a = before.polygons[i], b = after.polygons[i];
        if (a.flags != b.flags || a.vId != b.vId) failPolygon("polygon corners changed on the second save", i, a, b);
        if (a.shading != b.shading || a.type != b.type || a.mat_flag != b.mat_flag)
            failPolygon("polygon material kind changed on the second save", i, a, b);
        if (a.tId != b.tId || a.tu != b.tu || a.tv != b.tv || a.rgb != b.rgb)
            failPolygon("polygon material values changed on the second save", i, a, b);
        a.faceNormal = b.faceNormal = {};
        a.nId = b.nId = {};
        if (a != b) failPolygon("polygon changed on the second save", i, a, b);
    }
    for (std::size_t i = 0; i < before.groups.size(); ++i)
        if (before.groups[i] != after.groups[i]) fail("group changed on the second save", static_cast<long long>(i));
    if (before.skeleton != after.skeleton) fail("skeleton changed on the second save");
}

// nullopt when the writer refused the set because its lines would be too long for the
// reader (a loaded name that its folder made too long); anything else must save.
std::optional<Model> saveAndLoad(MemoryFileSystem& files, Model& model, const std::string& rsdPath) {
    kestrel::formats::SaveOptions options;
    options.newPath = rsdPath;
    options.withMovements = false;
    if (auto saved = kestrel::formats::saveRsdSet(files, model, options); !saved) {
        if (saved.error().message.starts_with("cannot save: this line would be")) {
            if (files.files.contains(rsdPath)) fail("a refused save wrote its RSD file");
            return std::nullopt;
        }
        std::fprintf(stderr, "%s\n", saved.error().describe().c_str());
        fail("a loaded set could not be saved");
    }
    auto reloaded = kestrel::formats::loadRsdSet(files, rsdPath);
    if (!reloaded) {
        std::fprintf(stderr, "%s\n", reloaded.error().describe().c_str());
        fail("a saved set could not be loaded");
    }
    checkInvariants(reloaded->model);
    return std::move(reloaded->model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFileSystem files;
    splitIntoSet(std::string_view(reinterpret_cast<const char*>(data), size), files);

    auto loaded = kestrel::formats::loadRsdSet(files, kSetFiles[0]);
    if (!loaded) {
        const auto& error = loaded.error();
        if (error.message.empty() || error.file.empty() || error.line < 0) fail("an error without file or reason");
        (void)error.describe();
        return 0;
    }
    Model first = std::move(loaded->model);
    checkInvariants(first);

    std::optional<Model> second = saveAndLoad(files, first, "/out/first.rsd");
    if (!second) return 0;
    compareCarried(first, *second);

    std::optional<Model> third = saveAndLoad(files, *second, "/out/second.rsd");
    if (!third) fail("a saved set could not be saved again");
    compareExactly(*second, *third);
    return 0;
}
