// Gives the sample robot its skeleton and a "nod" movement of three keyframes, made with the
// program's own commands and saved by its own writer:
//   make_sample_animation data/samples
// The set is read into memory under "/", worked on there and written back beside itself;
// the RSD file then names its files relatively, so the sample opens from any folder.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <numbers>

#include "app/document.h"
#include "formats/file_system.h"

namespace fs = std::filesystem;
using namespace kestrel;

namespace {

const char* const kFiles[] = {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp", "robot.bone", "robot.move"};

int fail(const std::string& why) {
    std::cerr << "make_sample_animation: " << why << '\n';
    return 1;
}

// The full names the writer stores become bare names beside the RSD file.
std::string relativeNames(std::string rsd) {
    for (std::size_t at = rsd.find("=/"); at != std::string::npos; at = rsd.find("=/", at)) rsd.erase(at + 1, 1);
    return rsd.replace(0, 3, "# ");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return fail("usage: make_sample_animation FOLDER");
    const fs::path folder = argv[1];
    auto memory = std::make_unique<formats::MemoryFileSystem>();
    formats::MemoryFileSystem& files = *memory;
    for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp"}) {
        std::ifstream in(folder / name, std::ios::binary);
        files.files[std::string("/") + name] = {std::istreambuf_iterator<char>(in), {}};
    }
    app::Document document(std::move(memory));
    if (auto opened = document.openFile("/robot.rsd"); !opened) return fail(opened.error().describe());

    // Pelvis -> neck carries the top of the body, neck -> crown the head, crown -> tip the hat.
    using model::makeVector;
    auto bone = [&](std::optional<int> from, model::ModelVertex a, model::ModelVertex b,
                    std::initializer_list<int> vertices) {
        if (!document.makeBone(from, a, std::nullopt, b)) return false;
        document.selectBone(0);  // the newest bone heads the list
        if (!document.selectVertices(vertices)) return false;
        const bool attached = bool(document.attachToBone());
        document.selectNone();
        return attached;
    };
    if (!bone(std::nullopt, makeVector(0, -40, 0), makeVector(0, -80, 0), {0, 1, 2, 3}) ||
        !bone(1, {}, makeVector(0, -120, 0), {8, 9, 10, 11, 12, 13, 14, 15}) ||
        !bone(2, {}, makeVector(0, -145, 0), {16}))
        return fail("the skeleton could not be made");
    document.selectBone(-1);

    // The skeleton belongs to the rest pose too.
    document.select({app::ProjectItem::Root, "robot.rsd", -1});
    if (!document.addKeyframe([](const app::KeyframeEntry& e) { return e; }))
        return fail("the base frame could not be made");

    // Nod: the head tips forward, back, and upright again, turning about the neck seen from
    // the side.
    if (!document.newMovement("nod")) return fail("no movement");
    model::ViewProjection side;
    side.angleY = std::numbers::pi / 2;
    for (double angle : {0.35, -0.7, 0.35}) {
        document.select({app::ProjectItem::Movement, "nod", -1});
        if (!document.rotateJoint(2, false, angle, side)) return fail("the head would not turn");
        if (!document.addKeyframe([](const app::KeyframeEntry& e) { return e; })) return fail("no keyframe");
    }
    if (auto saved = document.save(); !saved) return fail(saved.error().describe());

    for (const char* name : kFiles) {
        std::string text = files.files.at(std::string("/") + name);
        if (std::string(name) == "robot.rsd") text = relativeNames(text);
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    return 0;
}
