// Fuzz target for the 3DS Max ASE importer, with and without texture information.
//
// An import that succeeds must give a model the rest of the program can trust: every corner,
// group member and texture index inside its table, capacities kept, every polygon in exactly
// one group, the base frame equal to the model and keyframes that differ from it only in
// where vertices stand. Its texture fractions must turn into texels inside the texture, and
// the model must save as an RSD set (with its movement) that loads back with the same counts.
// A failure must say where and why. Any breach aborts with a message.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/ase_reader.h"
#include "formats/file_system.h"
#include "formats/rsd_set.h"

namespace {

using kestrel::formats::LoadedModel;
using kestrel::model::Model;

[[noreturn]] void fail(const char* what, long long index = -1) {
    std::fprintf(stderr, "ase_fuzz: %s (item %lld)\n", what, index);
    std::abort();
}

void checkModel(const Model& m, bool textures) {
    if (m.normals.size() != m.vertices.size()) fail("normal count differs from vertex count");
    if (m.groupCount() > kestrel::model::kMaxGroups) fail("more groups than the capacity");
    if (m.textureCount() > kestrel::model::kMaxTextures) fail("more textures than the capacity");
    if (!textures && m.textureCount() != 0) fail("textures without texture information");
    std::vector<int> groupsOf(m.polygons.size());
    for (const auto& group : m.groups)
        for (std::int32_t member : group.polygons) {
            if (member < 0 || member >= m.polygonCount()) fail("group member outside the polygons", member);
            ++groupsOf[static_cast<std::size_t>(member)];
        }
    for (std::size_t i = 0; i < m.polygons.size(); ++i) {
        const auto& p = m.polygons[i];
        const auto index = static_cast<long long>(i);
        if (groupsOf[i] != 1) fail("polygon not in exactly one group", index);
        if (p.flags != 0) fail("polygon is not a triangle", index);
        for (int k = 0; k < 3; ++k) {
            if (p.vId[k] < 0 || p.vId[k] >= m.vertexCount()) fail("corner outside the vertices", index);
            if (!(p.uRel[k] >= 0) || !std::isfinite(p.uRel[k]) || !(p.vRel[k] >= 0) || !std::isfinite(p.vRel[k]))
                fail("texture fraction negative or not finite", index);
        }
        const bool textured = p.tId >= 0;
        if (textured && (p.tId >= m.textureCount() || p.type != 'D')) fail("bad texture reference", index);
        if (!textured && (p.tId != -1 || p.type != 'C')) fail("untextured polygon of the wrong kind", index);
    }
    for (const auto& v : m.vertices)
        if (!(std::fabs(v.x) <= 1e9 && std::fabs(v.y) <= 1e9 && std::fabs(v.z) <= 1e9))
            fail("vertex beyond the coordinate limit");
}

void checkAnimation(const LoadedModel& loaded) {
    const auto& base = loaded.animation.baseFrame;
    if (!base || base->name != "BaseFrame" || base->model != loaded.model) fail("base frame is not the model");
    if (loaded.animation.movements.size() > 1) fail("more than one movement");
    for (const auto& movement : loaded.animation.movements) {
        if (movement.keyframes.empty()) fail("a movement without keyframes");
        int previous = 0;
        for (std::size_t k = 0; k < movement.keyframes.size(); ++k) {
            const auto& keyframe = movement.keyframes[k];
            if (keyframe.importTime == 0 || (k > 0 && keyframe.importTime <= previous))
                fail("keyframe times not distinct, non-zero and rising", static_cast<long long>(k));
            previous = keyframe.importTime;
            if (keyframe.name != "Keyframe_" + std::to_string(k)) fail("keyframe name", static_cast<long long>(k));
            const Model& pose = keyframe.model;
            if (pose.polygons != base->model.polygons || pose.groups != base->model.groups ||
                pose.vertexCount() != base->model.vertexCount())
                fail("a keyframe differs from the base frame in more than its vertices", static_cast<long long>(k));
        }
    }
}

void checkTexels(Model m) {
    kestrel::formats::TextureSlots slots(m.textureFiles.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        slots[i].loaded = i % 3 != 2;
        slots[i].bitsPerPixel = 8;
        slots[i].picture.width = static_cast<int>(1 + 37 * i % 300);
        slots[i].picture.height = static_cast<int>(1 + 53 * i % 300);
    }
    (void)kestrel::formats::applyTextureFractions(m, slots);
    for (const auto& p : m.polygons) {
        if (p.tId < 0 || !slots[static_cast<std::size_t>(p.tId)].loaded) continue;
        const auto& picture = slots[static_cast<std::size_t>(p.tId)].picture;
        for (int k = 0; k < 3; ++k)
            if (p.tu[k] < 0 || p.tu[k] >= std::min(picture.width, 256) || p.tv[k] < 0 ||
                p.tv[k] >= std::min(picture.height, 256))
                fail("texel outside the texture");
    }
}

void checkSave(LoadedModel& loaded) {
    kestrel::formats::MemoryFileSystem files;
    kestrel::formats::SaveOptions options;
    options.newPath = "/out/scene.rsd";
    options.animation = &loaded.animation;
    Model& saved = loaded.animation.baseFrame->model;
    if (auto written = kestrel::formats::saveRsdSet(files, saved, options); !written) {
        // Names too long for the files' lines are refused before anything is written.
        if (written.error().message.starts_with("cannot save:")) return;
        std::fprintf(stderr, "%s\n", written.error().describe().c_str());
        fail("an imported model could not be saved");
    }
    auto reloaded = kestrel::formats::loadRsdSet(files, "/out/scene.rsd");
    if (!reloaded) {
        std::fprintf(stderr, "%s\n", reloaded.error().describe().c_str());
        fail("a saved import could not be loaded");
    }
    if (reloaded->model.vertexCount() != saved.vertexCount() ||
        reloaded->model.polygonCount() != saved.polygonCount() ||
        reloaded->animation.movements.size() != loaded.animation.movements.size())
        fail("a saved import reads back with other counts");
    if (reloaded->model.groupCount() != saved.groupCount()) fail("a saved import reads back with other groups");
    for (std::size_t i = 0; i < saved.groups.size(); ++i)
        if (reloaded->model.groups[i].name != saved.groups[i].name ||
            reloaded->model.groups[i].polygons != saved.groups[i].polygons)
            fail("a group reads back changed", static_cast<long long>(i));
    if (reloaded->model.textureFiles != saved.textureFiles) fail("the texture list reads back changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool textures : {false, true}) {
        auto loaded = kestrel::formats::importAse(text, "/in/scene.ase", textures);
        if (!loaded) {
            const auto& error = loaded.error();
            if (error.file != "/in/scene.ase" || error.message.empty() || error.line < 0)
                fail("an error without file or reason");
            continue;
        }
        if (loaded->model.rsdFileName != "/in/scene.rsd") fail("the model is not named after the file");
        checkModel(loaded->model, textures);
        checkAnimation(*loaded);
        checkTexels(loaded->model);
        checkSave(*loaded);
    }
    return 0;
}
