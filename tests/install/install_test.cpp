// `cmake --install` and the Debian package of this very build: what they lay out, what the
// package depends on, and that the programs they hold run.
#include <gtest/gtest.h>

#include <regex>

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

// One line of "dpkg-deb -c": its mode and owner, and the path without the leading "./".
struct DebEntry {
    std::string mode, owner, path;
};

std::vector<DebEntry> debEntries(const std::string& listing) {
    std::vector<DebEntry> entries;
    static const std::regex line(R"(^(\S+)\s+(\S+)\s+\d+\s+\S+\s+\S+\s+\./(.*)$)");
    for (const std::string& text : lines(listing)) {
        std::smatch m;
        if (std::regex_match(text, m, line)) entries.push_back({m[1], m[2], m[3]});
    }
    return entries;
}

TEST(Package, TheDebHoldsTheInstallDependsOnItsLibrariesAndItsCliRuns) {
    const TempDir out;
    const CliRun cpack = runProgram({KESTREL_CPACK, "-G", "DEB", "--config",
                                     (buildDir() / "CPackConfig.cmake").string(), "-B", out.path().string()},
                                    CliSetup{buildDir(), "", {}});
    ASSERT_EQ(cpack.status, 0) << described("cpack", cpack);
    std::vector<fs::path> debs;
    for (const auto& entry : fs::directory_iterator(out.path()))
        if (entry.path().extension() == ".deb") debs.push_back(entry.path());
    ASSERT_EQ(debs.size(), 1u) << cpack.out;
    const std::string deb = debs.front().string();
    EXPECT_TRUE(debs.front().filename().string().starts_with("kestrel_" KESTREL_PROJECT_VERSION "_")) << deb;

    const CliRun control = runProgram({"dpkg-deb", "-f", deb});
    ASSERT_EQ(control.status, 0) << described("dpkg-deb -f", control);
    EXPECT_EQ(field(control.out, "Package", ':'), "kestrel");
    EXPECT_EQ(field(control.out, "Version", ':'), KESTREL_PROJECT_VERSION);
    EXPECT_EQ(field(control.out, "Section", ':'), "graphics");
    // Computed from the programs' libraries by dpkg-shlibdeps, so it names the C library's
    // package and, for the window, Qt's.
    const std::string depends = field(control.out, "Depends", ':');
    EXPECT_NE(depends.find("libc6"), std::string::npos) << depends;
    EXPECT_NE(depends.find("libstdc++6"), std::string::npos) << depends;
#ifdef KESTREL_GUI_PATH
    EXPECT_NE(depends.find("libqt6widgets6"), std::string::npos) << depends;
#endif

    const CliRun contents = runProgram({"dpkg-deb", "-c", deb});
    ASSERT_EQ(contents.status, 0) << described("dpkg-deb -c", contents);
    std::set<std::string> files;
    for (const DebEntry& entry : debEntries(contents.out)) {
        EXPECT_EQ(entry.owner, "root/root") << entry.path;
        if (entry.mode.front() != '-') continue;
        files.insert(entry.path);
        EXPECT_EQ(entry.mode, entry.path.starts_with("usr/bin/") ? "-rwxr-xr-x" : "-rw-r--r--") << entry.path;
    }
    EXPECT_EQ(files, expectedInstall());

    // Unpacked without installing, the command-line tool runs and is this build's.
    const TempDir unpacked;
    const CliRun extract = runProgram({"dpkg-deb", "-x", deb, unpacked.path().string()});
    ASSERT_EQ(extract.status, 0) << described("dpkg-deb -x", extract);
    const CliRun version = runProgram({(unpacked.path() / "usr/bin/kestrel-cli").string(), "--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, app::versionLine("kestrel-cli") + "\n");
}

}  // namespace
}  // namespace kestrel::install::test
