// kestrel-cli wrap and light on the sample, run as separate processes.
#include <gtest/gtest.h>

#include <string>

#include "cli_process.h"

namespace kestrel::cli::test {
namespace {

std::string sample() { return (sourceDir() / "data/samples/robot.rsd").string(); }

TEST(CliWrap, PlanarWrapTexturesTheFacesTurnedThatWay) {
    const TempDir dir;
    const std::string out = (dir / "wrapped.rsd").string();
    const CliRun run = runCli({"wrap", sample(), "--type", "planar", "--plane", "Z-", "--inexact", "--repeat", "2,1",
                               "--texture", (sourceDir() / "data/samples/robot_face.tim").string(), "-o", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("wrapped 3 of 14 polygons\n")) << run.out;
    // The sample lists the face texture already (in other words): no third texture.
    EXPECT_NE(readFile(dir / "wrapped.rsd").find("NTEX=2"), std::string::npos);
    EXPECT_NE(readFile(dir / "wrapped.mat").find(" F D "), std::string::npos);  // a colour kind made textured

    EXPECT_EQ(runCli({"wrap", sample(), "--type", "spiral", "--texture", "x.tim", "-o", out}).status, 2);
    const CliRun missing = runCli({"wrap", sample(), "--texture", (dir / "none.tim").string(), "-o", out});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read the texture"), std::string::npos) << missing.err;
}

TEST(CliLight, APointLightBrightensCornersNearItsVertex) {
    const TempDir dir;
    const std::string out = (dir / "lit.rsd").string();
    const CliRun run = runCli({"light", sample(), "--vertex", "16", "--colour", "ff8000", "--radius", "80", "-o", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("changed ")) << run.out;
    // Lit single colours became gradations: fewer single-colour polygons than before.
    const auto singles = [](const std::string& mat) {
        std::size_t n = 0;
        for (auto at = mat.find(" C "); at != std::string::npos; at = mat.find(" C ", at + 1)) ++n;
        return n;
    };
    EXPECT_LT(singles(readFile(dir / "lit.mat")), singles(readFile(sourceDir() / "data/samples/robot.mat")));

    EXPECT_EQ(runCli({"light", sample(), "--vertex", "99", "--colour", "ffffff", "-o", out}).status, 1);
    EXPECT_EQ(runCli({"light", sample(), "--vertex", "1", "--colour", "white", "-o", out}).status, 1);
}

}  // namespace
}  // namespace kestrel::cli::test
