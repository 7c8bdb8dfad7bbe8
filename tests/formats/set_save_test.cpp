// Saving a set all or nothing: a failure at any write, rename or removal, or the process
// dying at any of them, leaves the set entirely old or entirely new once it is opened again;
// side files the new set lacks do not stay to be read with it; leftovers are removed; one
// save of a set at a time.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "animation/skeleton_ops.h"
#include "formats/rsd_set.h"
#include "formats/set_save.h"
#include "rsd_fixture.h"

using namespace kestrel;
using formats::MemoryFileSystem;

namespace {

const char* const kSetFiles[] = {"/m/cube.rsd",  "/m/cube.ply",  "/m/cube.mat",
                                 "/m/cube.xgrp", "/m/cube.move", "/m/cube.bone"};

// The files that make up the set, as they are now (absent ones as "").
std::vector<std::string> setOnDisk(const MemoryFileSystem& files) {
    std::vector<std::string> set;
    for (const char* name : kSetFiles) set.push_back(files.files.contains(name) ? files.files.at(name) : "");
    return set;
}

// The cube with a skeleton and a movement, saved once: the "old" set.
struct Saved {
    MemoryFileSystem files = test::cubeFiles("/m/");
    model::Model model;
    animation::AnimationState anim;

    Saved() {
        model = formats::loadRsdSet(files, "/m/cube.rsd")->model;
        const int a = animation::addJoint(model.skeleton, model::makeVector(0, 0, 0));
        const int b = animation::addJoint(model.skeleton, model::makeVector(0, 1, 0));
        (void)animation::addBone(model.skeleton, a, b);
        anim.baseFrame = animation::Keyframe{model, "BaseFrame"};
        model::Model pose = model;
        pose.vertices[0].x += 1;
        anim.movements.push_back({"walk", {{pose, "step"}}});
        EXPECT_TRUE(formats::saveRsdSet(files, model, {"/m/cube.rsd", true, &anim}));
    }
    // A different model for the new save: every file's bytes change.
    model::Model changed() const {
        model::Model m = model;
        for (auto& v : m.vertices) v.y += 10;
        m.polygons[0].type = 'G';
        m.groups[0].name = "renamed";
        return m;
    }
};

TEST(SetSave, AFailureAtAnyStepLeavesTheOldSetOrTheNewOne) {
    std::vector<std::string> old, fresh;
    {
        Saved s;
        old = setOnDisk(s.files);
        ASSERT_TRUE(formats::saveRsdSet(s.files, s.changed(), {std::nullopt, true, &s.anim}));
        fresh = setOnDisk(s.files);
        ASSERT_NE(old, fresh);
    }
    for (const bool dies : {false, true}) {
        int outcomes[2] = {0, 0};  // old, new
        for (int step = 0;; ++step) {
            Saved s;
            s.files.changes = 0;
            (dies ? s.files.stopAt : s.files.failAt) = step;
            const bool ok = bool(formats::saveRsdSet(s.files, s.changed(), {std::nullopt, true, &s.anim}));
            // The next session, with a disk that works, opens the set.
            s.files.failAt = s.files.stopAt = -1;
            formats::finishInterruptedSave(s.files, "/m/cube.rsd");
            const auto now = setOnDisk(s.files);
            ASSERT_TRUE(now == old || now == fresh) << (dies ? "died" : "failed") << " at change " << step;
            for (const auto& [name, bytes] : s.files.files)
                EXPECT_FALSE(name.ends_with(formats::kNewFileSuffix) || name.ends_with(formats::kJournalSuffix))
                    << name << " left after change " << step;
            ASSERT_TRUE(formats::loadRsdSet(s.files, "/m/cube.rsd")) << "change " << step;
            ++outcomes[now == fresh];
            if (ok) break;
            ASSERT_LT(step, 100);
        }
        // Failures early leave the old set; those after the journal are completed.
        EXPECT_GT(outcomes[0], 3);
        EXPECT_GT(outcomes[1], 1);
    }
}

TEST(SetSave, SideFilesTheNewSetLacksAreNotReadWithIt) {
    Saved s;
    model::Model plain = s.model;
    plain.skeleton = {};
    ASSERT_TRUE(formats::saveRsdSet(s.files, plain, {std::nullopt, false, nullptr}));
    EXPECT_FALSE(s.files.files.contains("/m/cube.bone"));
    EXPECT_FALSE(s.files.files.contains("/m/cube.move"));
    EXPECT_TRUE(s.files.files.contains("/m/cube.bone_backup"));  // kept as the backup rule keeps files
    const auto again = formats::loadRsdSet(s.files, "/m/cube.rsd");
    ASSERT_TRUE(again) << again.error().describe();
    EXPECT_FALSE(again->model.hasSkeleton());
    EXPECT_TRUE(again->animation.movements.empty());
}

TEST(SetSave, LeftoversOfAnUnfinishedSaveAreRemovedAndAFolderInTheWayIsRefused) {
    Saved s;
    s.files.files["/m/cube.ply.kestrel-new"] = "half a file";
    s.files.files["/m/other.ply.kestrel-new"] = "another set's";
    const auto said = formats::finishInterruptedSave(s.files, "/m/cube.rsd");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].message.find("removed 1 file"), std::string::npos);
    EXPECT_FALSE(s.files.files.contains("/m/cube.ply.kestrel-new"));
    EXPECT_TRUE(s.files.files.contains("/m/other.ply.kestrel-new"));

    const auto before = setOnDisk(s.files);
    s.files.files["/m/cube.mat/inside"] = "a folder named like the MAT file";
    const auto refused = formats::saveRsdSet(s.files, s.changed(), {std::nullopt, true, &s.anim});
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().describe().find("folder"), std::string::npos);
    EXPECT_EQ(setOnDisk(s.files), before);
}

