// kestrel-cli optimise, run as a separate process on a small model with duplicated vertices.
#include <gtest/gtest.h>

#include <string>

#include "cli_process.h"

namespace kestrel::cli::test {
namespace {

// Two quadrilaterals side by side whose shared edge was saved twice: vertices 4 and 6 lie
// on (or within 0.2 of) vertices 1 and 3.
void writeDuplicated(const TempDir& dir) {
    writeFile(dir / "dup.rsd", "@RSD940102\nPLY=dup.ply\nMAT=dup.mat\nGRP=dup.grp\nNTEX=0\n");
    writeFile(dir / "dup.ply",
              "@PLY940102\n8 1 2\n0 0 0\n10 0 0\n0 10 0\n10 10 0\n10 0 0\n20 0 0\n10 10.2 0\n20 10 0\n"
              "0 0 -1\n1 0 1 2 3 0 0 0 0\n1 4 5 6 7 0 0 0 0\n");
    writeFile(dir / "dup.mat", "@MAT940801\n2\n0 0 F C 100 100 100\n1 0 F C 100 100 100\n");
}

TEST(CliOptimise, MergesDuplicatedVerticesInTheOrderGivenAndSaves) {
    const TempDir dir;
    writeDuplicated(dir);
    const std::string in = (dir / "dup.rsd").string(), out = (dir / "out.rsd").string();
    const CliRun run = runCli({"optimise", in, "-o", out, "--merge-radius", "0.5", "--reduce", "--grid", "20,20,20"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(
        run.out.starts_with("before: 8 vertices, 2 polygons\n"
                            "merge radius 0.5: 2 vertices merged\n"
                            "reduce: 0 polygons removed, 0 quadrilaterals made triangles, 0 vertices removed\n"
                            "grid 20,20,20: aligned\n"
                            "after: 6 vertices, 2 polygons\n"))
        << run.out;
    const std::string ply = readFile(dir / "out.ply");
    EXPECT_NE(ply.find("\n6 8 2\n"), std::string::npos) << ply;
    EXPECT_NE(ply.find("\n1 1 4 3 5 "), std::string::npos) << ply;  // the second quad on the first's edge
    EXPECT_NE(ply.find("\n20.000000 20.000000 0.000000\n"), std::string::npos) << ply;  // 10 snapped up

    // Too small a radius merges only the exact duplicate.
    const CliRun exact = runCli({"optimise", in, "-o", out, "--merge-radius", "0.1"});
    EXPECT_NE(exact.out.find("1 vertices merged"), std::string::npos) << exact.out;
}

TEST(CliOptimise, QualifiersWithoutTheirStepAreUsageErrors) {
    const TempDir dir;
    writeDuplicated(dir);
    const std::string in = (dir / "dup.rsd").string(), out = (dir / "out.rsd").string();
    EXPECT_EQ(runCli({"optimise", in, "-o", out, "--selected", "--merge-radius", "1"}).status, 2);
    EXPECT_EQ(runCli({"optimise", in, "-o", out, "--reduce", "--keep-selected"}).status, 2);
    EXPECT_EQ(runCli({"optimise", in, "-o", out, "--grid", "1,2"}).status, 2);
    const CliRun bad = runCli({"optimise", in, "-o", out, "--grid", "0,1,1"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.starts_with("error: ")) << bad.err;
}

TEST(CliOptimise, SaysThatTheMovementsAreNotWritten) {
    const TempDir dir;
    const std::string in = (sourceDir() / "data/samples/robot.rsd").string(), out = (dir / "out.rsd").string();
    const CliRun run = runCli({"optimise", in, "-o", out, "--reduce"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("out.rsd: written without the 1 movement of "), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.move"));
}

}  // namespace
}  // namespace kestrel::cli::test
