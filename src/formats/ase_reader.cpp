#include "formats/ase_reader.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "formats/ase_scene.h"
#include "formats/host_path.h"

namespace kestrel::formats {

namespace ase {

// The texture list holds the bitmaps of the materials in material order, each path once.
void AseParser::buildTextures(Model& model, std::map<std::int32_t, std::int32_t>& textureOf) const {
    for (const auto& [number, path] : materials) {
        if (!path) continue;
        auto found = std::find(model.textureFiles.begin(), model.textureFiles.end(), *path);
        if (found == model.textureFiles.end()) found = model.textureFiles.insert(found, *path);
        textureOf[number] = static_cast<std::int32_t>(found - model.textureFiles.begin());
    }
}

std::expected<void, Error> AseParser::mapTextures(Model& model, const AseObject& object, int faceBase,
                                                  const std::map<std::int32_t, std::int32_t>& textureOf) {
    const std::string name = quotedName(object.name);
    const auto faceCount = static_cast<std::int64_t>(object.faces.records.size());
    const auto vertexCount = static_cast<std::int64_t>(object.textureVertices.records.size());
    for (const TextureFace& t : object.textureFaces) {
        if (t.face < 0 || t.face >= faceCount)
            return std::unexpected(error(t.line, "texture face " + std::to_string(t.face) +
                                                     " names a face outside object " + name + "'s " +
                                                     countOf(faceCount, "face")));
        for (std::int32_t corner : t.corners)
            if (corner < 0 || corner >= vertexCount)
                return std::unexpected(error(t.line, "texture face " + std::to_string(t.face) +
                                                         " uses texture vertex " + std::to_string(corner) +
                                                         " but object " + name + " has " + std::to_string(vertexCount) +
                                                         " texture vertices"));
    }
    if (!object.material) return {};
    if (!materials.contains(*object.material)) {
        warn(object.materialLine, "object " + name + " uses material " + std::to_string(*object.material) +
                                      ", which the material list does not hold; its polygons stay untextured");
        return {};
    }
    const auto texture = textureOf.find(*object.material);
    if (texture == textureOf.end()) return {};  // a material without a bitmap
    std::vector<bool> mapped(object.faces.records.size());
    for (const TextureFace& t : object.textureFaces) {
        ModelPolygon& p = model.polygons[static_cast<std::size_t>(faceBase + t.face)];
        p.type = model::PTYPE_TEXTURED_COLOURED;
        p.tId = texture->second;
        // The wireframe colour is only how Max draws the object: the texture shows untinted.
        p.rgb.fill(model::kMidGrey);
        for (int k = 0; k < 3; ++k) {
            const TextureVertex& tv = object.textureVertices.records[static_cast<std::size_t>(t.corners[k])];
            p.uRel[k] = tv.u;
            p.vRel[k] = tv.v;
        }
        mapped[static_cast<std::size_t>(t.face)] = true;
    }
    const auto unmapped = std::count(mapped.begin(), mapped.end(), false);
    if (unmapped > 0)
        warn(object.materialLine, std::to_string(unmapped) + " of the " + std::to_string(mapped.size()) +
                                      " polygons of object " + name +
                                      " have no texture coordinates (*MESH_TFACE); they stay untextured");
    return {};
}

// Where a track puts its object at time t: the key there, a straight line between the keys
// around it, and the first or last key before or after them all.
ModelVertex positionAt(const std::vector<Key>& keys, std::int32_t t) {
    if (t <= keys.front().time) return keys.front().position;
    if (t >= keys.back().time) return keys.back().position;
    const auto after =
        std::upper_bound(keys.begin(), keys.end(), t, [](std::int32_t time, const Key& k) { return time < k.time; });
    const Key& a = *(after - 1);
    const Key& b = *after;
    const double f = (static_cast<double>(t) - a.time) / (static_cast<double>(b.time) - a.time);
    return model::makeVector(a.position.x + f * (b.position.x - a.position.x),
                             a.position.y + f * (b.position.y - a.position.y),
                             a.position.z + f * (b.position.z - a.position.z));
}

// Every object's position keys become one movement: a keyframe for every key time but 0 (the
// base pose), in time order. At each, every animated object stands where its own track puts
// it, moved by the difference from where the track has it at time 0.
std::expected<void, Error> AseParser::buildMovement(LoadedModel& loaded, const std::vector<int>& vertexBase) {
    std::map<int, std::vector<Key>> keysOf;  // by object
    for (const Track& track : tracks) {
        if (!track.node) {
            warn(track.line, "the animation block names no object; it is skipped");
            continue;
        }
        int target = -1;
        if (objects[static_cast<std::size_t>(track.owner)].name == *track.node) {
            target = track.owner;
        } else {
            for (std::size_t i = 0; i < objects.size() && target < 0; ++i)
                if (objects[i].name == *track.node) target = static_cast<int>(i);
        }
        if (target < 0) {
            warn(track.line, "the animation block names " + quotedName(*track.node) +
                                 ", which is no imported object; it is skipped");
            continue;
        }
        auto& keys = keysOf[target];
        keys.insert(keys.end(), track.keys.begin(), track.keys.end());
    }
    std::vector<std::int32_t> times;
    for (auto it = keysOf.begin(); it != keysOf.end();) {
        auto& keys = it->second;
        // One key a time: of keys at the same time, the last one listed counts.
        for (std::size_t i = 0; i < keys.size(); ++i) keys[i].order = i;
        std::sort(keys.begin(), keys.end(),
                  [](const Key& a, const Key& b) { return a.time != b.time ? a.time < b.time : a.order < b.order; });
        std::vector<Key> unique;
        for (const Key& k : keys) {
            if (!unique.empty() && unique.back().time == k.time)
                unique.back() = k;
            else
                unique.push_back(k);
        }
        keys = std::move(unique);
        for (const Key& k : keys)
            if (k.time != 0) times.push_back(k.time);
        it = keys.empty() ? keysOf.erase(it) : std::next(it);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    if (times.empty()) return {};

    const Model& base = loaded.animation.baseFrame->model;
    const double elements = static_cast<double>(times.size()) * (base.vertexCount() + base.polygonCount() + 1.0);
    if (elements > kMaxKeyframeElements)
        return std::unexpected(error(0, "the animation would make " + std::to_string(times.size()) + " keyframes of " +
                                            std::to_string(base.vertexCount()) +
                                            " vertices, more than the program can hold"));
    animation::Movement movement{kAseMovementName, {}};
    movement.keyframes.reserve(times.size());
    for (std::size_t k = 0; k < times.size(); ++k) {
        animation::Keyframe keyframe{base, "Keyframe_" + std::to_string(k), animation::kDefaultFramesFromLast,
                                     times[k]};
        for (const auto& [object, keys] : keysOf) {
            const ModelVertex d = vectorDifference(positionAt(keys, times[k]), positionAt(keys, 0));
            const ModelVertex offset = toModel(d.x, d.y, d.z);
            const int first = vertexBase[static_cast<std::size_t>(object)];
            const int last = vertexBase[static_cast<std::size_t>(object) + 1];
            for (int i = first; i < last; ++i) {
                ModelVertex& v = keyframe.model.vertices[static_cast<std::size_t>(i)];
                v = vectorSum(v, offset);
                v.flags = model::kVertexMoved;
                if (beyondCoordinateLimit(v))
                    return std::unexpected(error(
                        objects[static_cast<std::size_t>(object)].line,
                        "the position key at time " + std::to_string(times[k]) + " moves object " +
                            quotedName(objects[static_cast<std::size_t>(object)].name) + " beyond +/-1000000000"));
            }
        }
        movement.keyframes.push_back(std::move(keyframe));
    }
    loaded.animation.movements.push_back(std::move(movement));
    return {};
}

std::expected<LoadedModel, Error> AseParser::build() {
    LoadedModel loaded;
    Model& model = loaded.model;
    nameSetAfter(model, file);

    std::map<std::int32_t, std::int32_t> textureOf;
    if (textures) buildTextures(model, textureOf);

    std::int64_t vertexTotal = 0, faceTotal = 0;
    for (const AseObject& object : objects) {
        vertexTotal += static_cast<std::int64_t>(object.vertices.records.size());
        faceTotal += static_cast<std::int64_t>(object.faces.records.size());
    }
    if (vertexTotal > INT32_MAX || faceTotal > INT32_MAX)
        return std::unexpected(error(0, "the scene has more vertices or faces than a model can hold"));
    model.vertices.reserve(static_cast<std::size_t>(vertexTotal));
    model.polygons.reserve(static_cast<std::size_t>(faceTotal));

    std::vector<int> vertexBase{0};
    for (const AseObject& object : objects) {
        const int base = model.vertexCount();
        const int faceBase = model.polygonCount();
        const auto count = static_cast<std::int32_t>(object.vertices.records.size());
        for (const auto& [v, listed] : object.vertices.records) model.vertices.push_back(v);
        model::PolygonGroup group{object.name, {}};
        // The group file reads a line beginning with '#' as a comment, not as a group's name.
        if (group.name.starts_with('#')) {
            group.name[0] = '_';
            warn(object.line, "object " + quotedName(object.name) + " becomes the group " + quotedName(group.name) +
                                  ": a group name cannot begin with '#'");
        }
        group.polygons.reserve(object.faces.records.size());
        for (std::size_t j = 0; j < object.faces.records.size(); ++j) {
            const Face& face = object.faces.records[j];
            ModelPolygon p;
            for (int k = 0; k < 3; ++k) {
                if (face.corners[k] < 0 || face.corners[k] >= count)
                    return std::unexpected(error(face.line, "face " + std::to_string(j) + " of object " +
                                                                quotedName(object.name) + " uses vertex " +
                                                                std::to_string(face.corners[k]) +
                                                                " but the object has " + countOf(count, "vertex")));
                p.vId[k] = base + face.corners[k];
            }
            p.vId[3] = 0;
            p.rgb.fill(object.colour.value_or(model::kMidGrey));
            group.append(static_cast<std::int32_t>(model.polygons.size()));
            model.polygons.push_back(p);
        }
        model.groups.push_back(std::move(group));
        vertexBase.push_back(model.vertexCount());
        if (textures)
            if (auto failure = mapTextures(model, object, faceBase, textureOf); !failure)
                return std::unexpected(failure.error());
    }
    model.normals.resize(model.vertices.size());

    loaded.animation.baseFrame = animation::Keyframe{model, "BaseFrame"};
    if (auto failure = buildMovement(loaded, vertexBase); !failure) return std::unexpected(failure.error());
    loaded.warnings = std::move(warnings);
    return loaded;
}

}  // namespace ase

using ase::AseParser;
using model::ModelPolygon;

std::expected<LoadedModel, Error> importAse(std::string_view text, const std::string& file, bool textures) {
    std::string decoded;  // 3ds Max writes UTF-16 when a scene has names outside Latin-1
    AseParser parser(plainText(text, decoded), file, textures);
    if (auto failure = parser.parse(); !failure) return std::unexpected(failure.error());
    return parser.build();
}

std::expected<LoadedModel, Error> loadAse(const FileSystem& files, const std::string& path, bool textures) {
    const std::string full = files.absolutePath(path);
    const auto text = files.readFile(full);
    if (!text) return std::unexpected(makeError(full, 0, cannotOpen(text.error())));
    return importAse(*text, full, textures);
}

std::vector<Warning> applyTextureFractions(model::Model& model, const TextureSlots& slots) {
    std::vector<Warning> warnings;
    std::vector<bool> reported(slots.size());
    for (ModelPolygon& p : model.polygons) {
        if (p.tId < 0 || p.tId >= static_cast<std::int32_t>(slots.size())) continue;
        const TextureSlot& slot = slots[static_cast<std::size_t>(p.tId)];
        const auto t = static_cast<std::size_t>(p.tId);
        if (!slot.loaded || slot.bitsPerPixel > 8 || slot.picture.width <= 0 || slot.picture.height <= 0) {
            if (!reported[t])
                warnings.push_back(makeWarning(model.textureFiles[t], 0,
                                               "the size of this texture is not known, so the texture "
                                               "coordinates of its polygons are not set"));
            reported[t] = true;
            continue;
        }
        // Texels stay inside the texture (and inside the 0-255 of a texture page).
        const int maxU = std::min(slot.picture.width, 256) - 1;
        const int maxV = std::min(slot.picture.height, 256) - 1;
        for (int k = 0; k < 3; ++k) {
            p.tu[k] = static_cast<std::int32_t>(std::clamp(p.uRel[k] * slot.picture.width, 0.0, double(maxU)));
            p.tv[k] = static_cast<std::int32_t>(std::clamp(p.vRel[k] * slot.picture.height, 0.0, double(maxV)));
        }
    }
    return warnings;
}

}  // namespace kestrel::formats
