#include "formats/tmd_writer.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

#include "base/console_int16.h"
#include "base/little_endian.h"
#include "formats/host_path.h"
#include "formats/tmd_reader.h"

namespace kestrel::formats {

using model::Model;
using model::ModelPolygon;
using model::ModelVertex;

namespace {

constexpr std::uint32_t kTmdId = 0x41;
constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kObjectTableBytes = 28;
constexpr std::size_t kMaxIndex = 65536;  // indices are 16-bit

// What a polygon's packet looks like, decided by its material kind, corner count and flags.
struct PacketShape {
    std::uint8_t mode = 0, flag = 0, olen = 0, ilen = 0;
    int corners = 3;
    bool textured = false, lit = true, gouraud = false;
    int colours = 0;
};

std::optional<std::uint8_t> kindMode(char kind) {
    switch (kind) {
        case model::PTYPE_SINGLE_COLOUR:
            return 0x20;
        case model::PTYPE_TEXTURED_COLOURED:
            return 0x25;
        case model::PTYPE_GRADATION_COLOUR:
            return 0x30;
        case model::PTYPE_TEXTURED_GRADATION_COLOURED:
            return 0x35;
        case model::PTYPE_TEXTURED:
            return 0x34;
        default:
            return std::nullopt;
    }
}

std::optional<PacketShape> shapeOf(const ModelPolygon& polygon) {
    const auto base = kindMode(polygon.type);
    if (!base) return std::nullopt;
    PacketShape s;
    s.corners = model::polygonCornerCount(polygon) == 4 ? 4 : 3;
    s.mode = *base;
    if (s.corners == 4) s.mode |= 0x08;
    if (polygon.mat_flag & 1) s.mode |= 0x01;  // no light-source calculation
    if (polygon.mat_flag & 4) s.mode |= 0x02;  // semi-transparent
    // Gouraud is decided afresh: lit polygons follow their shading; unlit ones have
    // per-corner colours unless they are single-coloured.
    s.lit = !(s.mode & 0x01);
    s.gouraud = s.lit ? polygon.shading != 'F' : polygon.type != model::PTYPE_SINGLE_COLOUR;
    s.mode = static_cast<std::uint8_t>(s.gouraud ? s.mode | 0x10 : s.mode & ~0x10);
    s.textured = s.mode & 0x04;
    const int n = s.corners;
    const bool gradation = polygon.type == model::PTYPE_GRADATION_COLOUR;
    if (s.textured)
        s.colours = s.lit ? 0 : n;
    else
        s.colours = gradation ? n : 1;
    s.flag = s.lit ? (gradation ? 4 : 0) : 1;
    // The data-word count follows from mode and flag by the rule every TMD reader applies.
    s.ilen = static_cast<std::uint8_t>(tmdPolygonDataWords(s.mode, s.flag));
    // The drawing packet the console builds from it: per-corner colours when shaded or
    // graded, texture coordinates beside each corner when textured.
    if (s.textured)
        s.olen = static_cast<std::uint8_t>(s.gouraud ? 3 * n : 1 + 2 * n);
    else
        s.olen = static_cast<std::uint8_t>(s.gouraud || gradation ? 2 * n : 1 + n);
    return s;
}

// Writes little-endian words into a buffer sized in advance.
class WordOut {
public:
    explicit WordOut(char* start) : at(start) {}
    void word(std::uint32_t value) {
        base::storeLittleEndian(at, value);
        at += 4;
    }
    void halves(std::uint32_t low, std::uint32_t high) { word((low & 0xFFFF) | (high & 0xFFFF) << 16); }

private:
    char* at;
};

using base::wrap16;

bool fitsIn16(double value) {
    const double t = std::trunc(value);
    return t >= -32768.0 && t <= 32767.0;
}

void shortVector(WordOut& out, const ModelVertex& v) {
    out.halves(static_cast<std::uint16_t>(wrap16(v.x)), static_cast<std::uint16_t>(wrap16(v.y)));
    out.halves(static_cast<std::uint16_t>(wrap16(v.z)), 0);
}

// A normal in the console's fixed point (4096 = 1.0), truncated toward zero, pointing the way
// the PLY file's does (the computed normal negated): the console lights faces from that side.
ModelVertex consoleNormal(ModelVertex n) {
    model::Scale(n, -1.0);
    model::UnifyPSX(n);
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) return {};
    return n;
}

std::uint32_t colourWord(std::int32_t rgb, std::uint8_t mode) {
    const auto c = static_cast<std::uint32_t>(rgb);
    return ((c >> 16) & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16 | std::uint32_t{mode} << 24;
}

// Texture coordinates run 0..255; the texture tools may store 256 for the far edge.
std::uint32_t texel(std::int32_t t) { return static_cast<std::uint32_t>(t == 256 ? 255 : t); }

struct TexturePlace {
    std::uint32_t uOffset = 0, vOffset = 0;
    std::uint32_t cba = 0, tsbBase = 0;
};

// U counts texels within a texture page of 64 VRAM words, so an image that starts inside a
// page is offset by its place in the page converted to texels: 4 per word at 4 bits, 2 at
// 8 bits. V counts rows within the page's 256 lines.
TexturePlace placeOf(const TextureSlot* slot) {
    TexturePlace place;
    if (!slot) return place;
    const auto imageX = static_cast<std::uint16_t>(slot->imageX);
    const auto imageY = static_cast<std::uint16_t>(slot->imageY);
    const auto clutX = static_cast<std::uint16_t>(slot->clutX);
    const auto clutY = static_cast<std::uint16_t>(slot->clutY);
    const std::uint32_t texelsPerWord = slot->bitsPerPixel == 4 ? 4 : slot->bitsPerPixel == 8 ? 2 : 1;
    place.uOffset = (imageX % 64u) * texelsPerWord;
    place.vOffset = imageY;
    place.cba = ((clutX / 16u) & 0x3F) | (clutY & 0x3FFu) << 6;
    place.tsbBase = ((imageX / 64u) & 0xF) | (imageY > 255 ? 0x10u : 0u);
    if (slot->bitsPerPixel == 8) place.tsbBase |= 0x80;
    if (slot->bitsPerPixel == 16) place.tsbBase |= 0x100;
    return place;
}

void writePacket(WordOut& out, const ModelPolygon& p, const PacketShape& s, std::uint32_t faceNormal,
                 std::span<const TextureSlot> slots) {
    const int n = s.corners;
    out.word(s.olen | std::uint32_t{s.ilen} << 8 | std::uint32_t{s.flag} << 16 | std::uint32_t{s.mode} << 24);
    if (s.textured) {
        const bool hasSlot = p.tId >= 0 && p.tId < static_cast<int>(slots.size());
        const TexturePlace place = placeOf(hasSlot ? &slots[static_cast<std::size_t>(p.tId)] : nullptr);
        const std::uint32_t tsb = place.tsbBase | static_cast<std::uint32_t>(p.mat_flag & 0x18) << 2;
        for (int k = 0; k < n; ++k) {
            const std::uint32_t high = k == 0 ? place.cba : k == 1 ? tsb : 0;
            const std::uint32_t u = (texel(p.tu[k]) + place.uOffset) & 0xFF;
            const std::uint32_t v = (texel(p.tv[k]) + place.vOffset) & 0xFF;
            out.word(u | v << 8 | high << 16);
        }
    }
    for (int k = 0; k < s.colours; ++k) {
        const bool withMode = !s.textured && (k == 0 || (!s.lit && k < 3));
        out.word(colourWord(p.rgb[k], withMode ? s.mode : 0));
    }
    const auto v = [&](int k) { return static_cast<std::uint32_t>(p.vId[k]); };
    if (!s.lit) {
        out.halves(v(0), v(1));
        out.halves(v(2), n == 4 ? v(3) : 0);
    } else if (s.gouraud) {
        for (int k = 0; k < n; ++k) out.halves(v(k), v(k));
    } else {
        out.halves(faceNormal, v(0));
        out.halves(v(1), v(2));
        if (n == 4) out.halves(v(3), 0);
    }
}

}  // namespace

std::expected<TmdBytes, Error> tmdBytes(const Model& model, std::span<const TextureSlot> slots,
                                        const std::string& file) {
    TmdBytes result;
    std::vector<PacketShape> shapes;
    shapes.reserve(model.polygons.size());
    std::vector<std::size_t> written;  // the polygons given a packet
    written.reserve(model.polygons.size());
    std::size_t packetBytes = 0, flat = 0, leftOut = 0;
    for (std::size_t at = 0; at < model.polygons.size(); ++at) {
        const ModelPolygon& polygon = model.polygons[at];
        const auto shape = shapeOf(polygon);
        if (!shape) {
            ++leftOut;
            continue;
        }
        shapes.push_back(*shape);
        written.push_back(at);
        packetBytes += 4u * (1u + shape->ilen);
        if (polygon.shading == 'F') ++flat;
    }
    const std::size_t vertices = model.vertices.size();
    if (vertices + flat > kMaxIndex)
        return std::unexpected(
            makeError(file, 0,
                      "cannot save: a TMD indexes at most 65536 vertices and normals, and the model needs " +
                          std::to_string(vertices) + " vertices and " + std::to_string(vertices + flat) +
                          " normals; nothing was written"));
    // A texture without VRAM places leaves its packets pointing at the top of VRAM: say which.
    std::map<int, int> unplaced;  // texture number, textured polygons that use it
    for (std::size_t i = 0; i < written.size(); ++i) {
        const int t = model.polygons[written[i]].tId;
        if (shapes[i].textured &&
            (t < 0 || t >= static_cast<int>(slots.size()) || slots[static_cast<std::size_t>(t)].bitsPerPixel == 0))
            ++unplaced[t];
    }
    for (const auto& [t, polygons] : unplaced) {
        const bool named = t >= 0 && t < model.textureCount();
        result.warnings.push_back(
            makeWarning(file, 0,
                        "texture " + std::to_string(t) +
                            (named ? " (" + model.textureFiles[static_cast<std::size_t>(t)] + ") could not be read"
                                   : ", which the model does not name") +
                            ", so " +
                            (polygons == 1 ? "the polygon that uses it gets"
                                           : "the " + countOf(polygons, "polygon") + " that use it get") +
                            " CBA 0 and TSB 0"));
    }
    if (leftOut)
        result.warnings.push_back(makeWarning(file, 0,
                                              countOf(leftOut, "polygon") + " of no known material kind " +
                                                  (leftOut == 1 ? "was" : "were") + " left out"));

    std::size_t wrapped = 0;
    for (const auto& vertex : model.vertices) {
        if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y) || !std::isfinite(vertex.z))
            return std::unexpected(
                makeError(file, 0, "cannot save: a vertex coordinate is not a finite number; nothing was written"));
        if (!fitsIn16(vertex.x) || !fitsIn16(vertex.y) || !fitsIn16(vertex.z)) ++wrapped;
    }
    if (wrapped)
        result.warnings.push_back(makeWarning(
            file, 0,
            countOf(static_cast<long long>(wrapped), "vertex") + (wrapped == 1 ? " lies" : " lie") +
                " outside -32768..32767 and wrap" + (wrapped == 1 ? "s" : "") + " around in the console's 16 bits"));

    const std::size_t vertexTable = kObjectTableBytes + packetBytes;  // from the object table
    const std::size_t normalTable = vertexTable + 8 * vertices;
    result.bytes.resize(kHeaderBytes + normalTable + 8 * (vertices + flat));
    WordOut out(result.bytes.data());
    out.word(kTmdId);
    out.word(0);  // table positions are offsets
    out.word(1);  // one object
    for (std::size_t value :
         {vertexTable, vertices, normalTable, vertices + flat, kObjectTableBytes, shapes.size(), std::size_t{0}})
        out.word(static_cast<std::uint32_t>(value));

    auto faceNormal = static_cast<std::uint32_t>(vertices);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const ModelPolygon& polygon = model.polygons[written[i]];
        writePacket(out, polygon, shapes[i], faceNormal, slots);
        if (polygon.shading == 'F') ++faceNormal;
    }
    const model::Normals normals = model::computeNormals(model);
    for (const auto& vertex : model.vertices) shortVector(out, vertex);
    for (const auto& normal : normals.vertex) shortVector(out, consoleNormal(normal));
    for (std::size_t at : written)
        if (model.polygons[at].shading == 'F') shortVector(out, consoleNormal(normals.face[at]));
    return result;
}

std::expected<SavedTmd, Error> saveTmd(FileSystem& files, const Model& model, std::span<const TextureSlot> slots,
                                       const std::string& path) {
    auto tmd = tmdBytes(model, slots, path);
    if (!tmd) return std::unexpected(tmd.error());
    if (auto written = writeFileSafely(files, path, tmd->bytes, replaceLastThree(path, "tmd_backup")); !written)
        return std::unexpected(written.error());
    return SavedTmd{path, std::move(tmd->warnings)};
}

}  // namespace kestrel::formats