TEST(SetSave, ASecondSaveOfTheSameSetWaitsOrSaysWhoHoldsIt) {
    Saved s;
    auto held = s.files.lock("/m/cube.rsd", 0);
    ASSERT_TRUE(held);
    const auto before = setOnDisk(s.files);
    const auto refused = formats::saveRsdSet(s.files, s.changed(), {std::nullopt, true, &s.anim});
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().describe().find("another save of this set is under way (process"), std::string::npos);
    EXPECT_EQ(setOnDisk(s.files), before);
    held->reset();
    EXPECT_TRUE(formats::saveRsdSet(s.files, s.changed(), {std::nullopt, true, &s.anim}));
}

TEST(SetSave, TwoSavesAtOnceOnDiskEachSaveAWholeSet) {
    const auto folder = std::filesystem::temp_directory_path() / ("kestrel-lock-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string rsd = (folder / "cube.rsd").string();
    formats::HostFileSystem disk;
    Saved s;
    model::Model small = s.model, large = s.changed();
    large.addVertex(model::makeVector(5, 5, 5));
    for (int round = 0; round < 5; ++round) {
        std::thread other([&] { EXPECT_TRUE(formats::saveRsdSet(disk, small, {rsd, false, nullptr})); });
        EXPECT_TRUE(formats::saveRsdSet(disk, large, {rsd, false, nullptr}));
        other.join();
        const auto back = formats::loadRsdSet(disk, rsd);
        ASSERT_TRUE(back) << back.error().describe();
        // The PLY and MAT files come from the same save.
        EXPECT_TRUE(back->model.vertexCount() == small.vertexCount() ||
                    back->model.vertexCount() == large.vertexCount());
        EXPECT_EQ(back->model.polygons[0].type,
                  back->model.vertexCount() == large.vertexCount() ? 'G' : small.polygons[0].type);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_FALSE(entry.path().string().find("kestrel-") != std::string::npos &&
                     entry.path().filename().string()[0] == '.')
            << entry.path();
    std::filesystem::remove_all(folder);
}

}  // namespace

// One file written safely with a backup: whichever change fails (the temporary file, the move
// to the backup, the move into place, the clean-up), the file is there under its own name,
// old or new, and no temporary file is left.
TEST(SafeWrite, AFailedMoveIntoPlaceBringsTheBackupBack) {
    bool sawMoveFail = false;
    for (int step = 0; step < 10; ++step) {
        formats::MemoryFileSystem files;
        files.files["/d/a.txt"] = "old";
        files.changes = 0;
        files.failAt = step;
        const auto written = formats::writeFileSafely(files, "/d/a.txt", "new", "/d/a.txt_backup");
        const std::optional<formats::Error> error =
            written ? std::nullopt : std::optional<formats::Error>(written.error());
        ASSERT_TRUE(files.files.contains("/d/a.txt")) << "change " << step;
        EXPECT_EQ(files.files["/d/a.txt"], error ? "old" : "new") << "change " << step;
        for (const auto& [name, bytes] : files.files)
            EXPECT_FALSE(name.ends_with(formats::kNewFileSuffix)) << name << " left after change " << step;
        if (error && error->describe().find("cannot move the new file into place") != std::string::npos) {
            sawMoveFail = true;
            EXPECT_FALSE(files.files.contains("/d/a.txt_backup"));  // moved back, not copied
        }
        if (!error) {
            EXPECT_EQ(files.files["/d/a.txt_backup"], "old");
            break;
        }
    }
    EXPECT_TRUE(sawMoveFail);

    // A backup that exists already is the oldest version and stays.
    formats::MemoryFileSystem files;
    files.files = {{"/d/a.txt", "second"}, {"/d/a.txt_backup", "first"}};
    ASSERT_TRUE(formats::writeFileSafely(files, "/d/a.txt", "third", "/d/a.txt_backup"));
    EXPECT_EQ(files.files["/d/a.txt"], "third");
    EXPECT_EQ(files.files["/d/a.txt_backup"], "first");
}
