// The robot dog sample: the tool makes the committed files, byte for byte on every run; they
// open without warnings with the skeleton, movements, groups, materials and textures the
// README names, draw as a textured picture, and come back the same after a save.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include "app/document.h"
#include "formats/file_system.h"
#include "render/edit_view.h"
#include "render/software_device.h"
#include "render/view_textures.h"
#include "sample_dog.h"

namespace kestrel::app {
namespace {

const std::set<std::string> kFiles = {"dog.rsd",  "dog.ply",       "dog.mat",      "dog.xgrp",    "dog.bone",
                                      "dog.move", "dog_plate.tim", "dog_face.tim", "dog_pads.tim"};

std::string committed(const std::string& name) {
    std::ifstream in("data/samples/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The committed set opened through the program's loader from the sample folder.
struct Sample {
    Document document;
    std::vector<Warning> warnings;
    Sample() {
        const auto opened = document.openFile("data/samples/dog.rsd");
        EXPECT_TRUE(opened) << opened.error().describe();
        if (opened) warnings = *opened;
    }
    const model::Model& model() const { return document.model(); }
};

// The model under another model's names: what a save under a new name may change.
model::Model namedLike(model::Model m, const model::Model& like) {
    m.rsdFileName = like.rsdFileName;
    m.plyFileName = like.plyFileName;
    m.matFileName = like.matFileName;
    m.grpFileName = like.grpFileName;
    return m;
}

// What differs between two models, by the first record of each kind; "" when they are equal.
std::string differences(const model::Model& a, const model::Model& b) {
    std::string out;
    const auto first = [&](const char* what, const auto& x, const auto& y) {
        if (x.size() != y.size()) return out += std::string(what) + " count, ", void();
        for (std::size_t i = 0; i < x.size(); ++i)
            if (!(x[i] == y[i])) return out += std::string(what) + " " + std::to_string(i) + ", ", void();
    };
    first("vertex", a.vertices, b.vertices);
    first("normal", a.normals, b.normals);
    first("polygon", a.polygons, b.polygons);
    first("group", a.groups, b.groups);
    first("texture", a.textureFiles, b.textureFiles);
    first("joint", a.skeleton.joints, b.skeleton.joints);
    first("bone", a.skeleton.bones, b.skeleton.bones);
    if (out.empty() && !(a == b)) out = "file names";
    return out;
}

const animation::Keyframe* keyframeNamed(const Document& document, const std::string& name) {
    for (const auto& movement : document.animation().movements)
        for (const auto& keyframe : movement.keyframes)
            if (keyframe.name == name) return &keyframe;
    return nullptr;
}

int litPixels(render::SoftwareDevice& device) {
    return static_cast<int>(
        std::ranges::count_if(device.pixels(), [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; }));
}

}  // namespace

TEST(DogSample, TheToolMakesTheCommittedFilesTheSameOnEveryRun) {
    const auto first = samples::makeDogSample();
    ASSERT_TRUE(first) << first.error();
    const auto second = samples::makeDogSample();
    ASSERT_TRUE(second) << second.error();
    std::set<std::string> names;
    for (const auto& [name, bytes] : *first) {
        names.insert(name);
        EXPECT_TRUE(second->at(name) == bytes) << name << " differs between two runs";
        EXPECT_TRUE(committed(name) == bytes)
            << "data/samples/" << name << " is not what the tool makes; run scripts/make-sample-dog";
    }
    EXPECT_EQ(names, kFiles);
}

TEST(DogSample, OpensWithoutWarningsWithItsGroupsSkeletonAndMovements) {
    const Sample s;
    ASSERT_TRUE(s.warnings.empty()) << s.warnings.front().describe();
    const model::Model& m = s.model();
    EXPECT_GE(m.polygonCount(), 300);
    EXPECT_LE(m.polygonCount(), 600);

    std::vector<std::string> groups;
    std::vector<int> memberships(static_cast<std::size_t>(m.polygonCount()));
    for (const auto& group : m.groups) {
        groups.push_back(group.name);
        for (int p : group.polygons) ++memberships.at(static_cast<std::size_t>(p));
    }
    EXPECT_EQ(groups,
              (std::vector<std::string>{"torso", "neck", "head", "face", "muzzle", "leg front left", "leg front right",
                                        "leg rear left", "leg rear right", "tail", "visor"}));
    EXPECT_TRUE(std::ranges::all_of(memberships, [](int n) { return n == 1; })) << "every polygon in one group";

    // Every vertex rides on exactly one bone, so that posing carries the whole dog and tears
    // nothing apart; the bones hang from one root joint, down to the paws five bones below it.
    const model::Skeleton& skeleton = m.skeleton;
    EXPECT_EQ(skeleton.bones.size(), 21u);
    std::vector<int> riders(static_cast<std::size_t>(m.vertexCount()));
    for (const auto& bone : skeleton.bones)
        for (int v : bone.vertices) ++riders.at(static_cast<std::size_t>(v));
    EXPECT_TRUE(std::ranges::all_of(riders, [](int n) { return n == 1; }));
    std::map<int, int> boneEndingAt;
    for (std::size_t b = 0; b < skeleton.bones.size(); ++b)
        EXPECT_TRUE(boneEndingAt.emplace(skeleton.bones[b].endJoint, static_cast<int>(b)).second)
            << "one bone ends at each joint";
    std::set<int> roots;
    int deepest = 0;
    for (const auto& bone : skeleton.bones) {
        int depth = 1;
        const int most = static_cast<int>(skeleton.bones.size());  // a cycle would climb for ever
        for (auto up = boneEndingAt.find(bone.startJoint); up != boneEndingAt.end() && depth <= most;
             up = boneEndingAt.find(skeleton.bones[static_cast<std::size_t>(up->second)].startJoint))
            ++depth;
        if (depth == 1) roots.insert(bone.startJoint);
        deepest = std::max(deepest, depth);
    }
    EXPECT_EQ(roots.size(), 1u);
    EXPECT_EQ(deepest, 5);

    const auto& movements = s.document.animation().movements;
    ASSERT_EQ(movements.size(), 2u);
    EXPECT_EQ(movements[0].name, "walk");
    EXPECT_EQ(movements[0].keyframes.size(), 4u);
    EXPECT_EQ(movements[1].name, "wave");
    EXPECT_EQ(movements[1].keyframes.size(), 5u);
    ASSERT_TRUE(s.document.animation().baseFrame);
    const model::Model& rest = s.document.animation().baseFrame->model;
    for (const auto& movement : movements)
        for (const auto& keyframe : movement.keyframes) {
            SCOPED_TRACE(keyframe.name);
            ASSERT_EQ(keyframe.model.vertexCount(), rest.vertexCount());
            // Each pose but the wave's last (which comes back to rest) moves the dog, and none
            // pushes a paw through the ground (Y grows downwards; the paws stand on 0).
            double moved = 0;
            for (int v = 0; v < rest.vertexCount(); ++v)
                moved = std::max(
                    moved, model::Distance(model::vectorDifference(keyframe.model.vertices[v], rest.vertices[v])));
            if (keyframe.name == "wave_rest")
                EXPECT_LT(moved, 1e-4);
            else
                EXPECT_GT(moved, 5);
            EXPECT_LT(std::ranges::max(keyframe.model.vertices, {}, &model::ModelVertex::y).y, 0.5);
        }
    // The walk's first passing pose lifts the front right paw off the ground.
    const auto* passing = keyframeNamed(s.document, "walk_pass_left");
    ASSERT_TRUE(passing);
    const auto lowest = [&](const model::Model& pose) {
        double y = -1e9;
        for (int p : m.groups[6].polygons) {  // "leg front right"
            const model::ModelPolygon& polygon = pose.polygons[static_cast<std::size_t>(p)];
            for (int k = 0; k < model::polygonCornerCount(polygon); ++k)
                y = std::max(y, pose.vertices[static_cast<std::size_t>(polygon.vId[k])].y);
        }
        return y;
    };
    EXPECT_GT(lowest(rest), -0.5);
    EXPECT_LT(lowest(passing->model), -3);
}

TEST(DogSample, HasSeeThroughLitAndTexturedMaterialsWithTexturesInTheirOwnPlaces) {
    const Sample s;
    const model::Model& m = s.model();
    std::set<char> kinds;
    std::set<int> seeThroughModes;
    int litTextured = 0, unlitTextured = 0;
    const auto& slots = s.document.textureSlots();
    ASSERT_EQ(slots.size(), 3u);
    for (const auto& p : m.polygons) {
        kinds.insert(p.type);
        if (p.mat_flag & model::kMatTransparent) seeThroughModes.insert(p.mat_flag >> model::kMatTransparencyShift & 3);
        if (p.type == model::PTYPE_SINGLE_COLOUR || p.type == model::PTYPE_GRADATION_COLOUR) continue;
        (p.mat_flag & model::kMatNotLightSourced ? unlitTextured : litTextured) += 1;
        // The corners lie on the texture and span some of it.
        ASSERT_GE(p.tId, 0);
        ASSERT_LT(p.tId, 3);
        const auto& picture = slots[static_cast<std::size_t>(p.tId)].picture;
        std::set<std::pair<int, int>> corners;
        for (int k = 0; k < model::polygonCornerCount(p); ++k) {
            EXPECT_TRUE(p.tu[k] >= 0 && p.tu[k] <= picture.width && p.tv[k] >= 0 && p.tv[k] <= picture.height);
            corners.emplace(p.tu[k], p.tv[k]);
        }
        EXPECT_GT(corners.size(), 2u);
    }
    EXPECT_EQ(kinds, (std::set<char>{'C', 'G', 'T', 'D'}));
    EXPECT_EQ(seeThroughModes, (std::set<int>{0, 1}));  // the visor's half and half, the lamp's added light
    EXPECT_GT(litTextured, 100);
    EXPECT_GT(unlitTextured, 0);  // the face screen

    // Uploaded together, no texture may overwrite another's pixels or colour table, and each
    // image lies within one texture page (64 words by 256 lines), as the packets address it.
    struct Area {
        int x0, y0, x1, y1;
    };
    std::vector<Area> areas;
    for (const auto& slot : slots) {
        ASSERT_TRUE(slot.loaded);
        const int words = slot.picture.width * slot.bitsPerPixel / 16;
        areas.push_back({slot.imageX, slot.imageY, slot.imageX + words, slot.imageY + slot.picture.height});
        areas.push_back({slot.clutX, slot.clutY, slot.clutX + (1 << slot.bitsPerPixel), slot.clutY + 1});
        EXPECT_EQ(slot.imageX / 64, (slot.imageX + words - 1) / 64);
        EXPECT_EQ(slot.imageY / 256, (slot.imageY + slot.picture.height - 1) / 256);
    }
    EXPECT_EQ(slots[0].bitsPerPixel + slots[1].bitsPerPixel + slots[2].bitsPerPixel, 8 + 8 + 4);
    for (std::size_t a = 0; a < areas.size(); ++a)
        for (std::size_t b = a + 1; b < areas.size(); ++b)
            EXPECT_TRUE(areas[a].x1 <= areas[b].x0 || areas[b].x1 <= areas[a].x0 || areas[a].y1 <= areas[b].y0 ||
                        areas[b].y1 <= areas[a].y0)
                << "VRAM areas " << a << " and " << b << " overlap";
}

TEST(DogSample, DrawsATexturedPictureFromTheFront) {
    const Sample s;
    render::SoftwareDevice device(320, 240);
    render::EditView view;
    view.mode = render::DisplayMode::Textured;
    view.showAxes = 0;
    view.scaleToFit(s.model(), device.width(), device.height());
    const auto textures = render::viewTextures(device, s.document.textureSlots());
    render::paintEditView(device, s.model(), view, {false, textures, -1, {}});
    const std::vector<std::uint32_t> textured(device.pixels().begin(), device.pixels().end());
    EXPECT_GT(litPixels(device), 320 * 240 / 6) << "the dog fills a good part of the view";

    // Without its textures the picture changes over the face, the plates and the paws.
    render::paintEditView(device, s.model(), view, {false, {}, -1, {}});
    int changed = 0;
    for (std::size_t i = 0; i < textured.size(); ++i) changed += textured[i] != device.pixels()[i];
    EXPECT_GT(changed, 2000);
}

TEST(DogSample, SavedAndOpenedAgainIsTheSameModelSkeletonAndMovements) {
    auto* files = new formats::MemoryFileSystem;
    for (const std::string& name : kFiles) files->files["/s/" + name] = committed(name);
    Document first{std::unique_ptr<formats::FileSystem>(files)};
    ASSERT_TRUE(first.openFile("/s/dog.rsd"));
    const auto saved = first.saveAs("/t/dog.rsd");
    ASSERT_TRUE(saved) << saved.error().describe();
    Document again{std::make_unique<formats::MemoryFileSystem>(*files)};
    const auto opened = again.openFile("/t/dog.rsd");
    ASSERT_TRUE(opened) << opened.error().describe();
    EXPECT_TRUE(opened->empty());

    const model::Model& before = first.model();
    EXPECT_EQ(differences(namedLike(again.model(), before), before), "");
    const auto& a = first.animation();
    const auto& b = again.animation();
    ASSERT_TRUE(a.baseFrame && b.baseFrame);
    EXPECT_EQ(differences(namedLike(b.baseFrame->model, a.baseFrame->model), a.baseFrame->model), "");
    ASSERT_EQ(b.movements.size(), a.movements.size());
    for (std::size_t i = 0; i < a.movements.size(); ++i) {
        ASSERT_EQ(b.movements[i].keyframes.size(), a.movements[i].keyframes.size());
        EXPECT_EQ(b.movements[i].name, a.movements[i].name);
        for (std::size_t k = 0; k < a.movements[i].keyframes.size(); ++k) {
            const auto& want = a.movements[i].keyframes[k];
            const auto& got = b.movements[i].keyframes[k];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(got.name, want.name);
            EXPECT_EQ(got.framesFromLast, want.framesFromLast);
            EXPECT_EQ(differences(namedLike(got.model, want.model), want.model), "");
        }
    }
}

}  // namespace kestrel::app
