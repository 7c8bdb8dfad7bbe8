#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "formats/rsd_set.h"
#include "rsd_fixture.h"

using namespace kestrel;
namespace fs = std::filesystem;

namespace {

class HostSave : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("kestrel-host-save-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const auto& [name, text] : test::cubeFiles("").files) write(name, text);
    }
    void TearDown() override { fs::remove_all(folder); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) {
        std::ifstream in(folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string path(const std::string& name) { return (folder / name).string(); }

    fs::path folder;
    formats::HostFileSystem files;
};

}  // namespace

TEST_F(HostSave, SaveReplacesFilesKeepsFirstBackupsAndLeavesNoTemporaries) {
    auto loaded = formats::loadRsdSet(files, path("cube.rsd"));
    ASSERT_TRUE(loaded) << loaded.error().describe();
    ::chmod(path("cube.ply").c_str(), 0640);
    ASSERT_TRUE(formats::saveRsdSet(files, loaded->model, {}));
    ASSERT_TRUE(formats::saveRsdSet(files, loaded->model, {}));
    EXPECT_EQ(read("cube.ply_backup"), test::kCubePly);
    EXPECT_EQ(read("cube.xgrp_backup"), test::kCubeXgrp);
    struct stat st {};
    ASSERT_EQ(::stat(path("cube.ply").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, 8);  // four files and four backups

    auto again = formats::loadRsdSet(files, path("cube.rsd"));
    ASSERT_TRUE(again) << again.error().describe();
    EXPECT_EQ(again->model.groups, loaded->model.groups);
}

TEST_F(HostSave, SaveIntoAMissingFolderFailsAndTouchesNothing) {
    auto loaded = formats::loadRsdSet(files, path("cube.rsd"));
    ASSERT_TRUE(loaded);
    auto saved = formats::saveRsdSet(files, loaded->model, {path("no/such/dir/x.rsd"), true});
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().describe().find("cannot create a file in its folder"), std::string::npos);
    EXPECT_EQ(loaded->model.rsdFileName, path("cube.rsd"));
    EXPECT_EQ(read("cube.rsd"), test::kCubeRsd);
}

TEST_F(HostSave, FilesThatCannotBeReadSayWhy) {
    const auto reason = [&](const std::string& name, std::size_t limit = formats::kNoSizeLimit) {
        const auto read = files.readFile(path(name), limit);
        return read ? std::string("read") : read.error().message;
    };
    EXPECT_EQ(reason("gone.ply"), "no such file or directory");
    fs::create_directories(folder / "folder.ply");
    EXPECT_EQ(reason("folder.ply"), "is a directory");
    write("big.tim", std::string(100, 'x'));
    EXPECT_EQ(reason("big.tim", 99), "is larger than 99 bytes");
    EXPECT_EQ(reason("big.tim", 100), "read");
    if (::geteuid() != 0) {  // the superuser reads any file
        write("locked.ply", "@PLY940102\n");
        fs::permissions(folder / "locked.ply", fs::perms::none);
        EXPECT_EQ(reason("locked.ply"), "permission denied");
    }

    // The set loader passes the reason on, at the line that names the file.
    fs::remove(folder / "cube.ply");
    fs::create_directories(folder / "cube.ply");
    const auto loaded = formats::loadRsdSet(files, path("cube.rsd"));
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().message, "cannot open the PLY file " + path("cube.ply") + " (is a directory)");
    EXPECT_GT(loaded.error().line, 0);
    const auto folderAsSet = formats::loadRsdSet(files, path("folder.ply"));
    ASSERT_FALSE(folderAsSet);
    EXPECT_EQ(folderAsSet.error().describe(), path("folder.ply") + ": cannot open the file (is a directory)");
}
