// kestrel-cli console against the emulated console: as a process for what a user sees, and
// in-process on a simulated clock where the console is made to fail.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli_process.h"
#include "formats/file_system.h"
#include "link/simulated.h"

namespace kestrel::cli::test {
namespace {

std::string sample() { return (sourceDir() / "data/samples/robot.rsd").string(); }

TEST(CliConsole, AllSendsTheSamplesTexturesAndModelAndReportsWhatArrived) {
    const CliRun run = runCli({"console", "--emulate", "all", sample()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("textures 2/2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("textures: 2 blocks"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("model: 1 blocks"), std::string::npos) << run.out;

    EXPECT_EQ(runCli({"console", "--emulate", "--port", "0x300", "reset"}).status, 2);
    EXPECT_EQ(runCli({"console", "--emulate", "--fault", "sometimes", "reset"}).status, 2);
}

// Quarter and eighth turns reach the console as whole angle units: 4096 to a full turn.
TEST(CliConsole, CameraDegreesBecomeExactConsoleAngles) {
    const CliRun run = runCli({"console", "--emulate", "camera", "--rotate", "90", "-45"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("camera: angles 1024, -512,"), std::string::npos) << run.out;
}

TEST(CliConsole, TheTranscriptHoldsEveryDataByteBothWays) {
    const TempDir dir;
    const std::string transcript = (dir / "video.txt").string();
    const CliRun run = runCli({"console", "--emulate", "--transcript", transcript, "video", "368x256"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(transcript),
              "W 00\nR 00\nW 5a\nR 7a\nW 04\nR 04\nW 01\nR 01\nW 03\nR 03\nW 70\nR 70\n"
              "W 02\nR 02\nW 01\nR 01\nW 01\nR 01\nW 00\nR 00\nW 00\nR 00\n");
    EXPECT_NE(run.out.find("video mode 368x256"), std::string::npos) << run.out;
}

struct InProcess {
    app::Document document{std::make_unique<formats::HostFileSystem>()};
    link::SimulatedClock clock;
    std::ostringstream out, err;
    int run(const std::string& fault, const std::string& command, const std::string& argument = {}) {
        ConsoleOptions options;
        options.emulate = true;
        options.fault = fault;
        options.command = command;
        if (!argument.empty()) options.arguments = {argument};
        options.clock = &clock;
        return runConsole(document, options, out, err);
    }
};

TEST(CliConsole, AConsoleThatFailsEndsWithTheCommsErrorOnSimulatedTime) {
    InProcess silent;
    EXPECT_EQ(silent.run("silent", "halt"), 1);
    EXPECT_NE(silent.err.str().find("The Playstation has failled to respond"), std::string::npos) << silent.err.str();
    EXPECT_LT(silent.clock.elapsedSeconds(), 10);

    InProcess late;
    EXPECT_EQ(late.run("late", "model", sample()), 1);
    EXPECT_NE(late.out.str().find("model: 0 blocks"), std::string::npos) << late.out.str();

    InProcess corrupt;
    EXPECT_EQ(corrupt.run("checksum", "model", sample()), 1);
    EXPECT_NE(corrupt.err.str().find("did not confirm 1 block"), std::string::npos) << corrupt.err.str();

    InProcess missing;
    EXPECT_EQ(missing.run("", "viewer", "/nonexistent/ps.pxe"), 1);
    EXPECT_NE(missing.err.str().find("cannot read the previewer program"), std::string::npos);
}

}  // namespace
}  // namespace kestrel::cli::test
