// The version both programs report, and the build step that finds it: the project version,
// and the commit of the checkout the sources are, when they are one.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "app/version.h"
#include "install_support.h"

namespace kestrel::install::test {
namespace {

namespace fs = std::filesystem;

// "NAME 0.1" or "NAME 0.1 (git 3589182)", "-dirty" after the commit when the tracked files
// differed from it.
std::regex versionLine(const std::string& program) {
    return std::regex("^" + program + " " + std::regex_replace(KESTREL_PROJECT_VERSION, std::regex(R"(\.)"), R"(\.)") +
                      R"(( \(git [0-9a-f]{7,}(-dirty)?\))?\n$)");
}

TEST(Version, TheCommandLineToolPrintsItsNameVersionAndRevision) {
    const CliRun run = cli::test::runCli({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(std::regex_match(run.out, versionLine("kestrel-cli"))) << run.out;
    EXPECT_EQ(run.err, "");
    // Without a command, which every other use needs.
    EXPECT_EQ(cli::test::runCli({}).status, 2);
}

#ifdef KESTREL_GUI_PATH
TEST(Version, TheWindowPrintsItsVersionWithoutADisplay) {
    // No display to open: the answer must come before the window system is needed.
    const CliRun run =
        runProgram({KESTREL_GUI_PATH, "--version"}, {}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::regex_match(run.out, versionLine("kestrel"))) << run.out;
    // Both programs come from one build and say the same.
    EXPECT_EQ(run.out.substr(run.out.find(' ')), cli::test::runCli({"--version"}).out.substr(11));
}
#endif

// Runs cmake/version.cmake as the build does, for sources in folder; the header it writes.
class VersionHeader : public ::testing::Test {
protected:
    std::string generate(const fs::path& folder) const {
        const CliRun run =
            runProgram({KESTREL_CMAKE, "-DSOURCE_DIR=" + folder.string(), "-DVERSION=2.5",
                        "-DOUTPUT=" + header().string(), "-P", (sourceDir() / "cmake/version.cmake").string()});
        EXPECT_EQ(run.status, 0) << described("cmake -P version.cmake", run);
        return readFile(header());
    }

    fs::path header() const { return out.path() / "version_info.h"; }

    static std::string revisionOf(const std::string& text) {
        std::smatch m;
        static const std::regex revision(R"(#define KESTREL_REVISION "([^"]*)\")");
        return std::regex_search(text, m, revision) ? m[1].str() : "(none)";
    }

    // Runs git in folder, failing the test when it fails; its output.
    static std::string git(const fs::path& folder, std::vector<std::string> arguments) {
        std::vector<std::string> command{
            "git", "-C", folder.string(), "-c", "user.name=Kestrel test", "-c", "user.email=test@example.org"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const CliRun run = runProgram(command);
        EXPECT_EQ(run.status, 0) << described("git " + arguments.front(), run);
        return run.out;
    }

    void SetUp() override {
        if (runProgram({"git", "--version"}).status != 0) GTEST_SKIP() << "git is not installed";
    }

    TempDir sources, out;
};

TEST_F(VersionHeader, SourcesOutsideACheckoutHaveNoRevision) {
    const std::string text = generate(sources.path());
    EXPECT_NE(text.find("#define KESTREL_VERSION \"2.5\""), std::string::npos) << text;
    EXPECT_EQ(revisionOf(text), "");
}

TEST_F(VersionHeader, ACheckoutGivesItsCommitAndSaysWhenItsFilesDiffer) {
    git(sources.path(), {"init", "-q"});
    cli::test::writeFile(sources.path() / "CMakeLists.txt", "project(X)\n");
    git(sources.path(), {"add", "CMakeLists.txt"});
    git(sources.path(), {"commit", "-q", "-m", "first"});
    const std::string commit = lines(git(sources.path(), {"rev-parse", "--short=7", "HEAD"})).front();
    EXPECT_EQ(revisionOf(generate(sources.path())), commit);

    // An untracked file is not a change; an edited tracked one is.
    cli::test::writeFile(sources.path() / "notes.txt", "x");
    EXPECT_EQ(revisionOf(generate(sources.path())), commit);
    cli::test::writeFile(sources.path() / "CMakeLists.txt", "project(Y)\n");
    EXPECT_EQ(revisionOf(generate(sources.path())), commit + "-dirty");

    // A tag does not replace the commit.
    git(sources.path(), {"checkout", "-q", "--", "CMakeLists.txt"});
    git(sources.path(), {"tag", "-a", "v2.5", "-m", "v2.5"});
    EXPECT_EQ(revisionOf(generate(sources.path())), commit);

    // Sources unpacked inside another checkout are not that checkout's commit.
    fs::create_directories(sources.path() / "vendor/kestrel");
    EXPECT_EQ(revisionOf(generate(sources.path() / "vendor/kestrel")), "");
}

TEST_F(VersionHeader, AnUnchangedHeaderIsLeftAloneSoNothingRecompiles) {
    const std::string first = generate(sources.path());
    // An old time, which a rewrite would replace however soon it came.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(header(), old);
    EXPECT_EQ(generate(sources.path()), first);
    EXPECT_EQ(fs::last_write_time(header()), old);

    git(sources.path(), {"init", "-q"});
    cli::test::writeFile(sources.path() / "a", "a");
    git(sources.path(), {"add", "a"});
    git(sources.path(), {"commit", "-q", "-m", "a"});
    EXPECT_NE(generate(sources.path()), first);
    EXPECT_NE(fs::last_write_time(header()), old);
}

}  // namespace
}  // namespace kestrel::install::test
