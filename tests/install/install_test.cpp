// `cmake --install` of this very build: what it lays out, and that the programs run from there.
#include <gtest/gtest.h>

#include "app/version.h"
#include "install_support.h"

namespace kestrel::install::test {
namespace {

namespace fs = std::filesystem;

constexpr auto kExecutable = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

TEST(Install, LaysOutTheProgramsAndTheDesktopFilesUnderThePrefix) {
    const TempDir root;
    const CliRun install = runProgram({KESTREL_CMAKE, "--install", buildDir().string(), "--prefix", "/usr"}, {},
                                      {"DESTDIR=" + root.path().string()});
    ASSERT_EQ(install.status, 0) << described("cmake --install", install);

    // Exactly these files: nothing missing, and nothing of the build (tests, tools) besides.
    const std::set<std::string> installed = filesUnder(root.path());
    EXPECT_EQ(installed, expectedInstall());
    for (const std::string& file : installed) {
        const fs::path path = root.path() / file;
        if (file.starts_with("usr/bin/")) {
            EXPECT_EQ(fs::status(path).permissions() & kExecutable, kExecutable) << file;
        } else {
            EXPECT_EQ(fs::status(path).permissions() & kExecutable, fs::perms::none) << file;
            EXPECT_EQ(readFile(path), readFile(sourceOf(file))) << file << " differs from " << sourceOf(file);
        }
    }

    // The installed program is the one built here, and runs from its new place.
    const CliRun version = runProgram({(root.path() / "usr/bin/kestrel-cli").string(), "--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, app::versionLine("kestrel-cli") + "\n");
}

}  // namespace
}  // namespace kestrel::install::test
